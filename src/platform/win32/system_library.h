#pragma once
// A library of Windows' own that only a dialog needs, loaded from the system folder on first use
// instead of at start, so that an idle program does not carry it (the folder chooser's COM, the
// file dialog). Loaded once and kept until the process ends: functions taken from it stay valid.
#include <windows.h>

namespace platform::win32 {

// The library's function; throws std::runtime_error naming both when the library or the function is missing.
FARPROC SystemLibraryFunction(const char* library, const char* function);

// The same, typed: SystemFunction<decltype(&::CoTaskMemFree)>("ole32.dll", "CoTaskMemFree").
template <typename Function>
Function SystemFunction(const char* library, const char* function) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(SystemLibraryFunction(library, function)));
}

}  // namespace platform::win32
