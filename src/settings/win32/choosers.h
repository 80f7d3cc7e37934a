#pragma once
// The system's folder chooser and file-open dialog, in the program's 8-bit code page.
#include <windows.h>

#include <optional>
#include <string>

namespace settings::win32 {

struct ChosenFolder {
  std::string path;
  bool exists;
};

// The folder chooser, starting at `start` ("\" for the current drive's root). nullopt when cancelled,
// or when the folder's name cannot be written in the code page (then an error box has said so).
std::optional<ChosenFolder> ChooseFolder(HWND owner, const std::string& start);

// The file-open dialog for a program: filter "EXE|*.exe", filter index 1, the proposed file name,
// starting in `startFolder`. nullopt when cancelled.
std::optional<std::string> ChooseProgramFile(HWND owner, const std::string& startFolder,
                                             const std::string& proposedName);

bool DirectoryExists(const std::string& path);

}  // namespace settings::win32
