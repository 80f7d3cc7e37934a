#include "db/connection_string.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "db/connect_settings.h"
#include "db/odbc_connection_string.h"
#include "platform/codepage.h"
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

// Bytes shown as C escapes, so that a failure names the value.
std::string Visible(const std::string& value) {
  std::string out;
  for (unsigned char c : value) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

// Builds the program's string with the value in all four places and reads it back with the
// program's own reader: every value must arrive unchanged, and none may add or remove a pair.
void ExpectRoundTrip(const std::string& value) {
  const std::string text = db::BuildConnectionString(value, value, value, value);
  std::vector<db::ConnectionStringPair> pairs;
  try {
    pairs = db::ParseOleDbConnectionString(platform::AnsiToUtf16(text));
  } catch (const std::exception& e) {
    ADD_FAILURE() << "\"" << Visible(value) << "\" makes the string unreadable: " << e.what();
    return;
  }
  ASSERT_EQ(pairs.size(), 11u) << Visible(value);
  for (std::size_t i : {1u, 3u, 4u, 5u}) {
    ASSERT_EQ(platform::Utf16ToAnsi(pairs[i].value), value)
        << "\"" << Visible(value) << "\" read back as \"" << Visible(platform::Utf16ToAnsi(pairs[i].value))
        << "\" under " << platform::Utf16ToAnsi(pairs[i].key);
  }
}

TEST(ConnectionString, ValuesWithBlanksAtTheirEndsOrALeadingEqualsSignKeepThem) {
  for (const char* value : {"\tpw", "pw\t", "x\r", "\nx", "\r\n", "\t", " ", "a\tb", "=pw", "==", "pw="}) {
    ExpectRoundTrip(value);
  }
  EXPECT_EQ(db::QuoteConnectionValue("=pw"), "\"=pw\"") << "unquoted, \"Password==pw\" reads as a key";
  EXPECT_EQ(db::QuoteConnectionValue("pw="), "pw=");
  EXPECT_EQ(db::QuoteConnectionValue("\tpw"), "\"\tpw\"");
  EXPECT_EQ(db::QuoteConnectionValue("a\tb"), "a\tb") << "inner blanks survive unquoted";
}

TEST(ConnectionString, EveryShortValueOfPrintableAndControlBytesRoundTrips) {
  for (int a = -1; a < 0x80; ++a) {
    for (int b = -1; b < 0x80; ++b) {
      std::string value;
      if (a >= 0) {
        value += static_cast<char>(a);
      }
      if (b >= 0) {
        value += static_cast<char>(b);
      }
      ExpectRoundTrip(value);
      if (HasFatalFailure()) {
        return;
      }
    }
  }
}

TEST(ConnectionString, LongerValuesOfTheAwkwardBytesRoundTrip) {
  std::string awkward = " \t\r\n\v\f;=\"'{}x";
  awkward += '\0';
  // Every value of up to four awkward bytes ...
  std::vector<std::string> values{""};
  for (int length = 1; length <= 4; ++length) {
    std::vector<std::string> longer;
    for (const std::string& start : values) {
      for (char c : awkward) {
        longer.push_back(start + c);
      }
    }
    for (const std::string& value : longer) {
      ExpectRoundTrip(value);
      if (HasFatalFailure()) {
        return;
      }
    }
    values = std::move(longer);
  }
  // ... and a fixed random sample of longer ones over all bytes below 0x80.
  std::mt19937 random(20261209u);
  for (int i = 0; i < 20000; ++i) {
    std::string value(random() % 24 + 5, '\0');
    for (char& c : value) {
      c = (random() % 2 == 0) ? awkward[random() % awkward.size()] : static_cast<char>(random() % 0x80);
    }
    ExpectRoundTrip(value);
    if (HasFatalFailure()) {
      return;
    }
  }
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
