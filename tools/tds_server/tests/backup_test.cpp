// CreateBakFile: path mapping, file naming and content, the atomic write, SQL Server's errors and
// the fail modes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "bak_file.h"
#include "create_bak_file.h"
#include "path_map.h"
#include "support/temp_dir.h"

namespace dw::tds {
namespace {

namespace fs = std::filesystem;

std::tm fixed_time()
{
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 7;
    t.tm_min = 8;
    t.tm_sec = 9;
    return t;
}

std::string read_all(BakContent content)
{
    std::string bytes;
    std::vector<std::uint8_t> buffer(1000);
    for (std::size_t n; (n = content.read(buffer)) > 0;) {
        bytes.append(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return bytes;
}

std::string file_text(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(PathMap, MapsWindowsPrefixesAtComponentBoundaries)
{
    PathMap map;
    map.add(*PathMap::parse_rule("Z:\\=/"));
    map.add(*PathMap::parse_rule("Z:\\home=/h"));
    map.add(*PathMap::parse_rule("D:\\Backup=/srv/b"));
    struct Case {
        const char* windows;
        const char* local;
    };
    for (const Case c : {Case{"Z:\\tmp\\x", "/tmp/x"}, Case{"z:/tmp/x", "/tmp/x"}, Case{"Z:", "/"}, Case{"Z:\\", "/"},
                         Case{"Z:\\home\\u", "/h/u"}, Case{"Z:\\homely", "/homely"}, Case{"d:\\backup", "/srv/b"},
                         Case{"D:\\Backup\\daily\\", "/srv/b/daily/"}, Case{"D:\\Backup2", "D:\\Backup2"},
                         Case{"D:\\1", "D:\\1"}, Case{"/already/local", "/already/local"}}) {
        EXPECT_EQ(map.to_local(c.windows), c.local) << c.windows;
    }
}

TEST(PathMap, ParsesRulesOfTheFormPrefixEqualsPrefix)
{
    const auto rule = PathMap::parse_rule("D:\\Data=/srv/data=x");
    ASSERT_TRUE(rule.has_value());
    EXPECT_EQ(rule->windows_prefix, "D:\\Data");
    EXPECT_EQ(rule->local_prefix, "/srv/data=x");
    for (const char* bad : {"", "=/", "Z:\\=", "no-equals"}) {
        EXPECT_FALSE(PathMap::parse_rule(bad).has_value()) << bad;
    }
}

TEST(BakFileName, KeepsSafeCharactersOfTheDatabaseName)
{
    struct Case {
        std::string database;
        std::string sanitized;
    };
    for (const Case& c : {Case{"QEL", "QEL"}, Case{"My Shop", "My_Shop"}, Case{"a/b\\c:d*?", "a_b_c_d__"},
                          Case{"x.y-z_1", "x_y-z_1"}, Case{"Склад", "_____"}, Case{"", "db"},
                          Case{std::string(150, 'A'), std::string(100, 'A')}}) {
        EXPECT_EQ(sanitize_database_name(c.database), c.sanitized) << c.database;
    }
    EXPECT_EQ(bak_file_name("My Shop", fixed_time()), "My_Shop_20240305_070809.bak");
}

TEST(BakContent, HasExactlyTheAskedSizeForAnySize)
{
    for (const std::uint64_t size : {0ull, 1ull, 150ull, 4096ull, 1048579ull}) {
        EXPECT_EQ(read_all(BakContent("QEL", fixed_time(), size)).size(), size) << size;
    }
}

TEST(BakContent, NamesTheDatabaseAndIsReproducibleButNotTrivial)
{
    const std::string a = read_all(BakContent("QEL", fixed_time(), 65536));
    EXPECT_EQ(a.rfind("DWBAK 1\n", 0), 0u);
    EXPECT_NE(a.find("Database: QEL\n"), std::string::npos);
    EXPECT_NE(a.find("Created: 2024-03-05 07:08:09\n"), std::string::npos);
    EXPECT_EQ(a, read_all(BakContent("QEL", fixed_time(), 65536)));
    const std::string b = read_all(BakContent("Other", fixed_time(), 65536));
    EXPECT_NE(a.substr(1000), b.substr(1000));
    EXPECT_GT(std::set<char>(a.begin(), a.end()).size(), 40u);
}

TEST(WriteBakFile, WritesTheWholeFileAndLeavesNoTemporary)
{
    test::TempDir dir;
    const BakWriteResult first = write_bak_file(dir.path().string(), "QEL", fixed_time(), 100000);
    ASSERT_TRUE(first.ok) << first.os_error;
    EXPECT_EQ(first.file_name, "QEL_20240305_070809.bak");
    EXPECT_EQ(fs::file_size(dir.path() / first.file_name), 100000u);

    const BakWriteResult second = write_bak_file(dir.path().string() + "/", "QEL", fixed_time(), 10);
    ASSERT_TRUE(second.ok);
    EXPECT_EQ(second.file_name, "QEL_20240305_070809_2.bak");
    EXPECT_EQ(fs::file_size(dir.path() / first.file_name), 100000u) << "the first file must not be replaced";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 2);
}

TEST(WriteBakFile, ReportsTheOperatingSystemError)
{
    test::TempDir dir;
    std::ofstream(dir.file("plain")) << "x";
    EXPECT_EQ(write_bak_file(dir.file("missing"), "QEL", fixed_time(), 10).os_error, ENOENT);
    EXPECT_EQ(write_bak_file(dir.file("plain"), "QEL", fixed_time(), 10).os_error, ENOTDIR);
    if (::geteuid() != 0) {
        fs::create_directory(dir.file("locked"));
        fs::permissions(dir.file("locked"), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(write_bak_file(dir.file("locked"), "QEL", fixed_time(), 10).os_error, EACCES);
    }
}

TEST(WindowsError, QuotesWindowsNumbersAndTexts)
{
    EXPECT_EQ(windows_error_for(ENOENT).code, 3);
    EXPECT_STREQ(windows_error_for(ENOTDIR).text, "The system cannot find the path specified.");
    EXPECT_EQ(windows_error_for(EACCES).code, 5);
    EXPECT_EQ(windows_error_for(ENOSPC).code, 112);
    EXPECT_EQ(windows_error_for(EIO).code, 1117);
}

class FakePacer : public Pacer {
public:
    explicit FakePacer(Wake wake) : wake_(wake) {}
    Wake pause(std::chrono::seconds duration) override
    {
        paused_for = duration;
        return wake_;
    }
    std::optional<std::chrono::seconds> paused_for;

private:
    Wake wake_;
};

class CreateBakFileProc : public ::testing::Test {
protected:
    CreateBakFileProc()
    {
        settings.databases = {"QEL", "My Shop"};
        settings.bak_size = 5000;
        settings.paths.add({"Z:\\", dir.path().string() + "/"});
        fs::create_directory(dir.path() / "out");
    }

    ProcedureOutcome call(const std::string& db, const std::string& to_dir, FailMode fail = {})
    {
        return run_create_bak_file({Argument{"", {false, db, {}}, false}, Argument{"", {false, to_dir, {}}, false}},
                                   settings, fail, pacer);
    }

    std::size_t files_written() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir.path() / "out"), fs::directory_iterator{}));
    }

