#include "framework/popup/popup_manager.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <utility>
#include <vector>

#include "framework/window/translator_interface.h"
#include "framework/popup/toolbox_window_resource.h"
#include "runtime/windows/backend.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/values/text.h"
#include "runtime/windows/window.h"

namespace fw {

// What the owner's thread and the toolbox's thread share. The toolbox holds `mutex` whenever
// it works on the manager and lets go of it only while it waits for its user; the owner takes
// it to touch the items while a toolbox exists. The link outlives the manager when the owner
// tears the manager down first: `manager` is then null and the toolbox only frees its window.
struct PopupManager::ToolboxLink {
  std::mutex mutex;
  PopupManager* manager = nullptr;
  int thread = 0;
  std::unique_ptr<rt::Window> window;  // made and freed on the toolbox's thread
  std::vector<std::string> buttons;    // button k presses the item named buttons[k - 1]
};

namespace {

constexpr size_t kLastSelectionBytes = 1024;

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool IsSeparator(const PopupItem& item) { return PopupField(item.TEXT) == "-"; }

// An icon as a button or a menu names it: a resource name gets its "~", while a name that has
// one already and a standard icon reference are used as they are.
std::string IconRef(std::string_view icon) {
  if (icon.empty()) return {};
  if (icon[0] == '~' || rt::ParseStandardIconRef(icon)) return std::string(icon);
  return "~" + std::string(icon);
}

// The icon for the menu text's "[31848(...)]" part; "" when its bytes would end the part early
// or split the menu (an odd standard icon id can hold ")" or "|"), so the menu keeps its shape.
std::string MenuIconRef(std::string_view icon) {
  std::string ref = IconRef(icon);
  return ref.find_first_of("()[]|{}") == std::string::npos ? ref : std::string();
}

// An item text as the menu text can carry it: "|", "{" and "}" would split the menu or open and
// close submenus, which would shift every later choice onto another item.
std::string MenuSafeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '|') {
      out += "\xC2\xA6";  // the broken bar, which reads the same
    } else if (c == '{') {
      out += '(';
    } else if (c == '}') {
      out += ')';
    } else {
      out += c;
    }
  }
  return out;
}

// A text the menu reader would take for prefixes ("~", "+", "-"), an icon part ("[") or, when
// empty, for no item at all.
bool NeedsTextGuard(std::string_view text) {
  return text.empty() || std::strchr("~+-[", text[0]) != nullptr;
}

// The item as a mimic refresh sees it: the control's text, enabled state and icon read from
// window. Nothing is written back, so each build reads the controls again.
PopupItem Mimicked(const PopupItem& stored, const rt::Window* window) {
  PopupItem item = stored;
  if (item.MIMICMODE != 1) return item;
  std::string control_text =
      window ? window->Property(item.CONTROLID, rt::kPropText) : std::string();
  std::string text(PopupField(item.TEXT));
  if (!control_text.empty() && (text.empty() || text[0] == '!')) text = control_text;
  if (!text.empty() && text[0] == '!') text.erase(0, 1);
  SetPopupField(item.TEXT, text);
  if (item.DISABLED == 0) {
    bool disabled = window && window->PropertyInt(item.CONTROLID, rt::kPropDisabled) == 1;
    item.DISABLED = disabled ? kPopupItemDisabled : kPopupItemEnabled;
  }
  if (PopupField(item.ICON).empty() && window) {
    SetPopupField(item.ICON, window->Property(item.CONTROLID, rt::kPropIcon));
  }
  return item;
}

// The link of the toolbox whose thread this is; null on every other thread.
thread_local void* t_toolbox_link = nullptr;

}  // namespace

// ---------------------------------------------------------------- fields of a row

std::string_view PopupField(const char* field, size_t size) {
  // Names are compared often and a field is mostly padding: skip it eight blanks at a time.
  constexpr uint64_t kBlanks = 0x2020202020202020ull;
  size_t end = size;
  while (end >= 8) {
    uint64_t word;
    std::memcpy(&word, field + end - 8, 8);
    if (word != kBlanks) break;
    end -= 8;
  }
  while (end > 0 && field[end - 1] == ' ') --end;
  return std::string_view(field, end);
}

