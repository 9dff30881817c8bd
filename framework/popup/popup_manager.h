// PopupManager: a list's popup menu. It keeps the menu items (POPUPITEMS), turns them into the
// runtime's popup-menu text, shows the menu and turns the choice into the chosen item's name
// and, for an item bound to a control, into an event posted to that control. Items may mimic
// a button (its text, enabled state and icon, read again each time the menu is built). The
// items on the toolbox can also be shown as a row of buttons in the toolbox window, which runs
// on a runtime thread of its own and presses the controls of the window it was opened from.
//
// Ownership: the manager owns POPUPITEMS (from Setup to Teardown) and the toolbox window (made
// and freed on the toolbox's thread). TRANSLATOR, INIMGR and PARENTWINDOW belong to the caller;
// PARENTWINDOW must remain live until Teardown while a toolbox may be open.
//
// Threads: every operation belongs to the thread that called Setup (MYTHREAD), except what the
// toolbox's thread does itself. While a toolbox runs, the two threads share the items under a
// lock the toolbox holds only while it handles one of its events, so the owner never waits on
// the toolbox's user. Teardown never waits for the toolbox either: it asks it to close and lets
// its thread end by itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "runtime/values/row_queue.h"

namespace rt {
class Window;
}

namespace fw {

class IniManager;
class TranslatorInterface;

// Field sizes of a POPUPITEMS row, in bytes (texts are UTF-8, blank-padded, never cut inside a
// character).
inline constexpr size_t kPopupIconBytes = 256;
inline constexpr size_t kPopupNameBytes = 1025;
inline constexpr size_t kPopupTextBytes = 1025;
// Positions are counted in a byte: a manager holds at most this many items.
inline constexpr size_t kMaxPopupItems = 255;
// Items nest at most this deep (1 is the top menu), so the runtime's menu reader honours every
// submenu the items describe.
inline constexpr uint16_t kMaxPopupDepth = 32;
// The property the menu text names an item's icon with: "[31848(~name)]".
inline constexpr int kPopupIconProperty = 31848;

// DISABLED values: 0 not read yet (a mimic item reads its control), then disabled or enabled.
inline constexpr uint8_t kPopupItemDisabled = 1;
inline constexpr uint8_t kPopupItemEnabled = 2;
// CHECK values: 0 no mark.
inline constexpr uint8_t kPopupItemChecked = 1;
inline constexpr uint8_t kPopupItemUnchecked = 2;

// One menu item. Texts are read and written with PopupField / SetPopupField.
struct PopupItem {
  int32_t CONTROLID = 0;  // the control the item presses and, in mimic mode, follows
  uint16_t DEPTH = 0;     // 1 the top menu; each level deeper a submenu of the item before
  uint16_t EVENT = 0;     // posted to CONTROLID when chosen; 0 none
  uint8_t MIMICMODE = 0;  // 1: follows and presses CONTROLID (event 1)
  uint8_t DISABLED = 0;   // 0 unread, kPopupItemDisabled, kPopupItemEnabled
  uint8_t CHECK = 0;      // 0 none, kPopupItemChecked, kPopupItemUnchecked
  uint8_t ONTOOLBOX = 0;  // 1: gets a button in the toolbox window
  char ICON[kPopupIconBytes];  // "" none
  char NAME[kPopupNameBytes];  // unique among the items, never empty
  char TEXT[kPopupTextBytes];  // "-" a separator; a leading "!" (mimic): the control's text first
};

// A text field of a row without its padding.
std::string_view PopupField(const char* field, size_t size);
template <size_t N>
std::string_view PopupField(const char (&field)[N]) {
  return PopupField(field, N);
}
// Stores text, cut to the field without splitting a UTF-8 sequence, blank-padded.
void SetPopupField(char* field, size_t size, std::string_view text);
template <size_t N>
void SetPopupField(char (&field)[N], std::string_view text) {
  SetPopupField(field, N, text);
}
// An item with no text, name or icon and every number 0.
PopupItem ClearedPopupItem();

class PopupManager {
 public:
  PopupManager();
  virtual ~PopupManager();
  PopupManager(const PopupManager&) = delete;
  PopupManager& operator=(const PopupManager&) = delete;

  // --- Fields, in declared order --------------------------------------------------------
  uint8_t CLEARKEYCODE = 0;  // 1: the key code is set to 0 before a chosen item's event is posted
  std::string LASTSELECTION;  // the item chosen last; "" none (at most 1024 bytes)
  std::unique_ptr<rt::Queue<PopupItem>> POPUPITEMS;  // the items, in menu order
  TranslatorInterface* TRANSLATOR = nullptr;  // every item text shown goes through it
  IniManager* INIMGR = nullptr;  // kept for the application; the popup does not use it
  uint8_t INTOOLBOX = 0;  // 1 while the toolbox runs (other threads: read ToolboxRunning)
  int32_t MYTHREAD = 0;          // the thread that set the manager up
  rt::Window* PARENTWINDOW = nullptr;  // the window whose controls the toolbox follows and presses
  rt::Window* THISWINDOW = nullptr;    // the toolbox window while it exists

