#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>

namespace dw::tds {

// The part of a database name that goes into a file name: ASCII letters, digits, '_' and '-' stay,
// every other character (space, dot, slash, non-ASCII letter ...) becomes '_'; at most 100
// characters; "db" when nothing is left.
std::string sanitize_database_name(std::string_view database);

// <database>_<yyyymmdd>_<hhmmss>.bak, from the sanitized name and the server's local time.
std::string bak_file_name(std::string_view database, const std::tm& local_time);

// The stand-in backup's bytes: a text header naming the database and the time, then lines of
// pseudo-random records seeded from the database name. Same name and time, same bytes.
class BakContent {
public:
    BakContent(std::string_view database, const std::tm& local_time, std::uint64_t size);
    // Fills the next part of the content; returns how many bytes it wrote (0 at the end).
    std::size_t read(std::span<std::uint8_t> buffer);

private:
    void refill();

    std::string header_;
    std::uint64_t size_;
    std::uint64_t produced_ = 0;
    std::uint64_t state_;
    std::uint64_t record_ = 0;
    std::string pending_;
    std::size_t pending_pos_ = 0;
};

struct BakWriteResult {
    bool ok = false;
    std::string file_name;  // bare name, set when ok
    int os_error = 0;       // errno of the failure
};

// Writes the backup into local_dir under a temporary name and links it to its final name, so a
// reader never sees a half-written file. A name already taken gets _2, _3 ... before ".bak".
BakWriteResult write_bak_file(const std::string& local_dir, std::string_view database, const std::tm& local_time,
                              std::uint64_t size);

}  // namespace dw::tds
