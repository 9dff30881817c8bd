// The sizes of a system as the user writes them: one size "3", a list "2,3", a range "2-4", or
// a named full cover ("Yankee") that also fixes the number of events. With the count of
// variants they give for n events, exact.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/system_bet.h"

namespace app {

inline constexpr int kMinAnalysisSize = 1;  // singles take part in the covers that have them
inline constexpr int kMaxAnalysisSize = 9;

struct SystemSizes {
  uint16_t mask = 0;       // bit k set: every variant of k events is placed
  int32_t events = 0;      // n fixed by a full cover; 0 when the text gave sizes only
  std::string cover;       // the full cover's name as shown ("Lucky 15"), else empty

  bool Has(int k) const { return k >= 0 && k < 16 && (mask >> k & 1) != 0; }
  // The sizes in ascending order, the order in which variants are listed and summed.
  std::vector<int> Ascending() const;
};

struct FullCover {
  const char* name;
  int32_t events;
  uint16_t mask;
};

// Every named full cover, in the order a drop list offers them.
const std::vector<FullCover>& FullCovers();

struct SizesText {
  bool ok = false;
  SystemSizes sizes;
  std::string reason;  // why the text was refused, in words for the user; empty when ok
};

// Reads "3", "2,3" (also "2;3" or "2 3"), "2-4", a mix "1,3-5", or a full cover's name in any
// case, blanks and hyphens inside it ignored ("lucky15", "Super-Heinz"; "Super Yankee" is the
// Canadian). Sizes are 1..9; a range runs upwards; repeats are taken once.
SizesText ParseSystemSizes(std::string_view text);

// C(n, k) for 0 <= k <= kMaxAnalysisSize, exact for every n a SHORT holds; 0 for k > n or n < 0.
VariantCount Choose(int32_t n, int k);

// The variants the sizes give for n events: the sum of C(n, k) over the sizes.
VariantCount CountSystemVariants(int32_t n, const SystemSizes& sizes);

}  // namespace app
