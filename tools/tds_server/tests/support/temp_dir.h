#pragma once

#include <filesystem>
#include <string>

namespace dw::tds::test {

// A fresh directory under /tmp, removed with everything in it when the owner goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace dw::tds::test
