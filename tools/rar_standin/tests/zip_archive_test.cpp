// Packing and testing in-process: what the archive holds, and that damage anywhere is found.
#include <gtest/gtest.h>

#include <set>

#include "crc32.h"
#include "exit_codes.h"
#include "standin_fixture.h"
#include "zip_checker.h"
#include "zip_records.h"
#include "zip_writer.h"

namespace {

using namespace rar_standin;
using standin_test::Folder;

// The exit code TestArchive ends with, or kExitOk when the archive passes.
int TestCode(const std::string& archive) {
  try {
    TestArchive(archive);
    return kExitOk;
  } catch (const StandinError& e) {
    return e.ExitCode();
  }
}

int PackCode(const std::string& source, const std::string& archive, bool truncate = false) {
  try {
    PackFile(source, archive, PackOptions{truncate});
    return kExitOk;
  } catch (const StandinError& e) {
    return e.ExitCode();
  }
}

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8 |
                                    static_cast<unsigned char>(bytes[at + 2]) << 16 |
                                    static_cast<unsigned char>(bytes[at + 3]) << 24);
}

TEST(Crc32, MatchesTheStandardCheckValueInAnyPieces) {
  const std::string text = "123456789";
  EXPECT_EQ(Crc32Of(text.data(), text.size()), 0xCBF43926u);
  EXPECT_EQ(Crc32Of("", 0), 0u);
  const std::string long_text = standin_test::Pattern(1000, 3);
  Crc32 pieces;
  pieces.Update(long_text.data(), 7);  // splits that cross the eight-byte steps
  pieces.Update(long_text.data() + 7, 600);
  pieces.Update(long_text.data() + 607, long_text.size() - 607);
  EXPECT_EQ(pieces.Value(), Crc32Of(long_text.data(), long_text.size()));
}

TEST(PackFile, StoresTheBytesUnderTheBareNameAndPassesItsTest) {
  Folder dir;
  for (const std::size_t size : {std::size_t{0}, std::size_t{1}, kBlockSize - 1, kBlockSize, kBlockSize + 1,
                                 3 * kBlockSize + 17}) {
    for (const bool zeros : {false, true}) {
      const std::string bytes = zeros ? std::string(size, '\0') : standin_test::Pattern(size, 7);
      standin_test::Write(dir.In("Shop_1200.bak"), bytes);
      ASSERT_EQ(PackCode(dir.In("Shop_1200.bak"), dir.In("Shop_1200.rar")), kExitOk);
      const std::vector<TestedEntry> entries = TestArchive(dir.In("Shop_1200.rar"));
      ASSERT_EQ(entries.size(), 1u);
      EXPECT_EQ(entries[0].name, "Shop_1200.bak");
      EXPECT_EQ(entries[0].size, size);
      const std::string archive = standin_test::Read(dir.In("Shop_1200.rar"));
      const std::size_t dataAt = kLocalHeaderSize + entries[0].name.size();
      ASSERT_EQ(archive.size(), dataAt + size + kCentralHeaderSize + entries[0].name.size() + kEndSize);
      EXPECT_TRUE(archive.compare(dataAt, size, bytes) == 0) << "stored as it is, size " << size;
      EXPECT_EQ(U32At(archive, 14), Crc32Of(bytes.data(), bytes.size()));
    }
  }
  EXPECT_EQ(standin_test::Names(dir.Path()), (std::vector<std::string>{"Shop_1200.bak", "Shop_1200.rar"}))
      << "no partial file stays behind";
}

TEST(PackFile, NamesTheEntryAfterTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(BareName(R"(D:\Backup\Shop.bak)"), "Shop.bak");
  EXPECT_EQ(BareName("/tmp/x/Shop.bak"), "Shop.bak");
  EXPECT_EQ(BareName(R"(D:\a/b\Shop.bak)"), "Shop.bak");
  EXPECT_EQ(BareName("Shop.bak"), "Shop.bak");
}

TEST(PackFile, ReplacesAnOlderArchiveOfTheSameName) {
  Folder dir;
  standin_test::Write(dir.In("a.rar"), "an older archive, or anything else");
  standin_test::Write(dir.In("a.bak"), "fresh");
  ASSERT_EQ(PackCode(dir.In("a.bak"), dir.In("a.rar")), kExitOk);
  EXPECT_EQ(TestArchive(dir.In("a.rar"))[0].size, 5u);
}

TEST(PackFile, FailuresLeaveNoArchiveAndNoPartialFile) {
  Folder dir;
  EXPECT_EQ(PackCode(dir.In("missing.bak"), dir.In("a.rar")), kExitCannotRead);
  EXPECT_EQ(PackCode(dir.Path(), dir.In("a.rar")), kExitCannotRead) << "a folder is not a file to pack";
  standin_test::Write(dir.In("a.bak"), "data");
  EXPECT_EQ(PackCode(dir.In("a.bak"), dir.In("no-such-folder") + "/a.rar"), kExitCannotWrite);
  EXPECT_EQ(PackCode(dir.In("a.bak"), dir.Path()), kExitCannotWrite) << "the archive path is a folder";
  EXPECT_EQ(standin_test::Names(dir.Path()), (std::vector<std::string>{"a.bak"}));
}

