#pragma once
// The notification-area record of the tray icon, kept window-free: which layout the shell gets, how big
// that layout is, and what the balloon and tooltip operations put into it, in which order.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace controls {

// Flag bits of the shell's record.
inline constexpr std::uint32_t kNifMessage = 0x01;
inline constexpr std::uint32_t kNifIcon = 0x02;
inline constexpr std::uint32_t kNifTip = 0x04;
inline constexpr std::uint32_t kNifInfo = 0x10;

// The message the shell sends to the tray window for mouse actions on the icon.
inline constexpr std::uint32_t kTrayCallbackMessage = 0x2422;

// The icon shown in a balloon; the values are the shell's NIIF_ values.
enum class TBalloonIconKind : std::uint32_t { bikNone = 0, bikInfo = 1, bikWarning = 2, bikError = 3 };

enum class TrayLayout {
  kVersion1,  // the first layout: icon, message and a 64-character tooltip
  kVersion5,  // shells from major version 5 on: 128-character tooltip and balloons
};

// The shell's major version decides the layout; 0 stands for "version unknown".
TrayLayout ChooseTrayLayout(unsigned shellMajorVersion);

[[nodiscard]] constexpr bool BalloonCapable(TrayLayout layout) { return layout == TrayLayout::kVersion5; }

// Longest tooltip the layout holds, without its terminating zero.
[[nodiscard]] constexpr std::size_t TipLimit(TrayLayout layout) {
  return layout == TrayLayout::kVersion5 ? 127 : 63;
}
inline constexpr std::size_t kBalloonTextLimit = 255;
inline constexpr std::size_t kBalloonTitleLimit = 63;

// Size in bytes of the layout's record for a given pointer size: 88 and 488 bytes for 32-bit programs.
// The Windows build checks this against the platform headers at compile time.
[[nodiscard]] constexpr std::size_t TrayRecordSize(TrayLayout layout, std::size_t pointerBytes) {
  auto alignUp = [](std::size_t offset, std::size_t alignment) { return (offset + alignment - 1) / alignment * alignment; };
  std::size_t offset = 4;                                // cbSize
  offset = alignUp(offset, pointerBytes) + pointerBytes;  // hWnd
  offset += 4 + 4 + 4;                                   // uID, uFlags, uCallbackMessage
  offset = alignUp(offset, pointerBytes) + pointerBytes;  // hIcon
  if (layout == TrayLayout::kVersion1) {
    return offset + 64;  // szTip[64]
  }
  offset += 128;      // szTip[128]
  offset += 4 + 4;    // dwState, dwStateMask
  offset += 256;      // szInfo[256]
  offset += 4;        // uTimeout
  offset += 64;       // szInfoTitle[64]
  return offset + 4;  // dwInfoFlags
}

// The first `limit` characters of text.
std::string CutTo(std::string_view text, std::size_t limit);

// What the record carries besides its window, identifier and icon handle.
struct TrayRecordFields {
  std::uint32_t flags = kNifMessage | kNifIcon;
  std::string tip;
  std::string info;
  std::string infoTitle;
  std::uint32_t timeoutMs = 0;
  std::uint32_t infoFlags = 0;
};

// The record's contents and the operations that change them. Every "modify the icon" hands the
// fields as they are at that moment to the sink, which passes them to the shell.
class TrayNotification {
 public:
  using ModifySink = std::function<void(const TrayRecordFields&)>;

  TrayNotification(TrayLayout layout, ModifySink modify);

  [[nodiscard]] TrayLayout Layout() const { return layout_; }
  [[nodiscard]] const TrayRecordFields& Fields() const { return fields_; }

  // Withdraws a showing balloon, then shows this one. Nothing at all on a shell without balloons.
  void ShowBalloonHint(std::string_view title, std::string_view text, TBalloonIconKind kind, std::uint8_t seconds);
  void HideBalloonHint();

  [[nodiscard]] const std::string& Hint() const { return hint_; }
  // A different text goes into the tooltip (cut to the layout's limit) and modifies the icon.
  void SetHint(std::string_view hint);

  void Modify();

 private:
  TrayLayout layout_;
  ModifySink modify_;
  TrayRecordFields fields_;
  std::string hint_;
};

}  // namespace controls
