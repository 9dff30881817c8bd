// qt_screenshot: opens a window laid out like the calculator (the same kinds of controls,
// fonts, colours, icons and list format, with a few odds rows) through the Qt backend and
// saves it as a PNG: `qt_screenshot out.png`. Without a display it draws offscreen.
#include <QApplication>
#include <QImage>
#include <QPixmap>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "runtime/windows/backend.h"
#include "runtime/windows/properties.h"
#include "runtime/qt/coin_gif.h"
#include "runtime/qt/qt_backend.h"
#include "runtime/qt/window_mirror.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/values/row_queue.h"
#include "runtime/windows/window.h"

namespace {

#pragma pack(push, 1)
struct OddsRow {
  uint8_t nn;
  double kf;
  uint8_t mark;
  char position[1024];
};
#pragma pack(pop)

rt::ControlResource Make(int number, rt::ControlKind kind, int x, int y, int w = 0, int h = 0,
                         std::string text = {}) {
  rt::ControlResource c;
  c.number = number;
  c.kind = kind;
  c.x = x;
  c.y = y;
  c.width = w;
  c.height = h;
  c.text = std::move(text);
  return c;
}

rt::WindowResource CalculatorLikeWindow() {
  using rt::ControlKind;
  rt::WindowResource w;
  w.label = "SHOT$WINDOW";
  w.font = {"MS Sans Serif", 8, rt::kWeightNormal, false};
  w.width = 210;
  w.height = 130;
  const rt::FontSpec bold{"", 0, rt::kWeightBold, false};
  const rt::Color green = rt::Rgb(153, 169, 152);
  auto add = [&](rt::ControlResource c) { w.controls.push_back(std::move(c)); };

  auto about = Make(1, ControlKind::kButton, 161, 25, 22, 20);
  about.icon = rt::StandardIconRef(32517);
  add(about);
  auto total = Make(2, ControlKind::kString, 123, 73);
  total.picture = "n_10.2";
  total.binding = 1;
  add(total);
  auto list = Make(3, ControlKind::kList, 31, 16, 59, 98);
  list.list_format = "[20R(5)|_@n2@30R(5)_M@n5.2@]";
  list.message = "Browsing Records";
  list.font = bold;
  list.background = green;
  list.page_mode = true;
  list.vscroll = true;
  list.binding = 2;
  add(list);
  add(Make(4, ControlKind::kPrompt, 95, 15, 0, 0, "Система k из n"));
  auto events = Make(5, ControlKind::kEntry, 95, 36, 25, 10);
  events.picture = "n3";
  events.font = bold;
  events.background = green;
  events.binding = 3;
  add(events);
  auto size = Make(6, ControlKind::kSpin, 125, 36, 30, 10);
  size.picture = "n2";
  size.has_range = true;
  size.range_low = 1;
  size.range_high = 9;
  size.font = bold;
  size.background = green;
  size.binding = 4;
  add(size);
  auto help = Make(7, ControlKind::kButton, 161, 83, 22, 20);
  help.icon = rt::StandardIconRef(rt::kIconWarning);
  add(help);
  add(Make(8, ControlKind::kPrompt, 95, 51, 0, 0, "Сум.- 1 вар :"));
  add(Make(9, ControlKind::kButton, 109, 89, 15, 12, "+"));
  add(Make(10, ControlKind::kButton, 125, 89, 15, 12, "?"));
  add(Make(11, ControlKind::kPrompt, 95, 62, 0, 0, "Кол-во вар.:"));
  add(Make(12, ControlKind::kButton, 141, 89, 15, 12, "--"));
  auto variants = Make(13, ControlKind::kString, 141, 62);
  variants.picture = "n_6";
  variants.binding = 5;
  add(variants);
  add(Make(14, ControlKind::kButton, 93, 89, 15, 12, "\xD0\xA1"));  // Cyrillic capital Es
  auto stake = Make(15, ControlKind::kEntry, 145, 50, 29, 10);
  stake.picture = "n_7.2";
  stake.font = bold;
  stake.background = green;
  stake.binding = 6;
  add(stake);
  auto image = Make(16, ControlKind::kImage, 1, 1);
  image.image_data = rt::CoinGif();
  add(image);
  add(Make(17, ControlKind::kButton, 93, 102, 63, 12, "Расчет"));
  add(Make(18, ControlKind::kPrompt, 95, 73, 0, 0, "Сумма :"));
  add(Make(19, ControlKind::kPrompt, 97, 25, 0, 0, "из :"));
  add(Make(20, ControlKind::kPrompt, 125, 25, 0, 0, "по :"));
  return w;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argc > 0 ? argv[0] : "qt_screenshot");
    return 2;
  }
  const std::string out = argv[1];
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  rt::QtBackend backend(argc, argv);
  rt::SetBackend(&backend);

  double total_return = 156.75;
  int16_t event_count = 3;
  uint8_t system_size = 2;
  int16_t variant_count = 3;
  double stake = 10;
  rt::Queue<OddsRow> rows;
  rt::RecordDescriptor layout;
  layout.Add("KF:NN", rt::Type::Byte)
      .Add("KF:KF", rt::Type::Real)
      .Add("MARK", rt::Type::Byte)
      .Add("VIEWPOSITION", rt::Type::String, 1024);
  const double odds[] = {1.85, 2.10, 1.50};
  for (int i = 0; i < 3; ++i) {
    rows.buffer = OddsRow{};
    rows.buffer.nn = static_cast<uint8_t>(i + 1);
    rows.buffer.kf = odds[i];
    rows.Append();
  }

  const rt::WindowResource resource = CalculatorLikeWindow();
  std::string error;
  std::unique_ptr<rt::Window> window = rt::Window::Prepare(
      resource,
      {rt::AnyRef::Of(total_return), rt::Window::Binding(&rows, &layout),
       rt::AnyRef::Of(event_count), rt::AnyRef::Of(system_size), rt::AnyRef::Of(variant_count),
       rt::AnyRef::Of(stake)},
      &error);
  if (!window) {
    std::fprintf(stderr, "qt_screenshot: %s\n", error.c_str());
    return 1;
  }
  window->Open();
  // As the calculator opens: the focus on the list, its first row highlighted.
  window->Select(3, 1);

  rt::WindowMirror* mirror = backend.MirrorOf(*window);
  if (mirror == nullptr) {
    std::fprintf(stderr, "qt_screenshot: the window has no widgets\n");
    return 1;
  }
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  QImage shot = mirror->grab().toImage();
  if (shot.isNull() || !shot.save(QString::fromStdString(out), "PNG")) {
    std::fprintf(stderr, "qt_screenshot: cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: %d x %d pixels\n", out.c_str(), shot.width(), shot.height());
  window.reset();
  rt::SetBackend(nullptr);
  return 0;
}
