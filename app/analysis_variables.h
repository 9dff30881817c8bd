// The analysis window procedure's variables: the values its controls are bound to, the rows
// list's queue (a page, filled by the browse), every row read for the settlement, and the window
// itself. They live while the procedure runs.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "app/analysis_events.h"
#include "app/outcome_table.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/values/row_queue.h"
#include "runtime/windows/window.h"

namespace app {

#pragma pack(push, 1)
// A row of the rows list: the record's fields, its outcome in words, then the browse's mark and
// view position.
struct AnalysisRow {
  uint8_t nn;         // KF:NN
  double kf;          // KF:KF
  char outcome[32];   // OUTCOME, in words (UTF-8)
  uint8_t mark;       // MARK
  char view_position[1024];  // VIEWPOSITION
};
struct VariantListRow {
  char number[24];   // from 1, in full
  char events[64];   // "1+2+5"
  double odds;       // the product of its events' odds
  double payout;
  char state[48];    // UTF-8
};
#pragma pack(pop)

// A figure line holds a return of up to 10^22 variants in full, with its words.
inline constexpr size_t kFigureTextSize = 400;

struct AnalysisVariables {
  AnalysisVariables() {
    RowsLayout.Add("KF:NN", rt::Type::Byte)
        .Add("KF:KF", rt::Type::Real)
        .Add("OUTCOME", rt::Type::String, sizeof(AnalysisRow::outcome))
        .Add("MARK", rt::Type::Byte)
        .Add("VIEWPOSITION", rt::Type::String, sizeof(AnalysisRow::view_position));
    VariantLayout.Add("NUMBER", rt::Type::String, sizeof(VariantListRow::number))
        .Add("EVENTS", rt::Type::String, sizeof(VariantListRow::events))
        .Add("ODDS", rt::Type::Real)
        .Add("PAYOUT", rt::Type::Real)
        .Add("STATE", rt::Type::String, sizeof(VariantListRow::state));
  }

  rt::Queue<AnalysisRow> Rows;  // the page the browse shows
  rt::RecordDescriptor RowsLayout;
  // The outcome column's record side: the highlighted row's outcome in words, as the browse
  // loads it from the list and saves it from an edit.
  char RowOutcome[sizeof(AnalysisRow::outcome)] = "";
  // Every row of the table in key order, for the settlement: numbers, odds, outcomes.
  std::vector<int32_t> AllNumbers;
  std::vector<double> AllOdds;
  std::vector<Outcome> RowOutcomes;
  OutcomesByRow Outcomes{};  // by row number
  rt::Queue<VariantListRow> VariantRows;  // the page shown
  rt::RecordDescriptor VariantLayout;
  int16_t Events = 0;
  char Sizes[32] = "";
  double Stake = 0.0;
  char Variants[kFigureTextSize] = "";
  char TotalStake[kFigureTextSize] = "";
  char Settled[kFigureTextSize] = "";
  char AllWin[kFigureTextSize] = "";
  char AllLose[kFigureTextSize] = "";
  char Sentence[kFigureTextSize] = "";
  uint8_t FilesOpened = 0;
  std::unique_ptr<rt::Window> window;
};

}  // namespace app
