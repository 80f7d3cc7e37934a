#pragma once
// A file opened for raw, 64-bit positioned I/O: archives and backup files far larger than 4 GiB
// pass through here in fixed-size blocks. Paths are the operating system's own (the Windows build
// takes ANSI paths, as the program gives them).
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace rar_standin {

class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Local time of a file's last change, as a calendar reading.
struct CalendarTime {
  int year = 1980;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class BinaryFile {
 public:
  // Each raises FileError naming the path when the file cannot be opened or created.
  static BinaryFile OpenForReading(const std::string& path);
  static BinaryFile OpenForUpdate(const std::string& path);  // read and write, existing file
  static BinaryFile CreateForWriting(const std::string& path);  // new or emptied

  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&& other) noexcept;
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;
  ~BinaryFile();

  // Reads up to `size` bytes at the current position; 0 means the end. Raises FileError on failure.
  std::size_t Read(void* buffer, std::size_t size);
  // Reads exactly `size` bytes at `offset` or raises FileError.
  void ReadAt(std::uint64_t offset, void* buffer, std::size_t size);
  void Write(const void* data, std::size_t size);
  // Moves the position forward over `size` bytes that read back as zeros: a hole where the file
  // system keeps them (a later write or SetSize must follow to make the file that long).
  void SkipZeros(std::uint64_t size);
  void SeekTo(std::uint64_t offset);
  [[nodiscard]] std::uint64_t Size() const;
  void SetSize(std::uint64_t size);
  // Forces the written bytes to the disk.
  void Flush();
  [[nodiscard]] CalendarTime LastWriteTime() const;
  // True when both name the same file on disk (not merely equal paths).
  [[nodiscard]] bool SameFileAs(const BinaryFile& other) const;
  void Close();

 private:
  explicit BinaryFile(std::intptr_t handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  [[noreturn]] void Fail(const char* what) const;

  std::intptr_t handle_ = -1;
  std::string path_;
  bool sparse_ = false;
};

// Replaces `to` with `from` in one step; false when refused.
bool RenameReplacing(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

}  // namespace rar_standin
