#include "zip_checker.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

#include "binary_file.h"
#include "crc32.h"
#include "exit_codes.h"
#include "zip_records.h"
#include "zip_writer.h"

namespace rar_standin {
namespace {

// A directory this large is not one of ours; refusing it keeps the test's memory bounded.
constexpr std::uint64_t kMaxDirectoryBytes = 64u << 20;

[[noreturn]] void Damaged(const std::string& what) { throw StandinError(kExitDamaged, what); }

struct EndFacts {
  std::uint64_t entryCount = 0;
  std::uint64_t directoryOffset = 0;
  std::uint64_t directorySize = 0;
  std::uint64_t endOfDirectory = 0;  // where the end records begin
};

struct CentralEntry {
  std::uint16_t versionNeeded = 0;
  std::uint16_t flags = 0;
  std::uint16_t method = 0;
  std::uint32_t dosDateTime = 0;
  std::uint32_t crc = 0;
  std::uint64_t compressedSize = 0;
  std::uint64_t size = 0;
  std::uint64_t localOffset = 0;
  std::string name;
};

std::string Read(BinaryFile& file, std::uint64_t offset, std::size_t size) {
  std::string bytes(size, '\0');
  try {
    file.ReadAt(offset, bytes.data(), size);
  } catch (const FileError& e) {
    throw StandinError(kExitCannotRead, e.what());
  }
  return bytes;
}

std::uint32_t PeekU32(std::string_view bytes) { return FieldReader(bytes, "record").U32(); }

// The data of the extra-field record with this id, if there is one; malformed extra fields are damage.
std::optional<std::string_view> ExtraRecord(std::string_view extra, std::uint16_t id, const std::string& entryName) {
  FieldReader r(extra, "an extra field");
  while (r.Remaining() > 0) {
    if (r.Remaining() < 4) {
      Damaged("the extra field of " + entryName + " ends in the middle of a record");
    }
    const std::uint16_t recordId = r.U16();
    const std::uint16_t size = r.U16();
    const std::string_view data = r.Bytes(size);
    if (recordId == id) {
      return data;
    }
  }
  return std::nullopt;
}

std::optional<std::uint64_t> FindLocator(BinaryFile& file, std::uint64_t endPos) {
  if (endPos < kZip64LocatorSize) {
    return std::nullopt;
  }
  const std::string locator = Read(file, endPos - kZip64LocatorSize, kZip64LocatorSize);
  FieldReader r(locator, "ZIP64 locator");
  if (r.U32() != kZip64LocatorSignature) {
    return std::nullopt;
  }
  const std::uint32_t disk = r.U32();
  const std::uint64_t recordOffset = r.U64();
  const std::uint32_t disks = r.U32();
  if (disk != 0 || disks != 1) {
    Damaged("the ZIP64 locator names more than one disk");
  }
  return recordOffset;
}

EndFacts ReadZip64End(BinaryFile& file, std::uint64_t recordOffset, std::uint64_t locatorPos) {
  if (recordOffset > locatorPos || locatorPos - recordOffset < kZip64EndSize) {
    Damaged("the ZIP64 end record is not where its locator says");
  }
  const std::string record = Read(file, recordOffset, kZip64EndSize);
  FieldReader r(record, "ZIP64 end record");
  if (r.U32() != kZip64EndSignature) {
    Damaged("no ZIP64 end record where its locator says");
  }
  const std::uint64_t recordSize = r.U64();
  if (recordSize != locatorPos - recordOffset - 12) {
    Damaged("the ZIP64 end record does not reach its locator");
  }
  r.Skip(4);  // versions
  const std::uint32_t disk = r.U32();
  const std::uint32_t directoryDisk = r.U32();
  const std::uint64_t here = r.U64();
  EndFacts facts;
  facts.entryCount = r.U64();
  facts.directorySize = r.U64();
  facts.directoryOffset = r.U64();
  facts.endOfDirectory = recordOffset;
  if (disk != 0 || directoryDisk != 0 || here != facts.entryCount) {
    Damaged("the ZIP64 end record spans several disks");
  }
  return facts;
}

EndFacts ReadEnd(BinaryFile& file, std::uint64_t fileSize) {
  if (fileSize < kEndSize) {
    Damaged("too short to be a ZIP archive");
  }
  const auto tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSize + 0xFFFF));
  const std::string tail = Read(file, fileSize - tailSize, tailSize);
  // The end record is followed by its comment and nothing else.
  std::optional<std::size_t> found;
  for (std::size_t pos = tailSize - kEndSize;; --pos) {
    FieldReader probe(std::string_view(tail).substr(pos), "end record");
    const std::uint32_t signature = probe.U32();
    probe.Skip(16);
    if (signature == kEndSignature && probe.U16() == tailSize - pos - kEndSize) {
      found = pos;
      break;
    }
    if (pos == 0) {
      break;
    }
  }
  if (!found) {
    Damaged("no end record at the end of the file");
  }
  const std::uint64_t endPos = fileSize - tailSize + *found;
  FieldReader r(std::string_view(tail).substr(*found), "end record");
  r.Skip(4);
  const std::uint16_t disk = r.U16();
  const std::uint16_t directoryDisk = r.U16();
  const std::uint16_t here = r.U16();
  const std::uint16_t total = r.U16();
  const std::uint32_t directorySize = r.U32();
  const std::uint32_t directoryOffset = r.U32();
  if (disk != 0 || directoryDisk != 0 || here != total) {
    Damaged("the archive spans several disks");
  }
  EndFacts facts{total, directoryOffset, directorySize, endPos};
  const bool deferred = total == kDeferred16 || directorySize == kDeferred32 || directoryOffset == kDeferred32;
  if (const std::optional<std::uint64_t> recordOffset = FindLocator(file, endPos)) {
    const EndFacts wide = ReadZip64End(file, *recordOffset, endPos - kZip64LocatorSize);
    if ((total != kDeferred16 && total != wide.entryCount) ||
        (directorySize != kDeferred32 && directorySize != wide.directorySize) ||
        (directoryOffset != kDeferred32 && directoryOffset != wide.directoryOffset)) {
      Damaged("the end record and the ZIP64 end record disagree");
    }
    facts = wide;
  } else if (deferred) {
    Damaged("the end record defers to a ZIP64 end record that is missing");
  }
  if (facts.directoryOffset > facts.endOfDirectory ||
      facts.endOfDirectory - facts.directoryOffset != facts.directorySize) {
    Damaged("the central directory does not end where the end records begin");
  }
  return facts;
}

