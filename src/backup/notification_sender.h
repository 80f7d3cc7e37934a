#pragma once
// Sends the web notification of each run on a worker thread of its own, after the run has ended,
// and writes the run's history line when the notification is over (with notify_to= and notify=).
// The user-interface thread only hands the job over: a slow or hanging receiver delays neither the
// clock nor the next backup. A notification still unfinished when the program ends is abandoned;
// its run's line is written then, saying so.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "backup/history_log.h"
#include "backup/notification.h"
#include "backup/notify_policy.h"
#include "settings/notify_url.h"

namespace backup {

// One attempt of a POST; the system one is WinHTTP on Windows.
class HttpPoster {
 public:
  virtual ~HttpPoster() = default;
  virtual HttpAnswer Post(const settings::NotifyUrl& url, const std::string& body, const AttemptLimits& limits) = 0;
};

class SystemHttpPoster final : public HttpPoster {
 public:
  HttpAnswer Post(const settings::NotifyUrl& url, const std::string& body, const AttemptLimits& limits) override;
};

class NotificationSender {
 public:
  NotificationSender(std::unique_ptr<HttpPoster> poster, HistoryLog log, NotifyPolicy policy = {});
  NotificationSender(const NotificationSender&) = delete;
  NotificationSender& operator=(const NotificationSender&) = delete;
  ~NotificationSender();

  // Queues the notification; the record is appended to the history with its outcome when it ends.
  // With a line (no line end), that line is written instead, the notification's fields appended.
  void Send(RunRecord record, settings::NotifyUrl url, std::string body, std::string line = {});
  // For tests: waits until nothing is queued or being sent; false when the time ran out first.
  bool WaitIdle(std::int64_t timeoutMs);

 private:
  struct Job {
    RunRecord record;
    settings::NotifyUrl url;
    std::string body;
    std::string line;  // empty: the record's own line
  };
  struct State {
    State(std::unique_ptr<HttpPoster> p, HistoryLog l, NotifyPolicy n)
        : poster(std::move(p)), log(std::move(l)), policy(n) {}
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Job> queue;
    std::optional<Job> inFlight;
    bool abandoned = false;
    std::shared_ptr<HttpPoster> poster;  // shared with attempts that outlive their time
    HistoryLog log;
    NotifyPolicy policy;
  };
  static void Work(const std::shared_ptr<State>& state);
  static void Write(HistoryLog& log, const Job& job) noexcept;
  static void Deliver(State& state, Job& job);
  static HttpAnswer Attempt(const std::shared_ptr<HttpPoster>& poster, const Job& job, const AttemptLimits& limits);

  std::shared_ptr<State> state_;
  std::thread worker_;
};

// The history as the backup run writes it, with the notifications of Bak_Info.ini's [notify]
// section: a run without an address there is written at once, exactly as before; one with an
// address that cannot be used is written at once with notify=failed and the reason; the others go
// to the sender.
class NotifyingLog final : public RunLog {
 public:
  NotifyingLog(HistoryLog log, std::string settingsPath, std::string computer,
               std::unique_ptr<HttpPoster> poster = std::make_unique<SystemHttpPoster>(), NotifyPolicy policy = {});

  void Append(const RunRecord& record) noexcept override;
  // The same for facts formed elsewhere.
  void Notify(const RunRecord& record, const NotificationFacts& facts) noexcept;
  // A report of missed backup times: its history line (no line end), written as the run lines are,
  // with notify_to= and notify= appended when it was sent; the computer's name is filled in here.
  void NotifyLine(const std::string& line, NotificationFacts facts) noexcept;

  bool WaitIdle(std::int64_t timeoutMs) { return sender_.WaitIdle(timeoutMs); }

 private:
  void Route(const RunRecord& record, const std::string& line, const NotificationFacts& facts) noexcept;
  void WriteNow(const RunRecord& record, const std::string& line) noexcept;

  HistoryLog log_;
  std::string settingsPath_;
  std::string computer_;
  NotificationSender sender_;
};

}  // namespace backup
