#include "backup/notification_sender.h"

#include <chrono>
#include <utility>

#include "platform/http_post.h"
#include "settings/backup_settings.h"
#include "settings/ini_file.h"

namespace backup {
namespace {

using Clock = std::chrono::steady_clock;

std::int64_t MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

constexpr char kAbandonedText[] = "failed abandoned: the program ended before the notification did";

// The record's own line, or a line of another kind (a missed time's) with the notification's fields.
void WriteLine(HistoryLog& log, const RunRecord& record, const std::string& line) noexcept {
  if (line.empty()) {
    log.Append(record);
    return;
  }
  try {
    log.AppendLines(line + NotifyFields(record) + "\r\n");
  } catch (...) {
    // Out of memory while formatting: the line is lost, as a run's would be.
  }
}

}  // namespace

HttpAnswer SystemHttpPoster::Post(const settings::NotifyUrl& url, const std::string& body, const AttemptLimits& limits) {
  platform::HttpPostRequest request;
  request.secure = url.secure;
  request.host = url.host;
  request.port = url.port;
  request.target = url.target;
  request.headers = "Content-Type: application/json; charset=utf-8\r\n";
  if (const std::string authorization = settings::BasicAuthorization(url); !authorization.empty()) {
    request.headers += "Authorization: " + authorization + "\r\n";
  }
  request.body = body;
  request.connectMs = limits.connectMs;
  request.totalMs = limits.totalMs;
  const platform::HttpPostResult result = platform::HttpPost(request);
  return HttpAnswer{result.answered, result.status, result.failure};
}

NotificationSender::NotificationSender(std::unique_ptr<HttpPoster> poster, HistoryLog log, NotifyPolicy policy)
    : state_(std::make_shared<State>(std::move(poster), std::move(log), policy)) {}

NotificationSender::~NotificationSender() {
  std::deque<Job> unfinished;
  {
    const std::lock_guard<std::mutex> hold(state_->lock);
    state_->abandoned = true;
    unfinished.swap(state_->queue);
    if (state_->inFlight) {
      unfinished.push_front(std::move(*state_->inFlight));
      state_->inFlight.reset();
    }
  }
  state_->changed.notify_all();
  for (Job& job : unfinished) {
    job.record.notify = kAbandonedText;
    Write(state_->log, job);
  }
  // A worker blocked in a request cannot be stopped; it holds only the shared state and ends with
  // the process.
  if (worker_.joinable()) {
    worker_.detach();
  }
}

void NotificationSender::Send(RunRecord record, settings::NotifyUrl url, std::string body, std::string line) {
  {
    const std::lock_guard<std::mutex> hold(state_->lock);
    state_->queue.push_back(Job{std::move(record), std::move(url), std::move(body), std::move(line)});
  }
  state_->changed.notify_all();
  if (!worker_.joinable()) {
    auto state = state_;
    worker_ = std::thread([state] { Work(state); });
  }
}

bool NotificationSender::WaitIdle(std::int64_t timeoutMs) {
  std::unique_lock<std::mutex> hold(state_->lock);
  return state_->changed.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                                  [&] { return state_->queue.empty() && !state_->inFlight; });
}

void NotificationSender::Work(const std::shared_ptr<State>& state) {
  for (;;) {
    std::unique_lock<std::mutex> hold(state->lock);
    state->changed.wait(hold, [&] { return state->abandoned || !state->queue.empty(); });
    if (state->abandoned) {
      return;
    }
    state->inFlight = std::move(state->queue.front());
    state->queue.pop_front();
    Job job = *state->inFlight;
    hold.unlock();
    Deliver(*state, job);
    hold.lock();
    if (state->abandoned) {
      return;  // its line was written as abandoned
    }
    Write(state->log, job);
    state->inFlight.reset();
    hold.unlock();
    state->changed.notify_all();
  }
}

void NotificationSender::Write(HistoryLog& log, const Job& job) noexcept { WriteLine(log, job.record, job.line); }

