#include "controls/form_activation.h"

#include <algorithm>

namespace controls {

bool FormActivation::Activated(FormId form, FormId previous) {
  if (!Known(form)) {
    forms_.push_back(form);
  }
  active_ = form;
  return previous != 0 && previous != form && Known(previous);
}

void FormActivation::Destroyed(FormId form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (active_ == form) {
    active_ = 0;
  }
}

bool FormActivation::Known(FormId form) const { return std::find(forms_.begin(), forms_.end(), form) != forms_.end(); }

}  // namespace controls
