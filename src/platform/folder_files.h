#pragma once
// The plain files of one folder with their sizes, in one pass over the folder: cheaper than asking
// for each of thousands of files on its own.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct FolderFile {
  std::string name;  // bare name, no folder part
  std::uint64_t size = 0;
};

// nullopt when the folder cannot be listed (missing, unreachable share, access refused): that is
// not the same as an empty folder. Sub-folders are left out.
std::optional<std::vector<FolderFile>> ListFolderFiles(const std::string& folder);

}  // namespace platform