void NotificationSender::Deliver(State& state, Job& job) {
  const Clock::time_point start = Clock::now();
  HttpAnswer answer{false, 0, "timed out"};
  int attempts = 0;
  for (;;) {
    const std::optional<AttemptLimits> limits = state.policy.LimitsAt(MsSince(start));
    if (!limits) {
      break;
    }
    answer = Attempt(state.poster, job, *limits);
    ++attempts;
    const std::optional<std::int64_t> wait = state.policy.RetryAfter(answer, attempts, MsSince(start));
    if (!wait) {
      break;
    }
    std::unique_lock<std::mutex> hold(state.lock);
    if (state.changed.wait_for(hold, std::chrono::milliseconds(*wait), [&] { return state.abandoned; })) {
      return;
    }
  }
  job.record.notify = NotifyResultText(answer, attempts, MsSince(start));
}

HttpAnswer NotificationSender::Attempt(const std::shared_ptr<HttpPoster>& poster, const Job& job,
                                       const AttemptLimits& limits) {
  // The HTTP stack's own time-outs are not trusted to end the attempt (Wine's WinHTTP waits for a
  // silent receiver far longer than told): the attempt runs on a thread of its own, and the
  // notification goes on without it when its time is over. A late answer is dropped.
  struct Outcome {
    std::mutex lock;
    std::condition_variable done;
    std::optional<HttpAnswer> answer;
  };
  auto outcome = std::make_shared<Outcome>();
  try {
    std::thread([poster, outcome, url = job.url, body = job.body, limits] {
      HttpAnswer answer;
      try {
        answer = poster->Post(url, body, limits);
      } catch (...) {
        answer = HttpAnswer{false, 0, "could not be sent"};
      }
      const std::lock_guard<std::mutex> hold(outcome->lock);
      outcome->answer = answer;
      outcome->done.notify_all();
    }).detach();
  } catch (...) {
    return HttpAnswer{false, 0, "could not be sent"};  // no thread to be had
  }
  std::unique_lock<std::mutex> hold(outcome->lock);
  // A moment beyond the limit, so that the stack's own time-out, where it works, speaks first.
  constexpr std::int64_t kGraceMs = 250;
  if (!outcome->done.wait_for(hold, std::chrono::milliseconds(limits.totalMs + kGraceMs),
                              [&] { return outcome->answer.has_value(); })) {
    return HttpAnswer{false, 0, "timed out"};
  }
  return *outcome->answer;
}

NotifyingLog::NotifyingLog(HistoryLog log, std::string settingsPath, std::string computer,
                           std::unique_ptr<HttpPoster> poster, NotifyPolicy policy)
    : log_(log), settingsPath_(std::move(settingsPath)), computer_(std::move(computer)),
      sender_(std::move(poster), log, policy) {}

void NotifyingLog::Append(const RunRecord& record) noexcept {
  try {
    Notify(record, FactsOfRun(record, computer_));
  } catch (...) {
    log_.Append(record);
  }
}

void NotifyingLog::Notify(const RunRecord& record, const NotificationFacts& facts) noexcept {
  Route(record, std::string(), facts);
}

void NotifyingLog::NotifyLine(const std::string& line, NotificationFacts facts) noexcept {
  try {
    facts.computer = computer_;
  } catch (...) {
  }
  Route(RunRecord{}, line, facts);
}

void NotifyingLog::WriteNow(const RunRecord& record, const std::string& line) noexcept {
  WriteLine(log_, record, line);
}

void NotifyingLog::Route(const RunRecord& record, const std::string& line, const NotificationFacts& facts) noexcept {
  try {
    const settings::IniFile ini = settings::IniFile::Snapshot(settingsPath_);
    const settings::NotifyUrls urls = settings::ReadNotifyUrls(ini);
    const bool success = facts.outcome == NotifyOutcome::kOk;
    const std::string& address = success ? urls.successUrl : urls.failureUrl;
    if (address.empty()) {
      WriteNow(record, line);
      return;
    }
    RunRecord sent = record;
    const settings::UrlCheck check = settings::CheckNotifyUrl(address);
    if (!check.url) {
      sent.notify = std::string("failed not sent, ") + (success ? "SuccessUrl" : "FailureUrl") + ": " + check.problem;
      WriteNow(sent, line);
      return;
    }
    sent.notifyTo = settings::MaskedUrl(*check.url);
    sender_.Send(std::move(sent), *check.url, NotificationBody(facts), line);
  } catch (...) {
    WriteNow(record, line);  // out of memory: the run keeps its line
  }
}

}  // namespace backup
