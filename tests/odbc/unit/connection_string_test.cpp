#include "db/odbc_connection_string.h"

#include <gtest/gtest.h>

#include "db/connection_string.h"
#include "db/database.h"
#include "platform/codepage.h"

namespace {

using db::DatabaseError;
using db::ToOdbcConnectRequest;

// The string the connection routine composes from the operator's four values.
std::u16string ProgramString(const std::string& password, const std::string& user, const std::string& database,
                             const std::string& server) {
  return platform::AnsiToUtf16(db::BuildConnectionString(password, user, database, server));
}

std::string Odbc(std::u16string_view oleDb, std::u16string_view driver) {
  return platform::Utf16ToAnsi(ToOdbcConnectRequest(oleDb, driver).connectionString);
}

TEST(OdbcConnectRequest, ProgramStringForFreeTds) {
  const auto request = ToOdbcConnectRequest(ProgramString("secret", "sa", "QEL", "dbhost"), u"FreeTDS");
  EXPECT_EQ(platform::Utf16ToAnsi(request.connectionString),
            "Driver={FreeTDS};Server=dbhost;Port=1433;Database=QEL;UID=sa;PWD=secret;TDS_Version=7.4;"
            "Encryption=off;");
  EXPECT_EQ(request.packetSize, 4096u);
}

TEST(OdbcConnectRequest, ProgramStringForMicrosoftDrivers) {
  for (std::u16string_view driver : {u"ODBC Driver 18 for SQL Server", u"SQL Server"}) {
    const auto request = ToOdbcConnectRequest(ProgramString("secret", "sa", "QEL", "dbhost,1500"), driver);
    EXPECT_EQ(platform::Utf16ToAnsi(request.connectionString),
              "Driver={" + platform::Utf16ToAnsi(driver) +
                  "};Server=dbhost,1500;Database=QEL;UID=sa;PWD=secret;Encrypt=no;TrustServerCertificate=yes;"
                  "AutoTranslate=yes");
    EXPECT_EQ(request.packetSize, 4096u);
  }
}

struct DataSourceCase {
  const char* dataSource;
  const char* freeTds;    // the server part of the FreeTDS string
  const char* microsoft;  // the server part of the Microsoft string
};

TEST(OdbcConnectRequest, DataSourceForms) {
  const DataSourceCase cases[] = {
      {"dbhost", "Server=dbhost;Port=1433", "Server=dbhost"},
      {"dbhost,1500", "Server=dbhost;Port=1500", "Server=dbhost,1500"},
      {" dbhost , 1500 ", "Server=dbhost;Port=1500", "Server=dbhost , 1500"},
      {"dbhost\\SQLEXPRESS", "Server=dbhost\\SQLEXPRESS", "Server=dbhost\\SQLEXPRESS"},
      {"dbhost\\SQLEXPRESS,1500", "Server=dbhost;Port=1500", "Server=dbhost\\SQLEXPRESS,1500"},
      {"tcp:dbhost,1500", "Server=dbhost;Port=1500", "Server=tcp:dbhost,1500"},
      {"(local)", "Server=localhost;Port=1433", "Server=(local)"},
      {".\\SQLEXPRESS", "Server=localhost\\SQLEXPRESS", "Server=.\\SQLEXPRESS"},
      {"127.0.0.1,41433", "Server=127.0.0.1;Port=41433", "Server=127.0.0.1,41433"},
  };
  for (const auto& c : cases) {
    const std::u16string oleDb = platform::AnsiToUtf16(std::string("Data Source=") + c.dataSource);
    EXPECT_EQ(Odbc(oleDb, u"FreeTDS"),
              std::string("Driver={FreeTDS};") + c.freeTds + ";TDS_Version=7.4;Encryption=off;")
        << c.dataSource;
    EXPECT_EQ(Odbc(oleDb, u"ODBC Driver 17 for SQL Server"),
              std::string("Driver={ODBC Driver 17 for SQL Server};") + c.microsoft +
                  ";Encrypt=no;TrustServerCertificate=yes")
        << c.dataSource;
  }
}

TEST(OdbcConnectRequest, BadPortOrPacketSizeIsRefused) {
  for (std::u16string_view oleDb : {u"Data Source=dbhost,14x3", u"Data Source=dbhost,", u"Data Source=dbhost,70000",
                                    u"Data Source=dbhost;Packet Size=big", u"Packet Size=0"}) {
    EXPECT_THROW(ToOdbcConnectRequest(oleDb, u"FreeTDS"), DatabaseError) << platform::Utf16ToAnsi(oleDb);
  }
}

struct ValueCase {
  const char* oleDbValue;  // as written after "Password="
  const char* odbcValue;   // as it must appear after "PWD=" for FreeTDS
};

TEST(OdbcConnectRequest, QuotedAndSpecialValuesReachTheDriverIntact) {
  const ValueCase cases[] = {
      {"plain", "plain"},
      {"  spaced out  ", "spaced out"},
      {"\"a;b\"", "{a;b}"},
      {"'a;b'", "{a;b}"},
      {"\"say \"\"hi\"\"\"", "say \"hi\""},
      {"'it''s'", "it's"},
      {"\"it's\"", "it's"},
      {"'say \"hi\"'", "say \"hi\""},
      {"\" padded \"", "{ padded }"},
      {"\"x}y\"", "{x}y}"},
      {"\"x}\"", "{x}}"},
      {"\"{abc\"", "{{abc}"},
      {"a=b", "{a=b}"},
      {"\"\"", ""},
      {"", ""},
      {"ab\"c", "ab\"c"},
  };
  for (const auto& c : cases) {
    const std::u16string oleDb = platform::AnsiToUtf16(std::string("Password=") + c.oleDbValue + ";User ID=u");
    EXPECT_EQ(Odbc(oleDb, u"FreeTDS"),
              std::string("Driver={FreeTDS};UID=u;PWD=") + c.odbcValue + ";TDS_Version=7.4;Encryption=off;")
        << c.oleDbValue;
  }
}

TEST(OdbcConnectRequest, ValuesCannotAddKeys) {
  // Each attempt would, pasted as it is, add or replace a key of the driver's string.
  EXPECT_EQ(Odbc(ProgramString("p;Server=evil;Port=1", "sa}{;UID=root", "QEL", "dbhost"), u"FreeTDS"),
            "Driver={FreeTDS};Server=dbhost;Port=1433;Database=QEL;UID={sa}{;UID=root};"
            "PWD={p;Server=evil;Port=1};TDS_Version=7.4;Encryption=off;");
  EXPECT_EQ(Odbc(ProgramString("x};Server=evil", "sa", "Q;Driver={x}", "h"), u"ODBC Driver 18 for SQL Server"),
            "Driver={ODBC Driver 18 for SQL Server};Server=h;Database={Q;Driver={x}}};UID=sa;"
            "PWD={x}};Server=evil};Encrypt=no;TrustServerCertificate=yes;AutoTranslate=yes");
}

TEST(OdbcConnectRequest, FreeTdsCannotTakeBraceSemicolon) {
  // FreeTDS would end the value at "};" whatever the quoting: refuse rather than log in with half of it.
  EXPECT_THROW(ToOdbcConnectRequest(ProgramString("x};Server=evil", "sa", "QEL", "h"), u"FreeTDS"), DatabaseError);
  EXPECT_THROW(ToOdbcConnectRequest(ProgramString("pw", "a};b", "QEL", "h"), u"FreeTDS"), DatabaseError);
}

TEST(OdbcConnectRequest, UnquotedSemicolonMakesTheStringUnreadable) {
  // What pasting a password with ";" unquoted produces; refusing beats logging in with half a password.
  EXPECT_THROW(ToOdbcConnectRequest(u"Password=pa;ss;User ID=sa", u"FreeTDS"), DatabaseError);
}

TEST(OdbcConnectRequest, MalformedStringsAreRefused) {
  for (std::u16string_view oleDb : {u"Password", u"=x", u" =x;User ID=u", u"Password=\"abc", u"Password='abc",
                                    u"Password=\"a\"b;User ID=u", u"User ID=u;Password"}) {
    EXPECT_THROW(db::ParseOleDbConnectionString(oleDb), DatabaseError) << platform::Utf16ToAnsi(oleDb);
  }
}

TEST(OdbcConnectRequest, KeysIgnoreCaseAndTheLastRepeatWins) {
  EXPECT_EQ(Odbc(u"PASSWORD=p;user id=u;INITIAL catalog=d;data SOURCE=a;Data Source=b", u"FreeTDS"),
            "Driver={FreeTDS};Server=b;Port=1433;Database=d;UID=u;PWD=p;TDS_Version=7.4;Encryption=off;");
}

TEST(OdbcConnectRequest, MissingKeysAreLeftOut) {
  EXPECT_EQ(Odbc(u"", u"FreeTDS"), "Driver={FreeTDS};TDS_Version=7.4;Encryption=off;");
  EXPECT_EQ(Odbc(u";;Provider=SQLOLEDB.1;;", u"SQL Server"), "Driver={SQL Server};Encrypt=no;TrustServerCertificate=yes");
  EXPECT_FALSE(ToOdbcConnectRequest(u"User ID=u", u"FreeTDS").packetSize.has_value());
}

TEST(OdbcConnectRequest, EncryptionAndTranslation) {
  EXPECT_EQ(Odbc(u"Use Encryption for Data=True", u"FreeTDS"), "Driver={FreeTDS};TDS_Version=7.4;Encryption=require;");
  EXPECT_EQ(Odbc(u"Use Encryption for Data=True;Auto Translate=False", u"ODBC Driver 18 for SQL Server"),
            "Driver={ODBC Driver 18 for SQL Server};Encrypt=yes;AutoTranslate=no");
  EXPECT_EQ(Odbc(u"Use Encryption for Data=yes;Trust Server Certificate=true", u"SQL Server Native Client 11.0"),
            "Driver={SQL Server Native Client 11.0};Encrypt=yes;TrustServerCertificate=yes");
}

TEST(OdbcConnectRequest, DriverNameIsBraced) {
  EXPECT_EQ(Odbc(u"", u"My}Driver"), "Driver={My}}Driver};Encrypt=no;TrustServerCertificate=yes");
}

TEST(OdbcDialect, FreeTdsIsKnownByNameOrLibrary) {
  EXPECT_EQ(db::DialectOfDriver(u"FreeTDS"), db::DriverDialect::FreeTds);
  EXPECT_EQ(db::DialectOfDriver(u"freetds 1.3"), db::DriverDialect::FreeTds);
  EXPECT_EQ(db::DialectOfDriver(u"/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"), db::DriverDialect::FreeTds);
  EXPECT_EQ(db::DialectOfDriver(u"ODBC Driver 18 for SQL Server"), db::DriverDialect::Microsoft);
  EXPECT_EQ(db::DialectOfDriver(u"SQL Server"), db::DriverDialect::Microsoft);
}

// The connection routine's quoting and this reading must agree on every value the operator can type.
TEST(OleDbQuoting, QuotedValuesReadBackUnchanged) {
  const char* values[] = {"plain", "a;b", "say \"hi\"", "it's", "'both\" kinds'", " lead", "trail ", "", ";", "\"",
                          "Data Source=x;"};
  for (const char* value : values) {
    const std::string text = "Password=" + db::QuoteConnectionValue(value) + ";User ID=" + db::QuoteConnectionValue(value);
    const auto pairs = db::ParseOleDbConnectionString(platform::AnsiToUtf16(text));
    ASSERT_EQ(pairs.size(), 2u) << text;
    EXPECT_EQ(platform::Utf16ToAnsi(pairs[0].value), value) << text;
    EXPECT_EQ(platform::Utf16ToAnsi(pairs[1].value), value) << text;
  }
}

}  // namespace
