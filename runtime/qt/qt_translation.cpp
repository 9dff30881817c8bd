#include "runtime/qt/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

namespace rt {

bool InstallQtTranslation(std::string_view language) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || language.empty()) return false;
  // The application owns the translator, so it lives exactly as long as the texts it serves.
  auto* translator = new QTranslator(app);
  const QString name = QStringLiteral("qtbase_") +
                       QString::fromUtf8(language.data(), static_cast<qsizetype>(language.size()));
  if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
      !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return false;
  }
  return true;
}

}  // namespace rt
