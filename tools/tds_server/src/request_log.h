#pragma once

#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

namespace dw::tds {

// One line per event: local time with milliseconds, the client, what it asked, what came of it.
// Lines from concurrent sessions never interleave. Passwords are never handed to it.
class RequestLog {
public:
    // Appends to the file at path, or writes to standard error when path is empty.
    // Throws std::runtime_error when the file cannot be opened.
    explicit RequestLog(const std::string& path);
    ~RequestLog();
    RequestLog(const RequestLog&) = delete;
    RequestLog& operator=(const RequestLog&) = delete;

    void write(std::string_view client, std::string_view kind, std::string_view summary);

private:
    std::FILE* out_;
    bool owned_;
    std::mutex mutex_;
};

}  // namespace dw::tds
