// Copies one file with the program's copy call and prints the process's peak memory, to show that
// a copy costs a fixed buffer whatever the size of the file.
//   dw_copy_peak <from> <to>        exit code 0 copied, 1 copy reported failure, 2 usage
// Try it on a 1 GiB file under a memory limit smaller than the file:
//   (ulimit -v 524288; dw_copy_peak big.bak copy.bak)
#include <sys/resource.h>

#include <cstdio>

#include "platform/files.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: dw_copy_peak <from> <to>\n");
    return 2;
  }
  const bool copied = platform::CopyFileOverwrite(argv[1], argv[2]);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  std::printf("copy %s; peak resident memory %ld KiB\n", copied ? "done" : "FAILED", usage.ru_maxrss);
  return copied ? 0 : 1;
}
