// Fuzzes the texts a user types into the analysis: odds and system sizes. Besides never
// crashing, each reader keeps its promises: accepted odds lie in 1.00..kMaxOdds on whole
// kopecks and read back the same from their own two-decimal text; accepted sizes lie in 1..9;
// every refusal says why.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "app/analysis_odds_text.h"
#include "app/analysis_sizes.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const app::OddsText odds = app::ParseOddsText(text);
  if (odds.ok) {
    Check(odds.reason.empty());
    Check(odds.odds >= 1.0 && odds.odds <= app::kMaxOdds);
    Check(std::round(odds.odds * 100.0) / 100.0 == odds.odds);
    char shown[32];
    std::snprintf(shown, sizeof shown, "%.2f", odds.odds);
    const app::OddsText again = app::ParseOddsText(shown);
    Check(again.ok && again.odds == odds.odds);
  } else {
    Check(!odds.reason.empty() && odds.odds == 0.0);
  }

  const app::SizesText sizes = app::ParseSystemSizes(text);
  if (sizes.ok) {
    Check(sizes.reason.empty());
    Check(sizes.sizes.mask != 0 && (sizes.sizes.mask & ~0x3FEu) == 0);
    Check(sizes.sizes.events == 0 || !sizes.sizes.cover.empty());
  } else {
    Check(!sizes.reason.empty() && sizes.sizes.mask == 0);
  }
  return 0;
}
