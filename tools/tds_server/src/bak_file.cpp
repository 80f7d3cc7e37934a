#include "bak_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "unique_fd.h"

namespace dw::tds {
namespace {

constexpr std::size_t kMaxNameChars = 100;
constexpr int kMaxNameAttempts = 100;

constexpr std::array<std::string_view, 16> kWords{
    "invoice", "customer", "ledger", "stock",  "order",   "payment", "account", "journal",
    "supplier", "period",  "balance", "credit", "shipment", "tax",    "receipt", "warehouse",
};

std::uint64_t fnv1a(std::string_view text)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    return hash;
}

std::string timestamp(const std::tm& t, const char* format)
{
    char buffer[32];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &t);
    return std::string(buffer, n);
}

bool write_all(int fd, const std::uint8_t* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string candidate_name(std::string_view base, int attempt)
{
    if (attempt == 1) {
        return std::string(base) + ".bak";
    }
    return std::string(base) + "_" + std::to_string(attempt) + ".bak";
}

}  // namespace

std::string sanitize_database_name(std::string_view database)
{
    std::string out;
    std::size_t i = 0;
    while (i < database.size() && out.size() < kMaxNameChars) {
        const auto c = static_cast<unsigned char>(database[i]);
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                          c == '-';
        out += keep ? static_cast<char>(c) : '_';
        // One '_' for a whole UTF-8 sequence.
        ++i;
        if (c >= 0xC0) {
            while (i < database.size() && (static_cast<unsigned char>(database[i]) & 0xC0) == 0x80) {
                ++i;
            }
        }
    }
    return out.empty() ? "db" : out;
}

std::string bak_file_name(std::string_view database, const std::tm& local_time)
{
    return sanitize_database_name(database) + timestamp(local_time, "_%Y%m%d_%H%M%S") + ".bak";
}

BakContent::BakContent(std::string_view database, const std::tm& local_time, std::uint64_t size)
    : size_(size), state_(fnv1a(database) | 1)
{
    header_ = "DWBAK 1\n"
              "Stand-in backup written by dw_tds_server, a development and test tool; not a SQL Server backup.\n"
              "Database: " +
              std::string(database) + "\nCreated: " + timestamp(local_time, "%Y-%m-%d %H:%M:%S") +
              "\nSize: " + std::to_string(size) + "\n\n";
    pending_ = header_;
}

void BakContent::refill()
{
    // xorshift64*: cheap, and the same sequence for the same database name.
    const auto next = [this] {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    };
    pending_.clear();
    pending_pos_ = 0;
    for (int line = 0; line < 64; ++line) {
        const std::uint64_t a = next();
        const std::uint64_t b = next();
        char buffer[160];
        const int n = std::snprintf(buffer, sizeof buffer, "%010llu %-9s %-9s %12llu.%02u %016llx\n",
                                    static_cast<unsigned long long>(++record_),
                                    kWords[a % kWords.size()].data(), kWords[(a >> 8) % kWords.size()].data(),
                                    static_cast<unsigned long long>((a >> 16) % 1000000000ull),
                                    static_cast<unsigned>((a >> 48) % 100), static_cast<unsigned long long>(b));
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

std::size_t BakContent::read(std::span<std::uint8_t> buffer)
{
    std::size_t written = 0;
    while (written < buffer.size() && produced_ < size_) {
        if (pending_pos_ == pending_.size()) {
            refill();
        }
        std::size_t take = std::min(buffer.size() - written, pending_.size() - pending_pos_);
        take = static_cast<std::size_t>(std::min<std::uint64_t>(take, size_ - produced_));
        std::copy_n(pending_.begin() + static_cast<std::ptrdiff_t>(pending_pos_), take, buffer.begin() + static_cast<std::ptrdiff_t>(written));
        pending_pos_ += take;
        written += take;
        produced_ += take;
    }
    return written;
}

BakWriteResult write_bak_file(const std::string& local_dir, std::string_view database, const std::tm& local_time,
                              std::uint64_t size)
{
    static std::atomic<unsigned> counter{0};
    BakWriteResult result;
    struct stat info {};
    if (::stat(local_dir.c_str(), &info) != 0) {
        result.os_error = errno;
        return result;
    }
    if (!S_ISDIR(info.st_mode)) {
        result.os_error = ENOTDIR;
        return result;
    }
    const std::string dir = local_dir.empty() || local_dir.back() == '/' ? local_dir : local_dir + "/";
    const std::string base = bak_file_name(database, local_time);
    const std::string stem = base.substr(0, base.size() - 4);
    const std::string temp = dir + "." + stem + ".tmp" + std::to_string(::getpid()) + "_" +
                             std::to_string(counter.fetch_add(1));

    UniqueFd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!fd.valid()) {
        result.os_error = errno;
        return result;
    }
    BakContent content(database, local_time, size);
    std::vector<std::uint8_t> buffer(64 * 1024);
    for (;;) {
        const std::size_t n = content.read(buffer);
        if (n == 0) {
            break;
        }
        if (!write_all(fd.get(), buffer.data(), n)) {
            result.os_error = errno;
            ::unlink(temp.c_str());
            return result;
        }
    }
    if (::close(fd.release()) != 0) {
        result.os_error = errno;
        ::unlink(temp.c_str());
        return result;
    }

    for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        const std::string name = candidate_name(stem, attempt);
        const std::string target = dir + name;
        if (::link(temp.c_str(), target.c_str()) == 0) {
            ::unlink(temp.c_str());
            result.ok = true;
            result.file_name = name;
            return result;
        }
        if (errno == EEXIST || ::access(target.c_str(), F_OK) == 0) {
            continue;
        }
        // File systems without hard links: rename, the name having been found free just now.
        if (::rename(temp.c_str(), target.c_str()) == 0) {
            result.ok = true;
            result.file_name = name;
            return result;
        }
        result.os_error = errno;
        ::unlink(temp.c_str());
        return result;
    }
    result.os_error = EEXIST;
    ::unlink(temp.c_str());
    return result;
}

}  // namespace dw::tds
