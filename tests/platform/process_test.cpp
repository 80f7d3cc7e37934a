// The POSIX stand-in for CreateProcessA + WaitForSingleObject: it must find, start and wait for a
// program as the Windows calls do, or every host test of the archiver step proves the wrong thing.
#if !defined(_WIN32)

#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <thread>

#include "support/temp_dir.h"

// Allocation in a forked child before exec is what can deadlock when another thread holds the
// allocator's lock. While a test watches, any operator new in a process other than the test's own
// ends that process at once with code 99, so the program it should have run never runs.
// (Not with AddressSanitizer, which owns operator new and delete itself.)
#if defined(__SANITIZE_ADDRESS__)
#define DW_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DW_ASAN 1
#endif
#endif

namespace {
std::atomic<pid_t> watchedParent{0};
}

#if !defined(DW_ASAN)
void* operator new(std::size_t size) {
  const pid_t parent = watchedParent.load(std::memory_order_relaxed);
  if (parent != 0 && ::getpid() != parent) {
    ::_exit(99);
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) {
    return p;
  }
  throw std::bad_alloc();
}
// The standard operator delete frees with std::free, which matches the allocation above.
#endif

namespace {

using platform::StartProcessAndWait;
using testing_support::Native;
using testing_support::TempDir;

// A shell script that ends with the given code; made executable.
void WriteProgram(const std::string& path, int exitCode, const std::string& extra = "") {
  testing_support::WriteBytes(path, "#!/bin/sh\n" + extra + "exit " + std::to_string(exitCode) + "\n");
  ASSERT_EQ(::chmod(Native(path).c_str(), 0755), 0) << path;
}

TEST(StartProcess, GivesTheExitCodeOrNothingWhenNoProgramStarts) {
  TempDir dir;
  WriteProgram(dir.File("seven"), 7);
  EXPECT_EQ(StartProcessAndWait(dir.File("seven"), ""), std::optional<std::uint32_t>(7));
  EXPECT_EQ(StartProcessAndWait(dir.File("missing") + " a b", ""), std::nullopt);
  EXPECT_EQ(StartProcessAndWait("", ""), std::nullopt);
  EXPECT_EQ(StartProcessAndWait("   ", ""), std::nullopt);
  testing_support::WriteBytes(dir.File("plain"), "not a program");
  EXPECT_EQ(StartProcessAndWait(dir.File("plain"), ""), std::nullopt) << "a file that cannot run";
  EXPECT_EQ(StartProcessAndWait(dir.Path(), ""), std::nullopt) << "a folder is no program";
  EXPECT_EQ(StartProcessAndWait(dir.File("seven"), dir.File("no-such-folder")), std::nullopt)
      << "a working folder that does not exist fails the start, as on Windows";
}

TEST(StartProcess, ArgumentsArriveSplitAtBlanksWithQuotesGrouping) {
  TempDir dir;
  const std::string out = dir.File("args.txt");
  WriteProgram(dir.File("echoargs"), 0, "for a in \"$@\"; do echo \"[$a]\"; done > '" + Native(out) + "'\n");
  ASSERT_EQ(StartProcessAndWait(dir.File("echoargs") + "  a -ep\t\"D:\\x y\\b.rar\" \"\" last", ""),
            std::optional<std::uint32_t>(0));
  EXPECT_EQ(testing_support::ReadBytes(out), "[a]\n[-ep]\n[D:/x y/b.rar]\n[]\n[last]\n");
}

// CreateProcessA without an application name reads "C:\Program Files\WinRAR\WinRAR.exe a ..." by
// trying "C:\Program", then "C:\Program Files\WinRAR\WinRAR.exe": the first that names a file wins.
TEST(StartProcess, AProgramInAFolderWithBlanksIsFoundByTheLongerReadings) {
  TempDir dir;
  testing_support::MakeDir(dir.File("Program Files"));
  testing_support::MakeDir(dir.File("Program Files\\Win RAR"));
  WriteProgram(dir.File("Program Files\\Win RAR\\archiver"), 4);
  EXPECT_EQ(StartProcessAndWait(dir.File("Program Files\\Win RAR\\archiver") + " a -ep \"x.rar\" \"x.bak\"", ""),
            std::optional<std::uint32_t>(4));

  WriteProgram(dir.File("Program"), 3);  // the shorter reading comes first, as on Windows
  EXPECT_EQ(StartProcessAndWait(dir.File("Program Files\\Win RAR\\archiver") + " a", ""),
            std::optional<std::uint32_t>(3));
  EXPECT_EQ(StartProcessAndWait("\"" + dir.File("Program Files\\Win RAR\\archiver") + "\" a", ""),
            std::optional<std::uint32_t>(4))
      << "a quoted program is read as it stands";
}

TEST(StartProcess, ANameWithoutExtensionAlsoFindsItsExeAsOnWindows) {
  TempDir dir;
  testing_support::MakeDir(dir.File("Win RAR"));
  WriteProgram(dir.File("Win RAR\\WinRAR.exe"), 6);
  EXPECT_EQ(StartProcessAndWait(dir.File("Win RAR\\WinRAR") + " a -ep", ""), std::optional<std::uint32_t>(6));
  EXPECT_EQ(StartProcessAndWait("\"" + dir.File("Win RAR\\WinRAR") + "\" a", ""), std::optional<std::uint32_t>(6));
  EXPECT_EQ(StartProcessAndWait(dir.File("Win RAR\\WinRAR.") + " a", ""), std::nullopt)
      << "a name ending in a period has an extension: nothing is appended";
}

// Relative names are taken from the caller's folder; the child then runs in the working folder.
TEST(StartProcess, ARelativeProgramIsFoundFromTheCallersFolderNotTheWorkingFolder) {
  TempDir dir;
  testing_support::MakeDir(dir.File("bin"));
  const std::string mark = dir.File("where.txt");
  WriteProgram(dir.File("bin\\tool"), 5, "pwd > '" + Native(mark) + "'\n");
  const std::filesystem::path relative =
      std::filesystem::relative(Native(dir.File("bin\\tool")), std::filesystem::current_path());
  ASSERT_FALSE(relative.is_absolute());
  ASSERT_NE(relative.string().find('/'), std::string::npos);
  // A working folder deeper than the name climbs, so that the name leads nowhere from there.
  std::string work = dir.File("work");
  for (const auto& part : relative) {
    work += "\\" + part.filename().string() + "d";
  }
  testing_support::MakeDir(work);
  EXPECT_EQ(StartProcessAndWait(relative.string(), work), std::optional<std::uint32_t>(5)) << relative.string();
  EXPECT_EQ(testing_support::ReadBytes(mark), std::filesystem::canonical(Native(work)).string() + "\n");
}

TEST(StartProcess, NoDescriptorOfTheCallerReachesTheChild) {
  TempDir dir;
  testing_support::WriteBytes(dir.File("open.txt"), "x");
  // Opened the careless way, without close-on-exec: the child must still not get it. A high
  // number, clear of whatever the shell of the probe opens for itself.
  const int opened = ::open(Native(dir.File("open.txt")).c_str(), O_RDONLY);
  ASSERT_GE(opened, 0);
  const int fd = ::fcntl(opened, F_DUPFD, 50);
  ::close(opened);
  ASSERT_GE(fd, 50);
  WriteProgram(dir.File("probe"), 0, "[ -e /dev/fd/" + std::to_string(fd) + " ] && exit 1\n");
  const auto code = StartProcessAndWait(dir.File("probe"), "");
  ::close(fd);
  EXPECT_EQ(code, std::optional<std::uint32_t>(0)) << "descriptor " << fd << " was inherited";
}

TEST(StartProcess, TheChildAllocatesNothingBeforeTheProgramRuns) {
#if defined(DW_ASAN)
  GTEST_SKIP() << "operator new belongs to AddressSanitizer";
#endif
  TempDir dir;
  WriteProgram(dir.File("ok"), 0);
  watchedParent = ::getpid();
  const auto code = StartProcessAndWait(dir.File("ok") + " with \"some arguments\" to build", dir.Path());
  watchedParent = 0;
  EXPECT_EQ(code, std::optional<std::uint32_t>(0)) << "99: the child allocated between fork and exec";
}

TEST(StartProcess, ACrashGivesANonZeroCode) {
  TempDir dir;
  WriteProgram(dir.File("crash"), 0, "kill -SEGV $$\n");
  const auto code = StartProcessAndWait(dir.File("crash"), "");
  ASSERT_TRUE(code.has_value());
  EXPECT_NE(*code, 0u);
}

// Runs body in a child process, so that a call that never returns fails the test instead of hanging
// it: -1 when the deadline passed, otherwise the child's exit code.
int RunWithDeadline(void (*body)(), std::chrono::seconds deadline) {
  const pid_t child = ::fork();
  if (child == 0) {
    body();
    ::_exit(0);
  }
  const auto until = std::chrono::steady_clock::now() + deadline;
  int status = 0;
  while (::waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > until) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
}

TEST(StartProcess, AWaitThatCannotSucceedEndsInsteadOfSpinning) {
  // With SIGCHLD ignored the child is reaped by the system and waitpid fails with ECHILD.
  const int result = RunWithDeadline(
      [] {
        ::signal(SIGCHLD, SIG_IGN);
        const auto code = StartProcessAndWait("/bin/true", "");
        ::_exit(!code ? 3 : *code == 0 ? 4 : 0);
      },
      std::chrono::seconds(20));
  EXPECT_NE(result, -1) << "the wait never ended";
  EXPECT_NE(result, 3) << "a started program was reported as not started";
  EXPECT_NE(result, 4) << "an exit code that could not be read was reported as success";
  EXPECT_EQ(result, 0);
}

TEST(StartProcess, TheChildStartsWithDefaultSignalHandling) {
  TempDir dir;
  WriteProgram(dir.File("selfpipe"), 0, "kill -PIPE $$\n");
  const auto previous = ::signal(SIGPIPE, SIG_IGN);  // as many programs do; Windows has nothing like it
  const auto code = StartProcessAndWait(dir.File("selfpipe"), "");
  ::signal(SIGPIPE, previous);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(*code, 0x80000000u | SIGPIPE) << "the child inherited the ignored SIGPIPE";
}

}  // namespace

#endif  // !_WIN32
