// Qt's own translation of its standard texts (message box buttons, the standard dialogs), so
// a program in another language does not show "Yes" and "No" under its own words. No Qt header
// is needed to use it.
#pragma once

#include <string_view>

namespace rt {

// Installs Qt's translation for language ("ru") from the system's Qt translations. Needs the
// application object (make the QtBackend first). False, and the texts stay as they were, when
// the translation is not installed or cannot be read.
bool InstallQtTranslation(std::string_view language);

}  // namespace rt
