#pragma once
// The plain files of one folder, in one pass over the folder: cheaper than asking for each of
// thousands of files on its own. Sizes come along where the platform hands them out with the names
// (Windows); elsewhere they are left for the caller to ask for the few files that matter.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct FolderFile {
  std::string name;  // bare name, no folder part
  std::optional<std::uint64_t> size;  // nullopt: not known from the listing alone
};

// nullopt when the folder cannot be listed (missing, unreachable share, access refused): that is
// not the same as an empty folder. Sub-folders are left out.
std::optional<std::vector<FolderFile>> ListFolderFiles(const std::string& folder);

}  // namespace platform