void SetPopupField(char* field, size_t size, std::string_view text) {
  std::string_view fit = rt::CutToBytes(text, size);
  std::memcpy(field, fit.data(), fit.size());
  std::memset(field + fit.size(), ' ', size - fit.size());
}

PopupItem ClearedPopupItem() {
  PopupItem item;
  SetPopupField(item.ICON, "");
  SetPopupField(item.NAME, "");
  SetPopupField(item.TEXT, "");
  return item;
}

// ---------------------------------------------------------------- life cycle

PopupManager::PopupManager() = default;

PopupManager::~PopupManager() { Release(); }

void PopupManager::Setup() {
  Release();
  POPUPITEMS = std::make_unique<rt::Queue<PopupItem>>();
  CLEARKEYCODE = 1;
  MYTHREAD = rt::ThreadNumber();
}

void PopupManager::Teardown() { Release(); }

void PopupManager::Release() {
  if (toolbox_) {
    std::shared_ptr<ToolboxLink> link = std::move(toolbox_);
    std::unique_lock<std::mutex> lock(link->mutex, std::defer_lock);
    if (t_toolbox_link != link.get()) lock.lock();  // the toolbox's own thread holds it
    link->manager = nullptr;
    // Ask the toolbox to close and let its thread end by itself: waiting for it here could
    // hang a GUI thread that the toolbox's thread needs.
    if (INTOOLBOX == 1) {
      if (std::shared_ptr<rt::RuntimeThread> t = rt::RuntimeThread::Find(link->thread)) {
        rt::Event close;
        close.number = rt::kEventCloseWindow;
        t->Post(close);
      }
    }
  }
  INTOOLBOX = 0;
  THISWINDOW = nullptr;
  POPUPITEMS.reset();
}

// ---------------------------------------------------------------- threads

bool PopupManager::OnToolboxThread() const {
  auto* link = static_cast<ToolboxLink*>(t_toolbox_link);
  return link != nullptr && link->manager == this;
}

std::unique_lock<std::mutex> PopupManager::Guard() const {
  if (OnToolboxThread() || !toolbox_) return {};
  return std::unique_lock<std::mutex>(toolbox_->mutex);
}

rt::Window* PopupManager::MimicWindow() const {
  return OnToolboxThread() ? PARENTWINDOW : rt::TargetWindow();
}

// ---------------------------------------------------------------- items

std::string PopupManager::AppendItem(std::string_view text) { return AppendItem(text, text, {}, 0); }

std::string PopupManager::AppendItem(std::string_view text, std::string_view name) {
  return AppendItem(text, name, {}, 0);
}

std::string PopupManager::AppendItem(std::string_view text, std::string_view name,
                                     std::string_view after, uint16_t depth) {
  auto guard = Guard();
  return AddItem(text, name, after, depth);
}

std::string PopupManager::AddItem(std::string_view text, std::string_view name,
                                  std::string_view after, uint16_t depth) {
  if (!POPUPITEMS || POPUPITEMS->Records() >= kMaxPopupItems) return {};
  rt::Queue<PopupItem>& items = *POPUPITEMS;
  size_t p = after.empty() ? 0 : FindExact(after);
  if (p == 0) p = items.Records();
  if (depth == 0) depth = p == 0 ? 1 : items.At(p)->DEPTH;
  depth = std::clamp<uint16_t>(depth, 1, kMaxPopupDepth);

  PopupItem item = ClearedPopupItem();
  std::string made = MakeNameUnlocked(name);
  SetPopupField(item.NAME, made);
  if (text != "-") {
    while (!text.empty() && (text[0] == '~' || text[0] == '+' || text[0] == '-')) {
      if (text[0] == '~') item.DISABLED = kPopupItemDisabled;
      if (text[0] == '+') item.CHECK = kPopupItemChecked;
      if (text[0] == '-') item.CHECK = kPopupItemUnchecked;
      text.remove_prefix(1);
    }
  }
  SetPopupField(item.TEXT, text);
  item.DEPTH = depth;
  items.buffer = item;
  items.InsertAt(p + 1);
  return made;
}

