#include "request_log.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <stdexcept>

#include "text.h"

namespace dw::tds {

RequestLog::RequestLog(const std::string& path)
    : out_(path.empty() ? stderr : std::fopen(path.c_str(), "a")), owned_(!path.empty())
{
    if (out_ == nullptr) {
        throw std::runtime_error("cannot open log file " + path + ": " + std::strerror(errno));
    }
}

RequestLog::~RequestLog()
{
    if (owned_) {
        std::fclose(out_);
    }
}

void RequestLog::write(std::string_view client, std::string_view kind, std::string_view summary)
{
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    const std::string line = std::string(stamp) + "." + (millis < 100 ? (millis < 10 ? "00" : "0") : "") +
                             std::to_string(millis) + " " + std::string(client) + " " + std::string(kind) + " " +
                             loggable(summary, 400) + "\n";
    const std::lock_guard<std::mutex> lock(mutex_);
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
}

}  // namespace dw::tds
