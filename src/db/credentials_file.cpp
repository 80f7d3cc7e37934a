#include "db/credentials_file.h"

#include "platform/files.h"
#include "platform/system_info.h"

namespace db {
namespace {

// Far beyond any real record; a larger file is not a credentials file and is not read into memory.
constexpr std::uint64_t kMaxFileBytes = 16u << 20;

std::string Shift(std::string_view text, int delta) {
  std::string out(text);
  for (char& c : out) {
    c = static_cast<char>(static_cast<unsigned char>(static_cast<unsigned char>(c) + delta));
  }
  return out;
}

}  // namespace

std::string Cut_Token(std::string& text, char separator) {
  const auto p = text.find(separator);
  if (p == std::string::npos) {
    return {};
  }
  std::string token = text.substr(0, p);
  text.erase(0, p + 1);
  return token;
}

std::string Encode_Str(std::string_view text) { return Shift(text, -static_cast<int>(kShift)); }
std::string Decode_Str(std::string_view text) { return Shift(text, kShift); }

std::string Get_CompName() { return platform::ComputerName(); }

std::string FirstTextLine(std::string_view bytes) {
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\n' || c == '\x1A') {
      break;
    }
    if (c == '\r') {
      continue;
    }
    line += c;
  }
  return line;
}

std::optional<Credentials> ReadCredentialsFile(const std::string& path, const std::string& computerName) {
  if (!platform::FileExists(path)) {
    return std::nullopt;
  }
  const auto bytes = platform::ReadFileBytes(path, kMaxFileBytes);
  if (!bytes) {
    throw IoError("Cannot read file " + path);
  }
  std::string line = FirstTextLine(*bytes);
  if (line.find(kComputerEnd) == std::string::npos) {
    return std::nullopt;
  }
  if (Decode_Str(Cut_Token(line, kComputerEnd)) != computerName) {
    return std::nullopt;
  }
  Credentials credentials;
  credentials.userName = Decode_Str(Cut_Token(line, kUserEnd));
  credentials.password = Decode_Str(Cut_Token(line, kPasswordEnd));
  return credentials;
}

void WriteCredentialsFile(const std::string& path, const std::string& computerName, const Credentials& credentials) {
  std::string line = Encode_Str(computerName);
  line += kComputerEnd;
  line += Encode_Str(credentials.userName);
  line += kUserEnd;
  line += Encode_Str(credentials.password);
  line += kPasswordEnd;
  line += "\r\n";
  // The file holds a password: nobody but its owner needs to read it.
  if (!platform::ReplaceFileAtomically(path, line, platform::NewFileAccess::OwnerOnly)) {
    throw IoError("Cannot write file " + path);
  }
}

}  // namespace db
