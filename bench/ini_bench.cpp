// Reads and rewrites of a backup settings file far larger than any real one: a [copy] section of
// 80,000 keys (and a file of 20,000 repeated [BAK] sections for erasing). Prints the time of each
// operation (processor time); every one should grow with the size of the file, not with its square.
//   dw_ini_bench [keys]       (default 80000)
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "settings/backup_settings.h"
#include "settings/ini_file.h"

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// Processor time of the operation: on a busy machine the wall-clock time says more about the others.
double Seconds(const std::function<void()>& operation) {
  const std::clock_t start = std::clock();
  operation();
  return static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
}

}  // namespace

int main(int argc, char** argv) {
  const int keys = argc > 1 ? std::atoi(argv[1]) : 80000;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("dw_ini_bench." + std::to_string(std::random_device{}()));
  std::filesystem::create_directory(dir);

  std::string copyFile = "[BAK]\r\nTimeCount=1\r\nTime_1=08:30\r\n[copy]\r\ncount=" + std::to_string(keys) + "\r\n";
  for (int n = 1; n <= keys; ++n) {
    copyFile += "copy" + std::to_string(n) + "=D:\\c\r\n";
  }
  copyFile += "last=found\r\n";
  const std::filesystem::path copyPath = dir / "copy.ini";
  WriteFile(copyPath, copyFile);
  const settings::IniFile copyIni(copyPath.string());

  std::size_t dirs = 0;
  const double readList = Seconds([&] { dirs = settings::ReadCopyDirs(copyIni).size(); });
  std::string last;
  const double readOne = Seconds([&] { last = copyIni.ReadString("copy", "last", ""); });
  const double dialogLoad = Seconds([&] { dirs += settings::LoadBackupSettings(copyIni).copyDirs.size(); });

  std::string repeated;
  for (int n = 1; n <= keys / 4; ++n) {
    repeated += "[BAK]\r\nTime_" + std::to_string(n) + "=08:30\r\n[copy]\r\ncopy" + std::to_string(n) + "=x\r\n";
  }
  const std::filesystem::path erasePath = dir / "erase.ini";
  WriteFile(erasePath, repeated);
  settings::IniFile eraseIni(erasePath.string());
  const double erase = Seconds([&] { eraseIni.EraseSection("bak"); });
  const bool erased = !eraseIni.ValueExists("BAK", "Time_1") && eraseIni.ValueExists("copy", "copy1");

  std::printf("[copy] section of %d keys, %zu bytes\n", keys, copyFile.size());
  std::printf("  copy list (ReadCopyDirs):        %.4f s (%zu directories)\n", readList, dirs / 2);
  std::printf("  one key after the section:       %.4f s (\"%s\")\n", readOne, last.c_str());
  std::printf("  dialog's whole reading:          %.4f s\n", dialogLoad);
  std::printf("%d repeated [BAK] sections, %zu bytes\n", keys / 4, repeated.size());
  std::printf("  erase every [BAK]:               %.4f s (%s)\n", erase, erased ? "done" : "NOT DONE");
  std::filesystem::remove_all(dir);
  return dirs == 2u * static_cast<std::size_t>(keys) && last == "found" && erased ? 0 : 1;
}