  // --- Overridable operations -----------------------------------------------------------
  // A new, empty item list; CLEARKEYCODE 1; MYTHREAD the calling thread.
  virtual void Setup();
  // Closes a running toolbox (without waiting for it) and frees the items.
  virtual void Teardown();
  // Inserts an item right after the item named `after` (at the end when there is none) with
  // the given depth (0: the depth of the item it follows, 1 when there is none). Leading "~",
  // "+", "-" of the text make the item disabled, checked, unchecked; "-" alone is a separator.
  // Returns the item's unique name (made from name); "" when the list is full (255 items) or
  // not set up.
  virtual std::string AppendItem(std::string_view text, std::string_view name,
                                 std::string_view after, uint16_t depth);
  // The item named exactly name becomes an event item; without one, a new item with name as
  // its text is added (its name made from that text, so asking for "&Save" twice adds two
  // items). Returns the item's name ("" when none could be added).
  virtual std::string AppendEventItem(std::string_view name, uint16_t event, int32_t control);
  // As AppendEventItem (name, 1, control), then the item shows text and mimics control.
  virtual std::string AppendMimicItem(std::string_view text, std::string_view name,
                                      int32_t control);
  // Whether the named item gets a toolbox button; nothing when there is no such item.
  virtual void EnableToolbox(std::string_view name, bool onToolbox);
  // Position (1..255) of the item named name; 0 when none.
  virtual uint8_t FindItem(std::string_view name) const;
  // Shows the menu at (x, y) in screen pixels (0: where the toolkit puts it) and returns the
  // chosen item's name, "" when the menu was dismissed. The chosen item's event is posted.
  // On the toolbox's own thread it waits for a toolbox button instead.
  virtual std::string ShowMenu(int x, int y);
  // Opens the toolbox window with title on a new runtime thread and returns at once. Nothing
  // happens when a toolbox is already open, no item is on the toolbox, or the calling thread
  // has no window.
  virtual void ShowToolbox(std::string_view title);

  // --- Not overridable ------------------------------------------------------------------
  // The short forms of AppendItem (a derived class that overrides the long form brings these
  // back with `using PopupManager::AppendItem;`).
  std::string AppendItem(std::string_view text);
  std::string AppendItem(std::string_view text, std::string_view name);

  // The unique name made from text: "Separator" for "-", else its letters A-Z, a-z, digits
  // and "_" ("Item" when it has none), then 1, 2, ... appended until no item has it.
  std::string MakeItemName(std::string_view text) const;
  // The runtime's popup-menu text of the items as they are now (mimic items read their
  // controls on the calling thread's window). Item texts are kept from changing the menu's
  // structure, so the menu's choice n is always ChoiceToName's n.
  std::string BuildMenuText() const;
  // The name of the item a menu choice (counted without separators and submenu headings)
  // stands for; "" for 0 or a choice past the last item.
  std::string ChoiceToName(int choice) const;

  // Asks a running toolbox to read its buttons' controls again (event 0x20B). The toolbox
  // also does so when it gets the focus.
  void RefreshToolbox();
  bool ToolboxRunning() const;
  // The toolbox's runtime thread; 0 before the first ShowToolbox and after Teardown.
  int ToolboxThread() const;

 private:
  struct ToolboxLink;

  // Locks the items against the toolbox's thread; nothing to lock without a toolbox, or on
  // the toolbox's thread, which holds the lock already while it works.
  std::unique_lock<std::mutex> Guard() const;
  bool OnToolboxThread() const;
  rt::Window* MimicWindow() const;
  std::string AddItem(std::string_view text, std::string_view name, std::string_view after,
                      uint16_t depth);
  uint8_t FindExact(std::string_view name) const;
  // MakeItemName's base: the name before a number is added to make it unique.
  static std::string MakeBase(std::string_view text);
  std::string MakeNameUnlocked(std::string_view text) const;
  std::string BuildMenuTextFrom(rt::Window* window) const;
  std::string ChoiceName(int choice) const;
  std::string ShownText(const PopupItem& item) const;
  // Posts the item's event to the control of window (the one the menu was shown over, or the
  // toolbox's parent); without a window, to the target window of MYTHREAD.
  void Press(const PopupItem& item, rt::Window* window);
  void Release();

  // The toolbox's thread.
  static void ToolboxMain(std::shared_ptr<ToolboxLink> link, std::string title);
  void RunToolbox(std::string_view title, ToolboxLink& link);
  void BuildToolboxButtons(ToolboxLink& link);
  void RefreshToolboxButtons(ToolboxLink& link);
  void SetToolboxButton(rt::Window& toolbox, int button, const PopupItem& item);
  // The name of the item whose button was pressed (its event posted); "" when the toolbox
  // closed. *gone is set when the owner tore the manager down meanwhile: then nothing of the
  // manager may be touched any more.
  std::string WaitForToolboxChoice(ToolboxLink& link, bool* gone);
  // The number of the button pressed; 0 when the toolbox closed or *gone is set.
  int WaitForToolboxButton(ToolboxLink& link, bool* gone);

  std::shared_ptr<ToolboxLink> toolbox_;
};

}  // namespace fw
