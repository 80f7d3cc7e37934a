#include "settings/win32/choosers.h"

#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>

#include <vector>

#include "platform/codepage.h"
#include "platform/win32/system_library.h"

namespace settings::win32 {
namespace {

using platform::win32::SystemFunction;

// COM and the file dialog come from libraries that the idle program need not hold: each is loaded
// when a chooser first opens.
constexpr char kOle32[] = "ole32.dll";
constexpr char kComdlg32[] = "comdlg32.dll";

// The chooser needs COM on this thread for as long as it is open. The functions are looked up
// before anything needs undoing, so that no destructor has to.
class ComApartment {
 public:
  ComApartment()
      : uninitialize_(SystemFunction<decltype(&::CoUninitialize)>(kOle32, "CoUninitialize")),
        freeTaskMemory_(SystemFunction<decltype(&::CoTaskMemFree)>(kOle32, "CoTaskMemFree")),
        initialized_(SUCCEEDED(SystemFunction<decltype(&::CoInitializeEx)>(kOle32, "CoInitializeEx")(
            nullptr, COINIT_APARTMENTTHREADED))) {}
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  ~ComApartment() {
    if (initialized_) {
      uninitialize_();
    }
  }
  void FreeTaskMemory(void* memory) const { freeTaskMemory_(memory); }

 private:
  decltype(&::CoUninitialize) uninitialize_;
  decltype(&::CoTaskMemFree) freeTaskMemory_;
  bool initialized_;
};

class ItemIdList {
 public:
  ItemIdList(const ComApartment& com, PIDLIST_ABSOLUTE list) : com_(com), list_(list) {}
  ItemIdList(const ItemIdList&) = delete;
  ItemIdList& operator=(const ItemIdList&) = delete;
  ~ItemIdList() { com_.FreeTaskMemory(list_); }
  [[nodiscard]] PIDLIST_ABSOLUTE Get() const { return list_; }

 private:
  const ComApartment& com_;
  PIDLIST_ABSOLUTE list_;
};

int CALLBACK SelectStartFolder(HWND chooser, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED) {
    ::SendMessageW(chooser, BFFM_SETSELECTIONW, TRUE, start);
  }
  return 0;
}

std::wstring Wide(const std::string& ansi) {
  const std::u16string wide = platform::AnsiToUtf16(ansi);
  return std::wstring(wide.begin(), wide.end());
}

// "\" is the root of the current drive; the chooser wants it spelled out.
std::wstring FullStart(const std::string& start) {
  const std::wstring wide = Wide(start);
  wchar_t full[MAX_PATH] = {};
  const DWORD length = ::GetFullPathNameW(wide.c_str(), MAX_PATH, full, nullptr);
  return length > 0 && length < MAX_PATH ? std::wstring(full, length) : wide;
}

}  // namespace

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesW(Wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<ChosenFolder> ChooseFolder(HWND owner, const std::string& start) {
  ComApartment com;
  const std::wstring startFolder = FullStart(start);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = SelectStartFolder;
  info.lParam = reinterpret_cast<LPARAM>(startFolder.c_str());
  const ItemIdList picked(com, ::SHBrowseForFolderW(&info));
  if (picked.Get() == nullptr) {
    return std::nullopt;
  }
  wchar_t path[MAX_PATH] = {};
  if (!::SHGetPathFromIDListW(picked.Get(), path)) {
    return std::nullopt;  // not a folder of the file system
  }
  const std::u16string wide(reinterpret_cast<const char16_t*>(path));
  const std::string ansi = platform::Utf16ToAnsi(wide);
  if (platform::AnsiToUtf16(ansi) != wide) {
    // The settings file holds 8-bit text: a name it cannot hold would name another folder.
    ::MessageBoxW(owner, (L"The folder name cannot be stored in the settings file:\n" + std::wstring(path)).c_str(),
                  L"Error", MB_OK | MB_ICONSTOP);
    return std::nullopt;
  }
  return ChosenFolder{ansi, DirectoryExists(ansi)};
}

std::optional<std::string> ChooseProgramFile(HWND owner, const std::string& startFolder,
                                             const std::string& proposedName) {
  std::vector<char> file(MAX_PATH * 4, '\0');
  proposedName.copy(file.data(), file.size() - 1);
  static constexpr char kFilter[] = "EXE\0*.exe\0";
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = startFolder.empty() ? nullptr : startFolder.c_str();
  // The default options of the program's file dialogs; the working folder is left as it was.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
  if (!SystemFunction<decltype(&::GetOpenFileNameA)>(kComdlg32, "GetOpenFileNameA")(&dialog)) {
    return std::nullopt;
  }
  return std::string(file.data());
}

}  // namespace settings::win32
