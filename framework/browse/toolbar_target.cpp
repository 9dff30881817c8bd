#include "framework/browse/toolbar_target.h"

#include <string>

#include "framework/browse/browse_manager.h"
#include "framework/constants/constant_table.h"
#include "framework/window/translator_interface.h"
#include "framework/window/window_manager.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/windows/window.h"

namespace fw {

namespace {

// The navigation buttons' tips as a packed constant table: a count byte, then per row a
// little-endian 16-bit control number, a length byte and the text.
const std::string& ToolTipTable() {
  static const std::string table = [] {
    const struct {
      uint16_t control;
      const char* tip;
    } rows[] = {
        {kToolbarDown, "Go to the Next Record"},  {kToolbarBottom, "Go to the Last Page"},
        {kToolbarTop, "Go to the First Page"},    {kToolbarPageDown, "Go to the Next Page"},
        {kToolbarPageUp, "Go to the Prior Page"}, {kToolbarUp, "Go to the Prior Record"},
        {kToolbarInsert, "Insert a new Record"},
    };
    std::string t(1, static_cast<char>(sizeof rows / sizeof rows[0]));
    for (const auto& r : rows) {
      std::string tip = r.tip;
      t += static_cast<char>(r.control & 0xFF);
      t += static_cast<char>(r.control >> 8);
      t += static_cast<char>(tip.size());
      t += tip;
    }
    return t;
  }();
  return table;
}

// A button is usable when it is set, exists and is not disabled.
bool Usable(const rt::Window& w, int32_t control) {
  return control != 0 && w.Find(control) && w.PropertyInt(control, rt::kPropDisabled) == 0;
}

void SetEnabled(rt::Window& w, int32_t control, bool enabled) {
  if (!w.Find(control)) return;
  if (enabled) {
    w.Enable(control);
  } else {
    w.Disable(control);
  }
}

}  // namespace

int ToolbarNavigationEvent(int32_t button) {
  switch (button) {
    case kToolbarBottom: return rt::kEventScrollBottom;
    case kToolbarTop: return rt::kEventScrollTop;
    case kToolbarPageDown: return rt::kEventPageDown;
    case kToolbarPageUp: return rt::kEventPageUp;
    case kToolbarDown: return rt::kEventScrollDown;
    case kToolbarUp: return rt::kEventScrollUp;
    case kToolbarLocate: return rt::kEventLocate;
    default: return 0;
  }
}

rt::Window* ToolbarTarget::Window() const {
  if (BROWSE && BROWSE->WINDOW) return BROWSE->WINDOW->window();
  return rt::TargetWindow();
}

void ToolbarTarget::RefreshButtons() {
  rt::Window* w = Window();
  if (!w) return;
  SetEnabled(*w, kToolbarHistory, false);
  for (int32_t b = kToolbarBottom; b <= kToolbarLocate; ++b) SetEnabled(*w, b, true);
  SetEnabled(*w, kToolbarSelect, Usable(*w, SELECTBUTTON));
  SetEnabled(*w, kToolbarDelete, Usable(*w, DELETEBUTTON));
  SetEnabled(*w, kToolbarChange, Usable(*w, CHANGEBUTTON));
  SetEnabled(*w, kToolbarInsert, Usable(*w, INSERTBUTTON));
  SetEnabled(*w, kToolbarHelp, Usable(*w, HELPBUTTON));
}

void ToolbarTarget::Activate() {
  if (rt::Window* w = Window()) {
    uint16_t control = 0;
    char tip[256];
    ConstantTable table;
    table.Setup(ConstantTable::kByteCount);
    table.BindItem(ConstantTable::kUShort, rt::AnyRef::Of(control));
    table.BindItem(ConstantTable::kCountedText, rt::AnyRef::CString(tip));
    const std::string& source = ToolTipTable();
    table.SetSource(source.data(), source.size());
    while (table.ReadRecord() == 0) {
      if (!w->Find(control)) continue;
      TranslatorInterface* translator =
          BROWSE && BROWSE->WINDOW ? BROWSE->WINDOW->TRANSLATOR : nullptr;
      w->SetProperty(control, rt::kPropToolTip,
                     translator ? translator->TranslateText(tip) : std::string(tip));
    }
    table.Teardown();
  }
  RefreshButtons();
}

bool ToolbarTarget::ActivateIfVisible() {
  rt::Window* w = Window();
  if (!w || CONTROL == 0 || w->PropertyInt(CONTROL, rt::kPropVisible) == 0) return false;
  Activate();
  return true;
}

void ToolbarTarget::HandleToolbarEvent(int32_t* navigationRequest, WindowManager& window) {
  rt::Window* w = Window();
  const int32_t accepted = rt::Accepted();
  if (!w || accepted == 0) return;
  switch (accepted) {
    case kToolbarSelect:
      window.FetchSelectedRecords();
      window.RESPONSE = kResponseCompleted;
      w->Post(rt::kEventCloseWindow);
      return;
    case kToolbarHelp:
      rt::PressKey(rt::kKeyF1);
      return;
    case kToolbarInsert:
      if (INSERTBUTTON != 0) w->Post(rt::kEventAccepted, INSERTBUTTON);
      return;
    case kToolbarChange:
      if (CHANGEBUTTON != 0) w->Post(rt::kEventAccepted, CHANGEBUTTON);
      return;
    case kToolbarDelete:
      if (DELETEBUTTON != 0) w->Post(rt::kEventAccepted, DELETEBUTTON);
      return;
    default:
      if (int event = ToolbarNavigationEvent(accepted)) {
        if (CONTROL != 0) w->Post(event, CONTROL);
      }
      return;
  }
}

}  // namespace fw
