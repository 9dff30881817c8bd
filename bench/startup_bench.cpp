// Start-up: the time from nothing to a shown window, for an empty Qt window, for one with a
// text (the font system's share) and for the calculator (the whole program: start-up steps,
// odds table, window procedure) on the Qt backend. The calculator should stay close to the
// empty window. All run in this process, each iteration from a fresh application object to
// its window exposed; the teardown that follows is timed apart (counter "teardown_ms"), since
// the goal is about the start. Without a display the offscreen platform draws.
//
// What an iteration cannot include: loading the Qt libraries and the platform plugin, which
// happens once per process and so the same for all.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/calculator_window_procedure.h"
#include "app/odds_file.h"
#include "app/program.h"
#include "runtime/windows/backend.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/temp_folder.h"
#include "runtime/qt/qt_backend.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long one start may take before the iteration is given up as broken.
constexpr qint64 kStartLimitMs = 20000;

int g_argc = 1;
char g_name[] = "startup_bench";
char* g_argv[] = {g_name, nullptr};

bool Exposed(QWidget* w) {
  return w != nullptr && w->isVisible() && w->windowHandle() != nullptr &&
         w->windowHandle()->isExposed();
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The odds file the calculator's browse opens, with a few rows as a user has them.
bool WriteOdds(const std::string& folder) {
  app::OddsRecord rec{};
  rt::KeyedFile file(app::OddsDeclaration(), &rec);
  file.SetName(folder + "/kf");
  if (file.Create() != 0 || file.Open() != 0) return false;
  const double odds[] = {1.5, 2.0, 3.0, 1.85, 2.45};
  uint8_t nn = 0;
  for (double kf : odds) {
    rec.nn = ++nn;
    rec.kf = kf;
    if (file.Add() != 0) return false;
  }
  return true;
}

// A plain Qt window from a fresh application object to exposed; with_text puts one button
// with a text on it, which brings in the font system (the empty window never touches it).
void PlainWindowShown(benchmark::State& state, bool with_text) {
  Clock::duration teardown{};
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    auto app = std::make_unique<QApplication>(g_argc, g_argv);
    auto window = std::make_unique<QWidget>();
    window->resize(320, 240);
    if (with_text) (new QPushButton(QStringLiteral("Расчет"), window.get()))->move(20, 20);
    window->show();
    QElapsedTimer limit;
    limit.start();
    while (!Exposed(window.get()) && limit.elapsed() < kStartLimitMs) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    const Clock::time_point shown = Clock::now();
    if (!Exposed(window.get())) {
      state.SkipWithError("the window was never exposed");
      break;
    }
    state.SetIterationTime(Seconds(shown - start));
    window.reset();
    app.reset();
    teardown += Clock::now() - shown;
  }
  state.counters["teardown_ms"] =
      benchmark::Counter(Seconds(teardown) * 1000, benchmark::Counter::kAvgIterations);
}

void BM_EmptyQtWindowShown(benchmark::State& state) { PlainWindowShown(state, false); }
BENCHMARK(BM_EmptyQtWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_QtWindowWithTextShown(benchmark::State& state) { PlainWindowShown(state, true); }
BENCHMARK(BM_QtWindowWithTextShown)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CalculatorWindowShown(benchmark::State& state) {
  rt::TempFolder folder;
  if (folder.path().empty() || !WriteOdds(folder.path())) {
    state.SkipWithError("cannot write the odds file");
    return;
  }
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());

  Clock::duration teardown{};
  Clock::duration before_window{};
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    auto qt = std::make_unique<rt::QtBackend>(g_argc, g_argv);
    rt::SetBackend(qt.get());
    Clock::time_point shown{};
    bool seen = false;
    // Looks for the shown window whenever the program's loop lets Qt run, and closes it as a
    // user would once it is exposed; past the limit it closes whatever is there.
    QElapsedTimer limit;
    limit.start();
    QTimer watcher;
    watcher.setInterval(0);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      rt::Window* w = rt::TargetWindow();
      rt::WindowMirror* mirror = w ? qt->MirrorOf(*w) : nullptr;
      const bool exposed = Exposed(mirror);
      if (exposed && !seen) {
        shown = Clock::now();
        seen = true;
      }
      const bool late = limit.elapsed() > kStartLimitMs;
      // A message box in the way of a start that went wrong is dismissed, so the run ends.
      if (late && QApplication::activeModalWidget() != nullptr) {
        QApplication::activeModalWidget()->close();
      }
      if (w != nullptr && (exposed || late)) {
        watcher.stop();
        w->UserClose();
      }
    });
    watcher.start();
    app::StartupOptions options;
    options.window_procedure = app::CalculatorWindowProcedure;
    // The program's own start-up ends where its window procedure begins.
    options.trace = [&](std::string_view step) {
      if (step == "odds-setup") before_window += Clock::now() - start;
    };
    const int code = app::RunProgram(options);
    watcher.stop();
    rt::SetBackend(nullptr);
    qt.reset();
    if (!seen || code != 0) {
      state.SkipWithError(seen ? "the program ended with an error" : "no window was exposed");
      break;
    }
    state.SetIterationTime(Seconds(shown - start));
    teardown += Clock::now() - shown;
  }
  state.counters["teardown_ms"] =
      benchmark::Counter(Seconds(teardown) * 1000, benchmark::Counter::kAvgIterations);
  state.counters["before_window_ms"] =
      benchmark::Counter(Seconds(before_window) * 1000, benchmark::Counter::kAvgIterations);
  std::filesystem::current_path(home);
}
BENCHMARK(BM_CalculatorWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