// Replaces the 32-bit fields that defer to the ZIP64 extra record with its 64-bit values, in the
// record's order: original size, compressed size, local header offset.
void ApplyZip64(CentralEntry& entry, std::string_view extra, std::uint16_t disk) {
  const bool wantsSize = entry.size == kDeferred32;
  const bool wantsCompressed = entry.compressedSize == kDeferred32;
  const bool wantsOffset = entry.localOffset == kDeferred32;
  if (!wantsSize && !wantsCompressed && !wantsOffset && disk != kDeferred16) {
    return;
  }
  const std::optional<std::string_view> zip64 = ExtraRecord(extra, kZip64ExtraId, entry.name);
  if (!zip64) {
    Damaged("the central header of " + entry.name + " defers to a ZIP64 field that is missing");
  }
  FieldReader r(*zip64, "a ZIP64 field");
  if (wantsSize) {
    entry.size = r.U64();
  }
  if (wantsCompressed) {
    entry.compressedSize = r.U64();
  }
  if (wantsOffset) {
    entry.localOffset = r.U64();
  }
}

std::vector<CentralEntry> ReadDirectory(BinaryFile& file, const EndFacts& facts) {
  if (facts.entryCount == 0) {
    Damaged("the archive holds no files");
  }
  if (facts.directorySize > kMaxDirectoryBytes) {
    Damaged("the central directory is too large to test");
  }
  const std::string bytes = Read(file, facts.directoryOffset, static_cast<std::size_t>(facts.directorySize));
  FieldReader r(bytes, "the central directory");
  std::vector<CentralEntry> entries;
  for (std::uint64_t i = 0; i < facts.entryCount; ++i) {
    if (r.U32() != kCentralHeaderSignature) {
      Damaged("central header " + std::to_string(i + 1) + " has no signature");
    }
    CentralEntry e;
    r.Skip(2);  // made by
    e.versionNeeded = r.U16();
    e.flags = r.U16();
    e.method = r.U16();
    e.dosDateTime = r.U32();
    e.crc = r.U32();
    e.compressedSize = r.U32();
    e.size = r.U32();
    const std::uint16_t nameLength = r.U16();
    const std::uint16_t extraLength = r.U16();
    const std::uint16_t commentLength = r.U16();
    const std::uint16_t disk = r.U16();
    r.Skip(6);  // internal and external attributes
    e.localOffset = r.U32();
    e.name = std::string(r.Bytes(nameLength));
    ApplyZip64(e, r.Bytes(extraLength), disk);
    r.Skip(commentLength);
    if (disk != 0) {
      Damaged(e.name + " is on another disk");
    }
    entries.push_back(std::move(e));
  }
  if (r.Remaining() != 0) {
    Damaged("the central directory holds more than its " + std::to_string(facts.entryCount) + " entries");
  }
  return entries;
}

