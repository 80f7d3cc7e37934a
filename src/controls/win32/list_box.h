#pragma once
// `TListBox`: a single-selection list of text lines with a sunken border and a vertical scroll bar.
// OnClick runs when the operator selects another line (not when code does), OnDblClick on a double click.
#include <functional>
#include <string>
#include <vector>

#include "controls/win32/child_control.h"

namespace controls::win32 {

class TListBox final : public TChildControl {
 public:
  // sorted: the list keeps its lines in alphabetical order. multiSelect: several lines can be selected
  // (Shift and Ctrl with the mouse and the arrow keys); ItemIndex then names the focused line.
  TListBox(ControlHost& host, HWND parent, int id, const WindowPlacement& placement, bool sorted = false,
           bool multiSelect = false);

  [[nodiscard]] int Count() const;
  [[nodiscard]] std::string Item(int index) const;
  [[nodiscard]] std::vector<std::string> Items() const;
  // Appends (or, sorted, inserts in order) and returns the line's index.
  int Add(const std::string& text);
  void Insert(int index, const std::string& text);
  void Delete(int index);
  void Clear();
  // -1 when no line is selected.
  [[nodiscard]] int ItemIndex() const;
  void SetItemIndex(int index);
  // The selected lines' indices, ascending (the one selected line of a single-selection list).
  [[nodiscard]] std::vector<int> SelectedIndices() const;
  // The index of the first line equal to `text` (case-insensitive, as the list box compares), or -1.
  [[nodiscard]] int IndexOf(const std::string& text) const;

  std::function<void()> OnClick;
  std::function<void()> OnDblClick;

  void Command(int notification) override;
};

}  // namespace controls::win32
