#pragma once
// The OLE DB style connection string the program hands to its database layer.
#include <string>

namespace db {

// A value as it goes into the string: unchanged, unless it holds ";" or a quote character, begins
// with "=", or has blanks (space, tab, carriage return, line feed) at an end; then it is put in double quotes
// with inner double quotes doubled, so that the reader gives back every value exactly and no value
// can add keys of its own.
std::string QuoteConnectionValue(const std::string& value);

std::string BuildConnectionString(const std::string& password, const std::string& userName,
                                  const std::string& database, const std::string& server);

}  // namespace db