std::string PopupManager::AppendEventItem(std::string_view name, uint16_t event,
                                          int32_t control) {
  std::string existing;
  {
    auto guard = Guard();
    if (!POPUPITEMS) return {};
    // Only an item of exactly that name is taken over: "&Save" must not claim an unrelated
    // item that happens to be named "Save".
    uint8_t p = FindExact(name);
    if (p != 0) existing = std::string(PopupField(POPUPITEMS->At(p)->NAME));
  }
  std::string result = existing.empty() ? AppendItem(name) : existing;
  if (result.empty()) return {};
  auto guard = Guard();
  uint8_t p = POPUPITEMS ? FindExact(result) : 0;
  if (p == 0) return {};
  auto* row = static_cast<PopupItem*>(POPUPITEMS->RowAt(p));
  row->CONTROLID = control;
  row->EVENT = event;
  row->MIMICMODE = 0;
  row->ONTOOLBOX = 1;
  return result;
}

std::string PopupManager::AppendMimicItem(std::string_view text, std::string_view name,
                                          int32_t control) {
  std::string result = AppendEventItem(name, rt::kEventAccepted, control);
  if (result.empty()) return {};
  auto guard = Guard();
  uint8_t p = POPUPITEMS ? FindExact(result) : 0;
  if (p == 0) return {};
  auto* row = static_cast<PopupItem*>(POPUPITEMS->RowAt(p));
  SetPopupField(row->TEXT, text);
  row->MIMICMODE = 1;
  row->ONTOOLBOX = 1;
  return result;
}

void PopupManager::EnableToolbox(std::string_view name, bool onToolbox) {
  auto guard = Guard();
  uint8_t p = POPUPITEMS ? FindExact(name) : 0;
  if (p == 0) return;
  static_cast<PopupItem*>(POPUPITEMS->RowAt(p))->ONTOOLBOX = onToolbox ? 1 : 0;
}

uint8_t PopupManager::FindItem(std::string_view name) const {
  auto guard = Guard();
  return FindExact(name);
}

uint8_t PopupManager::FindExact(std::string_view name) const {
  if (!POPUPITEMS) return 0;
  std::string_view wanted = rt::Clip(name);
  size_t n = std::min(POPUPITEMS->Records(), kMaxPopupItems);
  for (size_t i = 1; i <= n; ++i) {
    if (PopupField(POPUPITEMS->At(i)->NAME) == wanted) return static_cast<uint8_t>(i);
  }
  return 0;
}

std::string PopupManager::MakeItemName(std::string_view text) const {
  auto guard = Guard();
  return MakeNameUnlocked(text);
}

std::string PopupManager::MakeBase(std::string_view text) {
  if (text == "-") return "Separator";
  std::string base;
  for (char c : rt::Clip(text)) {
    if (IsNameChar(c)) base += c;
  }
  // An empty name could not be told from "nothing chosen": a Russian item's choice would post
  // nothing and its toolbox button would close the toolbox.
  if (base.empty()) base = "Item";
  if (base.size() > kPopupNameBytes) base.resize(kPopupNameBytes);
  return base;
}

std::string PopupManager::MakeNameUnlocked(std::string_view text) const {
  const std::string base = MakeBase(text);
  std::unordered_set<std::string_view> taken;
  for (size_t i = 1; POPUPITEMS && i <= POPUPITEMS->Records(); ++i) {
    taken.insert(PopupField(POPUPITEMS->At(i)->NAME));
  }
  if (taken.count(base) == 0) return base;
  // The number always fits: a base that fills the field gives up its end to it, so a long
  // base can never collide with itself forever.
  for (unsigned n = 1;; ++n) {
    std::string digits = std::to_string(n);
    std::string candidate =
        base.substr(0, std::min(base.size(), kPopupNameBytes - digits.size())) + digits;
    if (taken.count(candidate) == 0) return candidate;
  }
}

// ---------------------------------------------------------------- the menu

std::string PopupManager::ShownText(const PopupItem& item) const {
  std::string_view text = PopupField(item.TEXT);
  return TRANSLATOR ? TRANSLATOR->TranslateText(text) : std::string(text);
}

std::string PopupManager::BuildMenuText() const {
  auto guard = Guard();
  return BuildMenuTextFrom(MimicWindow());
}

