#pragma once
// `TForm2`, the connection dialog: in server mode it asks for the server and the database, in login
// mode (the server panel hidden) for the user name and the password. It only shows the fields and
// reads them back; what OK stores is the connection routine's business (db/connect_routine.h).
#include <optional>

#include "controls/win32/edit_control.h"
#include "controls/win32/label.h"
#include "controls/win32/modal_form.h"
#include "controls/win32/panel.h"
#include "controls/win32/push_button.h"
#include "db/win32/connection_dialog_ids.h"
#include "db/connect_routine.h"

namespace db::win32 {

class TForm2 final : public controls::win32::TModalForm, public ConnectionDialog {
 public:
  explicit TForm2(controls::win32::Application& application);

  // Puts the request's entries into the fields, switches the mode, sets the focus, runs the dialog.
  std::optional<DialogEntries> ShowModal(const DialogRequest& request) override;

  [[nodiscard]] DialogMode Mode() const;
  void SetMode(DialogMode mode);

  // Components, in tab order.
  controls::win32::TPanel Connect_Panel;
  controls::win32::TLabel ServerLabel;
  controls::win32::TEdit Server_Edit;
  controls::win32::TLabel DatabaseLabel;
  controls::win32::TEdit Database_Edit;
  controls::win32::TPanel Login_Panel;
  controls::win32::TLabel UserLabel;
  controls::win32::TEdit User_Edit;
  controls::win32::TLabel PasswordLabel;
  controls::win32::TEdit Password_Edit;
  controls::win32::TButton BitBtn1;  // OK, the default button
  controls::win32::TButton BitBtn2;  // Cancel

 private:
  void PutEntries(const DialogRequest& request);
  [[nodiscard]] DialogEntries Entries() const;
};

}  // namespace db::win32
