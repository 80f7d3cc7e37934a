// The command line, the config file, fail modes and the control file that switches them.
#include <gtest/gtest.h>

#include <fstream>

#include "command_line.h"
#include "fail_mode.h"
#include "support/temp_dir.h"

namespace dw::tds {
namespace {

CommandLine parse(std::vector<std::string> args)
{
    return parse_command_line(args);
}

TEST(CommandLine, WithoutOptionsServesQelToSaOnAFreePort)
{
    const CommandLine line = parse({});
    ASSERT_TRUE(line.error.empty()) << line.error;
    EXPECT_EQ(line.settings.port, 0);
    ASSERT_EQ(line.settings.accounts.size(), 1u);
    EXPECT_EQ(line.settings.accounts[0].user, "sa");
    EXPECT_EQ(line.settings.accounts[0].password, "dumpwarden");
    EXPECT_EQ(line.settings.databases, std::vector<std::string>{"QEL"});
    EXPECT_EQ(line.settings.bak_size, 4u * 1024 * 1024);
    EXPECT_EQ(line.settings.fail, FailMode{});
    EXPECT_EQ(line.settings.paths.to_local("Z:\\home\\bak"), "/home/bak") << "Wine's drive Z: by default";
}

TEST(CommandLine, AnyMapReplacesTheDefaultDriveZ)
{
    const CommandLine line = parse({"--map", "D:\\=/srv/d"});
    EXPECT_EQ(line.settings.paths.to_local("D:\\x"), "/srv/d/x");
    EXPECT_EQ(line.settings.paths.to_local("Z:\\x"), "Z:\\x");
}

TEST(CommandLine, ReadsEveryOptionInBothSpellings)
{
    const CommandLine line =
        parse({"--port", "14330", "--user", "a", "--password", "", "--user=b", "--password=p;w", "--database", "QEL",
               "--database=My Shop", "--map", "Z:\\=/", "--bak-size", "3M", "--log", "/tmp/x.log", "--fail",
               "slow=4", "--control-file", "/tmp/c", "--max-clients", "2", "--idle-timeout", "9",
               "--read-timeout", "3"});
    ASSERT_TRUE(line.error.empty()) << line.error;
    const ServerSettings& s = line.settings;
    EXPECT_EQ(s.port, 14330);
    ASSERT_EQ(s.accounts.size(), 2u);
    EXPECT_EQ(s.accounts[0].password, "");
    EXPECT_EQ(s.accounts[1].password, "p;w");
    EXPECT_NE(s.find_account("B"), nullptr);
    EXPECT_EQ(s.find_database("my shop"), "My Shop");
    EXPECT_EQ(s.find_database("Nope"), "");
    EXPECT_EQ(s.paths.to_local("Z:\\x"), "/x");
    EXPECT_EQ(s.bak_size, 3u * 1024 * 1024);
    EXPECT_EQ(s.log_file, "/tmp/x.log");
    EXPECT_EQ(s.fail, (FailMode{FailMode::Kind::Slow, 4}));
    EXPECT_EQ(s.control_file, "/tmp/c");
    EXPECT_EQ(s.max_clients, 2u);
    EXPECT_EQ(s.idle_timeout.count(), 9);
    EXPECT_EQ(s.read_timeout.count(), 3);
}

TEST(CommandLine, RefusesWhatItCannotUse)
{
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--password", "x"},
             {"--user", "a"},
             {"--user", "a", "--user", "b", "--password", "p"},
             {"--port", "70000"},
             {"--port", "-1"},
             {"--port"},
             {"--bak-size", "17G"},
             {"--bak-size", "12X"},
             {"--fail", "sometimes"},
             {"--fail", "slow=3601"},
             {"--map", "Z:"},
             {"--max-clients", "0"},
             {"--frobnicate", "1"},
             {"stray"},
             {"--config", "/nonexistent/dw_tds.conf"},
         }) {
        EXPECT_FALSE(parse(args).error.empty()) << args[0];
    }
}

