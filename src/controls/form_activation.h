#pragma once
// Which of the program's forms is active, and when a form's activation handler runs: when activation
// passes to it directly from another form of the program (a dialog closing over it). Coming back from
// another program, a message box closing, or a first activation do not count, and neither does a
// dialog that closed while the form was hidden: activation did not pass from it.
#include <cstdint>
#include <vector>

namespace controls {

class FormActivation {
 public:
  using FormId = std::uintptr_t;  // the form's window handle, as a number; 0 for none

  // `form` became active; `previous` is the window that lost activation (0 when none of this program).
  // True when `previous` is another form of the program.
  bool Activated(FormId form, FormId previous);
  // A destroyed form stops counting as a form (its handle may come back for another window).
  void Destroyed(FormId form);
  [[nodiscard]] FormId ActiveForm() const { return active_; }

 private:
  [[nodiscard]] bool Known(FormId form) const;

  std::vector<FormId> forms_;
  FormId active_ = 0;
};

}  // namespace controls
