#pragma once
#include <stdexcept>
#include <string>

namespace rar_standin {

// The stand-in's exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 1;          // not one of the two accepted command lines
inline constexpr int kExitCannotRead = 2;     // "a": the file to pack; "t": the archive
inline constexpr int kExitCannotWrite = 3;    // "a": the archive could not be written
inline constexpr int kExitDamaged = 4;        // "t": the archive failed its test

// A failure that ends the run with its exit code and a one-line message.
class StandinError : public std::runtime_error {
 public:
  StandinError(int exitCode, const std::string& message) : std::runtime_error(message), exitCode_(exitCode) {}
  [[nodiscard]] int ExitCode() const { return exitCode_; }

 private:
  int exitCode_;
};

}  // namespace rar_standin
