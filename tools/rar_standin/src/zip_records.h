#pragma once
// The ZIP records the stand-in writes and checks: local header, central directory header, and the
// end records (with their ZIP64 forms once a size or an offset no longer fits 32 bits).
#include <cstdint>
#include <string>
#include <string_view>

#include "binary_file.h"

namespace rar_standin {

inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50u;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50u;
inline constexpr std::uint32_t kEndSignature = 0x06054B50u;
inline constexpr std::uint32_t kZip64EndSignature = 0x06064B50u;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50u;
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50u;
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;

inline constexpr std::size_t kLocalHeaderSize = 30;
inline constexpr std::size_t kCentralHeaderSize = 46;
inline constexpr std::size_t kEndSize = 22;
inline constexpr std::size_t kZip64EndSize = 56;
inline constexpr std::size_t kZip64LocatorSize = 20;

// A 32-bit field holding this value (or a 16-bit one holding 0xFFFF) defers to the ZIP64 record.
inline constexpr std::uint32_t kDeferred32 = 0xFFFFFFFFu;
inline constexpr std::uint16_t kDeferred16 = 0xFFFFu;

inline constexpr std::uint16_t kFlagEncrypted = 1u << 0;
inline constexpr std::uint16_t kFlagDataDescriptor = 1u << 3;
inline constexpr std::uint16_t kFlagUtf8Name = 1u << 11;
inline constexpr std::uint16_t kMethodStored = 0;

// MS-DOS date in the high half, time in the low half, two-second steps; before 1980 gives 1980-01-01.
std::uint32_t DosDateTime(const CalendarTime& t);

// One stored (uncompressed) entry, as the writer describes it.
struct StoredEntry {
  std::string name;
  bool utf8Name = false;
  std::uint32_t dosDateTime = 0;
  std::uint32_t crc = 0;
  std::uint64_t size = 0;
  std::uint64_t localHeaderOffset = 0;

  // A size of 0xFFFFFFFF already needs ZIP64: that value means "see the ZIP64 field".
  [[nodiscard]] bool NeedsZip64Sizes() const { return size >= kDeferred32; }
};

// Its length depends only on the name and on NeedsZip64Sizes(), so it can be written first and
// overwritten in place once the checksum is known.
std::string EncodeLocalHeader(const StoredEntry& entry);
std::string EncodeCentralHeader(const StoredEntry& entry);
// The end of the archive: the ZIP64 end record and its locator when the counts or positions need
// them (the records start at directoryOffset + directorySize), then the classic end record.
std::string EncodeEnd(std::uint64_t entryCount, std::uint64_t directoryOffset, std::uint64_t directorySize);

// Little-endian field reading over a byte range; a read past the end is damage (StandinError).
class FieldReader {
 public:
  FieldReader(std::string_view bytes, const char* what) : bytes_(bytes), what_(what) {}
  std::uint16_t U16();
  std::uint32_t U32();
  std::uint64_t U64();
  std::string_view Bytes(std::size_t count);
  void Skip(std::size_t count) { (void)Bytes(count); }
  [[nodiscard]] std::size_t Position() const { return position_; }
  [[nodiscard]] std::size_t Remaining() const { return bytes_.size() - position_; }

 private:
  std::string_view bytes_;
  const char* what_;
  std::size_t position_ = 0;
};

}  // namespace rar_standin