TEST(PackFile, RefusesToPackAFileIntoItself) {
  // A backup named "x.rar" gives the archive path of the backup itself.
  Folder dir;
  standin_test::Write(dir.In("x.rar"), "the only copy of the backup");
  EXPECT_EQ(PackCode(dir.In("x.rar"), dir.In("x.rar")), kExitCannotWrite);
  EXPECT_EQ(standin_test::Read(dir.In("x.rar")), "the only copy of the backup");
  EXPECT_EQ(standin_test::Names(dir.Path()), (std::vector<std::string>{"x.rar"}));
}

TEST(PackFile, TruncateOptionWritesAnArchiveThatFailsItsTest) {
  Folder dir;
  standin_test::Write(dir.In("a.bak"), standin_test::Pattern(5000, 1));
  ASSERT_EQ(PackCode(dir.In("a.bak"), dir.In("a.rar"), true), kExitOk);
  const std::string archive = standin_test::Read(dir.In("a.rar"));
  EXPECT_GT(archive.size(), 2000u);
  EXPECT_LT(archive.size(), 3000u);
  EXPECT_EQ(TestCode(dir.In("a.rar")), kExitDamaged);
}

class DamagedArchive : public testing::Test {
 protected:
  void SetUp() override {
    standin_test::Write(dir_.In("Shop.bak"), standin_test::Pattern(300, 5));
    ASSERT_EQ(PackCode(dir_.In("Shop.bak"), dir_.In("good.rar")), kExitOk);
    good_ = standin_test::Read(dir_.In("good.rar"));
  }
  int TestBytes(const std::string& bytes) {
    standin_test::Write(dir_.In("bad.rar"), bytes);
    return TestCode(dir_.In("bad.rar"));
  }

  Folder dir_;
  std::string good_;
};

TEST_F(DamagedArchive, EveryShorterLengthFails) {
  for (std::size_t length = 0; length < good_.size(); ++length) {
    EXPECT_EQ(TestBytes(good_.substr(0, length)), kExitDamaged) << "cut to " << length << " bytes";
  }
}

TEST_F(DamagedArchive, AChangeOfAnyCheckableByteFails) {
  // Only a central header's "made by" version and file attributes have nothing to be checked against.
  const std::size_t central = good_.size() - kEndSize - kCentralHeaderSize - 8;
  ASSERT_EQ(U32At(good_, central), kCentralHeaderSignature);
  const std::set<std::size_t> unchecked = {central + 4,  central + 5,  central + 36, central + 37,
                                           central + 38, central + 39, central + 40, central + 41};
  for (std::size_t at = 0; at < good_.size(); ++at) {
    std::string bad = good_;
    bad[at] = static_cast<char>(bad[at] ^ 0x5A);
    EXPECT_EQ(TestBytes(bad), unchecked.count(at) != 0 ? kExitOk : kExitDamaged) << "byte " << at;
  }
}

TEST_F(DamagedArchive, BytesAfterTheEndRecordOrAnEmptyArchiveFail) {
  EXPECT_EQ(TestBytes(good_ + "x"), kExitDamaged);
  EXPECT_EQ(TestBytes(EncodeEnd(0, 0, 0)), kExitDamaged) << "an archive without files holds no backup";
  EXPECT_EQ(TestBytes(std::string(4096, 'R')), kExitDamaged);
  EXPECT_EQ(TestCode(dir_.In("missing.rar")), kExitCannotRead);
}

// An archive whose sizes and checksum follow the data, as streaming writers make them.
std::string WithDataDescriptor(const std::string& name, const std::string& data, std::uint32_t descriptorCrc) {
  StoredEntry entry;
  entry.name = name;
  entry.crc = Crc32Of(data.data(), data.size());
  entry.size = data.size();
  std::string local = EncodeLocalHeader(entry);
  std::string central = EncodeCentralHeader(entry);
  for (std::string* header : {&local, &central}) {
    (*header)[header == &local ? 6 : 8] |= static_cast<char>(kFlagDataDescriptor);
  }
  std::fill(local.begin() + 14, local.begin() + 26, '\0');  // checksum and sizes left open
  std::string descriptor = "PK\x07\x08";
  for (const std::uint32_t value :
       {descriptorCrc, static_cast<std::uint32_t>(data.size()), static_cast<std::uint32_t>(data.size())}) {
    for (int shift = 0; shift < 32; shift += 8) {
      descriptor += static_cast<char>((value >> shift) & 0xFFu);
    }
  }
  const std::string body = local + data + descriptor;
  return body + central + EncodeEnd(1, body.size(), central.size());
}

TEST_F(DamagedArchive, ADataDescriptorIsCheckedLikeTheHeaders) {
  const std::string data = standin_test::Pattern(777, 2);
  const std::uint32_t crc = Crc32Of(data.data(), data.size());
  EXPECT_EQ(TestBytes(WithDataDescriptor("d.bak", data, crc)), kExitOk);
  EXPECT_EQ(TestBytes(WithDataDescriptor("d.bak", data, crc ^ 1u)), kExitDamaged);
}

}  // namespace
