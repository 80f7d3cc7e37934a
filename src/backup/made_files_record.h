#pragma once
// The program's own record of the files it made: each archive in the backup directory and each
// "Copy of" file in a copy folder, with its size and the time it was made. Clean-up removes nothing
// that is not in it. It lives beside the settings (Bak_Info\made_files.txt), apart from the history,
// so the history's rotation never loses it.
//
// Form (lines end with CR LF; fields separated by one tab; the path last):
//   Dumpwarden made files 1
//   2026-12-09 02:00:07<TAB>1234567<TAB>ok<TAB>D:\Backup\QEL_20261209_020000.rar
//   2026-12-09 02:00:09<TAB>1234567<TAB>ok<TAB>E:\Mirror\Copy of QEL_20261209_020000.rar
//   end 2
// Lines are in the order the files were made. "bad" instead of "ok" marks an archive that failed
// the archiver's test. The closing line holds the number of files, so a record cut short is told
// from a complete one.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/local_time.h"

namespace backup {

struct MadeFile {
  std::string path;
  std::uint64_t size = 0;
  platform::LocalDateTime made;  // seconds precision
  bool tested = true;            // false: an archive that failed its test (never among those kept)
};

// A record larger than this is not read: it would hold some hundred thousand files.
inline constexpr std::uint64_t kMadeFilesRecordLimit = 64u << 20;

// Bak_Info\made_files.txt, beside the settings file `settingsPath`.
std::string MadeFilesPath(const std::string& settingsPath);
// Where an unreadable record is set aside for the administrator: Bak_Info\made_files.unreadable.txt.
std::string UnreadableMadeFilesPath(const std::string& settingsPath);

std::string FormatMadeFiles(const std::vector<MadeFile>& files);
// nullopt for anything but a complete record in the form above: a torn or garbled record is not
// guessed at.
std::optional<std::vector<MadeFile>> ParseMadeFiles(std::string_view bytes);

// Adds a file made now at the end; an older entry of the same path (letter case ignored, as Windows
// names files) goes, since that file has just been overwritten.
void AddMadeFile(std::vector<MadeFile>& files, MadeFile file);

// The folder a path lies in, with its trailing backslash, lower-cased for comparing: files of one
// folder are counted together whatever the letter case of the copy entry.
std::string FolderKey(const std::string& path);
// The folder a path lies in, as written, with its trailing backslash ("E:\Mirror\").
std::string FolderPart(const std::string& path);
// The name after the folder part.
std::string NamePart(const std::string& path);

}  // namespace backup
