#include "platform/files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#endif

namespace {

using testing_support::ListDir;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// Bytes that differ from block to block, so a block copied twice or left out shows.
std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 131 + i / 4093) & 0xFF);
  }
  return bytes;
}

TEST(FileCopy, CopiesEveryByteOverALongerTargetAndLeavesNothingBeside) {
  TempDir dir;
  const std::string source = Pattern((3u << 20) + 17);  // more than one block, and a remainder
  WriteBytes(dir.File("a.rar"), source);
  WriteBytes(dir.File("Copy of a.rar"), std::string((5u << 20), 'z'));
  ASSERT_TRUE(platform::CopyFileOverwrite(dir.File("a.rar"), dir.File("Copy of a.rar")));
  EXPECT_TRUE(ReadBytes(dir.File("Copy of a.rar")) == source) << "copy differs from its source";
  EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"Copy of a.rar", "a.rar"}));

  WriteBytes(dir.File("empty"), "");
  ASSERT_TRUE(platform::CopyFileOverwrite(dir.File("empty"), dir.File("Copy of a.rar")));
  EXPECT_EQ(ReadBytes(dir.File("Copy of a.rar")), "");
}

TEST(FileCopy, AFailedCopyIsFalseAndLeavesTheTargetAsItWas) {
  TempDir dir;
  WriteBytes(dir.File("a.rar"), "new");
  WriteBytes(dir.File("old.rar"), "old");
  EXPECT_FALSE(platform::CopyFileOverwrite(dir.File("missing.rar"), dir.File("old.rar")));
  EXPECT_EQ(ReadBytes(dir.File("old.rar")), "old");
  EXPECT_FALSE(platform::CopyFileOverwrite(dir.File("a.rar"), dir.File("no-such-folder\\a.rar")));
  EXPECT_FALSE(platform::CopyFileOverwrite(dir.Path(), dir.File("x.rar"))) << "a folder is not copied";
  testing_support::MakeDir(dir.File("sub"));
  EXPECT_FALSE(platform::CopyFileOverwrite(dir.File("a.rar"), dir.File("sub"))) << "a folder is not replaced";
  testing_support::SetReadOnly(dir.File("old.rar"), true);
  EXPECT_FALSE(platform::CopyFileOverwrite(dir.File("a.rar"), dir.File("old.rar")));
  testing_support::SetReadOnly(dir.File("old.rar"), false);
  EXPECT_EQ(ReadBytes(dir.File("old.rar")), "old");
  EXPECT_FALSE(platform::CopyFileOverwrite(dir.File("a.rar"), dir.File("a.rar"))) << "a file onto itself";
  EXPECT_EQ(ReadBytes(dir.File("a.rar")), "new");
  EXPECT_EQ(ListDir(dir.Path()), (std::vector<std::string>{"a.rar", "old.rar", "sub"}));
}

#if !defined(_WIN32)

// A backup far larger than the memory the process may use must still be copied: the copy may
// not hold the file in memory. The limit is the address space in use now plus 48 MiB; the file is 256 MiB
// (sparse, so it costs no disk to make; its copy is written out in full).
TEST(FileCopy, AFileLargerThanTheMemoryLimitIsCopied) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's shadow memory does not fit any address-space limit";
#endif
  TempDir dir;
  const std::string from = testing_support::Native(dir.File("big.bak"));
  constexpr off_t kSize = off_t(256) << 20;
  {
    const int fd = ::open(from.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, kSize - 4), 0);
    ASSERT_EQ(::lseek(fd, 0, SEEK_END), kSize - 4);
    ASSERT_EQ(::write(fd, "tail", 4), 4);
    ::close(fd);
  }
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (48u << 20);
    const rlimit cap{limit, limit};
    ::setrlimit(RLIMIT_AS, &cap);
    int code = 0;
    try {
      code = platform::CopyFileOverwrite(dir.File("big.bak"), dir.File("Copy of big.bak")) ? 0 : 1;
    } catch (...) {
      code = 2;
    }
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 2) << "the copy threw out of a call whose failure is a plain false";
  ASSERT_EQ(WEXITSTATUS(status), 0) << "the copy failed under the memory limit";
  struct stat st {};
  ASSERT_EQ(::stat(testing_support::Native(dir.File("Copy of big.bak")).c_str(), &st), 0);
  EXPECT_EQ(st.st_size, kSize);
  std::ifstream copy(testing_support::Native(dir.File("Copy of big.bak")), std::ios::binary);
  copy.seekg(kSize - 4);
  std::string tail(4, '\0');
  copy.read(tail.data(), 4);
  EXPECT_EQ(tail, "tail");
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(testing_support::Native(path).c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(FileReplace, TheReplacedFileKeepsItsPermissions) {
  TempDir dir;
  for (mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0604), mode_t(0755)}) {
    WriteBytes(dir.File("Data.dat"), "old");
    ASSERT_EQ(::chmod(testing_support::Native(dir.File("Data.dat")).c_str(), mode), 0);
    ASSERT_TRUE(platform::ReplaceFileAtomically(dir.File("Data.dat"), "new"));
    EXPECT_EQ(ReadBytes(dir.File("Data.dat")), "new");
    EXPECT_EQ(ModeOf(dir.File("Data.dat")), mode) << std::oct << mode;
  }
  EXPECT_EQ(ListDir(dir.Path()), std::vector<std::string>{"Data.dat"});
}

#else

TEST(FileReplace, TheReplacedFileKeepsItsAttributes) {
  TempDir dir;
  const std::string path = dir.File("Data.dat");
  WriteBytes(path, "old");
  ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
  if ((::GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN) == 0) {
    GTEST_SKIP() << "this file system keeps no hidden attribute";
  }
  ASSERT_TRUE(platform::ReplaceFileAtomically(path, "new"));
  EXPECT_EQ(ReadBytes(path), "new");
  EXPECT_NE(::GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

#endif

}  // namespace
