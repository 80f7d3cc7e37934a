#pragma once
// Connect.ini: which server and database to reach, and optionally which ODBC driver to use.
#include <string>

#include "settings/ini_file.h"

namespace db {

inline constexpr const char* kConnectSection = "Connect";

struct ConnectSettings {
  std::string server;
  std::string database;
  std::string driver;  // empty: the program picks an installed SQL Server driver
};

ConnectSettings ReadConnectSettings(const settings::IniFile& ini);
// Writes "Server" and then "DB"; raises settings::IniWriteError when refused.
void WriteServerAndDatabase(settings::IniFile& ini, const std::string& server, const std::string& database);

}  // namespace db
