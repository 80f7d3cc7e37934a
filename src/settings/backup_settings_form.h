#pragma once
// What the backup settings dialog does, apart from its windows: its lists and fields as the working
// copy of Bak_Info.ini between loading and saving, and the rules of adding and deleting. The window
// shows this state and hands the operator's actions to it; questions and notices go out through
// FormPrompts, so tests answer them.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/time_mask.h"

namespace settings {

// The dialog's texts (UTF-8; the Russian ones are shown through the wide functions).
inline constexpr char kTimeExistsText[] = "This time already exist.";
inline constexpr char kInvalidTimeText[] = "Invalid time.";
inline constexpr char kTooManyTimesText[] = "At most 255 backup times.";
inline constexpr char kErrorCaption[] = "Error";
// The clean-up fields' labels and what an entry outside their range is told.
inline constexpr char kKeepDaysLabel[] = "Keep archives (days):";
inline constexpr char kKeepCountLabel[] = "but always the newest:";
inline constexpr char kInvalidKeepDaysText[] =
    "Keep archives (days): enter a whole number from 0 to 3650 (0 keeps every archive).";
inline constexpr char kInvalidKeepCountText[] = "but always the newest: enter a whole number from 1 to 1000.";
// The check box of the make-up run (key MakeUp).
inline constexpr char kMakeUpLabel[] = "Make up missed backups";
// The web notification fields' labels, and what an address that is not http or https is told.
inline constexpr char kSuccessUrlLabel[] = "Notify on success (URL):";
inline constexpr char kFailureUrlLabel[] = "Notify on failure (URL):";
inline constexpr char kInvalidNotifyUrlText[] = " enter an http:// or https:// address, or leave the field empty";
inline constexpr char kNoticeCaption[] = "Уведомление";
inline constexpr char kDeleteTimesQuestion[] = "Вы действительно хотите удалить выделенное время?";
inline constexpr char kDeletePathsQuestion[] = "Вы действительно хотите удалить выделенные пути?";
inline constexpr char kPathExistsText[] = "Данный путь уже есть!";
// The archiver chooser's start when no archiver is set, and the name it proposes.
inline constexpr char kDefaultRarFolder[] = "C:\\Program Files\\Winrar";
inline constexpr char kProposedRarName[] = "WinRar.exe";

// The schedule counts its times in 8 bits.
inline constexpr std::size_t kMaxBackupTimes = 255;

enum class NoticeIcon { Stop, Question, Information };

struct Notice {
  std::string text;     // UTF-8
  std::string caption;  // UTF-8
  NoticeIcon icon;
  bool operator==(const Notice&) const = default;
};

class FormPrompts {
 public:
  // A message box with an OK button.
  virtual void Tell(const Notice& notice) = 0;
  // A message box with Yes and No; true for Yes.
  virtual bool Ask(const Notice& notice) = 0;

 protected:
  ~FormPrompts() = default;
};

// A directory field: its text (typing refused, the browse button sets it) and the folder it remembers.
struct DirectoryField {
  std::string text;
  std::string initialDir;  // the last existing folder picked with the browse button; empty at first

  // Where the folder chooser starts: the text, else InitialDir, else the root; the root also when
  // that folder does not exist.
  [[nodiscard]] std::string BrowseStart(const std::function<bool(const std::string&)>& directoryExists) const;
  // A folder picked in the chooser becomes the text and, when it exists, the InitialDir.
  void Picked(const std::string& folder, bool exists);
  // A click into the text: a non-empty text becomes the InitialDir.
  void Clicked();
};

class BackupSettingsForm {
 public:
  explicit BackupSettingsForm(FormPrompts& prompts);

  // Fills the lists and fields from the file (a missing file, section or key gives empty ones).
  void Load(const IniFile& ini);
  // Writes everything back, in one step: a refusal raises IniWriteError and leaves the file whole.
  // A clean-up field that is not a whole number in its range is told to the operator and nothing is
  // written: false then.
  bool Save(IniFile& ini) const;

  // The times, in ascending order (letter case ignored), and the copy directories in the order added.
  [[nodiscard]] const std::vector<std::string>& Times() const { return times_; }
  [[nodiscard]] const std::vector<std::string>& CopyDirs() const { return copyDirs_; }

  // Adds the time field's text when it is a valid time not yet listed and the list has room; else tells
  // why. Either way the field is blanked. The new item's position, when one was added.
  std::optional<std::size_t> AddTime();
  // Asks first (also when nothing is selected); on Yes removes the items at these positions. True on Yes.
  bool DeleteTimes(const std::vector<std::size_t>& selected);
  // Adds the copy field's InitialDir (with a trailing backslash, given to the InitialDir too) unless it
  // is empty or listed already (then tells so). The new item's position, when one was added.
  std::optional<std::size_t> AddCopyDir();
  bool DeleteCopyDirs(const std::vector<std::size_t>& selected);

  // Where the archiver chooser starts: the default folder when no archiver is set, else its folder.
  [[nodiscard]] std::string RarStartFolder() const;

  TimeMaskText timeField;
  DirectoryField backupDir;  // the backup directory, shown with a trailing backslash
  DirectoryField copyDir;    // where copy directories are picked
  std::string rarProgram;    // read-only field: only the archiver chooser replaces it
  std::string keepDaysText;   // "Keep archives (days):", checked on saving
  std::string keepCountText;  // "but always the newest:"
  bool makeUp = true;         // "Make up missed backups"
  std::string successUrl;     // web notifications, checked on saving
  std::string failureUrl;

 private:
  bool DeleteAsked(std::vector<std::string>& list, std::vector<std::size_t> selected, const char* question);

  FormPrompts& prompts_;
  std::vector<std::string> times_;
  std::vector<std::string> copyDirs_;
};

// A whole decimal number from `low` to `high`, blanks around it allowed; nullopt for anything else.
std::optional<int> WholeNumberIn(const std::string& text, int low, int high);

// The folder part of a file path without its trailing backslash; a drive's root keeps it ("C:\").
std::string FolderOf(const std::string& filePath);

}  // namespace settings
