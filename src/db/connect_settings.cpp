#include "db/connect_settings.h"

namespace db {

ConnectSettings ReadConnectSettings(const settings::IniFile& ini) {
  return ConnectSettings{ini.ReadString(kConnectSection, "Server", ""), ini.ReadString(kConnectSection, "DB", ""),
                         ini.ReadString(kConnectSection, "Driver", "")};
}

void WriteServerAndDatabase(settings::IniFile& ini, const std::string& server, const std::string& database) {
  ini.WriteString(kConnectSection, "Server", server);
  ini.WriteString(kConnectSection, "DB", database);
}

}  // namespace db
