// Backups beyond 4 GiB: ZIP64 sizes and end records, from sparse files so the test costs little disk.
#include <gtest/gtest.h>

#include "binary_file.h"
#include "exit_codes.h"
#include "standin_fixture.h"
#include "zip_checker.h"
#include "zip_records.h"
#include "zip_writer.h"

namespace {

using namespace rar_standin;
using standin_test::Folder;

constexpr std::uint64_t k4GiB = 4ull << 30;

std::string ReadAt(const std::string& path, std::uint64_t offset, std::size_t size) {
  BinaryFile file = BinaryFile::OpenForReading(path);
  std::string bytes(size, '\0');
  file.ReadAt(offset, bytes.data(), size);
  return bytes;
}

std::uint64_t FileSize(const std::string& path) { return BinaryFile::OpenForReading(path).Size(); }

void ExpectHostToolsAccept(const std::string& archive) {
  if (const auto sevenZip = standin_test::HostTool("7z")) {
    EXPECT_EQ(standin_test::Shell(*sevenZip + " t " + standin_test::Quoted(archive)), 0) << "7z t";
  }
  if (const auto unzip = standin_test::HostTool("unzip")) {
    EXPECT_EQ(standin_test::Shell(*unzip + " -tq " + standin_test::Quoted(archive)), 0) << "unzip -t";
  }
}

TEST(LargeFile, BeyondFourGibibytesGetsZip64RecordsAndStillFindsDamage) {
  Folder dir;
  const std::uint64_t size = k4GiB + 3 * kBlockSize + 5;
  const std::string source = dir.In("Big.bak");
  // Data at the start, across the 4 GiB line, and in the last bytes, zeros between.
  standin_test::WriteSparse(source, size,
                            {{0, "start"}, {k4GiB - 2, "across"}, {size - 5, "final"}});
  PackFile(source, dir.In("Big.rar"), {});
  const std::string archive = dir.In("Big.rar");
  const std::vector<TestedEntry> entries = TestArchive(archive);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].size, size);

  const std::uint64_t archiveSize = FileSize(archive);
  const std::string tail = ReadAt(archive, archiveSize - kEndSize - kZip64LocatorSize, kZip64LocatorSize + kEndSize);
  EXPECT_EQ(tail.substr(0, 4), "PK\x06\x07") << "a ZIP64 locator before the end record";
  EXPECT_EQ(tail.substr(kZip64LocatorSize + 16, 4), "\xFF\xFF\xFF\xFF") << "the directory offset defers";
  const std::size_t dataAt = kLocalHeaderSize + entries[0].name.size() + 20;
  EXPECT_EQ(ReadAt(archive, dataAt + k4GiB - 2, 6), "across");
  ExpectHostToolsAccept(archive);

  {
    BinaryFile file = BinaryFile::OpenForUpdate(archive);
    file.SeekTo(dataAt + k4GiB - 2);
    file.Write("ACROSS", 6);
  }
  try {
    TestArchive(archive);
    ADD_FAILURE() << "a changed byte past 4 GiB passed the test";
  } catch (const StandinError& e) {
    EXPECT_EQ(e.ExitCode(), kExitDamaged);
    EXPECT_NE(std::string(e.what()).find("CRC"), std::string::npos) << e.what();
  }
}

TEST(LargeFile, ASizeOfExactly0xFFFFFFFFAlreadyNeedsZip64) {
  Folder dir;
  const std::uint64_t size = 0xFFFFFFFFull;
  const std::string source = dir.In("Edge.bak");
  standin_test::WriteSparse(source, size, {{size - 4, "last"}});
  PackFile(source, dir.In("Edge.rar"), {});
  const std::string archive = dir.In("Edge.rar");
  EXPECT_EQ(TestArchive(archive).at(0).size, size);
  const std::string local = ReadAt(archive, 0, kLocalHeaderSize);
  EXPECT_EQ(local.substr(18, 8), std::string(8, '\xFF')) << "both sizes defer to the ZIP64 field";
  EXPECT_EQ(local[28], 20) << "a ZIP64 field of both sizes";
  ExpectHostToolsAccept(archive);
}

}  // namespace