std::string PopupManager::BuildMenuTextFrom(rt::Window* window) const {
  if (!POPUPITEMS) return {};
  const rt::Queue<PopupItem>& items = *POPUPITEMS;
  const size_t n = items.Records();
  std::vector<PopupItem> shown;
  shown.reserve(n);
  bool any_icon = false;
  for (size_t i = 1; i <= n; ++i) {
    shown.push_back(Mimicked(*items.At(i), window));
    if (!PopupField(shown.back().ICON).empty()) any_icon = true;
  }

  std::string out;
  uint16_t previous = 1;
  // Depths of the submenus open now: a step back closes each submenu deeper than the item, so
  // an item goes back to the level it names and no more submenus open than the reader keeps.
  std::vector<uint16_t> open{1};
  for (size_t i = 0; i < n; ++i) {
    const PopupItem& stored = *items.At(i + 1);
    const PopupItem& item = shown[i];
    uint16_t depth = std::max<uint16_t>(stored.DEPTH, 1);
    if (depth > previous) {
      out += '{';
      open.push_back(depth);
    } else if (depth == previous) {
      out += '|';
    } else {
      bool closed = false;
      while (open.size() > 1 && open.back() > depth) {
        out += '}';
        open.pop_back();
        closed = true;
      }
      if (!closed) out += '|';
    }
    previous = depth;
    // The stored text decides, as in ChoiceToName, even when a mimicked control has a text.
    if (IsSeparator(stored)) {
      out += '-';
      continue;
    }
    if (item.DISABLED == kPopupItemDisabled) out += '~';
    if (item.CHECK == kPopupItemChecked) out += '+';
    if (item.CHECK == kPopupItemUnchecked) out += '-';
    std::string text = MenuSafeText(ShownText(item));
    if (any_icon) {
      out += '[';
      std::string icon = MenuIconRef(PopupField(item.ICON));
      if (!icon.empty()) {
        out += std::to_string(kPopupIconProperty);
        out += '(';
        out += icon;
        out += ')';
      }
      out += ']';
    } else if (NeedsTextGuard(text)) {
      out += "[]";  // an empty icon part: what follows is read as text
    }
    out += text;
  }
  return out;
}

std::string PopupManager::ChoiceToName(int choice) const {
  auto guard = Guard();
  return ChoiceName(choice);
}

std::string PopupManager::ChoiceName(int choice) const {
  if (choice <= 0 || !POPUPITEMS) return {};
  const rt::Queue<PopupItem>& items = *POPUPITEMS;
  const size_t n = items.Records();
  int counted = 0;
  for (size_t i = 1; i <= n; ++i) {
    const PopupItem& item = *items.At(i);
    if (IsSeparator(item)) continue;
    if (i < n && items.At(i + 1)->DEPTH > item.DEPTH) continue;  // a submenu heading
    if (++counted == choice) return std::string(PopupField(item.NAME));
  }
  return {};
}

std::string PopupManager::ShowMenu(int x, int y) {
  if (OnToolboxThread()) {
    bool gone = false;
    auto* link = static_cast<ToolboxLink*>(t_toolbox_link);
    return WaitForToolboxChoice(*link, &gone);
  }
  std::string text;
  {
    auto guard = Guard();
    if (!POPUPITEMS) return {};
    text = BuildMenuTextFrom(rt::TargetWindow());
  }
  // The items stay unlocked while the user looks at the menu: a toolbox may work meanwhile.
  int choice = rt::Popup(text, x == 0 ? rt::kDefaultPosition : x,
                         y == 0 ? rt::kDefaultPosition : y);
  auto guard = Guard();
  std::string name = ChoiceName(choice);
  LASTSELECTION = std::string(rt::CutToBytes(name, kLastSelectionBytes));
  uint8_t p = name.empty() ? 0 : FindExact(name);
  // The press belongs to the window the menu was shown over: bound to it now, it cannot reach
  // a window opened meanwhile, and it goes with the window when that one closes.
  rt::Window* over = rt::ThreadNumber() == MYTHREAD ? rt::TargetWindow() : nullptr;
  if (p != 0) Press(*POPUPITEMS->At(p), over);
  return name;
}

