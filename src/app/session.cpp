#include "app/session.h"

#include <utility>

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
      log_(exeDir_ + "\\Bak_Info"),
      notifyingLog_(log_, schedule_.SettingsPath(), setup.computerName),
      run_(backup::RunServices{*this, archiver_, files_, window_, window_, *this, *this, runClock_, notifyingLog_}) {}

Session::~Session() = default;

bool Session::StartupCheck() {
  const auto busy = busy_.TryEnter(BusyGuard::Activity::connecting);
  if (!busy) {
    return false;
  }
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
  return true;
}

void Session::Login() {
  const auto busy = busy_.TryEnter(BusyGuard::Activity::connecting);
  if (!busy) {
    return;
  }
  connectRoutine_.Login();
  if (commandsEnabled_) {
    Refresh();  // also after Cancel
  }
}

void Session::Refresh() { schedule_.Refresh(); }

std::unique_ptr<db::ConnectionDialog> Session::MakeConnectionDialog(bool ownedByApplication) {
  return window_.MakeConnectionDialog(ownedByApplication);
}

void Session::ShowErrorBox(const std::string& text) { window_.ShowErrorBox(text); }

void Session::ShowDefaultErrorBox(const std::string& message) { window_.ShowDefaultErrorBox(message); }

void Session::RestoreApp() { window_.RestoreApp(); }

void Session::RequestTermination() { window_.RequestTermination(); }

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
