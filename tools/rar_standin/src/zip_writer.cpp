#include "zip_writer.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "binary_file.h"
#include "crc32.h"
#include "exit_codes.h"
#include "system.h"
#include "zip_records.h"

namespace rar_standin {
namespace {

bool AllZero(const char* data, std::size_t size) {
  return std::all_of(data, data + size, [](char c) { return c == '\0'; });
}

// Copies the source into the archive after its local header and returns the checksum. A block of
// zeros becomes a hole, so a sparse backup costs no disk space twice.
std::uint32_t CopyBody(BinaryFile& source, BinaryFile& archive, std::uint64_t expectedSize,
                       const std::string& sourcePath) {
  std::vector<char> block(kBlockSize);
  Crc32 crc;
  std::uint64_t total = 0;
  while (true) {
    std::size_t got = 0;
    try {
      got = source.Read(block.data(), block.size());
    } catch (const FileError& e) {
      throw StandinError(kExitCannotRead, e.what());
    }
    if (got == 0) {
      break;
    }
    crc.Update(block.data(), got);
    total += got;
    if (total > expectedSize) {
      break;
    }
    if (AllZero(block.data(), got)) {
      archive.SkipZeros(got);
    } else {
      archive.Write(block.data(), got);
    }
  }
  if (total != expectedSize) {
    throw StandinError(kExitCannotRead, sourcePath + " changed size while it was being packed");
  }
  return crc.Value();
}

void RefuseToReplaceSource(const BinaryFile& source, const std::string& archivePath) {
  std::optional<BinaryFile> existing;
  try {
    existing = BinaryFile::OpenForReading(archivePath);
  } catch (const FileError&) {
    return;
  }
  if (existing->SameFileAs(source)) {
    throw StandinError(kExitCannotWrite, "the archive " + archivePath + " would replace the file it packs");
  }
}

void WriteArchive(BinaryFile& source, BinaryFile& out, const std::string& sourcePath, const PackOptions& options) {
  StoredEntry entry;
  entry.name = NameForArchive(BareName(sourcePath), entry.utf8Name);
  entry.dosDateTime = DosDateTime(source.LastWriteTime());
  entry.size = source.Size();

  out.Write(EncodeLocalHeader(entry).data(), EncodeLocalHeader(entry).size());
  entry.crc = CopyBody(source, out, entry.size, sourcePath);
  const std::string header = EncodeLocalHeader(entry);
  const std::uint64_t directoryOffset = header.size() + entry.size;
  out.SeekTo(0);
  out.Write(header.data(), header.size());

  out.SeekTo(directoryOffset);
  const std::string directory = EncodeCentralHeader(entry);
  const std::string end = EncodeEnd(1, directoryOffset, directory.size());
  out.Write(directory.data(), directory.size());
  out.Write(end.data(), end.size());
  if (options.truncate) {
    out.SetSize(out.Size() / 2);
  }
  out.Flush();
}

}  // namespace

std::string BareName(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

void PackFile(const std::string& sourcePath, const std::string& archivePath, const PackOptions& options) {
  std::optional<BinaryFile> source;
  try {
    source = BinaryFile::OpenForReading(sourcePath);
  } catch (const FileError& e) {
    throw StandinError(kExitCannotRead, e.what());
  }
  RefuseToReplaceSource(*source, archivePath);

  const std::string partial = archivePath + ".partial";
  std::optional<BinaryFile> out;
  try {
    out = BinaryFile::CreateForWriting(partial);
  } catch (const FileError& e) {
    throw StandinError(kExitCannotWrite, e.what());
  }
  try {
    WriteArchive(*source, *out, sourcePath, options);
    out->Close();
  } catch (const FileError& e) {
    out->Close();
    RemoveFile(partial);
    throw StandinError(kExitCannotWrite, e.what());
  } catch (...) {
    out->Close();
    RemoveFile(partial);
    throw;
  }
  if (!RenameReplacing(partial, archivePath)) {
    RemoveFile(partial);
    throw StandinError(kExitCannotWrite, "cannot put the archive at " + archivePath);
  }
}

}  // namespace rar_standin
