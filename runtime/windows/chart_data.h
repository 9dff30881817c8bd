// ChartData: what a chart control shows: a series of bars, each spanning from a low to a high
// value over its category, and optionally a level drawn as a line across all of them. A plain
// value: the control holds its own copy, backends read it from the control.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rt {

struct ChartBar {
  std::string label;  // the category under the bar
  double low = 0.0;   // the bar spans low..high; low == high draws no bar
  double high = 0.0;

  bool operator==(const ChartBar&) const = default;
};

struct ChartData {
  std::string bars_name;            // what the bars are, for a legend
  std::vector<ChartBar> bars;
  std::optional<double> level;      // none: no line
  std::string level_name;           // what the line is, for a legend

  bool operator==(const ChartData&) const = default;
};

}  // namespace rt