struct Span {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
  std::uint64_t dataBegin = 0;
};

// Checks the local header (and data descriptor) of an entry against its central header and
// returns where the entry lies.
Span CheckLocal(BinaryFile& file, const CentralEntry& e, std::uint64_t directoryOffset) {
  if ((e.flags & kFlagEncrypted) != 0) {
    Damaged(e.name + " is encrypted, which this test cannot check");
  }
  if (e.method != kMethodStored) {
    Damaged(e.name + " is compressed (method " + std::to_string(e.method) + "), which this test cannot check");
  }
  if (e.compressedSize != e.size) {
    Damaged(e.name + " is stored but its two sizes differ");
  }
  if (e.localOffset > directoryOffset || directoryOffset - e.localOffset < kLocalHeaderSize) {
    Damaged("the local header of " + e.name + " lies outside the entries");
  }
  const std::string fixed = Read(file, e.localOffset, kLocalHeaderSize);
  FieldReader r(fixed, "a local header");
  if (r.U32() != kLocalHeaderSignature) {
    Damaged("no local header where the directory puts " + e.name);
  }
  const std::uint16_t versionNeeded = r.U16();
  const std::uint16_t flags = r.U16();
  const std::uint16_t method = r.U16();
  const std::uint32_t dosDateTime = r.U32();
  const std::uint32_t crc = r.U32();
  std::uint64_t compressedSize = r.U32();
  std::uint64_t size = r.U32();
  const std::uint16_t nameLength = r.U16();
  const std::uint16_t extraLength = r.U16();
  const std::uint64_t dataBegin = e.localOffset + kLocalHeaderSize + nameLength + extraLength;
  if (dataBegin > directoryOffset) {
    Damaged("the local header of " + e.name + " runs into the central directory");
  }
  const std::string variable = Read(file, e.localOffset + kLocalHeaderSize, nameLength + std::size_t{extraLength});
  if (variable.compare(0, nameLength, e.name) != 0 || nameLength != e.name.size()) {
    Damaged("the local header of " + e.name + " names another file");
  }
  if (versionNeeded != e.versionNeeded || flags != e.flags || method != e.method || dosDateTime != e.dosDateTime) {
    Damaged("the local header of " + e.name + " disagrees with the central directory");
  }
  const std::optional<std::string_view> zip64 =
      ExtraRecord(std::string_view(variable).substr(nameLength), kZip64ExtraId, e.name);
  const bool deferred = size == kDeferred32 || compressedSize == kDeferred32;
  if (deferred && !zip64) {
    Damaged("the local header of " + e.name + " defers to a ZIP64 field that is missing");
  }
  if (deferred) {
    FieldReader z(*zip64, "a ZIP64 field");  // a local one carries both sizes
    size = z.U64();
    compressedSize = z.U64();
  }
  if (e.compressedSize > directoryOffset - dataBegin) {
    Damaged("the data of " + e.name + " runs into the central directory");
  }
  Span span{e.localOffset, dataBegin + e.compressedSize, dataBegin};
  if ((flags & kFlagDataDescriptor) == 0) {
    if (crc != e.crc || size != e.size || compressedSize != e.compressedSize) {
      Damaged("the local header of " + e.name + " gives another size or checksum");
    }
    return span;
  }
  // Sizes and checksum follow the data: an optional signature, then 4-byte or (ZIP64) 8-byte sizes.
  const std::size_t sizeBytes = zip64 ? 8 : 4;
  const std::uint64_t room = directoryOffset - span.end;
  const std::string descriptor = Read(file, span.end, static_cast<std::size_t>(std::min<std::uint64_t>(room, 24)));
  FieldReader d(descriptor, "a data descriptor");
  std::size_t length = 4 + 2 * sizeBytes;
  if (descriptor.size() >= 4 && PeekU32(descriptor) == kDataDescriptorSignature) {
    d.Skip(4);
    length += 4;
  }
  const std::uint32_t descriptorCrc = d.U32();
  const std::uint64_t descriptorCompressed = sizeBytes == 8 ? d.U64() : d.U32();
  const std::uint64_t descriptorSize = sizeBytes == 8 ? d.U64() : d.U32();
  if (descriptorCrc != e.crc || descriptorCompressed != e.compressedSize || descriptorSize != e.size) {
    Damaged("the data descriptor of " + e.name + " gives another size or checksum");
  }
  span.end += length;
  return span;
}

