#pragma once
// What the tests against the stand-in server share: its work folder (named by --work=DIR on the
// command line, as ctest passes it), the port it listens on and the failure mode it is switched to,
// and the accounts of tests/odbc/tds_server.conf.
#include <filesystem>
#include <string>

namespace odbc_test {

inline constexpr const char* kUser = "dumpwarden";
inline constexpr const char* kPassword = "Bak-Up-2024";
// ";", both quotes, "=" and braces: each would break a connection string pasted together.
inline constexpr const char* kOddUser = "o'brien;\"admin\"";
inline constexpr const char* kOddPassword = "pa;ss\"w'rd=}{x";

// The server's work folder as this program sees it; empty until ReadArguments found --work=.
const std::filesystem::path& WorkDir();
// Takes --work=DIR and, where given, --todir=PATH from the command line.
void ReadArguments(int argc, char** argv);
// --todir=PATH: the backup folder as a Windows path the server maps; empty when not given.
const std::string& ToDirArgument();

// The port the fixture wrote once the server listened; empty when there is none.
std::string ReadPort();
// "none", "login", "proc-error", "no-result", "slow=N", "drop": read by the server at each request.
void SetServerMode(const std::string& mode);

}  // namespace odbc_test
