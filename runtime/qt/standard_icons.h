// Standard system icons (the ids of runtime/backend.h, as window resources and message boxes
// name them) drawn from the running Qt style, so they match the rest of the desktop.
#pragma once

#include <QIcon>
#include <QMessageBox>
#include <QStyle>

#include <cstdint>
#include <optional>
#include <string_view>

namespace rt {

// The style's picture for a standard icon id; nullopt for ids the runtime does not know.
//   32512 application      -> SP_ComputerIcon
//   32513 error (hand)     -> SP_MessageBoxCritical
//   32514 question         -> SP_MessageBoxQuestion
//   32515 warning          -> SP_MessageBoxWarning
//   32516 information      -> SP_MessageBoxInformation
//   32517 system logo      -> SP_MessageBoxQuestion
// A style has no system logo; the calculator puts 32517 on its "about" button, and a question
// mark is what a desktop user reads as "tell me about this".
std::optional<QStyle::StandardPixmap> StandardPixmapFor(uint16_t id);

// The icon for an id, or a null QIcon for an unknown one.
QIcon StandardIcon(uint16_t id);
// The icon a 4-byte standard icon reference names; null for an empty or unknown reference.
QIcon StandardIconFromRef(std::string_view ref);

// The message box's own icon kind for a reference; NoIcon for an empty one. Ids without a
// kind of their own (application, system logo) give NoIcon: the caller shows their picture.
QMessageBox::Icon MessageBoxIconFor(std::string_view ref);

}  // namespace rt