void PopupManager::Press(const PopupItem& item, rt::Window* window) {
  if (item.EVENT == 0 && item.MIMICMODE != 1) return;
  rt::Event e;
  e.number = item.MIMICMODE == 1 ? static_cast<int>(rt::kEventAccepted) : item.EVENT;
  e.control = item.CONTROLID;
  if (CLEARKEYCODE == 1) {
    rt::SetKeyCode(0);
    // The owner's thread takes the cleared key code with the event, also when the toolbox's
    // thread presses.
    e.key_code = 0;
  }
  if (window != nullptr) {
    window->Post(e.number, e.control, e.key_code);
  } else if (std::shared_ptr<rt::RuntimeThread> t = rt::RuntimeThread::Find(MYTHREAD)) {
    t->Post(e);
  }
}

// ---------------------------------------------------------------- the toolbox

void PopupManager::ShowToolbox(std::string_view title) {
  {
    auto guard = Guard();
    if (!POPUPITEMS || INTOOLBOX == 1 || OnToolboxThread()) return;
    bool any = false;
    for (size_t i = 1; i <= POPUPITEMS->Records() && !any; ++i) {
      any = POPUPITEMS->At(i)->ONTOOLBOX == 1;
    }
    rt::Window* parent = rt::TargetWindow();
    // An empty toolbox would be a window of no size that nobody could close.
    if (!any || parent == nullptr) return;
    PARENTWINDOW = parent;
    INTOOLBOX = 1;
  }
  ToolboxWindowResource();  // registered before the toolbox's thread opens it by name
  auto link = std::make_shared<ToolboxLink>();
  link->manager = this;
  std::lock_guard<std::mutex> lock(link->mutex);
  toolbox_ = link;
  link->thread = rt::Start([link, t = std::string(title)] { ToolboxMain(link, t); });
}

void PopupManager::ToolboxMain(std::shared_ptr<ToolboxLink> link, std::string title) {
  t_toolbox_link = link.get();
  {
    std::lock_guard<std::mutex> lock(link->mutex);
    if (link->manager != nullptr) link->manager->RunToolbox(title, *link);
    link->window.reset();  // the owner tore the manager down while the toolbox was open
  }
  t_toolbox_link = nullptr;
}

void PopupManager::RunToolbox(std::string_view title, ToolboxLink& link) {
  link.window = rt::Window::Prepare(kPopupResource, kToolboxLabel, {});
  if (!link.window) {
    INTOOLBOX = 0;
    return;
  }
  THISWINDOW = link.window.get();
  THISWINDOW->SetProperty(0, rt::kPropText,
                          TRANSLATOR ? TRANSLATOR->TranslateText(title) : std::string(title));
  BuildToolboxButtons(link);
  THISWINDOW->OpenOwned(PARENTWINDOW);
  for (;;) {
    bool gone = false;
    std::string name = WaitForToolboxChoice(link, &gone);
    if (gone) return;  // `this` may be freed: touch nothing of it
    if (name.empty()) break;
  }
  THISWINDOW = nullptr;
  link.window.reset();
  INTOOLBOX = 0;
}

void PopupManager::SetToolboxButton(rt::Window& toolbox, int button, const PopupItem& item) {
  std::string text = ShownText(item);
  std::string icon = IconRef(PopupField(item.ICON));
  toolbox.SetProperty(button, rt::kPropIcon, icon);
  if (icon.empty()) {
    toolbox.SetProperty(button, rt::kPropText, text);
    toolbox.SetProperty(button, rt::kPropToolTip, "");
  } else {
    toolbox.SetProperty(button, rt::kPropText, "");
    toolbox.SetProperty(button, rt::kPropToolTip, text);
  }
  toolbox.SetPropertyInt(button, rt::kPropDisabled, item.DISABLED == kPopupItemDisabled ? 1 : 0);
}

