// dw_rar_standin: a development stand-in for the WinRAR archiver. It accepts the two command lines
// the program gives its archiver, "a -ep "<archive>" "<file>"" and "t "<archive>"", and writes and
// tests ZIP archives (which 7-Zip and unzip read). Real installations point RarProgram at WinRAR.
#include <fstream>

#include "standin.h"
#include "system.h"

int main(int argc, char** argv) {
  const rar_standin::Invocation invocation = rar_standin::CurrentInvocation(argc, argv);
  // Tests read back how and where the archiver was started: the working directory gets the line.
  std::ofstream(rar_standin::kLastRunFileName, std::ios::binary | std::ios::trunc) << invocation.line << "\n";
  const rar_standin::Mode mode = rar_standin::ReadModeFile(rar_standin::ProgramDirectory());
  return rar_standin::RunCommand(invocation.items, mode);
}
