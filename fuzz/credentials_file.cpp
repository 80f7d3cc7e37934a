// Data.dat: the shift must undo itself for every byte, any file must read without a crash, and what
// was read and written again must read back the same. Typed names (bytes 0x20-0xFF) must survive a
// write and a read exactly, and never read under another computer's name.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "db/credentials_file.h"
#include "support/fuzz_check.h"
#include "support/scratch_file.h"

namespace {

using fuzz::Require;

// A name as a keyboard types it: printable characters only.
std::string Typed(FuzzedDataProvider& input, std::size_t maxLength) {
  std::string text = input.ConsumeRandomLengthString(maxLength);
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
      c = static_cast<char>(byte + 0x20);
    }
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const fuzz::ScratchFile scratch("Data.dat");
  FuzzedDataProvider input(data, size);

  const std::string computer = Typed(input, 40);
  const std::string bytes = input.ConsumeRandomLengthString(2048);
  Require(db::Decode_Str(db::Encode_Str(bytes)) == bytes, "decoding undoes encoding");
  Require(db::Encode_Str(db::Decode_Str(bytes)) == bytes, "a decoded value re-encodes the same");
  const std::string line = db::FirstTextLine(bytes);
  Require(line.find_first_of("\r\n\x1A") == std::string::npos, "the first text line holds no line end");
  Require(line.size() <= bytes.size(), "the first text line is part of the bytes");

  scratch.Write(bytes);
  const auto read = db::ReadCredentialsFile(scratch.Path(), computer);
  if (read) {
    db::WriteCredentialsFile(scratch.Path(), computer, *read);
    const auto again = db::ReadCredentialsFile(scratch.Path(), computer);
    Require(again && again->userName == read->userName && again->password == read->password,
            "credentials read and written again read back the same");
  }

  const db::Credentials typed{Typed(input, 128), Typed(input, 128)};
  db::WriteCredentialsFile(scratch.Path(), computer, typed);
  const auto back = db::ReadCredentialsFile(scratch.Path(), computer);
  Require(back && back->userName == typed.userName && back->password == typed.password,
          "typed credentials survive a write and a read");
  const std::string other = Typed(input, 40);
  if (other != computer) {
    Require(!db::ReadCredentialsFile(scratch.Path(), other), "credentials never read under another computer's name");
  }
  scratch.Remove();
  Require(!db::ReadCredentialsFile(scratch.Path(), computer), "a missing file gives no credentials");
  return 0;
}
