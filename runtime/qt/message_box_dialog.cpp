#include "runtime/qt/message_box_dialog.h"

#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QVariant>

#include <optional>

#include "runtime/qt/standard_icons.h"

namespace rt {

namespace {

constexpr char kRuntimeButtonProperty[] = "tovikButton";

struct ButtonKind {
  int runtime;
  QMessageBox::StandardButton qt;
};
constexpr ButtonKind kButtons[] = {
    {kButtonOk, QMessageBox::Ok},
    {kButtonYes, QMessageBox::Yes},
    {kButtonNo, QMessageBox::No},
    {kButtonCancel, QMessageBox::Cancel},
};

QString Utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(const MessageBoxRequest& request, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(Utf8(request.caption));
  QStringList lines;
  for (std::string_view line : MessageLines(request.text)) {
    lines << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
  }
  // Plain text: a message quoting a file name or a filter must not turn into markup.
  box->setTextFormat(Qt::PlainText);
  box->setText(lines.join(QLatin1Char('\n')));

  QMessageBox::Icon kind = MessageBoxIconFor(request.icon);
  if (kind != QMessageBox::NoIcon) {
    box->setIcon(kind);
  } else if (std::optional<uint16_t> id = ParseStandardIconRef(request.icon)) {
    QIcon icon = StandardIcon(*id);
    if (!icon.isNull()) {
      int size = box->style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, box.get());
      box->setIconPixmap(icon.pixmap(size, size));
    }
  }

  for (const ButtonKind& b : kButtons) {
    if ((request.buttons & b.runtime) == 0) continue;
    QPushButton* button = box->addButton(b.qt);
    button->setProperty(kRuntimeButtonProperty, b.runtime);
    if (request.default_button == b.runtime) box->setDefaultButton(button);
  }
  return box;
}

int RuntimeButtonOf(const QAbstractButton* button) {
  if (button == nullptr) return 0;
  QVariant v = button->property(kRuntimeButtonProperty);
  return v.isValid() ? v.toInt() : 0;
}

int RunMessageBox(const MessageBoxRequest& request, QWidget* parent) {
  std::unique_ptr<QMessageBox> box = MakeMessageBox(request, parent);
  QPointer<QMessageBox> alive(box.get());
  box->exec();
  if (!alive) {
    // The parent window went away under the box and took it along.
    (void)box.release();
  } else if (int pressed = RuntimeButtonOf(box->clickedButton()); pressed != 0) {
    return pressed;
  }
  return (request.buttons & kButtonCancel) ? kButtonCancel : request.default_button;
}

}  // namespace rt