void CheckData(BinaryFile& file, const CentralEntry& e, std::uint64_t dataBegin) {
  std::vector<char> block(kBlockSize);
  Crc32 crc;
  std::uint64_t left = e.size;
  try {
    file.SeekTo(dataBegin);
    while (left > 0) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
      const std::size_t got = file.Read(block.data(), want);
      if (got == 0) {
        Damaged("the data of " + e.name + " is cut short");
      }
      crc.Update(block.data(), got);
      left -= got;
    }
  } catch (const FileError& error) {
    throw StandinError(kExitCannotRead, error.what());
  }
  if (crc.Value() != e.crc) {
    Damaged(e.name + " fails its CRC-32 check");
  }
}

}  // namespace

std::vector<TestedEntry> TestArchive(const std::string& archivePath) {
  std::optional<BinaryFile> file;
  std::uint64_t fileSize = 0;
  try {
    file = BinaryFile::OpenForReading(archivePath);
    fileSize = file->Size();
  } catch (const FileError& e) {
    throw StandinError(kExitCannotRead, e.what());
  }
  const EndFacts facts = ReadEnd(*file, fileSize);
  const std::vector<CentralEntry> entries = ReadDirectory(*file, facts);

  std::vector<Span> spans;
  for (const CentralEntry& e : entries) {
    spans.push_back(CheckLocal(*file, e, facts.directoryOffset));
  }
  std::vector<Span> sorted = spans;
  std::sort(sorted.begin(), sorted.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
  for (std::size_t i = 1; i < sorted.size(); ++i) {
    if (sorted[i].begin < sorted[i - 1].end) {
      Damaged("two entries overlap");
    }
  }

  std::vector<TestedEntry> tested;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    CheckData(*file, entries[i], spans[i].dataBegin);
    tested.push_back({entries[i].name, entries[i].size});
  }
  return tested;
}

}  // namespace rar_standin
