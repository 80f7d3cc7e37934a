#include "db/win32/connection_dialog.h"

namespace db::win32 {
namespace {

using controls::win32::ModalResult;
using controls::win32::TPanelBevel;

constexpr int kClientWidth = 282;
constexpr int kClientHeight = 142;
constexpr controls::win32::WindowPlacement kPanelPlace{0, 0, 277, 101};
constexpr controls::win32::WindowPlacement kUpperEdit{4, 20, 265, 21};
constexpr controls::win32::WindowPlacement kLowerEdit{4, 68, 265, 21};

}  // namespace

TForm2::TForm2(controls::win32::Application& application)
    : TModalForm(application, application.Handle(),
                 {kConnectionDialogClass, kConnectionDialogCaption, kClientWidth, kClientHeight}),
      // Created first, so it lies on top of the login panel and comes first in the tab order.
      Connect_Panel(application, Handle(), kConnectPanelId, kPanelPlace, TPanelBevel::bvNone, TPanelBevel::bvNone),
      ServerLabel(Connect_Panel.Handle(), kServerLabelId, 4, 4, "Server:", BoldFont()),
      Server_Edit(*this, Connect_Panel.Handle(), kServerEditId, kUpperEdit),
      DatabaseLabel(Connect_Panel.Handle(), kDatabaseLabelId, 4, 52, "Database:", BoldFont()),
      Database_Edit(*this, Connect_Panel.Handle(), kDatabaseEditId, kLowerEdit),
      Login_Panel(application, Handle(), kLoginPanelId, kPanelPlace, TPanelBevel::bvNone, TPanelBevel::bvNone),
      UserLabel(Login_Panel.Handle(), kUserLabelId, 4, 4, "User:", BoldFont()),
      User_Edit(*this, Login_Panel.Handle(), kUserEditId, kUpperEdit),
      PasswordLabel(Login_Panel.Handle(), kPasswordLabelId, 4, 52, "Password:", BoldFont()),
      Password_Edit(*this, Login_Panel.Handle(), kPasswordEditId, kLowerEdit),
      BitBtn1(*this, Handle(), kBitBtn1Id, {63, 108, 75, 25}, "OK", ModalResult::Ok),
      BitBtn2(*this, Handle(), kBitBtn2Id, {143, 108, 75, 25}, "Cancel", ModalResult::Cancel) {
  AllowTabInto(Connect_Panel.Handle());
  AllowTabInto(Login_Panel.Handle());
  Password_Edit.SetPasswordChar('*');
  SetDefaultButton(BitBtn1);
  SetCancelButton(BitBtn2);
  SetActiveControl(Server_Edit.Handle());
}

DialogMode TForm2::Mode() const {
  // The panel's own visibility, which holds also while the dialog itself is hidden.
  const auto style = ::GetWindowLongPtrA(Connect_Panel.Handle(), GWL_STYLE);
  return (style & WS_VISIBLE) != 0 ? DialogMode::server : DialogMode::login;
}

void TForm2::SetMode(DialogMode mode) {
  ::ShowWindow(Connect_Panel.Handle(), mode == DialogMode::server ? SW_SHOWNA : SW_HIDE);
}

void TForm2::PutEntries(const DialogRequest& request) {
  SetMode(request.mode);
  Server_Edit.SetText(request.entries.server);
  Database_Edit.SetText(request.entries.database);
  User_Edit.SetText(request.entries.user);
  Password_Edit.SetText(request.entries.password);
  if (request.mode == DialogMode::server) {
    SetActiveControl(Server_Edit.Handle());
  } else {
    if (request.selectUser) {
      User_Edit.SelectAll();
    }
    SetActiveControl(User_Edit.Handle());
  }
}

DialogEntries TForm2::Entries() const {
  return DialogEntries{Server_Edit.Text(), Database_Edit.Text(), User_Edit.Text(), Password_Edit.Text()};
}

std::optional<DialogEntries> TForm2::ShowModal(const DialogRequest& request) {
  PutEntries(request);
  if (TModalForm::ShowModal() != ModalResult::Ok) {
    return std::nullopt;
  }
  return Entries();
}

}  // namespace db::win32
