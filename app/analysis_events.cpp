#include "app/analysis_events.h"

#include <algorithm>
#include <cmath>

#include "app/system_bet.h"

namespace app {

bool AnalysisEvents::Assign(std::span<const double> odds, std::span<const Outcome> outcomes,
                            std::span<const int32_t> numbers, int32_t n, std::string* reason) {
  const int32_t count = std::max<int32_t>(n, 0);
  const size_t rows = std::min<size_t>({static_cast<size_t>(count), odds.size(),
                                        static_cast<size_t>(kOddsCapacity)});
  for (size_t i = 0; i < rows; ++i) {
    if (!std::isfinite(odds[i]) || odds[i] < 0.0) {
      const int32_t number = i < numbers.size() ? numbers[i] : static_cast<int32_t>(i + 1);
      *reason = "Коэффициент события " + std::to_string(number) +
                " недопустим: он должен быть числом не меньше 0";
      return false;
    }
  }
  odds_.assign(odds.begin(), odds.begin() + rows);
  outcomes_.assign(rows, Outcome::kPending);
  std::copy_n(outcomes.begin(), std::min(rows, outcomes.size()), outcomes_.begin());
  numbers_.clear();
  if (!numbers.empty()) {
    numbers_.resize(rows);
    for (size_t i = 0; i < rows; ++i) numbers_[i] = i < numbers.size() ? numbers[i] : static_cast<int32_t>(i + 1);
  }
  n_ = count;
  lost_ = static_cast<int32_t>(std::count(outcomes_.begin(), outcomes_.end(), Outcome::kLost));
  pending_ = count - static_cast<int32_t>(rows) +
             static_cast<int32_t>(std::count(outcomes_.begin(), outcomes_.end(), Outcome::kPending));
  reason->clear();
  return true;
}

double AnalysisEvents::SettledValue(int32_t i) const {
  switch (OutcomeOf(i)) {
    case Outcome::kWon: return odds_[i];
    case Outcome::kRefund: return 1.0;
    case Outcome::kLost:
    case Outcome::kPending: return 0.0;
  }
  return 0.0;
}

}  // namespace app
