#include "backup/old_archive_cleanup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "backup/history_log.h"
#include "backup/run_world.h"
#include "backup/system_services.h"
#include "support/temp_dir.h"

namespace old_archive_cleanup_test {

using backup::CleanupEvent;
using backup::CleanupRequest;
using backup::CleanupResult;
using backup::MadeFile;
using platform::LocalDateTime;
using testing_support::RunWorld;

using Kind = CleanupEvent::Kind;

const std::string kSettings = "C:\\dw\\Bak_Info\\Bak_Info.ini";

struct CleanupFixture : ::testing::Test {
  RunWorld world;
  backup::KeepRules rules{2, 2};
  int made = 0;

  // One run on day `day` of December 2026 at `hour`: its archive in D:\Backup and a copy in each
  // of `copyFolders`, all with the same content; then the record and the clean-up.
  CleanupResult RunOn(int day, int hour, bool succeeded = true,
                      const std::vector<std::string>& copyFolders = {"E:\\Mirror"}) {
    const std::string name = "QEL_" + std::to_string(++made) + ".rar";
    world.now = {2026, 12, day, hour, 0, 0, 0};
    world.files["D:\\Backup\\" + name] = "archive " + std::to_string(made);
    std::vector<std::string> copies;
    for (const std::string& folder : copyFolders) {
      copies.push_back(folder + "\\Copy of " + name);
      world.files[copies.back()] = "archive " + std::to_string(made);
    }
    CleanupRequest request{backup::MadeFilesPath(kSettings), backup::UnreadableMadeFilesPath(kSettings),
                           backup::FilesMadeByRun(world, "D:\\Backup\\" + name, true, true, copies, world.now), rules,
                           succeeded};
    return backup::RecordAndCleanUp(world, world, request);
  }
  [[nodiscard]] std::vector<MadeFile> Record() const {
    const auto parsed = backup::ParseMadeFiles(world.files.at(backup::MadeFilesPath(kSettings)));
    return parsed ? *parsed : std::vector<MadeFile>{};
  }
  [[nodiscard]] std::vector<std::string> RecordedPaths() const {
    std::vector<std::string> paths;
    for (const MadeFile& file : Record()) {
      paths.push_back(file.path);
    }
    return paths;
  }
  [[nodiscard]] bool Has(const std::string& path) const { return world.files.count(path) != 0; }
  static std::vector<std::string> Paths(const CleanupResult& result, Kind kind) {
    std::vector<std::string> paths;
    for (const CleanupEvent& event : result.events) {
      if (event.kind == kind) {
        paths.push_back(event.path);
      }
    }
    return paths;
  }
};

TEST_F(CleanupFixture, EveryRunIsRecordedButOnlyAFullySucceededRunRemoves) {
  EXPECT_TRUE(RunOn(1, 2).events.empty());
  RunOn(2, 2);
  EXPECT_EQ(RecordedPaths(), (std::vector<std::string>{"D:\\Backup\\QEL_1.rar", "E:\\Mirror\\Copy of QEL_1.rar",
                                                      "D:\\Backup\\QEL_2.rar", "E:\\Mirror\\Copy of QEL_2.rar"}));
  // Day 4: the files of day 1 are three days old, but a run that did not fully succeed removes nothing.
  EXPECT_TRUE(RunOn(4, 3, false).events.empty());
  EXPECT_TRUE(Has("D:\\Backup\\QEL_1.rar"));
  EXPECT_EQ(Record().size(), 6u) << "a partial run still records what it made";

  const CleanupResult result = RunOn(5, 3);
  EXPECT_EQ(Paths(result, Kind::kRemoved),
            (std::vector<std::string>{"D:\\Backup\\QEL_1.rar", "E:\\Mirror\\Copy of QEL_1.rar", "D:\\Backup\\QEL_2.rar",
                                      "E:\\Mirror\\Copy of QEL_2.rar"}));
  EXPECT_EQ(result.removed, 4);
  EXPECT_EQ(result.events[0].detail, "made 2026-12-01 02:00:00");
  EXPECT_FALSE(Has("D:\\Backup\\QEL_1.rar"));
  EXPECT_FALSE(Has("E:\\Mirror\\Copy of QEL_2.rar"));
  EXPECT_TRUE(Has("D:\\Backup\\QEL_3.rar")) << "one of the two newest, whatever its age";
  EXPECT_EQ(RecordedPaths(), (std::vector<std::string>{"D:\\Backup\\QEL_3.rar", "E:\\Mirror\\Copy of QEL_3.rar",
                                                      "D:\\Backup\\QEL_4.rar", "E:\\Mirror\\Copy of QEL_4.rar"}))
      << "the record lists only files still there";

  rules.keepDays = 0;
  EXPECT_TRUE(RunOn(30, 3).events.empty()) << "KeepDays 0 keeps everything";
  EXPECT_EQ(Record().size(), 6u);
}

TEST_F(CleanupFixture, FilesPutThereRenamedOrReplacedBySomeoneElseAreNeverTouched) {
  world.files["D:\\Backup\\foreign.rar"] = "someone else's";
  world.files["E:\\Mirror\\Copy of QEL_9.rar"] = "looks like ours";
  RunOn(1, 2);
  RunOn(2, 2);
  // Someone renames the first archive and replaces the first copy with a file of another size.
  world.files["D:\\Backup\\kept by hand.rar"] = world.files.at("D:\\Backup\\QEL_1.rar");
  world.files.erase("D:\\Backup\\QEL_1.rar");
  world.files["E:\\Mirror\\Copy of QEL_1.rar"] = "a different file";
  EXPECT_EQ(Paths(RunOn(3, 3), Kind::kLeftAlone), std::vector<std::string>{"E:\\Mirror\\Copy of QEL_1.rar"})
      << "told once, when it is found";
  const CleanupResult result = RunOn(9, 3);
  EXPECT_TRUE(Paths(result, Kind::kLeftAlone).empty());
  EXPECT_EQ(Paths(result, Kind::kRemoved),
            (std::vector<std::string>{"D:\\Backup\\QEL_2.rar", "E:\\Mirror\\Copy of QEL_2.rar"}));
  EXPECT_EQ(world.files.at("E:\\Mirror\\Copy of QEL_1.rar"), "a different file");
  EXPECT_TRUE(Has("D:\\Backup\\kept by hand.rar"));
  EXPECT_TRUE(Has("D:\\Backup\\foreign.rar"));
  EXPECT_TRUE(Has("E:\\Mirror\\Copy of QEL_9.rar"));
  for (const MadeFile& file : Record()) {
    EXPECT_EQ(file.path.find("QEL_1"), std::string::npos) << file.path << " is no longer the program's";
  }
  // Put back as it was made, the replaced file is still not the program's: it left the record.
  world.files["E:\\Mirror\\Copy of QEL_1.rar"] = "archive 1";
  EXPECT_TRUE(Paths(RunOn(20, 3), Kind::kRemoved).size() == 2u);
  EXPECT_TRUE(Has("E:\\Mirror\\Copy of QEL_1.rar"));
}

// A replaced newest file does not count among the newest kept: the older one made by the program
// takes its place.
TEST_F(CleanupFixture, AReplacedNewestFileIsNotCountedAmongTheNewest) {
  {
    RunOn(1, 2);
    RunOn(2, 2);
    RunOn(3, 2);
    world.files["E:\\Mirror\\Copy of QEL_3.rar"] = "someone else's, of another size";
    world.files["D:\\Backup\\QEL_2.rar"] = "another size too";
    const CleanupResult result = RunOn(20, 3);
    EXPECT_EQ(Paths(result, Kind::kRemoved),
              (std::vector<std::string>{"D:\\Backup\\QEL_1.rar", "E:\\Mirror\\Copy of QEL_1.rar"}));
    EXPECT_EQ(Paths(result, Kind::kLeftAlone),
              (std::vector<std::string>{"D:\\Backup\\QEL_2.rar", "E:\\Mirror\\Copy of QEL_3.rar"}));
    EXPECT_TRUE(Has("E:\\Mirror\\Copy of QEL_2.rar")) << "one of the two newest copies as made";
    EXPECT_TRUE(Has("D:\\Backup\\QEL_3.rar"));
    EXPECT_EQ(Record().size(), 4u);
  }
}

TEST_F(CleanupFixture, AFolderThatCannotBeReachedIsSkippedAndCleanedAtTheNextRun) {
  RunOn(1, 2, true, {"E:\\Mirror", "F:\\Second"});
  RunOn(2, 2, true, {"E:\\Mirror", "F:\\Second"});
  RunOn(3, 2, true, {"E:\\Mirror", "F:\\Second"});
  world.unreachableFolders.insert("F:\\Second");  // a share gone for a while
  CleanupResult result = RunOn(5, 3, true, {"E:\\Mirror"});  // and taken out of the copy list
  EXPECT_EQ(Paths(result, Kind::kFolderSkipped), std::vector<std::string>{"F:\\Second\\"});
  EXPECT_EQ(Paths(result, Kind::kRemoved),
            (std::vector<std::string>{"D:\\Backup\\QEL_1.rar", "E:\\Mirror\\Copy of QEL_1.rar", "D:\\Backup\\QEL_2.rar",
                                      "E:\\Mirror\\Copy of QEL_2.rar"}));
  EXPECT_TRUE(Has("F:\\Second\\Copy of QEL_1.rar"));
  EXPECT_EQ(Record().size(), 7u) << "the unreachable folder's three copies stay recorded";

  world.unreachableFolders.clear();
  result = RunOn(6, 3, true, {"E:\\Mirror"});
  EXPECT_EQ(Paths(result, Kind::kRemoved),
            (std::vector<std::string>{"F:\\Second\\Copy of QEL_1.rar", "D:\\Backup\\QEL_3.rar",
                                      "E:\\Mirror\\Copy of QEL_3.rar"}))
      << "a folder no longer in the copy list is still cleaned from the record; its newest two stay";
  EXPECT_TRUE(Has("F:\\Second\\Copy of QEL_2.rar"));
  EXPECT_TRUE(Has("F:\\Second\\Copy of QEL_3.rar"));
}

TEST_F(CleanupFixture, AFileThatCannotBeRemovedStaysRecordedAndIsTriedAgain) {
  RunOn(1, 2);
  RunOn(2, 2);
  RunOn(3, 2);
  world.lockedFiles.insert("E:\\Mirror\\Copy of QEL_1.rar");
  CleanupResult result = RunOn(5, 3);
  EXPECT_EQ(Paths(result, Kind::kNotRemoved), std::vector<std::string>{"E:\\Mirror\\Copy of QEL_1.rar"});
  EXPECT_TRUE(Has("E:\\Mirror\\Copy of QEL_1.rar"));
  EXPECT_EQ(Record().front().path, "E:\\Mirror\\Copy of QEL_1.rar");

  world.lockedFiles.clear();
  result = RunOn(6, 3);
  EXPECT_EQ(Paths(result, Kind::kRemoved).front(), "E:\\Mirror\\Copy of QEL_1.rar");
  EXPECT_FALSE(Has("E:\\Mirror\\Copy of QEL_1.rar"));
}

TEST_F(CleanupFixture, AnUnreadableRecordRemovesNothingAndIsKeptForTheAdministrator) {
  RunOn(1, 2);
  RunOn(2, 2);
  const std::string record = backup::MadeFilesPath(kSettings);
  const std::string torn = world.files.at(record).substr(0, world.files.at(record).size() / 2);
  for (const std::string& bad : {torn, std::string("garbage\r\n"), std::string()}) {
    SCOPED_TRACE(bad);
    world.files[record] = bad;
    const CleanupResult result = RunOn(20, 3);
    ASSERT_EQ(result.events.size(), 1u);
    EXPECT_EQ(result.events[0].kind, Kind::kRecordUnreadable);
    EXPECT_NE(result.events[0].detail.find("nothing removed"), std::string::npos);
    EXPECT_TRUE(Has("D:\\Backup\\QEL_1.rar"));
    EXPECT_EQ(world.files.at(backup::UnreadableMadeFilesPath(kSettings)), bad);
    EXPECT_EQ(Record().size(), 2u) << "a new record holds this run's files";
  }
  // Not even readable: left where it is, nothing removed, nothing written over it.
  world.files[record] = FormatMadeFiles(Record());
  world.unreadableFiles.insert(record);
  world.replaceRefused = true;
  const std::string before = world.files.at(record);
  const CleanupResult result = RunOn(25, 3);
  ASSERT_EQ(result.events.size(), 1u);
  EXPECT_EQ(result.events[0].kind, Kind::kRecordUnreadable);
  EXPECT_EQ(world.files.at(record), before);
  EXPECT_TRUE(Has("D:\\Backup\\QEL_1.rar"));
}

TEST_F(CleanupFixture, ARecordThatCannotBeWrittenIsToldAndTheOldOneStays) {
  RunOn(1, 2);
  const std::string before = world.files.at(backup::MadeFilesPath(kSettings));
  world.replaceRefused = true;  // a full disk
  const CleanupResult result = RunOn(2, 2);
  EXPECT_EQ(Paths(result, Kind::kRecordNotWritten), std::vector<std::string>{backup::MadeFilesPath(kSettings)});
  EXPECT_EQ(world.files.at(backup::MadeFilesPath(kSettings)), before);
}

TEST(CleanupHistory, EachEventIsALineAfterTheRunsLine) {
  CleanupResult result;
  result.time = {2026, 12, 11, 2, 0, 9, 0};
  result.events = {{Kind::kRemoved, "E:\\Mirror\\Copy of a.rar", "made 2026-12-09 02:00:07"},
                   {Kind::kNotRemoved, "E:\\Mirror\\Copy of\tb.rar", "it could not be removed"},
                   {Kind::kFolderSkipped, "F:\\Gone\\", "the folder cannot be reached"}};
  EXPECT_EQ(backup::CleanupLines(result),
            "2026-12-11 02:00:09.000\tclean-up\tremoved\tE:\\Mirror\\Copy of a.rar\tmade 2026-12-09 02:00:07\r\n"
            "2026-12-11 02:00:09.000\tclean-up\tnot removed\tE:\\Mirror\\Copy of b.rar\tit could not be removed\r\n"
            "2026-12-11 02:00:09.000\tclean-up\tskipped\tF:\\Gone\\\tthe folder cannot be reached\r\n");
  EXPECT_EQ(backup::CleanupLines(CleanupResult{}), "");
}

// On the real file system: the record is a file of its own beside the settings, so the history's
// rotation never takes it along, and a folder that does not exist is told from an empty one.
TEST(CleanupOnDisk, TheRecordOutlivesTheHistorysRotation) {
  testing_support::TempDir dir;
  testing_support::MakeDir(dir.File("Bak_Info"));
  testing_support::MakeDir(dir.File("BakDir"));
  const std::string settings = dir.File("Bak_Info\\Bak_Info.ini");
  const std::string archive = dir.File("BakDir\\QEL_1.rar");
  testing_support::WriteBytes(archive, "archive");
  testing_support::WriteBytes(dir.File("BakDir\\foreign.rar"), "someone else's");
  backup::SystemFiles files;
  RunWorld clock;
  CleanupRequest request{backup::MadeFilesPath(settings), backup::UnreadableMadeFilesPath(settings),
                         backup::FilesMadeByRun(files, archive, true, true, {}, {2026, 12, 1, 2, 0, 0, 0}), {2, 1},
                         true};
  EXPECT_TRUE(backup::RecordAndCleanUp(files, clock, request).events.empty());

  backup::HistoryLog log(dir.File("Bak_Info"));
  backup::RunRecord line;
  line.outcomeText = std::string(4000, 'x');
  line.outcome = backup::RunOutcome::kWarning;
  for (int i = 0; i < 600; ++i) {  // past 1 MiB twice
    log.Append(line);
  }
  EXPECT_LT(testing_support::ReadBytes(log.Path()).size(), backup::HistoryLog::kRotateBytes);
  const auto record = backup::ParseMadeFiles(testing_support::ReadBytes(request.recordPath));
  ASSERT_TRUE(record.has_value());
  ASSERT_EQ(record->size(), 1u);
  EXPECT_EQ((*record)[0].size, 7u);

  EXPECT_FALSE(files.FolderExists(dir.File("NoSuchFolder")));
  EXPECT_FALSE(files.FolderExists(archive)) << "a file is no folder";
  EXPECT_TRUE(files.FolderExists(dir.File("BakDir")));
  EXPECT_TRUE(files.FolderExists(dir.File("BakDir") + "\\"));

  // A second run eight days later removes the archive and leaves the foreign file.
  clock.now = {2026, 12, 9, 2, 0, 0, 0};
  testing_support::WriteBytes(dir.File("BakDir\\QEL_2.rar"), "archive 2");
  request.madeNow = backup::FilesMadeByRun(files, dir.File("BakDir\\QEL_2.rar"), true, true, {}, clock.now);
  const CleanupResult result = backup::RecordAndCleanUp(files, clock, request);
  ASSERT_EQ(result.events.size(), 1u);
  EXPECT_EQ(result.events[0].kind, Kind::kRemoved);
  EXPECT_FALSE(files.Exists(archive));
  EXPECT_TRUE(files.Exists(dir.File("BakDir\\foreign.rar")));
  EXPECT_EQ(testing_support::ListDir(dir.File("Bak_Info")),
            (std::vector<std::string>{"history.log", "history.old.log", "made_files.txt"}))
      << "no temporary file left beside the record";
}

}  // namespace old_archive_cleanup_test
