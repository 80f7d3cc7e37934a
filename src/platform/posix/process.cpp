#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/posix/paths.h"
#include "platform/system_info.h"

extern char** environ;

// Since glibc 2.34 posix_spawn can change the child's folder and close its descriptors; without
// that the child is forked by hand, with everything it needs built beforehand.
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34)) && !defined(DW_PROCESS_FORK)
#define DW_SPAWN_WITH_CHDIR 1
#endif

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One way of reading the start of the command line as the program: its text, and where the
// arguments begin.
struct ProgramText {
  std::string name;
  std::size_t argumentsAt = 0;
};

// The readings CreateProcessA tries when it has no application name, in its order: a quoted first
// item as it stands; otherwise the line up to the first blank, then up to the second, and so on
// ("C:\Program Files\WinRAR\WinRAR.exe a" tries "C:\Program" first).
std::vector<ProgramText> ProgramReadings(const std::string& line) {
  std::size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) {
    ++start;
  }
  if (start == line.size()) {
    return {};
  }
  if (line[start] == '"') {
    const std::size_t close = line.find('"', start + 1);
    if (close == std::string::npos) {
      return {ProgramText{line.substr(start + 1), line.size()}};
    }
    return {ProgramText{line.substr(start + 1, close - start - 1), close + 1}};
  }
  std::vector<ProgramText> readings;
  for (std::size_t i = start + 1; i <= line.size(); ++i) {
    if ((i == line.size() || IsBlank(line[i])) && !IsBlank(line[i - 1])) {
      readings.push_back(ProgramText{line.substr(start, i - start), i});
    }
  }
  return readings;
}

// Splits the arguments as the program's command lines are written: double quotes group, they are
// not part of the item.
std::vector<std::string> SplitArguments(const std::string& text) {
  std::vector<std::string> items;
  std::string current;
  bool inQuotes = false;
  bool haveItem = false;
  for (char c : text) {
    if (c == '"') {
      inQuotes = !inQuotes;
      haveItem = true;
    } else if (IsBlank(c) && !inQuotes) {
      if (haveItem) {
        items.push_back(current);
      }
      current.clear();
      haveItem = false;
    } else {
      current += c;
      haveItem = true;
    }
  }
  if (haveItem) {
    items.push_back(current);
  }
  return items;
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) {
    return {};
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') {
    return dir + name;
  }
  return dir + "/" + name;
}

// Folders searched for a program named without any folder, in the order Windows uses that apply
// here: the running program's own folder, the caller's current folder, then PATH.
std::vector<std::string> SearchFolders(const std::string& callerDir) {
  std::vector<std::string> folders;
  const std::string programDir = DirectoryOf(ProgramPath());
  if (!programDir.empty()) {
    folders.push_back(programDir);
  }
  if (!callerDir.empty()) {
    folders.push_back(callerDir);
  }
  if (const char* path = std::getenv("PATH")) {
    std::string list = path;
    std::size_t from = 0;
    while (from <= list.size()) {
      std::size_t to = list.find(':', from);
      if (to == std::string::npos) {
        to = list.size();
      }
      if (to > from) {
        folders.push_back(list.substr(from, to - from));
      }
      from = to + 1;
    }
  }
  return folders;
}

enum class Found { Nothing, Program, NotRunnable };

Found Look(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
    return Found::Nothing;
  }
  return ::access(path.c_str(), X_OK) == 0 ? Found::Program : Found::NotRunnable;
}

// A name whose last part has no extension is also tried with ".exe", as Windows' search does.
std::vector<std::string> Spellings(const std::string& path) {
  std::vector<std::string> spellings{path};
  const auto slash = path.rfind('/');
  const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!last.empty() && last.find('.') == std::string::npos) {
    spellings.push_back(path + ".exe");
  }
  return spellings;
}

struct Resolution {
  Found found = Found::Nothing;
  std::string path;
};

// Where a program text names a file: relative names are taken from the caller's current folder,
// before the child changes into its working folder, as CreateProcessA does.
Resolution Resolve(const std::string& name, const std::string& callerDir) {
  std::vector<std::string> places;
  if (!name.empty() && name.front() == '/') {
    places.push_back(name);
  } else if (name.find('/') != std::string::npos) {
    if (callerDir.empty()) {
      return {};
    }
    places.push_back(Join(callerDir, name));
  } else {
    for (const std::string& folder : SearchFolders(callerDir)) {
      places.push_back(Join(folder, name));
    }
  }
  for (const std::string& place : places) {
    for (const std::string& spelling : Spellings(place)) {
      const Found found = Look(spelling);
      if (found != Found::Nothing) {
        return Resolution{found, spelling};
      }
    }
  }
  return {};
}

// The program and its argument vector, all built before the child exists: between fork and exec
// nothing may allocate (another thread may hold the allocator's lock).
struct Launch {
  std::string program;
  std::vector<std::string> items;  // argv[0] and the arguments
  std::vector<char*> argv;
};

