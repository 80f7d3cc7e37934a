#pragma once
// Turns the diagnostic records of an ODBC call into the one message the operator reads.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"

namespace db::odbc {

struct DiagnosticRecord {
  std::u16string sqlState;  // five characters, e.g. u"28000"
  std::int32_t nativeError = 0;
  std::u16string message;  // as the driver wrote it, with its "[vendor][driver]" groups
};

// Removes the leading bracketed groups ("[FreeTDS][SQL Server]", "[Microsoft][ODBC Driver 18 for
// SQL Server][SQL Server]") and the blanks around the rest.
std::u16string StripVendorPrefixes(std::u16string_view message);

// The server's own records come first, then the driver's; warnings (class 01) only when nothing else
// was reported; each text once, one per line. ANSI text, as the program shows it.
std::string ComposeErrorMessage(const std::vector<DiagnosticRecord>& records);

// True when the records say the driver manager found no such driver (IM002) or could not load it
// (IM003; unixODBC: 01000 "Can't open lib").
bool DriverMissing(const std::vector<DiagnosticRecord>& records);

// Whether the server answered and refused, or could not be reached at all, or neither.
// A record the server produced (an authorization or access state, or any state outside the
// connection and time-out classes with a native error number) means the server answered; the
// connection states 08001 and 08S01, the time-outs HYT00 and HYT01, and FreeTDS's "Unable to connect"
// without such a record mean it did not.
FailureKind ClassifyFailure(const std::vector<DiagnosticRecord>& records);

// True when the records say the link to the server is gone (SQLSTATE class 08).
bool LinkLost(const std::vector<DiagnosticRecord>& records);

}  // namespace db::odbc
