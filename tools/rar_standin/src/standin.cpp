#include "standin.h"

#include <fstream>
#include <iostream>
#include <iterator>

#include "exit_codes.h"
#include "system.h"
#include "zip_checker.h"
#include "zip_writer.h"

namespace rar_standin {
namespace {

int Usage() {
  std::cerr << "usage: dw_rar_standin a -ep \"<archive>\" \"<file>\"   pack <file> into a new ZIP archive\n"
               "       dw_rar_standin t \"<archive>\"                test an archive's structure and checksums\n"
               "A development stand-in for WinRAR (it writes ZIP, not RAR). Exit codes: 0 done, 1 usage,\n"
               "2 cannot read the file or archive, 3 cannot write the archive, 4 the archive failed its test.\n";
  return kExitUsage;
}

int Pack(const std::string& archive, const std::string& source, const Mode& mode) {
  if (mode.delaySeconds > 0) {
    SleepSeconds(mode.delaySeconds);
  }
  if (mode.behaviour == Behaviour::kCrash) {
    CrashNow();
  }
  if (mode.behaviour == Behaviour::kFail) {
    std::cerr << "dw_rar_standin: failing on request (" << kModeFileName << ")\n";
    return kExitCannotWrite;
  }
  PackFile(source, archive, PackOptions{mode.behaviour == Behaviour::kTruncate});
  std::cout << "dw_rar_standin: packed " << source << " into " << archive << "\n";
  return kExitOk;
}

int Test(const std::string& archive) {
  for (const TestedEntry& entry : TestArchive(archive)) {
    std::cout << "dw_rar_standin: " << entry.name << " (" << entry.size << " bytes) OK\n";
  }
  return kExitOk;
}

}  // namespace

int RunCommand(const std::vector<std::string>& items, const Mode& mode) {
  try {
    if (items.size() == 5 && items[1] == "a" && items[2] == "-ep") {
      return Pack(items[3], items[4], mode);
    }
    if (items.size() == 3 && items[1] == "t") {
      return Test(items[2]);
    }
  } catch (const StandinError& e) {
    std::cerr << "dw_rar_standin: " << e.what() << "\n";
    return e.ExitCode();
  } catch (const std::exception& e) {
    std::cerr << "dw_rar_standin: " << e.what() << "\n";
    return kExitCannotWrite;
  }
  return Usage();
}

Mode ReadModeFile(const std::string& directory) {
  std::ifstream in(directory + kModeFileName, std::ios::binary);
  if (!in) {
    return {};
  }
  std::string head(256, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  return ParseMode(head);
}

}  // namespace rar_standin
