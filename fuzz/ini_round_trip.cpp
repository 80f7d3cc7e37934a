// The settings-file parser and writer: any file, then a series of edits. What an edit writes must
// read back the same, the edit must leave every other key as it was, and writing a document out
// and reading it in again must change nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/ini_document.h"
#include "settings/ini_file.h"
#include "support/fuzz_check.h"
#include "support/scratch_file.h"

namespace {

using fuzz::Require;
using settings::FindValue;
using settings::IniDocument;

constexpr std::array<const char*, 4> kSections = {"BAK", "copy", "Connect", "bak"};
constexpr std::array<const char*, 8> kKeys = {"TimeCount", "Time_1", "Time_2", "BakDir",
                                              "RarProgram", "count", "Copy1", "Server"};

// What a reader gets back for a written value: it ends at a line break or a NUL, as a line and a
// C string do.
std::string Storable(const std::string& value) {
  return value.substr(0, value.find_first_of(std::string("\r\n\0", 3)));
}

bool SameNames(const char* s1, const char* k1, const char* s2, const char* k2) {
  return settings::SameName(s1, s2) && settings::SameName(k1, k2);
}

void CheckOtherKeysKept(const std::string& before, const std::string& after, const char* section, const char* key) {
  for (const char* s : kSections) {
    for (const char* k : kKeys) {
      if (key != nullptr ? SameNames(s, k, section, key) : settings::SameName(s, section)) {
        continue;
      }
      Require(FindValue(before, s, k) == FindValue(after, s, k), "an edit leaves every other key as it was");
    }
  }
}

void CheckFileReaders(FuzzedDataProvider& input, const std::string& bytes) {
  static const fuzz::ScratchFile scratch("Bak_Info.ini");
  scratch.Write(bytes);
  settings::IniFile ini(scratch.Path());
  const int count = input.ConsumeIntegralInRange<int>(-2, 300);
  const auto numbered = ini.ReadNumberedKeys("BAK", "Time_", count);
  int last = 0;
  for (const auto& [n, value] : numbered) {
    Require(n > last && n <= count, "numbered keys come once each, ascending, within the count");
    Require(value == ini.ReadString("BAK", "Time_" + std::to_string(n), "\x01"),
            "a numbered key reads as the same key asked for alone");
    last = n;
  }
  Require(ini.ReadString("BAK", "BakDir", "").size() <= settings::IniFile::kMaxValueLength,
          "a value read is never longer than the read buffer");

  const std::string value = input.ConsumeRandomLengthString(3000);
  ini.WriteString("BAK", "RarProgram", value);
  std::string expected = Storable(value);
  if (expected.size() > settings::IniFile::kMaxValueLength) {
    expected.resize(settings::IniFile::kMaxValueLength);
  }
  Require(ini.ReadString("BAK", "RarProgram", "\x01") == expected, "a written string reads back the same");
  const int number = input.ConsumeIntegral<int>();
  ini.WriteInteger("copy", "count", number);
  Require(ini.ReadInteger("copy", "count", number == 0 ? 1 : 0) == number, "a written integer reads back the same");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string original = input.ConsumeRandomLengthString(4096);

  IniDocument doc = IniDocument::Parse(original);
  std::string text = doc.Serialize();
  Require(IniDocument::Parse(text).Serialize() == text, "a written document reads in unchanged");
  for (const char* s : kSections) {
    for (const char* k : kKeys) {
      Require(FindValue(original, s, k) == FindValue(text, s, k), "rewriting a file keeps every value");
    }
  }

  for (int edit = 0; edit < 8 && input.remaining_bytes() > 0; ++edit) {
    const char* section = input.PickValueInArray(kSections);
    const std::string before = text;
    if (input.ConsumeIntegralInRange<int>(0, 5) == 0) {
      doc.EraseSection(section);
      text = doc.Serialize();
      for (const char* k : kKeys) {
        Require(!FindValue(text, section, k), "an erased section has no keys left");
      }
      CheckOtherKeysKept(before, text, section, nullptr);
    } else {
      const char* key = input.PickValueInArray(kKeys);
      const std::string value = input.ConsumeRandomLengthString(300);
      doc.Set(section, key, value);
      text = doc.Serialize();
      Require(FindValue(text, section, key) == Storable(value), "a value set reads back the same");
      CheckOtherKeysKept(before, text, section, key);
    }
    Require(IniDocument::Parse(text).Serialize() == text, "an edited document reads in unchanged");
  }

  int parsed = 0;
  const int number = input.ConsumeIntegral<int>();
  Require(settings::ParseIniInteger(std::to_string(number), parsed) && parsed == number,
          "an integer's decimal text reads back as that integer");

  CheckFileReaders(input, original);
  return 0;
}
