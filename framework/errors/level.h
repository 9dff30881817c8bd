// Levels: the small integers framework operations return, so callers know whether to go on.
#pragma once

namespace fw {

enum Level : int {
  kLevelGoOn = 0,     // success, a silent error, or the user answered Yes
  kLevelFatal = 3,    // fatal, leave the event loop, or the file is not usable
  kLevelNo = 4,       // the user answered No
  kLevelHandled = 5,  // handled, refused, or failed after the user was told
};

}  // namespace fw