    test::TempDir dir;
    ServerSettings settings;
    FakePacer pacer{Pacer::Wake::Elapsed};
};

TEST_F(CreateBakFileProc, WritesIntoTheMappedDirectoryAndReturnsTheBareName)
{
    const ProcedureOutcome outcome = call("my shop", "Z:\\out");
    ASSERT_TRUE(outcome.messages.empty()) << outcome.messages[0].text;
    ASSERT_TRUE(outcome.result.has_value());
    ASSERT_EQ(outcome.result->columns.size(), 1u);
    ASSERT_EQ(outcome.result->rows.size(), 1u);
    const std::string name = std::get<std::string>(outcome.result->rows[0][0]);
    EXPECT_EQ(name.rfind("My_Shop_", 0), 0u) << "the configured spelling names the file";
    EXPECT_EQ(name.size(), std::string("My_Shop_yyyymmdd_hhmmss.bak").size());
    EXPECT_EQ(fs::file_size(dir.path() / "out" / name), 5000u);
    EXPECT_NE(file_text(dir.path() / "out" / name).find("Database: My Shop\n"), std::string::npos);
    EXPECT_EQ(outcome.return_status, 0);
}

TEST_F(CreateBakFileProc, ReportsSqlServersBackupErrors)
{
    const ProcedureOutcome unknown = call("Nope", "Z:\\out");
    ASSERT_EQ(unknown.messages.size(), 2u);
    EXPECT_EQ(unknown.messages[0].number, 911);
    EXPECT_EQ(unknown.messages[1].number, 3013);

    const ProcedureOutcome missing = call("QEL", "Z:\\no\\such");
    ASSERT_EQ(missing.messages.size(), 2u);
    EXPECT_EQ(missing.messages[0].number, 3201);
    EXPECT_EQ(missing.messages[0].severity, 16);
    EXPECT_NE(missing.messages[0].text.find("Cannot open backup device 'Z:\\no\\such\\QEL_"), std::string::npos);
    EXPECT_NE(missing.messages[0].text.find(
                  ".bak'. Operating system error 3(The system cannot find the path specified.)."),
              std::string::npos);

    const ProcedureOutcome null_db =
        run_create_bak_file({Argument{"", {}, false}, Argument{"", {false, "Z:\\out", {}}, false}}, settings, {}, pacer);
    ASSERT_EQ(null_db.messages.size(), 1u);
    EXPECT_NE(null_db.messages[0].text.find("@DB"), std::string::npos);

    // The texts sql/CreateBakFile.sql raises on a real server.
    EXPECT_EQ(unknown.messages[0].text, "Database 'Nope' does not exist. Make sure that the name is entered correctly.");
    const ProcedureOutcome empty_dir = call("QEL", " ");
    ASSERT_EQ(empty_dir.messages.size(), 1u);
    EXPECT_EQ(empty_dir.messages[0].text, "CreateBakFile: @ToDir must not be empty.");
    EXPECT_EQ(empty_dir.messages[0].severity, 16);
    EXPECT_TRUE(fs::is_empty(dir.path() / "out")) << "an empty directory name writes nothing";

    for (const auto* outcome : {&unknown, &missing, &null_db, &empty_dir}) {
        EXPECT_FALSE(outcome->result.has_value());
        EXPECT_NE(outcome->return_status, 0);
    }
    EXPECT_EQ(files_written(), 0u);
}

TEST_F(CreateBakFileProc, FollowsItsFailModes)
{
    const ProcedureOutcome error = call("QEL", "Z:\\out", {FailMode::Kind::ProcError, 0});
    ASSERT_EQ(error.messages.size(), 1u);
    EXPECT_EQ(error.messages[0].severity, 16);
    EXPECT_EQ(error.messages[0].procedure, "CreateBakFile");
    EXPECT_EQ(files_written(), 0u);

    EXPECT_THROW(call("QEL", "Z:\\out", {FailMode::Kind::Drop, 0}), ConnectionDropped);
    EXPECT_EQ(files_written(), 0u);

    const ProcedureOutcome no_result = call("QEL", "Z:\\out", {FailMode::Kind::NoResult, 0});
    EXPECT_TRUE(no_result.messages.empty());
    EXPECT_FALSE(no_result.result.has_value());
    EXPECT_EQ(files_written(), 1u) << "no-result still writes the file";

    const ProcedureOutcome slow = call("QEL", "Z:\\out", {FailMode::Kind::Slow, 7});
    EXPECT_EQ(pacer.paused_for, std::chrono::seconds(7));
    EXPECT_TRUE(slow.result.has_value());
    EXPECT_EQ(files_written(), 2u);
}

TEST_F(CreateBakFileProc, ASlowAnswerCutShortWritesNothing)
{
    FakePacer attention(Pacer::Wake::Attention);
    EXPECT_THROW(run_create_bak_file({Argument{"", {false, "QEL", {}}, false},
                                      Argument{"", {false, "Z:\\out", {}}, false}},
                                     settings, {FailMode::Kind::Slow, 3}, attention),
                 RequestCancelled);
    FakePacer gone(Pacer::Wake::Gone);
    EXPECT_THROW(run_create_bak_file({Argument{"", {false, "QEL", {}}, false},
                                      Argument{"", {false, "Z:\\out", {}}, false}},
                                     settings, {FailMode::Kind::Slow, 3}, gone),
                 ConnectionDropped);
    EXPECT_EQ(files_written(), 0u);
}

}  // namespace
}  // namespace dw::tds