std::optional<Launch> Prepare(const std::string& commandLine) {
  const std::string callerDir = CurrentDirectory();
  for (const ProgramText& reading : ProgramReadings(commandLine)) {
    const std::string name = posix::ToNative(reading.name);
    const Resolution resolved = Resolve(name, callerDir);
    if (resolved.found == Found::Nothing) {
      continue;
    }
    if (resolved.found == Found::NotRunnable) {
      return std::nullopt;  // the file that was found is the program; it cannot be started
    }
    Launch launch;
    launch.program = resolved.path;
    launch.items.push_back(name);
    for (const std::string& item : SplitArguments(commandLine.substr(reading.argumentsAt))) {
      launch.items.push_back(posix::ToNative(item));
    }
    for (std::string& item : launch.items) {
      launch.argv.push_back(item.data());
    }
    launch.argv.push_back(nullptr);
    return launch;
  }
  return std::nullopt;
}

std::uint32_t ExitCodeOf(int status) {
  if (WIFEXITED(status)) {
    return static_cast<std::uint32_t>(WEXITSTATUS(status));
  }
  return 0x80000000u | static_cast<std::uint32_t>(WTERMSIG(status));
}

#ifdef DW_SPAWN_WITH_CHDIR

// Owns the two descriptions posix_spawn reads.
class SpawnSetup {
 public:
  SpawnSetup() {
    ::posix_spawn_file_actions_init(&actions_);
    ::posix_spawnattr_init(&attributes_);
  }
  ~SpawnSetup() {
    ::posix_spawnattr_destroy(&attributes_);
    ::posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  posix_spawn_file_actions_t actions_{};
  posix_spawnattr_t attributes_{};
};

pid_t Spawn(Launch& launch, const std::string& dir) {
  SpawnSetup setup;
  if (!dir.empty() && ::posix_spawn_file_actions_addchdir_np(&setup.actions_, dir.c_str()) != 0) {
    return -1;
  }
  // No descriptor of this process reaches the child apart from the standard three.
  if (::posix_spawn_file_actions_addclosefrom_np(&setup.actions_, 3) != 0) {
    return -1;
  }
  // The child starts as a new Windows process would: no blocked signals, default dispositions
  // (an ignored SIGCHLD or SIGPIPE of this process would otherwise pass to the archiver).
  sigset_t none;
  sigset_t all;
  ::sigemptyset(&none);
  ::sigfillset(&all);
  ::posix_spawnattr_setsigmask(&setup.attributes_, &none);
  ::posix_spawnattr_setsigdefault(&setup.attributes_, &all);
  ::posix_spawnattr_setflags(&setup.attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  pid_t pid = -1;
  if (::posix_spawn(&pid, launch.program.c_str(), &setup.actions_, &setup.attributes_, launch.argv.data(),
                    environ) != 0) {
    return -1;
  }
  return pid;
}

#else

// Without posix_spawn's change of folder: fork, and in the child only system calls. A pipe that
// closes on exec tells the parent whether the program started.
pid_t Spawn(Launch& launch, const std::string& dir) {
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    return -1;
  }
  const char* const chdirTo = dir.empty() ? nullptr : dir.c_str();
  const long maxFd = ::sysconf(_SC_OPEN_MAX);
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigset_t none;
  ::sigemptyset(&none);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int sig = 1; sig < NSIG; ++sig) {
      ::sigaction(sig, &byDefault, nullptr);
    }
    for (int fd = 3; fd < report[1]; ++fd) {
      ::close(fd);
    }
    for (int fd = report[1] + 1; fd < maxFd; ++fd) {
      ::close(fd);
    }
    int error = 0;
    if (chdirTo != nullptr && ::chdir(chdirTo) != 0) {
      error = errno;
    } else {
      ::execv(launch.program.c_str(), launch.argv.data());
      error = errno;
    }
    [[maybe_unused]] const ssize_t n = ::write(report[1], &error, sizeof error);
    ::_exit(127);
  }
  ::close(report[1]);
  if (pid < 0) {
    ::close(report[0]);
    return -1;
  }
  int error = 0;
  ssize_t got;
  while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(report[0]);
  if (got > 0) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return -1;
  }
  return pid;
}

#endif

}  // namespace

std::optional<std::uint32_t> StartProcessAndWait(const std::string& commandLine, const std::string& workingDir) {
  std::optional<Launch> launch = Prepare(commandLine);
  if (!launch) {
    return std::nullopt;  // as CreateProcess: a program that cannot be started is not "created"
  }
  const pid_t pid = Spawn(*launch, posix::ToNative(workingDir));
  if (pid < 0) {
    return std::nullopt;
  }
  int status = 0;
  pid_t waited;
  while ((waited = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
  }
  if (waited < 0) {
    return 0xFFFFFFFFu;  // ended, but how is unknown (the child was reaped elsewhere): never report success
  }
  return ExitCodeOf(status);
}

void ShellStart(const std::string&, const std::string&, const std::string&) {
  // The host has no shell association to fall back on; the program only needs this on Windows.
}

}  // namespace platform
