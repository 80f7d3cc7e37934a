#include "controls/tray_record.h"

#include <utility>

namespace controls {

TrayLayout ChooseTrayLayout(unsigned shellMajorVersion) {
  return shellMajorVersion >= 5 ? TrayLayout::kVersion5 : TrayLayout::kVersion1;
}

std::string CutTo(std::string_view text, std::size_t limit) { return std::string(text.substr(0, limit)); }

TrayNotification::TrayNotification(TrayLayout layout, ModifySink modify) : layout_(layout), modify_(std::move(modify)) {}

void TrayNotification::ShowBalloonHint(std::string_view title, std::string_view text, TBalloonIconKind kind,
                                       std::uint8_t seconds) {
  if (!BalloonCapable(layout_)) {
    return;
  }
  HideBalloonHint();
  fields_.flags = kNifInfo;
  fields_.info = CutTo(text, kBalloonTextLimit);
  fields_.infoTitle = CutTo(title, kBalloonTitleLimit);
  fields_.timeoutMs = seconds * 1000u;
  fields_.infoFlags = static_cast<std::uint32_t>(kind);
  Modify();
  // Later modifications (the animation, the tooltip) must not show the balloon again.
  fields_.flags = kNifMessage | kNifIcon | kNifTip;
}

void TrayNotification::HideBalloonHint() {
  if (!BalloonCapable(layout_)) {
    return;
  }
  fields_.flags |= kNifInfo;
  fields_.info.clear();
  Modify();
}

void TrayNotification::SetHint(std::string_view hint) {
  if (hint == hint_) {
    return;
  }
  hint_ = std::string(hint);
  fields_.tip = CutTo(hint_, TipLimit(layout_));
  if (fields_.tip.empty()) {
    fields_.flags &= ~kNifTip;
  } else {
    fields_.flags |= kNifTip;
  }
  Modify();
}

void TrayNotification::Modify() {
  if (modify_) {
    modify_(fields_);
  }
}

}  // namespace controls
