#include "backup/notification_sender.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

using backup::AttemptLimits;
using backup::HistoryLine;
using backup::HistoryLog;
using backup::HttpAnswer;
using backup::HttpPoster;
using backup::NotificationSender;
using backup::NotifyingLog;
using backup::NotifyPolicy;
using backup::RunOutcome;
using backup::RunRecord;
using settings::NotifyUrl;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

// Answers from a script; a "hang" answer blocks until released, as a receiver that never answers.
struct ScriptedPoster final : HttpPoster {
  struct Shared {
    std::mutex lock;
    std::condition_variable changed;
    std::deque<HttpAnswer> answers;
    std::vector<std::string> targets;
    std::vector<AttemptLimits> limits;
    std::vector<std::string> bodies;
    bool hang = false;
    bool released = false;
  };
  explicit ScriptedPoster(std::shared_ptr<Shared> s) : shared(std::move(s)) {}
  HttpAnswer Post(const NotifyUrl& url, const std::string& body, const AttemptLimits& l) override {
    std::unique_lock<std::mutex> hold(shared->lock);
    shared->targets.push_back(url.target);
    shared->bodies.push_back(body);
    shared->limits.push_back(l);
    shared->changed.notify_all();
    if (shared->hang) {
      shared->changed.wait(hold, [&] { return shared->released; });
      return HttpAnswer{false, 0, "timed out"};
    }
    if (shared->answers.empty()) {
      return HttpAnswer{false, 0, "no scripted answer"};
    }
    HttpAnswer a = shared->answers.front();
    shared->answers.pop_front();
    return a;
  }
  std::shared_ptr<Shared> shared;
};

RunRecord Record(RunOutcome outcome = RunOutcome::kOk) {
  RunRecord r;
  r.start = {2026, 12, 10, 2, 0, 0, 0};
  r.databaseName = "QEL";
  r.backupFileName = "QEL_1.bak";
  r.outcome = outcome;
  r.outcomeText = outcome == RunOutcome::kOk ? "" : "the archive was not made.";
  return r;
}

NotifyUrl Url(const std::string& target) {
  NotifyUrl u;
  u.host = "127.0.0.1";
  u.port = 80;
  u.target = target;
  return u;
}

// Short times, the same rules: 2 s in all, a retry 50 ms after a failure.
const NotifyPolicy kQuick{100, 2000, 50};

struct SenderFixture : ::testing::Test {
  TempDir dir;
  HistoryLog log{dir.Path()};
  std::shared_ptr<ScriptedPoster::Shared> shared = std::make_shared<ScriptedPoster::Shared>();
  std::string History() { return ReadBytes(log.Path()); }
};

TEST_F(SenderFixture, AFiveHundredIsTriedOnceMoreAndTheLineTellsTheEnd) {
  shared->answers = {HttpAnswer{true, 500, ""}, HttpAnswer{true, 200, ""}};
  {
    NotificationSender sender(std::make_unique<ScriptedPoster>(shared), log, kQuick);
    RunRecord r = Record();
    r.notifyTo = "http://127.0.0.1/***";
    sender.Send(r, Url("/hook"), "{}");
    ASSERT_TRUE(sender.WaitIdle(5000));
  }
  EXPECT_EQ(shared->targets.size(), 2u);
  ASSERT_EQ(shared->limits.size(), 2u);
  EXPECT_EQ(shared->limits[0].connectMs, 100);
  EXPECT_LE(shared->limits[1].totalMs, 2000 - 50) << "the retry gets what is left, not a fresh allowance";
  const std::string history = History();
  EXPECT_NE(history.find("\tnotify_to=http://127.0.0.1/***\tnotify=sent 200 after 2 attempts, 0 s\tok\r\n"),
            std::string::npos)
      << history;
  EXPECT_EQ(history.find("\r\n"), history.size() - 2) << "one line";
}

