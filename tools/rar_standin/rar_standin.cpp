// A stand-in for the WinRAR archiver, for development and tests only: it takes the same command
// line the program gives WinRAR ("a -ep <archive> <file>") and writes an archive file that holds a
// short header and the packed file's bytes. It is not a RAR archiver.
// Exit codes: 0 archive written, 1 usage, 2 source missing, 3 archive not writable.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
  if (argc != 5 || std::string(argv[1]) != "a" || std::string(argv[2]) != "-ep") {
    std::cerr << "usage: dw_rar_standin a -ep <archive> <file>   (development stand-in, not WinRAR)\n";
    return 1;
  }
  const std::string archive = argv[3];
  const std::string source = argv[4];
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    std::cerr << "dw_rar_standin: cannot open " << source << "\n";
    return 2;
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The archive goes beside itself first, so a reader never finds a half-written one.
  const std::string partial = archive + ".partial";
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out << "DW-RAR-STANDIN 1\n" << source << "\n" << bytes.size() << "\n";
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      std::remove(partial.c_str());
      return 3;
    }
  }
  std::remove(archive.c_str());
  if (std::rename(partial.c_str(), archive.c_str()) != 0) {
    std::remove(partial.c_str());
    return 3;
  }
  // Leaves a mark in its working directory, so callers can check where it was started.
  std::ofstream("dw_rar_standin.lastrun") << archive << "\n";
  return 0;
}
