#include "controls/win32/list_view.h"

#include <stdexcept>

namespace controls::win32 {
namespace {

// The program starts only the standard classes; the list-view's class is registered here, once.
HWND RegisterListViewClass(HWND parent) {
  INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&classes);
  return parent;
}

}  // namespace

TListView::TListView(ControlHost& host, HWND parent, int id, const WindowPlacement& placement)
    : TChildControl(host, RegisterListViewClass(parent), id, placement, WC_LISTVIEWA, "",
                    WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                    WS_EX_CLIENTEDGE) {
  ::SendMessageA(Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

TListView::~TListView() {
  // The pictures go before the window: it must not keep them meanwhile.
  ::SendMessageA(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, 0);
}

void TListView::AddColumn(const std::string& title, int width) {
  LVCOLUMNA column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<char*>(title.c_str());
  column.cx = width;
  column.iSubItem = columns_;
  if (::SendMessageA(Handle(), LVM_INSERTCOLUMNA, static_cast<WPARAM>(columns_), reinterpret_cast<LPARAM>(&column)) <
      0) {
    throw std::runtime_error("Cannot add a column to a list");
  }
  ++columns_;
}

void TListView::SetImages(const std::vector<HICON>& icons) {
  UniqueImageList images(::ImageList_Create(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                            ILC_COLOR32 | ILC_MASK, static_cast<int>(icons.size()), 0));
  if (!images) {
    return;  // rows without pictures
  }
  for (HICON icon : icons) {
    ::ImageList_AddIcon(images.Get(), icon);
  }
  ::SendMessageA(Handle(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images.Get()));
  images_ = std::move(images);  // the list shares it (LVS_SHAREIMAGELISTS): released only after it is replaced
}

void TListView::SetRows(const std::vector<Row>& rows) {
  ::SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
  ::SendMessageA(Handle(), LVM_DELETEALLITEMS, 0, 0);
  ::SendMessageA(Handle(), LVM_SETITEMCOUNT, rows.size(), 0);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows[r];
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = static_cast<int>(r);
    item.iImage = row.image;
    item.pszText = const_cast<char*>(row.texts.empty() ? "" : row.texts[0].c_str());
    const auto index = static_cast<int>(::SendMessageA(Handle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) {
      break;  // out of memory: the rows so far are shown
    }
    for (std::size_t c = 1; c < row.texts.size() && static_cast<int>(c) < columns_; ++c) {
      LVITEMA sub{};
      sub.iSubItem = static_cast<int>(c);
      sub.pszText = const_cast<char*>(row.texts[c].c_str());
      ::SendMessageA(Handle(), LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&sub));
    }
  }
  ::SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(Handle(), nullptr, TRUE);
}

int TListView::Count() const { return static_cast<int>(::SendMessageA(Handle(), LVM_GETITEMCOUNT, 0, 0)); }

std::string TListView::Text(int row, int column) const {
  // The list answers with the length it copied; a text that fills the buffer may be longer.
  for (std::size_t size = 256;; size *= 4) {
    std::string buffer(size, '\0');
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.data();
    item.cchTextMax = static_cast<int>(size);
    const auto length =
        static_cast<std::size_t>(::SendMessageA(Handle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                                                reinterpret_cast<LPARAM>(&item)));
    if (length + 1 < size || size >= (1u << 20)) {
      buffer.resize(length < size ? length : size - 1);
      return buffer;
    }
  }
}

int TListView::Image(int row) const {
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row;
  if (!::SendMessageA(Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) {
    return kNoImage;
  }
  return item.iImage;
}

}  // namespace controls::win32
