#include "db/connect_routine.h"

#include <exception>
#include <utility>

#include "db/connect_settings.h"
#include "db/connection_string.h"
#include "db/program_dir.h"
#include "platform/files.h"
#include "settings/ini_file.h"

namespace db {

ConnectRoutine::ConnectRoutine(ConnectHost& host, Connection& connection, std::string exeDir,
                               std::string computerName, SessionState state)
    : host_(host),
      connection_(connection),
      exeDir_(std::move(exeDir)),
      computerName_(std::move(computerName)),
      state_(state) {}

std::string ConnectRoutine::ConnectIniPath() const { return exeDir_ + kConnectIniSuffix; }

std::string ConnectRoutine::DataDatPath() const { return exeDir_ + kDataDatSuffix; }

void ConnectRoutine::BitBtn1Click(DialogMode mode, const DialogEntries& entries) {
  if (mode == DialogMode::server) {
    settings::IniFile ini(ConnectIniPath());
    WriteServerAndDatabase(ini, entries.server, entries.database);
  } else {
    WriteCredentialsFile(DataDatPath(), computerName_, Credentials{entries.user, entries.password});
  }
}

void ConnectRoutine::RunOk(DialogMode mode, const DialogEntries& entries) {
  try {
    BitBtn1Click(mode, entries);
  } catch (const std::exception& error) {
    host_.ShowDefaultErrorBox(error.what());
  }
}

ConnectOutcome ConnectRoutine::Connect_DB() {
  bool ask = false;
  const std::unique_ptr<ConnectionDialog> dialog = host_.MakeConnectionDialog(true);

  // Reading settings; the server-mode dialog until both names are there. What was typed stays in the
  // fields when the dialog comes again (a refused write, an empty entry).
  DialogEntries serverFields;
  ConnectSettings settings;
  for (;;) {
    settings = ReadConnectSettings(settings::IniFile(ConnectIniPath()));
    state_.databaseName = settings.database;
    if (!settings.server.empty() && !settings.database.empty()) {
      break;
    }
    const auto entries = dialog->ShowModal(DialogRequest{DialogMode::server, serverFields, false});
    if (!entries) {
      host_.RequestTermination();
      return ConnectOutcome::cancelled;
    }
    serverFields = *entries;
    RunOk(DialogMode::server, *entries);
  }

  std::optional<Credentials> credentials = ReadCredentialsFile(DataDatPath(), computerName_);
  for (;;) {
    if (!credentials) {
      // Login: asked afresh, the server and database stay.
      ask = true;
      host_.RestoreApp();
      const auto entries = dialog->ShowModal(DialogRequest{DialogMode::login, DialogEntries{}, false});
      if (!entries) {
        host_.RequestTermination();
        return ConnectOutcome::cancelled;
      }
      credentials = Credentials{entries->user, entries->password};
    }
    if (Attempt(*credentials, settings, ask)) {
      return ConnectOutcome::connected;
    }
    credentials.reset();
  }
}

bool ConnectRoutine::Attempt(const Credentials& credentials, const ConnectSettings& settings, bool& ask) {
  connection_.Close();
  connection_.SetDriverName(settings.driver);
  connection_.SetConnectionString(
      BuildConnectionString(credentials.password, credentials.userName, state_.databaseName, settings.server));
  try {
    connection_.Open();
    if (ask) {
      WriteCredentialsFile(DataDatPath(), computerName_, credentials);
      ask = false;
    }
    state_.timeIndex = 1;
    host_.EnableCommands();
    state_.userName = credentials.userName;
    return true;
  } catch (const DatabaseError& error) {
    AttemptFailed(error.what(), error.ServerRefused());
  } catch (const std::exception& error) {
    AttemptFailed(error.what(), true);
  }
  return false;
}

void ConnectRoutine::AttemptFailed(const std::string& message, bool forgetCredentials) {
  // Opened but the credentials could not be stored: no connection is left open behind the dialog.
  connection_.Close();
  if (forgetCredentials) {
    platform::RemoveFile(DataDatPath());
  }
  host_.ShowErrorBox(message);
}

std::optional<ConnectOutcome> ConnectRoutine::Login() {
  const std::unique_ptr<ConnectionDialog> dialog = host_.MakeConnectionDialog(false);
  DialogEntries fields;
  fields.user = state_.userName;
  const auto entries = dialog->ShowModal(DialogRequest{DialogMode::login, fields, true});
  if (!entries) {
    return std::nullopt;
  }
  RunOk(DialogMode::login, *entries);
  return Connect_DB();
}

}  // namespace db
