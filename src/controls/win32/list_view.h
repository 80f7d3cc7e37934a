#pragma once
// `TListView`: a read-only table of text rows (a list-view in report style) with one small picture per
// row, chosen from the pictures the form gives it; a whole row is selected at a time.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "controls/win32/child_control.h"

namespace controls::win32 {

struct ImageListTraits {
  static void Release(HIMAGELIST h) { ::ImageList_Destroy(h); }
};
using UniqueImageList = platform::win32::UniqueOwner<HIMAGELIST, ImageListTraits>;

class TListView final : public TChildControl {
 public:
  static constexpr int kNoImage = I_IMAGENONE;

  TListView(ControlHost& host, HWND parent, int id, const WindowPlacement& placement);
  ~TListView();

  void AddColumn(const std::string& title, int width);
  // The pictures rows may show, at the small icon size; the list keeps copies of them.
  void SetImages(const std::vector<HICON>& icons);

  // Replaces every row, drawing once at the end; image: an index into the pictures or kNoImage.
  struct Row {
    std::vector<std::string> texts;
    int image = kNoImage;
  };
  void SetRows(const std::vector<Row>& rows);

  [[nodiscard]] int Count() const;
  [[nodiscard]] std::string Text(int row, int column) const;
  [[nodiscard]] int Image(int row) const;

  void Command(int) override {}

 private:
  int columns_ = 0;
  UniqueImageList images_;
};

}  // namespace controls::win32
