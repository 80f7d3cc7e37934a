#pragma once
// Owner types for the user-interface handles the program's windows create, on the owner template of
// platform/win32/gdi_owners.h: each destroys its handle once, copying is deleted, moving hands it over.
#include <windows.h>

#include "platform/win32/gdi_owners.h"
#include "platform/win32/message_handler.h"

namespace controls::win32 {

using platform::win32::PaintDC;
using platform::win32::SelectedObject;
using platform::win32::UniqueFont;
// The window plumbing every control shares (platform/win32/message_handler.h).
using platform::win32::CreateHandlerWindow;
using platform::win32::ExceptionSink;
using platform::win32::MessageHandler;
using platform::win32::ModuleInstance;
using platform::win32::RegisterHandlerClass;
// A window whose procedure dispatches to a MessageHandler, detached before it is destroyed.
using platform::win32::UniqueHandlerWindow;
using platform::win32::WindowPlacement;

struct MenuTraits {
  static void Release(HMENU h) { ::DestroyMenu(h); }
};
struct IconTraits {
  static void Release(HICON h) { ::DestroyIcon(h); }
};
struct MemoryDcTraits {
  static void Release(HDC h) { ::DeleteDC(h); }
};

using UniqueMenu = platform::win32::UniqueOwner<HMENU, MenuTraits>;
using UniqueIcon = platform::win32::UniqueOwner<HICON, IconTraits>;
using UniqueBitmap = platform::win32::UniqueOwner<HBITMAP, platform::win32::GdiObjectTraits>;
using UniqueMemoryDc = platform::win32::UniqueOwner<HDC, MemoryDcTraits>;

}  // namespace controls::win32
