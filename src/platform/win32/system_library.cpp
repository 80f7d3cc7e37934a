#include "platform/win32/system_library.h"

#include <stdexcept>
#include <string>

namespace platform::win32 {
namespace {

// By full path: the program's own folder, which its operator may write to, is never searched.
HMODULE LoadSystemLibrary(const char* library) {
  if (HMODULE loaded = ::GetModuleHandleA(library)) {
    return loaded;
  }
  char folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return nullptr;
  }
  const std::string path = std::string(folder, length) + "\\" + library;
  return ::LoadLibraryA(path.c_str());
}

}  // namespace

FARPROC SystemLibraryFunction(const char* library, const char* function) {
  const HMODULE module = LoadSystemLibrary(library);
  const FARPROC found = module != nullptr ? ::GetProcAddress(module, function) : nullptr;
  if (found == nullptr) {
    throw std::runtime_error(std::string("Cannot use ") + function + " of " + library);
  }
  return found;
}

}  // namespace platform::win32