void PopupManager::BuildToolboxButtons(ToolboxLink& link) {
  rt::Window& toolbox = *link.window;
  link.buttons.clear();
  int x = 0;
  int height = 0;
  for (size_t i = 1; POPUPITEMS && i <= POPUPITEMS->Records(); ++i) {
    const PopupItem& stored = *POPUPITEMS->At(i);
    if (stored.ONTOOLBOX != 1) continue;
    const int button = static_cast<int>(link.buttons.size()) + 1;
    if (toolbox.Create(button, rt::ControlKind::kButton) != button) continue;
    link.buttons.emplace_back(PopupField(stored.NAME));
    // Built with its enabled state too: a button whose control is disabled starts disabled.
    SetToolboxButton(toolbox, button, Mimicked(stored, PARENTWINDOW));
    toolbox.SetPosition(button, x, 0, 0, 0);
    x += static_cast<int>(toolbox.PropertyInt(button, rt::kPropWidth));
    height = std::max(height, static_cast<int>(toolbox.PropertyInt(button, rt::kPropHeight)));
  }
  if (!link.buttons.empty()) toolbox.Unhide(1, static_cast<int>(link.buttons.size()));
  toolbox.SetPropertyInt(0, rt::kPropWidth, x);
  toolbox.SetPropertyInt(0, rt::kPropHeight, height);
}

void PopupManager::RefreshToolboxButtons(ToolboxLink& link) {
  if (!link.window) return;
  for (size_t k = 1; k <= link.buttons.size(); ++k) {
    uint8_t p = FindExact(link.buttons[k - 1]);
    if (p == 0) continue;
    SetToolboxButton(*link.window, static_cast<int>(k), Mimicked(*POPUPITEMS->At(p), PARENTWINDOW));
  }
}

int PopupManager::WaitForToolboxButton(ToolboxLink& link, bool* gone) {
  rt::EventLoop loop(*link.window);
  for (;;) {
    // The owner may work on the items (or tear the manager down) while the user decides.
    link.mutex.unlock();
    bool got = loop.Next();
    link.mutex.lock();
    if (link.manager == nullptr) {
      *gone = true;
      return 0;
    }
    if (!got) return 0;
    const rt::Event& e = loop.event();
    if (e.number == rt::kEventAccepted && e.control > 0) {
      loop.EndEvent(rt::kStepSkip);
      return e.control;
    }
    if (e.number == rt::kEventBuildToolbox || e.number == rt::kEventGainFocus) {
      RefreshToolboxButtons(link);
    }
    loop.EndEvent(rt::kStepDefault);
  }
}

std::string PopupManager::WaitForToolboxChoice(ToolboxLink& link, bool* gone) {
  for (;;) {
    int button = WaitForToolboxButton(link, gone);
    if (*gone) return {};
    if (button == 0) {
      INTOOLBOX = 0;
      LASTSELECTION.clear();
      return {};
    }
    // Buttons are numbered over the toolbox's items alone, so the button's own item is
    // looked up rather than the menu choice of the same number.
    uint8_t p = button <= static_cast<int>(link.buttons.size())
                    ? FindExact(link.buttons[static_cast<size_t>(button) - 1])
                    : 0;
    if (p == 0) continue;
    PopupItem item = Mimicked(*POPUPITEMS->At(p), PARENTWINDOW);
    // The control may have been disabled since the buttons were last read: a disabled button
    // is never pressed, and the toolbox catches up with it.
    if (item.MIMICMODE == 1 && item.DISABLED == kPopupItemDisabled) {
      RefreshToolboxButtons(link);
      continue;
    }
    std::string name(PopupField(item.NAME));
    LASTSELECTION = std::string(rt::CutToBytes(name, kLastSelectionBytes));
    Press(item, PARENTWINDOW);
    return name;
  }
}

void PopupManager::RefreshToolbox() {
  auto guard = Guard();
  if (INTOOLBOX != 1) return;
  auto* own = static_cast<ToolboxLink*>(t_toolbox_link);
  int thread = OnToolboxThread() ? own->thread : (toolbox_ ? toolbox_->thread : 0);
  if (std::shared_ptr<rt::RuntimeThread> t = rt::RuntimeThread::Find(thread)) {
    rt::Event e;
    e.number = rt::kEventBuildToolbox;
    t->Post(e);
  }
}

bool PopupManager::ToolboxRunning() const {
  auto guard = Guard();
  return INTOOLBOX == 1;
}

int PopupManager::ToolboxThread() const {
  auto guard = Guard();
  return toolbox_ ? toolbox_->thread : 0;
}

}  // namespace fw
