#include "runtime/qt/chart_view.h"

#include <QBarCategoryAxis>
#include <QBarLegendMarker>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPen>
#include <QStackedBarSeries>
#include <QValueAxis>

#include <algorithm>

namespace rt {

QWidget* MakeChartView(QWidget* parent) {
  auto* view = new QChartView(parent);
  view->setRenderHint(QPainter::Antialiasing);
  view->chart()->legend()->setAlignment(Qt::AlignBottom);
  view->chart()->setMargins(QMargins(2, 2, 2, 2));
  return view;
}

void ShowChart(QWidget* widget, const ChartData& data) {
  auto* view = qobject_cast<QChartView*>(widget);
  if (view == nullptr) return;
  QChart* chart = view->chart();
  chart->removeAllSeries();
  for (QAbstractAxis* axis : chart->axes()) {
    chart->removeAxis(axis);
    delete axis;
  }

  // A floating bar is a stack of an invisible part up to its low and a drawn part up to its
  // high.
  auto* below = new QBarSet(QString());
  below->setColor(Qt::transparent);
  below->setBorderColor(Qt::transparent);
  auto* span = new QBarSet(QString::fromStdString(data.bars_name));
  span->setColor(QColor(70, 130, 180));
  span->setBorderColor(QColor(40, 90, 140));
  QStringList categories;
  double bottom = 0.0, top = 0.0;
  for (const ChartBar& bar : data.bars) {
    bottom = std::min({bottom, bar.low, bar.high});
    top = std::max({top, bar.low, bar.high});
  }
  if (data.level) {
    bottom = std::min(bottom, *data.level);
    top = std::max(top, *data.level);
  }
  // A bar whose low and high are one value would not show at all: it gets a thin mark there.
  const double mark = (top - bottom) * 0.006;
  for (const ChartBar& bar : data.bars) {
    double low = std::min(bar.low, bar.high), high = std::max(bar.low, bar.high);
    if (high - low < mark) {
      low = std::max(bottom, (low + high) / 2 - mark / 2);
      high = low + mark;
    }
    below->append(low);
    span->append(high - low);
    categories << QString::fromStdString(bar.label);
  }
  auto* bars = new QStackedBarSeries;
  bars->append(below);
  bars->append(span);
  bars->setBarWidth(0.8);
  chart->addSeries(bars);

  auto* x = new QBarCategoryAxis;
  x->append(categories);
  // Hundreds of categories would print over each other; the bars still show their place.
  x->setLabelsVisible(categories.size() <= 40);
  chart->addAxis(x, Qt::AlignBottom);
  bars->attachAxis(x);
  auto* y = new QValueAxis;
  chart->addAxis(y, Qt::AlignLeft);
  bars->attachAxis(y);

  if (data.level) {
    auto* line = new QLineSeries;
    line->setName(QString::fromStdString(data.level_name));
    const double last = static_cast<double>(std::max<qsizetype>(categories.size(), 1)) - 0.5;
    line->append(-0.5, *data.level);
    line->append(last, *data.level);
    line->setPen(QPen(QColor(200, 40, 40), 2));
    chart->addSeries(line);
    line->attachAxis(x);
    line->attachAxis(y);
  }
  y->setRange(bottom, top > bottom ? top * 1.05 : bottom + 1.0);
  y->applyNiceNumbers();
  for (QLegendMarker* marker : chart->legend()->markers(bars)) {
    auto* bar_marker = qobject_cast<QBarLegendMarker*>(marker);
    if (bar_marker != nullptr && bar_marker->barset() == below) marker->setVisible(false);
  }
  chart->legend()->setVisible(!data.bars_name.empty() || !data.level_name.empty());
}

}  // namespace rt
