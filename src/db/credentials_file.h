#pragma once
// Data.dat: the SQL Server user name and password, scrambled by a byte shift and bound to the
// computer that wrote them. One line: name 0xFD user 0xFE password 0xFF CR LF.
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace db {

// The platform's I/O error for the credentials file; the message names the file.
class IoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// 5 is the largest shift that keeps every printable character (0x20-0xFF) clear of the bytes that
// end a text line or a field, so any typed user name or password survives the round trip.
inline constexpr unsigned char kShift = 5;
inline constexpr char kComputerEnd = '\xFD';
inline constexpr char kUserEnd = '\xFE';
inline constexpr char kPasswordEnd = '\xFF';

// Returns the text before the first separator and removes it and the separator from `text`;
// without a separator returns "" and leaves `text` alone.
std::string Cut_Token(std::string& text, char separator);

std::string Encode_Str(std::string_view text);
std::string Decode_Str(std::string_view text);

// This computer's name as the operating system reports it.
std::string Get_CompName();

// The first text line of a file's bytes: up to the first line feed (a carriage return right before
// it excluded), other carriage returns dropped, and a byte 26 ends the text.
std::string FirstTextLine(std::string_view bytes);

struct Credentials {
  std::string userName;
  std::string password;
};

// The stored credentials, or nullopt when the file is missing, was written on another computer, or
// lacks its first separator. A file that exists but cannot be read raises IoError.
std::optional<Credentials> ReadCredentialsFile(const std::string& path, const std::string& computerName);

// Creates or replaces the file; raises IoError when it cannot be written (the old file then stays).
// A new file is readable by its owner only where the platform allows; a replaced one keeps its access.
void WriteCredentialsFile(const std::string& path, const std::string& computerName, const Credentials& credentials);

}  // namespace db
