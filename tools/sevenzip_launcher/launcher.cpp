// Runs Debian's 7-Zip (7zz) for a Windows program under Wine, in the place of 7z.exe.
//
// Wine can start a Linux program from a Windows one, but hands back no process to wait for and no
// exit code. This launcher is a Windows program that the caller waits for as for 7z.exe; it splits
// its command line as 7-Zip does (the program name ends at the first blank outside quotes), turns
// each argument that is a Windows path into the Linux path Wine gives it (what `winepath -u`
// prints), runs `/usr/bin/env -C <its own working folder> 7zz <arguments>` through Wine's own
// start-and-wait of Linux programs, and ends with 7zz's exit code. A 7zz that cannot be started or
// dies of a signal gives a non-zero code.
//
// Beside the launcher:
//   7z.mode     first line "truncate": after an "a" that succeeded, the archive is cut to half its
//               size, so that the caller's test of it must fail
//   7z.lastrun  one line per start: the working folder, a tab, the command line as received
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr DWORD kNotUnderWine = 9009;

// __wine_unix_spawnvp (ntdll): runs argv[0] from PATH; with wait set, gives its exit code, 255
// when it ended by a signal, or an NTSTATUS when it could not be started.
using SpawnFn = LONG(WINAPI*)(char* const argv[], int wait);
// wine_get_unix_file_name (kernel32): the Linux path of a Windows one, from the process heap.
using UnixNameFn = char*(__cdecl*)(const wchar_t* dosName);

struct LocalFreer {
  void operator()(void* p) const { ::LocalFree(p); }
};
struct HeapFreer {
  void operator()(char* p) const { ::HeapFree(::GetProcessHeap(), 0, p); }
};
struct HandleCloser {
  void operator()(HANDLE h) const { ::CloseHandle(h); }
};
using UniqueFile = std::unique_ptr<void, HandleCloser>;

std::string Utf8(const std::wstring& text) {
  if (text.empty()) {
    return {};
  }
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string out(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

// A drive path (C:\ or C:/), a network path (\\server), or any relative path with a backslash.
bool IsWindowsPath(const std::wstring& arg) {
  if (arg.empty() || arg[0] == L'-') {
    return false;
  }
  if (arg.size() >= 3 && arg[1] == L':' && (arg[2] == L'\\' || arg[2] == L'/')) {
    return true;
  }
  return arg.find(L'\\') != std::wstring::npos;
}

std::wstring OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  const auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring CurrentFolder() {
  std::wstring dir(32768, L'\0');
  dir.resize(::GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data()));
  return dir;
}

std::string FirstLineOf(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();
    return {};
  }
  char buffer[64] = {};
  DWORD read = 0;
  ::ReadFile(file.get(), buffer, sizeof buffer - 1, &read, nullptr);
  std::string line(buffer, read);
  return line.substr(0, line.find_first_of("\r\n"));
}

void AppendLine(const std::wstring& path, const std::string& line) {
  UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();
    return;
  }
  DWORD written = 0;
  ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

// Cuts a file to half its size; false when it cannot.
bool CutToHalf(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    file.release();
    return false;
  }
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) {
    return false;
  }
  LARGE_INTEGER half{};
  half.QuadPart = size.QuadPart / 2;
  return ::SetFilePointerEx(file.get(), half, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.get());
}

}  // namespace

int wmain() {
  const std::wstring folder = OwnFolder();
  const std::wstring workingFolder = CurrentFolder();
  AppendLine(folder + L"7z.lastrun", Utf8(workingFolder) + "\t" + Utf8(::GetCommandLineW()) + "\r\n");

  int count = 0;
  std::unique_ptr<wchar_t*, LocalFreer> args(::CommandLineToArgvW(::GetCommandLineW(), &count));
  if (!args) {
    return 7;  // 7-Zip's code for a command-line error
  }
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  const auto spawn = reinterpret_cast<SpawnFn>(
      reinterpret_cast<void*>(::GetProcAddress(ntdll, "__wine_unix_spawnvp")));
  const auto unixName = reinterpret_cast<UnixNameFn>(
      reinterpret_cast<void*>(::GetProcAddress(kernel32, "wine_get_unix_file_name")));
  if (spawn == nullptr || unixName == nullptr) {
    return static_cast<int>(kNotUnderWine);
  }
  const auto toUnix = [&](const std::wstring& windowsPath, std::string& out) {
    std::unique_ptr<char, HeapFreer> name(unixName(windowsPath.c_str()));
    if (!name) {
      return false;
    }
    out = name.get();
    return true;
  };

  std::vector<std::string> items{"/usr/bin/env", "-C", ""};
  if (!toUnix(workingFolder, items[2])) {
    return 7;
  }
  items.emplace_back("7zz");
  std::wstring command;
  std::wstring archive;
  for (int i = 1; i < count; ++i) {
    const std::wstring arg = args.get()[i];
    if (command.empty()) {
      command = arg;
    } else if (archive.empty() && !arg.empty() && arg[0] != L'-') {
      archive = arg;
    }
    std::string item;
    if (IsWindowsPath(arg)) {
      if (!toUnix(arg, item)) {
        return 7;
      }
    } else {
      item = Utf8(arg);
    }
    items.push_back(item);
  }
  std::vector<char*> argv;
  for (std::string& item : items) {
    argv.push_back(item.data());
  }
  argv.push_back(nullptr);

  const LONG result = spawn(argv.data(), 1);
  if (result == 0 && command == L"a" && !archive.empty() && FirstLineOf(folder + L"7z.mode") == "truncate") {
    if (!CutToHalf(archive)) {
      return 2;
    }
  }
  // 0-255: 7zz's own exit code; above: Wine could not start it (never 0).
  return static_cast<int>(result);
}