TEST_F(SenderFixture, FourHundredsAreNotRetriedAndLinesKeepTheirOrder) {
  shared->answers = {HttpAnswer{true, 404, ""}, HttpAnswer{true, 204, ""}};
  NotificationSender sender(std::make_unique<ScriptedPoster>(shared), log, kQuick);
  RunRecord first = Record(RunOutcome::kWarning);
  first.backupFileName = "first.bak";
  RunRecord second = Record();
  second.backupFileName = "second.bak";
  sender.Send(first, Url("/a"), "{}");
  sender.Send(second, Url("/b"), "{}");
  ASSERT_TRUE(sender.WaitIdle(5000));
  EXPECT_EQ(shared->targets, (std::vector<std::string>{"/a", "/b"}));
  const std::string history = History();
  const auto a = history.find("file=first.bak");
  const auto b = history.find("file=second.bak");
  ASSERT_NE(a, std::string::npos);
  ASSERT_NE(b, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_NE(history.find("notify=failed 404\twarning: the archive was not made."), std::string::npos) << history;
  EXPECT_NE(history.find("notify=sent 204\tok"), std::string::npos) << history;
}

TEST_F(SenderFixture, ANetworkErrorTwiceFailsWithTheReason) {
  shared->answers = {HttpAnswer{false, 0, "cannot connect"}, HttpAnswer{false, 0, "cannot connect"}};
  NotificationSender sender(std::make_unique<ScriptedPoster>(shared), log, kQuick);
  sender.Send(Record(), Url("/"), "{}");
  ASSERT_TRUE(sender.WaitIdle(5000));
  EXPECT_EQ(shared->targets.size(), 2u);
  EXPECT_NE(History().find("notify=failed cannot connect after 2 attempts, 0 s\tok"), std::string::npos) << History();
}

TEST_F(SenderFixture, AnUnfinishedNotificationIsAbandonedAtTheEndAndItsRunKeepsItsLine) {
  shared->hang = true;
  const auto start = std::chrono::steady_clock::now();
  {
    NotificationSender sender(std::make_unique<ScriptedPoster>(shared), log, NotifyPolicy{});
    sender.Send(Record(), Url("/hang"), "{}");
    RunRecord queued = Record();
    queued.backupFileName = "queued.bak";
    sender.Send(queued, Url("/later"), "{}");
    {
      std::unique_lock<std::mutex> hold(shared->lock);
      ASSERT_TRUE(shared->changed.wait_for(hold, std::chrono::seconds(5), [&] { return !shared->targets.empty(); }));
    }
    EXPECT_FALSE(sender.WaitIdle(50));
  }  // the program ends: no waiting for the hanging receiver
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  const std::string history = History();
  EXPECT_NE(history.find("file=QEL_1.bak"), std::string::npos) << history;
  EXPECT_NE(history.find("file=queued.bak"), std::string::npos) << history;
  std::size_t abandoned = 0;
  for (auto at = history.find("notify=failed abandoned"); at != std::string::npos;
       at = history.find("notify=failed abandoned", at + 1)) {
    ++abandoned;
  }
  EXPECT_EQ(abandoned, 2u) << history;
  {
    const std::lock_guard<std::mutex> hold(shared->lock);
    shared->released = true;
  }
  shared->changed.notify_all();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(History(), history) << "the worker writes nothing after the end";
  EXPECT_EQ(shared->targets.size(), 1u) << "the queued one was never sent";
}

TEST_F(SenderFixture, AnAttemptThatOutlivesItsTimeIsLeftBehind) {
  // A stack whose own time-out never fires: the notification still ends when its time is over.
  shared->hang = true;
  const auto start = std::chrono::steady_clock::now();
  NotificationSender sender(std::make_unique<ScriptedPoster>(shared), log, kQuick);
  sender.Send(Record(), Url("/hang"), "{}");
  ASSERT_TRUE(sender.WaitIdle(5000));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(2000));
  EXPECT_LT(took, std::chrono::milliseconds(3500));
  EXPECT_NE(History().find("\tnotify=failed timed out after 1 attempt, 2 s\tok"), std::string::npos) << History();
  EXPECT_EQ(shared->targets.size(), 1u) << "no time left for a retry";
  {
    const std::lock_guard<std::mutex> hold(shared->lock);
    shared->released = true;
  }
  shared->changed.notify_all();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(History().find("\r\n"), History().size() - 2) << "the late answer writes nothing";
}

struct NotifyingLogFixture : SenderFixture {
  std::string settings = dir.File("Bak_Info.ini");
  NotifyingLog notifying{log, settings, "PC", std::make_unique<ScriptedPoster>(shared), kQuick};
};

TEST_F(NotifyingLogFixture, WithoutAddressesTheLineIsWrittenAtOnceAsBefore) {
  WriteBytes(settings, "[BAK]\r\nTimeCount=0\r\n[notify]\r\nSuccessUrl=\r\n");
  const RunRecord r = Record();
  notifying.Append(r);
  EXPECT_EQ(History(), HistoryLine(r));
  EXPECT_TRUE(shared->targets.empty());
}

TEST_F(NotifyingLogFixture, SuccessAndFailureGoToTheirOwnAddress) {
  WriteBytes(settings, "[notify]\r\nSuccessUrl=http://127.0.0.1:9/ok?token=s3cret\r\nFailureUrl=http://u:pw@h/fail\r\n");
  shared->answers = {HttpAnswer{true, 200, ""}, HttpAnswer{true, 200, ""}, HttpAnswer{true, 200, ""}};
  notifying.Append(Record());
  notifying.Append(Record(RunOutcome::kWarning));
  RunRecord refused = Record(RunOutcome::kError);
  refused.notStarted = true;
  notifying.Append(refused);
  ASSERT_TRUE(notifying.WaitIdle(5000));
  EXPECT_EQ(shared->targets, (std::vector<std::string>{"/ok?token=s3cret", "/fail", "/fail"}));
  EXPECT_NE(shared->bodies[2].find("\"outcome\":\"refused\""), std::string::npos);
  const std::string history = History();
  EXPECT_NE(history.find("notify_to=http://127.0.0.1:9/***?***\tnotify=sent 200\tok"), std::string::npos) << history;
  EXPECT_NE(history.find("notify_to=http://***@h/***\tnotify=sent 200\twarning"), std::string::npos) << history;
  for (const char* secret : {"s3cret", "pw", "fail"}) {
    EXPECT_EQ(history.find(secret), std::string::npos) << secret;
  }
}

