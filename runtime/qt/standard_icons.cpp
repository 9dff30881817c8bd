#include "runtime/qt/standard_icons.h"

#include <QApplication>

#include "runtime/windows/backend.h"

namespace rt {

namespace {
constexpr uint16_t kIconSystemLogo = 32517;
}

std::optional<QStyle::StandardPixmap> StandardPixmapFor(uint16_t id) {
  switch (id) {
    case kIconApplication: return QStyle::SP_ComputerIcon;
    case kIconError: return QStyle::SP_MessageBoxCritical;
    case kIconQuestion: return QStyle::SP_MessageBoxQuestion;
    case kIconWarning: return QStyle::SP_MessageBoxWarning;
    case kIconInformation: return QStyle::SP_MessageBoxInformation;
    case kIconSystemLogo: return QStyle::SP_MessageBoxQuestion;
    default: return std::nullopt;
  }
}

QIcon StandardIcon(uint16_t id) {
  std::optional<QStyle::StandardPixmap> sp = StandardPixmapFor(id);
  if (!sp) return QIcon();
  return QApplication::style()->standardIcon(*sp);
}

QIcon StandardIconFromRef(std::string_view ref) {
  std::optional<uint16_t> id = ParseStandardIconRef(ref);
  return id ? StandardIcon(*id) : QIcon();
}

QMessageBox::Icon MessageBoxIconFor(std::string_view ref) {
  std::optional<uint16_t> id = ParseStandardIconRef(ref);
  if (!id) return QMessageBox::NoIcon;
  switch (*id) {
    case kIconError: return QMessageBox::Critical;
    case kIconQuestion: return QMessageBox::Question;
    case kIconWarning: return QMessageBox::Warning;
    case kIconInformation: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

}  // namespace rt
