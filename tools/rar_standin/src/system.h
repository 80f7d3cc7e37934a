#pragma once
// What the stand-in needs from the operating system beyond files.
#include <string>
#include <vector>

namespace rar_standin {

// The command line as the program received it, and its items. On Windows the raw line is split
// by SplitCommandLine; on POSIX the items are argv and the line is their JoinCommandLine.
struct Invocation {
  std::string line;
  std::vector<std::string> items;
};
Invocation CurrentInvocation(int argc, char** argv);

// The folder of the running program file, with a trailing separator.
std::string ProgramDirectory();

// A file name in the form a ZIP entry keeps it: names of plain ASCII as they are; others as UTF-8
// with `utf8` set (on Windows converted from the ANSI code page the paths arrive in).
std::string NameForArchive(const std::string& name, bool& utf8);

void SleepSeconds(unsigned seconds);

// Ends the process the way a faulting program ends: an access violation on Windows, SIGABRT on POSIX.
[[noreturn]] void CrashNow();

}  // namespace rar_standin