constexpr char kMissedLine[] =
    "2026-12-10 10:01:02.003\tmissed\tcause=clock\tcount=1\ttimes=2026-12-10 10:00\tmakeup=yes";

backup::NotificationFacts MissedFacts() {
  return backup::FactsOfMissed("QEL", {2026, 12, 10, 10, 1, 2, 3}, "Backup at 10:00 was missed.",
                               "Missed backup time (cause: clock): 2026-12-10 10:00. One make-up run follows.");
}

TEST_F(NotifyingLogFixture, AMissedTimeGoesToTheFailureAddressAndItsLineTellsTheOutcomeMasked) {
  WriteBytes(settings, "[notify]\r\nSuccessUrl=http://127.0.0.1:9/ok\r\nFailureUrl=https://u:pw@h:8443/hook/T0/s3cret?k=v\r\n");
  shared->answers = {HttpAnswer{true, 503, ""}, HttpAnswer{true, 200, ""}};
  notifying.NotifyLine(kMissedLine, MissedFacts());
  ASSERT_TRUE(notifying.WaitIdle(5000));
  EXPECT_EQ(shared->targets, (std::vector<std::string>{"/hook/T0/s3cret?k=v", "/hook/T0/s3cret?k=v"}))
      << "a 5xx is tried once more, as for a run";
  ASSERT_FALSE(shared->bodies.empty());
  EXPECT_NE(shared->bodies[0].find("\"text\":\"PC: Backup at 10:00 was missed.\""), std::string::npos)
      << shared->bodies[0];
  EXPECT_NE(shared->bodies[0].find("\"outcome\":\"missed\""), std::string::npos);
  EXPECT_EQ(History(), std::string(kMissedLine) +
                           "\tnotify_to=https://***@h:8443/***?***\tnotify=sent 200 after 2 attempts, 0 s\r\n");
  for (const char* secret : {"s3cret", "pw", "k=v"}) {
    EXPECT_EQ(History().find(secret), std::string::npos) << secret;
  }
}

TEST_F(NotifyingLogFixture, AMissedTimeWithoutAFailureAddressKeepsItsLineAsBeforeAndAHandEditedOneSaysWhy) {
  WriteBytes(settings, "[notify]\r\nSuccessUrl=http://127.0.0.1:9/ok\r\n");
  notifying.NotifyLine(kMissedLine, MissedFacts());
  EXPECT_EQ(History(), std::string(kMissedLine) + "\r\n") << "never to the success address";
  WriteBytes(settings, "[notify]\r\nFailureUrl=ftp://h/x\r\n");
  notifying.NotifyLine(kMissedLine, MissedFacts());
  EXPECT_TRUE(shared->targets.empty());
  EXPECT_EQ(History(), std::string(kMissedLine) + "\r\n" + kMissedLine +
                           "\tnotify=failed not sent, FailureUrl: not an http or https address\r\n");
}

TEST_F(SenderFixture, AMissedLineStillUnsentAtTheEndIsWrittenAsAbandoned) {
  shared->hang = true;
  {
    NotificationSender sender(std::make_unique<ScriptedPoster>(shared), log, kQuick);
    RunRecord r;
    r.notifyTo = "http://127.0.0.1/***";
    sender.Send(r, Url("/hook"), "{}", kMissedLine);
    std::unique_lock<std::mutex> hold(shared->lock);
    shared->changed.wait(hold, [&] { return !shared->targets.empty(); });
  }
  EXPECT_EQ(History(), std::string(kMissedLine) +
                           "\tnotify_to=http://127.0.0.1/***\tnotify=failed abandoned: the program ended before "
                           "the notification did\r\n");
  {
    const std::lock_guard<std::mutex> hold(shared->lock);
    shared->released = true;
  }
  shared->changed.notify_all();
}

TEST_F(NotifyingLogFixture, AHandEditedAddressThatIsNotHttpIsNotSentAndTheLineSaysWhy) {
  WriteBytes(settings, "[notify]\r\nFailureUrl=file:///C:/secret.txt\r\n");
  notifying.Append(Record(RunOutcome::kWarning));
  EXPECT_TRUE(shared->targets.empty());
  EXPECT_NE(History().find("\tnotify=failed not sent, FailureUrl: not an http or https address\twarning"),
            std::string::npos)
      << History();
  EXPECT_EQ(History().find("notify_to"), std::string::npos);
}

}  // namespace
