#include "controls/win32/list_box.h"

#include <stdexcept>

namespace controls::win32 {

TListBox::TListBox(ControlHost& host, HWND parent, int id, const WindowPlacement& placement, bool sorted,
                   bool multiSelect)
    : TChildControl(host, parent, id, placement, "LISTBOX", "",
                    WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | (sorted ? LBS_SORT : 0) |
                        (multiSelect ? LBS_EXTENDEDSEL : 0),
                    WS_EX_CLIENTEDGE) {}

int TListBox::Count() const { return static_cast<int>(::SendMessageA(Handle(), LB_GETCOUNT, 0, 0)); }

std::string TListBox::Item(int index) const {
  const LRESULT length = ::SendMessageA(Handle(), LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == LB_ERR) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  }
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied =
      ::SendMessageA(Handle(), LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
  return text;
}

std::vector<std::string> TListBox::Items() const {
  std::vector<std::string> items;
  const int count = Count();
  items.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    items.push_back(Item(i));
  }
  return items;
}

int TListBox::Add(const std::string& text) {
  const LRESULT index = ::SendMessageA(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (index < 0) {
    throw std::runtime_error("Cannot add a line to the list");
  }
  return static_cast<int>(index);
}

void TListBox::Insert(int index, const std::string& text) {
  if (::SendMessageA(Handle(), LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str())) <
      0) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  }
}

void TListBox::Delete(int index) {
  if (::SendMessageA(Handle(), LB_DELETESTRING, static_cast<WPARAM>(index), 0) == LB_ERR) {
    throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
  }
}

void TListBox::Clear() { ::SendMessageA(Handle(), LB_RESETCONTENT, 0, 0); }

int TListBox::ItemIndex() const { return static_cast<int>(::SendMessageA(Handle(), LB_GETCURSEL, 0, 0)); }

void TListBox::SetItemIndex(int index) { ::SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0); }

std::vector<int> TListBox::SelectedIndices() const {
  if ((::GetWindowLongA(Handle(), GWL_STYLE) & (LBS_EXTENDEDSEL | LBS_MULTIPLESEL)) == 0) {
    const int selected = ItemIndex();
    return selected >= 0 ? std::vector<int>{selected} : std::vector<int>{};
  }
  const LRESULT count = ::SendMessageA(Handle(), LB_GETSELCOUNT, 0, 0);
  std::vector<int> indices(count > 0 ? static_cast<std::size_t>(count) : 0);
  if (!indices.empty()) {
    const LRESULT got = ::SendMessageA(Handle(), LB_GETSELITEMS, indices.size(), reinterpret_cast<LPARAM>(indices.data()));
    indices.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  }
  return indices;
}

int TListBox::IndexOf(const std::string& text) const {
  const LRESULT index = ::SendMessageA(Handle(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text.c_str()));
  return index == LB_ERR ? -1 : static_cast<int>(index);
}

void TListBox::Command(int notification) {
  if (notification == LBN_SELCHANGE) {
    RunHandler(OnClick);
  } else if (notification == LBN_DBLCLK) {
    RunHandler(OnDblClick);
  }
}

}  // namespace controls::win32
