#pragma once
// The texts of the history window's columns for one entry, window-free so that they are tested
// natively. A field that is missing or "-" shows empty; one that is not a number shows as written.
#include <string>
#include <vector>

#include "backup/history_reader.h"

namespace backup {

enum HistoryColumn : int {
  kHistoryTime,
  kHistoryKind,
  kHistoryOutcome,
  kHistoryFile,
  kHistoryArchiveSize,
  kHistoryCopies,
  kHistoryDuration,
  kHistoryText,
  kHistoryColumnCount
};

// Column headings, in column order.
const std::vector<std::string>& HistoryColumnTitles();

// One text per column.
std::vector<std::string> HistoryColumnTexts(const HistoryEntry& entry);

std::string ArchiveSizeText(const std::string& bytes);     // "1234567" -> "1.2 MB"
std::string CopiesText(const std::string& copies);         // "2/3" -> "2 of 3"
std::string DurationText(const std::string& milliseconds); // "3420" -> "3.4 s", "754000" -> "12 min 34 s"

}  // namespace backup
