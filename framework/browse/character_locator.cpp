#include "framework/browse/character_locator.h"

#include <string>
#include <string_view>

#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/values/text.h"
#include "runtime/windows/window.h"

namespace fw {
namespace {

// UTF-8 of one character; empty for values that are not characters (surrogates, past U+10FFFF).
std::string Encode(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    if (c >= 0xD800 && c <= 0xDFFF) return {};
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c <= 0x10FFFF) {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// The bytes of the first character of text (a lone or broken byte counts as one character);
// empty for an empty text.
std::string_view FirstCharacter(std::string_view text) {
  if (text.empty()) return {};
  unsigned char lead = static_cast<unsigned char>(text[0]);
  size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (length > text.size()) return text.substr(0, 1);
  for (size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return text.substr(0, 1);
  }
  return text.substr(0, length);
}

}  // namespace

void CharacterLocator::Setup(int32_t control, const rt::AnyRef& field, uint8_t noCase,
                             LocatorHost* browse) {
  FREEELEMENT = field;
  CONTROL = control;
  NOCASE = noCase;
  VIEWMANAGER = browse;
}

void CharacterLocator::SetEnabled(bool hasRows) {
  if (CONTROL == 0 || VIEWMANAGER == nullptr) return;
  rt::Window* window = VIEWMANAGER->LocatorWindow();
  if (window == nullptr) return;
  window->SetPropertyInt(CONTROL, rt::kPropDisabled, hasRows ? 0 : 1);
}

void CharacterLocator::Teardown() { FREEELEMENT = rt::AnyRef(); }

void CharacterLocator::AfterLocate() {}

void CharacterLocator::ResetLocator() {}

void CharacterLocator::PrepareForList(int32_t /*listControl*/) {}

bool CharacterLocator::HandleAccepted() { return false; }

bool CharacterLocator::HandleTypedKey() {
  std::string typed = Encode(rt::KeyChar());
  // Control characters (Enter, Tab, Esc, Backspace) come with their code as the character;
  // they are keys, not text to look for.
  if (typed.empty() || static_cast<unsigned char>(typed[0]) < 0x20 || typed == "\x7F") {
    return false;
  }
  if (VIEWMANAGER == nullptr) return false;

  bool taken = false;
  if (VIEWMANAGER->ListQueueRecords() > 0) {
    taken = true;
    VIEWMANAGER->StepOneRow(rt::kEventScrollDown);
    VIEWMANAGER->LoadCurrentRow();
  }
  // A locator set up without a field can only step.
  if (FREEELEMENT.IsNull()) return taken;

  std::string current(FirstCharacter(FREEELEMENT.Text()));
  std::string wanted = typed;
  if (NOCASE == 1) {
    current = rt::Upper(current);
    wanted = rt::Upper(wanted);
  }
  if (current == wanted) return taken;

  // A text field too short for the character would be left blank, and the browse would jump
  // to the first record instead of the typed one: only step then.
  if ((FREEELEMENT.type() == rt::Type::String && typed.size() > FREEELEMENT.size()) ||
      (FREEELEMENT.type() == rt::Type::CString && typed.size() + 1 > FREEELEMENT.size())) {
    return taken;
  }
  FREEELEMENT.SetText(typed);
  return true;
}

void CharacterLocator::RefreshLocator() { ResetLocator(); }

}  // namespace fw
