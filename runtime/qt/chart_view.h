// The Qt face of a chart control: a Qt Charts view showing ChartData as floating bars (each
// from its low to its high value, over its category) and the level as a line across them.
// The view is a child of the mirror window and owned by it like any control's widget.
#pragma once

#include <QWidget>

#include "runtime/windows/chart_data.h"

namespace rt {

QWidget* MakeChartView(QWidget* parent);
// Replaces what the view shows by `data`.
void ShowChart(QWidget* view, const ChartData& data);

}  // namespace rt
