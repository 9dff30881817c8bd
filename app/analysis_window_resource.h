// The analysis window "Анализ системы" as compiled-in data: the resource "tovik$TOVIK002" with
// the window "P2$WINDOW" (the rows with their outcomes, the sizes, n and the stake, the figures,
// the needs chart and its sentence), its control numbers, and its registration for
// Window::Prepare.
#pragma once

#include <string_view>

#include "runtime/windows/window_resource.h"

namespace app {

inline constexpr std::string_view kAnalysisResource = "tovik$TOVIK002";
inline constexpr std::string_view kAnalysisWindowLabel = "P2$WINDOW";
inline constexpr std::string_view kAnalysisCaption = "Анализ системы";

enum AnalysisControl : int {
  kAnRowsList = 1,        // number | odds | outcome, a browse edited in place; В П Р Н
                          // (D G H Y) set the outcome
  kAnEventsPrompt = 2,
  kAnEventsEntry = 3,     // n
  kAnSizesPrompt = 4,
  kAnSizesEntry = 5,      // "3", "2,3", "2-4" or a full cover's name
  kAnStakePrompt = 6,
  kAnStakeEntry = 7,
  kAnSettleButton = 8,    // "Расчет"
  kAnVariantsShown = 9,   // the figures, one line each
  kAnTotalStakeShown = 10,
  kAnSettledShown = 11,
  kAnAllWinShown = 12,
  kAnAllLoseShown = 13,
  kAnNeedsChart = 14,
  kAnSentenceShown = 15,  // the needs said in words, or why nothing was settled
  kAnKeysPrompt = 16,
  kAnCoverButton = 18,    // "▼": the named full covers in a menu, one sets the sizes
  kAnVariantsList = 17,   // every variant, a page at a time (number, events, odds, payout, state)
  kAnInsertButton = 19,   // "+", "?", "--": the rows list's insert, change and delete
  kAnChangeButton = 20,
  kAnDeleteButton = 21,
};

// The order Window::Prepare takes the procedure's variables in.
enum AnalysisBinding : int {
  kAnBindRows = 1,
  kAnBindEvents = 2,
  kAnBindSizes = 3,
  kAnBindStake = 4,
  kAnBindVariants = 5,
  kAnBindTotalStake = 6,
  kAnBindSettled = 7,
  kAnBindAllWin = 8,
  kAnBindAllLose = 9,
  kAnBindSentence = 10,
  kAnBindVariantRows = 11,
};

inline constexpr int kAnalysisWidth = 400;
// Room kept right of the longest figure when the window widens for it.
inline constexpr int kAnRightMargin = 4;
inline constexpr int kAnalysisHeight = 330;

const rt::WindowResource& AnalysisWindowResource();
// Registers it as (kAnalysisResource, kAnalysisWindowLabel); calling it again is harmless.
void RegisterAnalysisWindowResource();

}  // namespace app