TEST(CommandLine, BakSizeTakesBinarySuffixesUpToSixteenGigabytes)
{
    EXPECT_EQ(parse({"--bak-size", "0"}).settings.bak_size, 0u);
    EXPECT_EQ(parse({"--bak-size", "1k"}).settings.bak_size, 1024u);
    EXPECT_EQ(parse({"--bak-size", "16G"}).settings.bak_size, 16ull << 30);
    EXPECT_FALSE(parse({"--bak-size", "17179869185"}).error.empty());
}

TEST(CommandLine, ReadsOptionsFromAConfigFileInPlace)
{
    test::TempDir dir;
    std::ofstream(dir.file("server.conf")) << "# stand-in for the main job\n"
                                              "user   backup\n"
                                              "password  with spaces; and 'quotes'\n"
                                              "\n"
                                              "database Shop 2\n"
                                              "--map D:\\Backup=/srv/b\n";
    const CommandLine line = parse({"--config", dir.file("server.conf"), "--database", "QEL"});
    ASSERT_TRUE(line.error.empty()) << line.error;
    ASSERT_EQ(line.settings.accounts.size(), 1u);
    EXPECT_EQ(line.settings.accounts[0].user, "backup");
    EXPECT_EQ(line.settings.accounts[0].password, "with spaces; and 'quotes'");
    EXPECT_EQ(line.settings.databases, (std::vector<std::string>{"Shop 2", "QEL"}));
    EXPECT_EQ(line.settings.paths.to_local("D:\\Backup\\x"), "/srv/b/x");

    std::ofstream(dir.file("loop.conf")) << "config " << dir.file("loop.conf") << "\n";
    EXPECT_FALSE(parse({"--config", dir.file("loop.conf")}).error.empty());
}

TEST(CommandLine, HelpSaysItIsADevelopmentAndTestTool)
{
    EXPECT_TRUE(parse({"--help"}).show_help);
    EXPECT_NE(usage_text().find("DEVELOPMENT AND TEST TOOL"), std::string::npos);
}

TEST(FailMode, ReadsEveryModeAndNothingElse)
{
    struct Case {
        const char* text;
        std::optional<FailMode> mode;
    };
    for (const Case& c : {Case{"none", FailMode{}}, Case{"login", FailMode{FailMode::Kind::Login, 0}},
                          Case{" proc-error\n", FailMode{FailMode::Kind::ProcError, 0}},
                          Case{"no-result", FailMode{FailMode::Kind::NoResult, 0}},
                          Case{"drop", FailMode{FailMode::Kind::Drop, 0}},
                          Case{"slow=0", FailMode{FailMode::Kind::Slow, 0}},
                          Case{"slow=3600", FailMode{FailMode::Kind::Slow, 3600}}, Case{"slow=3601", std::nullopt},
                          Case{"slow=", std::nullopt}, Case{"slow=2s", std::nullopt}, Case{"Login", std::nullopt},
                          Case{"", std::nullopt}}) {
        EXPECT_EQ(parse_fail_mode(c.text), c.mode) << c.text;
        if (c.mode) {
            EXPECT_EQ(parse_fail_mode(c.mode->describe()), c.mode) << c.text;
        }
    }
}

TEST(FailModeSource, TheControlFileOverridesTheStartupModeWhileItNamesOne)
{
    test::TempDir dir;
    const FailMode startup{FailMode::Kind::NoResult, 0};
    const FailModeSource source(startup, dir.file("control"));
    EXPECT_EQ(source.current().mode, startup) << "no file";

    struct Case {
        const char* content;
        FailMode mode;
        bool warns;
    };
    for (const Case& c : {Case{"proc-error\n", {FailMode::Kind::ProcError, 0}, false},
                          Case{"# tests switch modes here\n\nslow=2\nlogin\n", {FailMode::Kind::Slow, 2}, false},
                          Case{"none", {}, false}, Case{"", startup, false}, Case{"sometimes", startup, true}}) {
        std::ofstream(dir.file("control")) << c.content;
        const auto reading = source.current();
        EXPECT_EQ(reading.mode, c.mode) << c.content;
        EXPECT_EQ(!reading.warning.empty(), c.warns) << c.content;
    }
}

}  // namespace
}  // namespace dw::tds
