#pragma once
// `Connect_DB`, the connection routine: it takes the server and database from Connect.ini and the
// credentials from Data.dat, asks the operator through the connection dialog for whatever is missing
// or wrong, opens the connection, stores typed credentials for the next time and enables the
// program's commands. It returns only connected, or with the program's termination requested (the
// operator cancelled), or by the I/O error of an unreadable Data.dat.
//
// Window-free: the dialog, the message boxes and the main window are reached through ConnectHost,
// so that every path runs against a scripted dialog.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "db/connect_settings.h"
#include "db/credentials_file.h"
#include "db/database.h"

namespace db {

enum class DialogMode {
  server,  // the server panel on top: Server_Edit and Database_Edit
  login,   // the server panel hidden: User_Edit and Password_Edit
};

// What the dialog's four fields hold.
struct DialogEntries {
  std::string server;
  std::string database;
  std::string user;
  std::string password;
};

struct DialogRequest {
  DialogMode mode = DialogMode::server;
  DialogEntries entries;    // what the fields show at start
  bool selectUser = false;  // all of User_Edit selected (the Login command)
};

// The connection dialog (`TForm2`) as the routine sees it. One object stands for one dialog window,
// which may be shown several times.
class ConnectionDialog {
 public:
  virtual ~ConnectionDialog() = default;
  // Shows the dialog modally; the fields as they are on OK, nullopt on Cancel or the close box.
  virtual std::optional<DialogEntries> ShowModal(const DialogRequest& request) = 0;
};

// What the routine needs of the program around it.
class ConnectHost {
 public:
  // ownedByApplication: the routine's own dialog; false: the Login command's, which has no owner.
  virtual std::unique_ptr<ConnectionDialog> MakeConnectionDialog(bool ownedByApplication) = 0;
  // The box of a failed attempt: the text, caption "Error", stop icon, OK.
  virtual void ShowErrorBox(const std::string& text) = 0;
  // The application's default error box, for a failure of the dialog's OK.
  virtual void ShowDefaultErrorBox(const std::string& message) = 0;
  virtual void RestoreApp() = 0;  // the tray icon's, before the login dialog
  virtual void RequestTermination() = 0;
  virtual void EnableCommands() = 0;

 protected:
  ~ConnectHost() = default;
};

// The main window's values the routine reads and sets.
struct SessionState {
  std::string& databaseName;  // program-wide; read from Connect.ini on every run
  std::string& userName;      // `UserName`: the user of the last successful login
  std::uint8_t& timeIndex;    // `TimeIndex`: 1 after every successful connection
};

enum class ConnectOutcome { connected, cancelled };

class ConnectRoutine {
 public:
  ConnectRoutine(ConnectHost& host, Connection& connection, std::string exeDir, std::string computerName,
                 SessionState state);

  // `Connect_DB`. Raises IoError when Data.dat exists but cannot be read.
  ConnectOutcome Connect_DB();

  // The Login command without its final Refresh: the dialog in login mode with `UserName` selected;
  // on OK, Data.dat is written and Connect_DB tries the new credentials. nullopt when cancelled.
  std::optional<ConnectOutcome> Login();

  // The dialog's OK (`BitBtn1Click`): server mode writes Server and DB to Connect.ini, login mode
  // writes Data.dat; nothing is checked. Raises settings::IniWriteError or IoError when refused.
  void BitBtn1Click(DialogMode mode, const DialogEntries& entries);

  [[nodiscard]] std::string ConnectIniPath() const;
  [[nodiscard]] std::string DataDatPath() const;

 private:
  // BitBtn1Click with its failure shown in the default error box, as a failing OK handler is.
  void RunOk(DialogMode mode, const DialogEntries& entries);
  // One attempt with these credentials: open, store typed ones, set the state, enable the commands.
  // False (after the "Error" box) when anything of it failed.
  bool Attempt(const Credentials& credentials, const ConnectSettings& settings, bool& ask);
  // A failed attempt costs the stored credentials only when the server answered and refused, or when
  // they could not be stored; a server that could not be reached leaves them for the next try.
  void AttemptFailed(const std::string& message, bool forgetCredentials);

  ConnectHost& host_;
  Connection& connection_;
  std::string exeDir_;
  std::string computerName_;
  SessionState state_;
};

}  // namespace db
