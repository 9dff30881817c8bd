// The events of a system under analysis: the first n events of the odds table, each with its
// odds and its outcome. Events past the rows read (or past kOddsCapacity) have no row: like
// the calculator they count in every variant number and bring 0.0 odds, and they stay pending.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace app {

enum class Outcome : uint8_t {
  kPending,  // не рассчитано
  kWon,      // выигрыш: pays its odds
  kLost,     // проигрыш: pays nothing
  kRefund,   // возврат: counts as odds 1.00
};

class AnalysisEvents {
 public:
  // Takes the events of "n" from the rows read: `odds` in key order, `outcomes` beside them (a
  // row without one is pending), `numbers` the row numbers shown to the user (none: 1..n by
  // position). Refuses, with the reason in words for the user, odds of a taking-part row that
  // are negative, infinite or not a number: no figure could be trusted with them.
  bool Assign(std::span<const double> odds, std::span<const Outcome> outcomes,
              std::span<const int32_t> numbers, int32_t n, std::string* reason);

  int32_t Count() const { return n_; }  // n; 0 when n <= 0
  // Events with a row, from the first: the ones whose odds can be other than 0.0.
  int Rows() const { return static_cast<int>(odds_.size()); }
  double Odds(int32_t i) const { return i < Rows() ? odds_[i] : 0.0; }  // i from 0
  Outcome OutcomeOf(int32_t i) const { return i < Rows() ? outcomes_[i] : Outcome::kPending; }
  int32_t Number(int32_t i) const { return i < Rows() && !numbers_.empty() ? numbers_[i] : i + 1; }

  int32_t Pending() const { return pending_; }  // events without a row included
  int32_t Lost() const { return lost_; }
  // What a settled event pays per unit: its odds when won, 1.00 refunded, 0 lost or pending.
  double SettledValue(int32_t i) const;

 private:
  std::vector<double> odds_;
  std::vector<Outcome> outcomes_;
  std::vector<int32_t> numbers_;
  int32_t n_ = 0;
  int32_t pending_ = 0;
  int32_t lost_ = 0;
};

}  // namespace app
