#include "db/connection_string.h"

#include <gtest/gtest.h>

#include "db/connect_settings.h"
#include "support/temp_dir.h"

namespace {

TEST(ConnectionString, OrdinaryValuesGoInAsTheyAre) {
  EXPECT_EQ(db::BuildConnectionString("secret", "sa", "Shop", "SRV01\\SQLEXPRESS"),
            "Provider=SQLOLEDB.1;Password=secret;Persist Security Info=True;User ID=sa;Initial Catalog=Shop;"
            "Data Source=SRV01\\SQLEXPRESS;Use Procedure for Prepare=1;Auto Translate=True;Packet Size=4096;"
            "Use Encryption for Data=False;Tag with column collation when possible=False");
  EXPECT_EQ(db::BuildConnectionString("", "", "", ""),
            "Provider=SQLOLEDB.1;Password=;Persist Security Info=True;User ID=;Initial Catalog=;Data Source=;"
            "Use Procedure for Prepare=1;Auto Translate=True;Packet Size=4096;Use Encryption for Data=False;"
            "Tag with column collation when possible=False");
}

TEST(ConnectionString, ValuesThatCouldAddKeysAreQuoted) {
  const std::pair<const char*, const char*> cases[] = {
      {"plain", "plain"},
      {"inner space", "inner space"},
      {"a;Integrated Security=SSPI", "\"a;Integrated Security=SSPI\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"it's", "\"it's\""},
      {" lead", "\" lead\""},
      {"trail ", "\"trail \""},
      {"a=b", "a=b"},
  };
  for (const auto& [value, quoted] : cases) {
    EXPECT_EQ(db::QuoteConnectionValue(value), quoted) << value;
  }
  const std::string s = db::BuildConnectionString("x;User ID=admin", "u", "Shop DB", "srv");
  EXPECT_NE(s.find("Password=\"x;User ID=admin\";"), std::string::npos);
  EXPECT_NE(s.find("Initial Catalog=Shop DB;"), std::string::npos);
}

TEST(ConnectSettings, ReadsServerDatabaseAndOptionalDriver) {
  testing_support::TempDir dir;
  settings::IniFile ini(dir.File("Connect.ini"));
  auto values = db::ReadConnectSettings(ini);
  EXPECT_EQ(values.server, "");
  EXPECT_EQ(values.database, "");
  EXPECT_EQ(values.driver, "");
  db::WriteServerAndDatabase(ini, "srv,1433", "Shop");
  testing_support::WriteBytes(ini.FileName(),
                              testing_support::ReadBytes(ini.FileName()) + "driver=FreeTDS\r\n");
  values = db::ReadConnectSettings(ini);
  EXPECT_EQ(values.server, "srv,1433");
  EXPECT_EQ(values.database, "Shop");
  EXPECT_EQ(values.driver, "FreeTDS");
  EXPECT_EQ(testing_support::ReadBytes(ini.FileName()), "[Connect]\r\nServer=srv,1433\r\nDB=Shop\r\ndriver=FreeTDS\r\n");
}

}  // namespace
