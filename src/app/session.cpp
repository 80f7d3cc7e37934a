#include "app/session.h"

#include <utility>

#include "app/alive_record.h"
#include "settings/backup_settings.h"
#include "settings/ini_file.h"

namespace app {
namespace {

constexpr const char* kCheckupText = "Checkup of connection is completed successfully!!!";
constexpr std::uint8_t kBalloonSeconds = 10;

}  // namespace

Session::Session(SessionWindow& window, schedule::Alarm& alarm, const platform::Clock& clock, SessionSetup setup)
    : window_(window),
      alarm_(alarm),
      exeDir_(std::move(setup.exeDir)),
      bakQuery_(connection_, db::CreateBakFileQuery(setup.createBakFileTimeout)),
      schedule_(exeDir_, clock, alarm, timeIndex_, [this](const std::string& text) { window_.ShowNextTime(text); }),
      connectRoutine_(*this, connection_, exeDir_, setup.computerName,
                      db::SessionState{databaseName_, userName_, timeIndex_}),
      runClock_(setup.runClock != nullptr ? *setup.runClock : systemRunClock_),
      log_(exeDir_ + "\\Bak_Info"),
      notifyingLog_(log_, schedule_.SettingsPath(), setup.computerName),
      run_(backup::RunServices{*this, archiver_, files_, window_, window_, *this, *this, runClock_, notifyingLog_}),
      watch_(*this, runClock_, AliveRecordPath(exeDir_)) {}

Session::~Session() = default;

bool Session::StartupCheck() {
  {
    const auto busy = busy_.TryEnter(BusyGuard::Activity::connecting);
    if (!busy) {
      return false;
    }
    try {
      StartupSequence();
    } catch (...) {
      watch_.RoutineEnded(false);  // the next tick looks at what was missed
      throw;
    }
  }
  // With the schedule loaded: the times missed while the program was not running.
  watch_.RoutineEnded();
  return true;
}

void Session::StartupSequence() {
  Connect_DB();
  // The Refresh command acts only once a connection has enabled the commands.
  if (commandsEnabled_) {
    Refresh();
  }
  if (connection_.Connected()) {
    window_.ShowBalloon(backup::Balloon{"INFO", kCheckupText, backup::BalloonIcon::kInfo, kBalloonSeconds});
    connection_.Close();  // open again only for each backup
  }
  window_.MinimizeApp();
}

void Session::Login() {
  {
    const auto busy = busy_.TryEnter(BusyGuard::Activity::connecting);
    if (!busy) {
      return;
    }
    try {
      connectRoutine_.Login();
      if (commandsEnabled_) {
        Refresh();  // also after Cancel
      }
    } catch (...) {
      watch_.RoutineEnded(false);
      throw;
    }
  }
  watch_.RoutineEnded();  // an alarm refused while the dialog was up is a missed time
}

void Session::Refresh() {
  // The first load of the schedule: from here on missed times are watched.
  watch_.Start();
  struct CountNote {
    Session& session;
    ~CountNote() { session.NoteCountAboveLimit(); }  // also when SetNextAlarm raises
  } note{*this};
  schedule_.Refresh();
}

backup::RunEnd Session::ScheduledRun() {
  if (!busy_.Busy()) {
    watch_.ScheduledRunStarting();
  }
  const backup::RunEnd end = run_.Run(backup::RunKind::kScheduled);
  if (end != backup::RunEnd::kRefused && end != backup::RunEnd::kRepeatRefused) {
    watch_.RunEnded(end == backup::RunEnd::kDone);
  }
  return end;
}

backup::RunEnd Session::ImmediateRun() {
  backup::RunEnd end = backup::RunEnd::kRefused;
  try {
    end = run_.Run(backup::RunKind::kImmediate);
  } catch (...) {
    watch_.RunEnded(false, false);  // the error box first; the next tick looks at what was missed
    throw;
  }
  if (end != backup::RunEnd::kRefused) {
    watch_.RunEnded(end == backup::RunEnd::kDone);
  }
  return end;
}

bool Session::AlarmFiresInMinute(int hour, int minute) const {
  return alarm_.AlarmEnabled() && alarm_.AlarmArmed() && alarm_.AlarmHour() == hour && alarm_.AlarmMinute() == minute;
}

bool Session::MakeUpEnabled() const {
  return settings::ReadMakeUp(settings::IniFile(schedule_.SettingsPath()));
}

void Session::ShowMissedBalloon(const std::string& text) {
  window_.ShowBalloon(backup::Balloon{"Warning", text, backup::BalloonIcon::kWarning, kBalloonSeconds});
}

void Session::ReArmSchedule() noexcept {
  if (!alarm_.AlarmEnabled() || schedule_.TimeCount() == 0) {
    return;  // a switched-off alarm stays off (a run in progress switches it on again itself)
  }
  try {
    schedule_.SetNextAlarm(timeIndex_);
  } catch (...) {
    // An entry that is no time: the armed time stays, the next Refresh shows the error.
  }
}

void Session::RecordMissed(const MissedReport& report) noexcept {
  try {
    notifyingLog_.NotifyLine(report.historyLine, backup::FactsOfMissed(databaseName_, report.time, report.balloonText,
                                                                       report.detail));
  } catch (...) {
    log_.AppendLines(report.historyLine + "\r\n");  // out of memory: the report keeps its line
  }
}

bool Session::RunMakeUp() { return run_.Run(backup::RunKind::kMakeUp) != backup::RunEnd::kRefused; }

void Session::NoteCountAboveLimit() noexcept {
  const int stored = schedule_.CountAboveLimit();
  if (stored == 0) {
    return;
  }
  try {
    log_.AppendLines(platform::FormatLocalDateTime(runClock_.LocalNow()) + "\tschedule\tTimeCount=" +
                     std::to_string(stored) + ": only the first " + std::to_string(settings::kMaxTimeCount) +
                     " backup times are used; the other " + std::to_string(stored - settings::kMaxTimeCount) +
                     " are ignored\r\n");
  } catch (...) {
    // Out of memory: the schedule works all the same.
  }
}

std::unique_ptr<db::ConnectionDialog> Session::MakeConnectionDialog(bool ownedByApplication) {
  return window_.MakeConnectionDialog(ownedByApplication);
}

void Session::ShowErrorBox(const std::string& text) { window_.ShowErrorBox(text); }

void Session::ShowDefaultErrorBox(const std::string& message) { window_.ShowDefaultErrorBox(message); }

void Session::RestoreApp() { window_.RestoreApp(); }

void Session::RequestTermination() {
  terminationRequested_ = true;
  window_.RequestTermination();
}

void Session::EnableCommands() {
  commandsEnabled_ = true;
  window_.EnableCommands();
}

void Session::Connect() { Connect_DB(); }

std::string Session::CreateBakFile(const std::string& databaseName, const std::string& toDir) {
  bakQuery_.Close();
  bakQuery_.SetParameter("DB", databaseName);
  bakQuery_.SetParameter("ToDir", toDir);
  bakQuery_.Open();
  return bakQuery_.FieldText(0);
}

void Session::Close() noexcept {
  try {
    connection_.Close();
  } catch (...) {
    // A connection the driver already lost has nothing left to close.
  }
}

std::string Session::BakDir() const { return schedule_.BakDir(); }

std::string Session::SettingsPath() const { return schedule_.SettingsPath(); }

void Session::SwitchAlarmOff() { alarm_.SetAlarmEnabled(false); }

void Session::SwitchAlarmOn() { alarm_.SetAlarmEnabled(true); }

void Session::ArmNext() {
  timeIndex_ = static_cast<std::uint8_t>(timeIndex_ + 1);
  schedule_.SetNextAlarm(timeIndex_);
}

bool Session::TryBegin() {
  auto scope = busy_.TryEnter(BusyGuard::Activity::backupRun);
  if (!scope) {
    return false;
  }
  runScope_.emplace(std::move(*scope));
  return true;
}

void Session::End() noexcept { runScope_.reset(); }

}  // namespace app
