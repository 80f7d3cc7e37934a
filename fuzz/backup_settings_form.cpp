// The backup settings dialog's loading, any file: its lists come out in the dialog's order and form
// (times sorted, folders with their trailing backslash), and what OK saves loads back as the same
// dialog and reads the same for the schedule and the backup run.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "settings/backup_settings.h"
#include "settings/backup_settings_form.h"
#include "settings/list_text.h"
#include "support/fuzz_check.h"
#include "support/scratch_file.h"

namespace {

using fuzz::Require;

class Answers final : public settings::FormPrompts {
 public:
  bool yes = true;
  int told = 0;
  void Tell(const settings::Notice&) override { ++told; }
  bool Ask(const settings::Notice&) override { return yes; }
};

// A folder as the chooser hands it out: Windows names hold no control characters.
std::string FolderName(FuzzedDataProvider& input) {
  std::string folder = input.ConsumeRandomLengthString(40);
  std::erase_if(folder, [](char c) { return static_cast<unsigned char>(c) < 0x20; });
  return folder;
}

bool EndsWithBackslash(const std::string& text) { return !text.empty() && text.back() == '\\'; }

void CheckShape(const settings::BackupSettingsForm& form) {
  const auto& times = form.Times();
  for (std::size_t i = 1; i < times.size(); ++i) {
    Require(settings::CompareTextIgnoringCase(times[i - 1], times[i]) <= 0, "the times are listed in ascending order");
  }
  for (const std::string& dir : form.CopyDirs()) {
    Require(EndsWithBackslash(dir), "every copy folder ends with a backslash");
  }
  Require(form.backupDir.text.empty() || EndsWithBackslash(form.backupDir.text),
          "the backup folder is shown with its trailing backslash");
}

bool HasCarriageReturn(const settings::BackupSettingsForm& form) {
  const auto has = [](const std::string& text) { return text.find('\r') != std::string::npos; };
  return std::any_of(form.Times().begin(), form.Times().end(), has) ||
         std::any_of(form.CopyDirs().begin(), form.CopyDirs().end(), has) || has(form.rarProgram) ||
         has(form.backupDir.text);
}

bool SameState(const settings::BackupSettingsForm& a, const settings::BackupSettingsForm& b) {
  return a.Times() == b.Times() && a.CopyDirs() == b.CopyDirs() && a.backupDir.text == b.backupDir.text &&
         a.rarProgram == b.rarProgram;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFile scratch("Bak_Info.ini");
  FuzzedDataProvider input(data, size);
  scratch.Write(input.ConsumeRandomLengthString(8192));
  settings::IniFile ini(scratch.Path());

  Answers answers;
  settings::BackupSettingsForm loaded(answers);
  loaded.Load(ini);
  CheckShape(loaded);

  // A few of the operator's actions on the loaded lists.
  for (int action = 0; action < 4 && input.remaining_bytes() > 0; ++action) {
    const std::size_t before = loaded.Times().size();
    switch (input.ConsumeIntegralInRange<int>(0, 2)) {
      case 0: {
        const std::string typed = input.ConsumeRandomLengthString(8);
        loaded.timeField.SetText(typed);
        const std::string time = loaded.timeField.Text();
        const auto added = loaded.AddTime();
        Require(!added || (settings::IsValidTime(time) && loaded.Times().size() == before + 1 &&
                           loaded.Times()[*added] == time && before < settings::kMaxBackupTimes),
                "only a valid new time is added, where it sorts, while there is room");
        Require(added || loaded.Times().size() == before, "a refused time changes nothing");
        break;
      }
      case 1: {
        answers.yes = input.ConsumeBool();
        std::vector<std::size_t> selected;
        for (int i = input.ConsumeIntegralInRange<int>(0, 4); i > 0; --i) {
          selected.push_back(input.ConsumeIntegralInRange<std::size_t>(0, before + 1));
        }
        loaded.DeleteTimes(selected);
        Require(answers.yes || loaded.Times().size() == before, "No deletes nothing");
        break;
      }
      default: {
        loaded.copyDir.Picked(FolderName(input), true);
        const std::size_t dirs = loaded.CopyDirs().size();
        const auto added = loaded.AddCopyDir();
        Require(loaded.CopyDirs().size() == dirs + (added ? 1u : 0u), "a copy folder is added once at most");
        break;
      }
    }
    CheckShape(loaded);
  }

  // A hand-written KeepDays or KeepCount beyond what the dialog accepts is shown as read and refused
  // on saving, with its box, and then nothing is written.
  const bool keepInRange = settings::WholeNumberIn(loaded.keepDaysText, 0, settings::kMaxKeepDays) &&
                           settings::WholeNumberIn(loaded.keepCountText, 1, settings::kMaxKeepCount);
  const int toldBefore = answers.told;
  Require(loaded.Save(ini) == keepInRange, "only clean-up fields out of range refuse a save");
  if (!keepInRange) {
    Require(answers.told == toldBefore + 1, "a refused save tells why");
    return 0;
  }
  settings::BackupSettingsForm reloaded(answers);
  reloaded.Load(ini);
  // The one change a save makes on purpose: the shown backslash goes, so "X\\" comes back as "X\".
  const bool doubledBackslash = loaded.backupDir.text.size() >= 2 &&
                                loaded.backupDir.text.compare(loaded.backupDir.text.size() - 2, 2, "\\\\") == 0;
  // Left as it is: a lone carriage return inside a line reads as text, but a write ends the value
  // there (it cannot tell it from a line break), so such a hand-edited value comes back shorter.
  if (HasCarriageReturn(loaded)) {
    return 0;
  }
  Require(reloaded.Times() == loaded.Times() && reloaded.CopyDirs() == loaded.CopyDirs() &&
              reloaded.rarProgram == loaded.rarProgram &&
              (reloaded.backupDir.text == loaded.backupDir.text || doubledBackslash),
          "what the dialog saves loads back the same");

  Require(settings::ReadTimeCount(ini) == static_cast<int>(loaded.Times().size()), "the schedule counts the saved times");
  for (std::size_t i = 0; i < loaded.Times().size(); ++i) {
    Require(settings::ReadTimeEntry(ini, static_cast<int>(i + 1)) == loaded.Times()[i],
            "the schedule reads each saved time");
  }
  Require(settings::ReadCopyDirs(ini) == loaded.CopyDirs(), "the backup run reads the saved copy folders");
  Require(settings::ReadRarProgram(ini) == loaded.rarProgram, "the backup run reads the saved archiver");

  settings::BackupSettingsForm third(answers);
  Require(reloaded.Save(ini), "what was saved saves again");
  third.Load(ini);
  Require(SameState(third, reloaded), "saving an unchanged dialog changes nothing");
  return 0;
}
