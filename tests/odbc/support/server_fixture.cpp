#include "server_fixture.h"

#include <fstream>

namespace odbc_test {
namespace {

std::filesystem::path g_work;
std::string g_toDir;

}  // namespace

const std::filesystem::path& WorkDir() { return g_work; }

const std::string& ToDirArgument() { return g_toDir; }

void ReadArguments(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--work=", 0) == 0) {
      g_work = std::filesystem::path(arg.substr(7));
    } else if (arg.rfind("--todir=", 0) == 0) {
      g_toDir = arg.substr(8);
    }
  }
}

std::string ReadPort() {
  std::ifstream file(g_work / "port");
  std::string port;
  file >> port;
  return port;
}

void SetServerMode(const std::string& mode) {
  std::ofstream file(g_work / "mode", std::ios::trunc);
  file << mode << "\n";
}

}  // namespace odbc_test
