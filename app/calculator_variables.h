// The calculator window procedure's variables: the values its controls are bound to, the list
// queue the browse fills, the odds read for a computation, and the window itself. They live
// while the procedure runs; CalculatorWindow and OddsBrowse (through its Q field) reach them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "app/system_bet.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/values/row_queue.h"
#include "runtime/windows/window.h"

namespace app {

#pragma pack(push, 1)
// A row of the odds list: the record's fields, then the browse's mark and view position.
struct OddsListRow {
  uint8_t nn;              // KF:NN
  double kf;               // KF:KF
  uint8_t mark;            // MARK
  char view_position[1024];  // VIEWPOSITION
};
#pragma pack(pop)
static_assert(sizeof(OddsListRow) == 1034, "the odds list row is 1034 packed bytes");

// Room for the count's text: C(999, 9) has 22 digits.
inline constexpr size_t kVariantCountTextSize = 32;
// Counts are shown right-justified in at least this many characters, as a six-wide number.
inline constexpr size_t kVariantCountMinWidth = 6;
// Room for the total's text: every digit of the largest finite double, the point and two
// decimals (what the entries admit reaches 39 digits).
inline constexpr size_t kTotalReturnTextSize = 320;
// Totals are shown right-justified in at least this many characters, as "n_10.2" would.
inline constexpr size_t kTotalReturnMinWidth = 10;

struct CalculatorVariables {
  CalculatorVariables() : OddsArray(kOddsCapacity, 0.0) {
    ListLayout.Add("KF:NN", rt::Type::Byte)
        .Add("KF:KF", rt::Type::Real)
        .Add("MARK", rt::Type::Byte)
        .Add("VIEWPOSITION", rt::Type::String, sizeof(OddsListRow::view_position));
  }

  double TotalReturn = 0.0;  // "Сумма :", the computation's result
  // "Сумма :" as shown: TotalReturn in full with two decimals (a CSTRING), never "#"s for a
  // total that merely has many digits.
  char TotalReturnText[kTotalReturnTextSize] = "      0.00";
  rt::Queue<OddsListRow> ListQueue;
  rt::RecordDescriptor ListLayout;
  int16_t EventCount = 0;   // n, "из :", picture "n3"
  uint8_t SystemSize = 0;   // k, "по :", range 1..9
  // "Кол-во вар.:": the exact count as decimal text (a CSTRING), never a wrapped number.
  char VariantCount[kVariantCountTextSize] = "     0";
  double StakePerVariant = 0.0;  // picture "n_7.2"
  std::vector<double> OddsArray;  // kOddsCapacity entries; the odds read, in key order
  uint8_t FilesOpened = 0;        // the odds table was opened by the window's Setup
  std::unique_ptr<rt::Window> window;
};

}  // namespace app
