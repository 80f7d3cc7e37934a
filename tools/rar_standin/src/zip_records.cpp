#include "zip_records.h"

#include "exit_codes.h"

namespace rar_standin {
namespace {

constexpr std::uint16_t kVersionPlain = 20;
constexpr std::uint16_t kVersionZip64 = 45;

void Put16(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value & 0xFFu);
  out += static_cast<char>((value >> 8) & 0xFFu);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFFu);
  Put16(out, value >> 16);
}

void Put64(std::string& out, std::uint64_t value) {
  Put32(out, static_cast<std::uint32_t>(value & 0xFFFFFFFFu));
  Put32(out, static_cast<std::uint32_t>(value >> 32));
}

std::uint32_t Fit32(std::uint64_t value) {
  return value >= kDeferred32 ? kDeferred32 : static_cast<std::uint32_t>(value);
}

std::uint16_t Flags(const StoredEntry& entry) { return entry.utf8Name ? kFlagUtf8Name : 0; }

std::uint16_t Version(const StoredEntry& entry) {
  return entry.NeedsZip64Sizes() || entry.localHeaderOffset >= kDeferred32 ? kVersionZip64 : kVersionPlain;
}

}  // namespace

std::uint32_t DosDateTime(const CalendarTime& t) {
  if (t.year < 1980) {
    return (1u << 5 | 1u) << 16;
  }
  const auto year = static_cast<std::uint32_t>(t.year > 2107 ? 2107 : t.year);
  const std::uint32_t date = (year - 1980) << 9 | static_cast<std::uint32_t>(t.month) << 5 |
                             static_cast<std::uint32_t>(t.day);
  const std::uint32_t time = static_cast<std::uint32_t>(t.hour) << 11 | static_cast<std::uint32_t>(t.minute) << 5 |
                             static_cast<std::uint32_t>(t.second / 2);
  return date << 16 | time;
}

std::string EncodeLocalHeader(const StoredEntry& entry) {
  const bool zip64 = entry.NeedsZip64Sizes();
  std::string out;
  Put32(out, kLocalHeaderSignature);
  Put16(out, Version(entry));
  Put16(out, Flags(entry));
  Put16(out, kMethodStored);
  Put32(out, entry.dosDateTime);
  Put32(out, entry.crc);
  Put32(out, Fit32(entry.size));  // compressed size: stored, so the same
  Put32(out, Fit32(entry.size));
  Put16(out, static_cast<std::uint32_t>(entry.name.size()));
  Put16(out, zip64 ? 20u : 0u);
  out += entry.name;
  if (zip64) {
    // In a local header the ZIP64 field carries both sizes, original first.
    Put16(out, kZip64ExtraId);
    Put16(out, 16);
    Put64(out, entry.size);
    Put64(out, entry.size);
  }
  return out;
}

std::string EncodeCentralHeader(const StoredEntry& entry) {
  std::string extra;
  if (entry.NeedsZip64Sizes()) {
    Put64(extra, entry.size);
    Put64(extra, entry.size);
  }
  if (entry.localHeaderOffset >= kDeferred32) {
    Put64(extra, entry.localHeaderOffset);
  }
  std::string out;
  Put32(out, kCentralHeaderSignature);
  Put16(out, Version(entry));  // made by: MS-DOS attributes, this version
  Put16(out, Version(entry));
  Put16(out, Flags(entry));
  Put16(out, kMethodStored);
  Put32(out, entry.dosDateTime);
  Put32(out, entry.crc);
  Put32(out, Fit32(entry.size));
  Put32(out, Fit32(entry.size));
  Put16(out, static_cast<std::uint32_t>(entry.name.size()));
  Put16(out, extra.empty() ? 0u : static_cast<std::uint32_t>(4 + extra.size()));
  Put16(out, 0);  // comment
  Put16(out, 0);  // first disk
  Put16(out, 0);  // internal attributes
  Put32(out, 0);  // external attributes
  Put32(out, Fit32(entry.localHeaderOffset));
  out += entry.name;
  if (!extra.empty()) {
    Put16(out, kZip64ExtraId);
    Put16(out, static_cast<std::uint32_t>(extra.size()));
    out += extra;
  }
  return out;
}

std::string EncodeEnd(std::uint64_t entryCount, std::uint64_t directoryOffset, std::uint64_t directorySize) {
  const bool zip64 = entryCount >= kDeferred16 || directoryOffset >= kDeferred32 || directorySize >= kDeferred32;
  std::string out;
  if (zip64) {
    const std::uint64_t recordOffset = directoryOffset + directorySize;
    Put32(out, kZip64EndSignature);
    Put64(out, kZip64EndSize - 12);  // the record's length after this field
    Put16(out, kVersionZip64);
    Put16(out, kVersionZip64);
    Put32(out, 0);  // this disk
    Put32(out, 0);  // disk where the directory starts
    Put64(out, entryCount);
    Put64(out, entryCount);
    Put64(out, directorySize);
    Put64(out, directoryOffset);
    Put32(out, kZip64LocatorSignature);
    Put32(out, 0);
    Put64(out, recordOffset);
    Put32(out, 1);  // disks in all
  }
  const std::uint16_t count = entryCount >= kDeferred16 ? kDeferred16 : static_cast<std::uint16_t>(entryCount);
  Put32(out, kEndSignature);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, count);
  Put16(out, count);
  Put32(out, Fit32(directorySize));
  Put32(out, Fit32(directoryOffset));
  Put16(out, 0);  // comment
  return out;
}

std::string_view FieldReader::Bytes(std::size_t count) {
  if (count > Remaining()) {
    throw StandinError(kExitDamaged, std::string(what_) + " is cut short");
  }
  const std::string_view out = bytes_.substr(position_, count);
  position_ += count;
  return out;
}

std::uint16_t FieldReader::U16() {
  const std::string_view b = Bytes(2);
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[0]) | static_cast<unsigned char>(b[1]) << 8);
}

std::uint32_t FieldReader::U32() {
  const std::uint32_t low = U16();
  return low | static_cast<std::uint32_t>(U16()) << 16;
}

std::uint64_t FieldReader::U64() {
  const std::uint64_t low = U32();
  return low | static_cast<std::uint64_t>(U32()) << 32;
}

}  // namespace rar_standin
