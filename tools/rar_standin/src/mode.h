#pragma once
// How the stand-in behaves when asked to pack, set by the first line of dw_rar_standin.mode beside
// the program: "ok", "fail", "truncate", "slow=N" or "crash". Tests use it to play a misbehaving
// archiver; the archive test ("t") always tells the truth.
#include <string_view>

namespace rar_standin {

inline constexpr const char* kModeFileName = "dw_rar_standin.mode";
inline constexpr const char* kLastRunFileName = "dw_rar_standin.lastrun";

enum class Behaviour {
  kNormal,    // pack and exit 0
  kFail,      // write nothing, exit as if the archive could not be written
  kTruncate,  // write the archive cut short and still exit 0
  kCrash,     // die as a faulting program does
};

struct Mode {
  Behaviour behaviour = Behaviour::kNormal;
  unsigned delaySeconds = 0;  // waited before working ("slow=N"; then packs normally)
};

inline constexpr unsigned kMaxDelaySeconds = 24u * 60u * 60u;

// The mode from the file's bytes: its first line, blanks around it ignored, letters in any case.
// An empty, missing or unknown mode is the normal one; slow=N above a day waits a day.
Mode ParseMode(std::string_view fileBytes);

}  // namespace rar_standin
