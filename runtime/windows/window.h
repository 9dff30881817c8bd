// The windows room of the runtime: the window model (windows, controls, resources, list
// formats, menu texts, properties), events and their loops, runtime threads, and the backend
// seam a screen plugs into. It stands on the values room; the headless and Qt backends stand
// on it. A new control kind starts in window_resource.h and control.h.
//
// Window: the live model of one window, built from a WindowResource. It owns its controls,
// keeps every value the screen shows, and posts the events the user's actions cause; the
// program reads and changes it by control number (0 is the window) and property number.
//
// How a backend is driven (the headless one and the Qt one work alike):
//  * The model is the single source of truth. A backend keeps no data of its own: on a
//    notification (Backend::WindowOpened, ControlChanged, ...) it reads the model through
//    Window and Control and redraws. Notifications are made on the window's runtime thread
//    with the window's lock held. A backend whose widgets live on another thread copies what
//    changed while still on the window's thread and queues the copy to its own thread: it
//    must not read the model from there, since the window may be freed (WindowFreed comes
//    with the lock held) and list queues change outside the lock. It must never block inside
//    a notification waiting for another thread.
//  * User input goes the other way through the User* operations below, which check entries,
//    move the highlight and post the events (accepted, rejected, new selection, scroll, alert
//    key, ...). They must run on the window's runtime thread: from another thread use
//    RunOnWindowThread, which queues the call to that thread's event loop.
//  * The program pulls events with an EventLoop (runtime/event_loop.h). When nothing is queued
//    for the loop's window, the loop calls Backend::WaitForEvent, which returns once the
//    thread's queue has work for the window (RuntimeThread::HasWorkFor): the Qt backend runs a
//    nested toolkit loop until then, the headless one performs the next scripted action.
//  * Dialog units: positions and sizes stay in dialog units here; a backend converts with the
//    window font's average character width (x/4) and height (y/8), see window_resource.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values/any_ref.h"
#include "runtime/windows/control.h"
#include "runtime/windows/event.h"
#include "runtime/windows/window_resource.h"

namespace rt {

class RecordDescriptor;
class RowQueue;

class Window {
 public:
  // A variable handed to Prepare: a value for an entry, spin box or display string, or a
  // queue (with the layout of its rows) for a list. Both must outlive the window.
  struct Binding {
    Binding(AnyRef v) : value(v) {}  // NOLINT: a plain variable reads best at call sites
    Binding(RowQueue* q, const RecordDescriptor* layout) : rows(q), row_layout(layout) {}
    AnyRef value;
    RowQueue* rows = nullptr;
    const RecordDescriptor* row_layout = nullptr;
  };

  // Builds the model: every control of the resource, variable n bound to the controls whose
  // ControlResource::binding is n, every value displayed. nullptr with *error set when a list
  // format or a picture is malformed or a binding is missing or of the wrong sort.
  static std::unique_ptr<Window> Prepare(const WindowResource& resource,
                                         std::vector<Binding> bindings,
                                         std::string* error = nullptr);
  // By registered name (RegisterWindowResource).
  static std::unique_ptr<Window> Prepare(std::string_view resource, std::string_view label,
                                         std::vector<Binding> bindings,
                                         std::string* error = nullptr);
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  // Frees the window: closes it when open, then Backend::WindowFreed.
  ~Window();

  // ---- Life cycle. A window belongs to the runtime thread that opens it.
  // Shows the window, focuses its first focusable control and posts kEventOpenWindow.
  // False when it is already open.
  bool Open();
  bool OpenOwned(Window* owner);
  // Hides the window, drops its queued events and ends every loop running on it. On the
  // window's thread, like every operation here but Post and the read-only accessors.
  void Close();
  bool IsOpen() const { return open_; }
  Window* owner() const { return owner_; }
  int thread() const { return thread_; }  // the owning runtime thread; 0 before Open

  const WindowResource& resource() const { return *resource_; }
  const std::string& label() const { return resource_->label; }
  const FontSpec& font() const { return resource_->font; }
  const std::string& caption() const { return caption_; }
  int width() const { return width_; }    // dialog units
  int height() const { return height_; }

  // ---- Controls by number.
  Control* Find(int number);
  const Control* Find(int number) const;
  const std::map<int, std::unique_ptr<Control>>& controls() const { return controls_; }
  // Adds a control (hidden). number 0: the runtime picks one above every existing number.
  // Returns the number, or 0 when that number is taken or negative.
  int Create(int number, ControlKind kind);
  bool Destroy(int number);
  // Ranges: last 0 means just first; control 0 means the whole window.
  void Hide(int first, int last = 0);
  void Unhide(int first, int last = 0);
  void Enable(int first, int last = 0);
  void Disable(int first, int last = 0);
  // Moves the focus (posts kEventSelected for it); for a list, row > 0 also moves the
  // highlight. Select() with no control checks every entry and spin box: the first bad one
  // gets kEventRejected and the focus; when all are good, their values are taken and
  // kEventCompleted is posted. False when the control cannot take the focus.
  bool Select(int control = 0, size_t row = 0);
  int focus() const { return focus_; }
  // Shows bound variables through their pictures (0: every control); a list shows its rows
  // again.
  void Display(int control = 0);
  // Takes the shown text of entries and spin boxes into their variables (0: all); false when
  // one was rejected (its variable keeps its value).
  bool Update(int control = 0);
  void SetPosition(int control, int x, int y, int width, int height);

  // ---- Properties (names in runtime/properties.h). Numbers read as decimal text.
  std::string Property(int control, int property, int index = 0) const;
  int64_t PropertyInt(int control, int property, int index = 0) const;
  // False when the control does not exist or the value does not suit the property.
  bool SetProperty(int control, int property, std::string_view value, int index = 0);
  bool SetPropertyInt(int control, int property, int64_t value, int index = 0);
  // kPropUse: binds a variable to an entry, spin or display string and shows it.
  bool SetPropertyVariable(int control, int property, AnyRef variable);
  // Lets an entry or spin box take texts its picture cannot read ("5/2" for odds): the reader
  // turns the edit text into the value, or refuses it, in place of the picture; the picture
  // still shows the value taken, and a value it cannot show is refused as well. An empty
  // reader puts the picture back. False when the control does not exist or takes no text.
  bool SetInputReader(int control, InputReader reader);
  // Binds the rows a list shows.
  bool BindList(int control, RowQueue* rows, const RecordDescriptor* layout);
  // What a chart shows; false when the control is not a chart.
  bool SetChart(int control, ChartData data);

  // ---- What a list shows (for backends).
  size_t ListRowCount(int control) const;
  // Row 1-based, column 1-based: the field through the column's picture.
  std::string CellText(int control, size_t row, int column) const;
  // The row's mark field (kPropMarkField) is set: show the row marked.
  bool RowMarked(int control, size_t row) const;

  // ---- Events. Posts to this window on its owning thread; any thread may call it while the
  // window lives. False when the window is not open.
  bool Post(int event, int control = 0, int key_code = kKeyUnchanged, char32_t key_char = 0);

  // ---- User input, from a backend, on the window's thread.
  // The focus moves to control (a click into it, Tab): the entry left is checked first;
  // when it rejects, the focus stays there.
  void UserFocus(int control);
  // The edit text of an entry or spin box is now text (not yet checked).
  void UserType(int control, std::string_view text);
  // The user leaves control with Tab: checked, then the focus goes to the next control.
  void UserLeave(int control);
  // A key on a control (0: the focused one): alert keys post kEventAlertKey; otherwise as
  // the kind of control defines it (Enter checks an entry, lists post scroll events, ...).
  void UserKey(int control, int key_code, char32_t key_char = 0);
  // A mouse click on a control: a button completes the focused entry, then is pressed.
  void UserClick(int control);
  // A click on a list row (row 0: below the last row) and column: mouse is kMouseLeft,
  // kMouseLeftDouble, kMouseRightDown or kMouseRightUp.
  void UserListClick(int control, size_t row, int column, int mouse);
  // The wheel, a scroll-bar arrow or page area: scroll_event is kEventScrollUp..Bottom.
  void UserScroll(int control, int scroll_event);
  void UserDragThumb(int control, int position);
  // Spin arrows: steps up (positive) or down, inside the range.
  void UserSpin(int control, int steps);
  void UserClose();                       // the window's close box
  void UserWindowFocus(bool gained);
  void UserResized(int width, int height);  // dialog units
  // How many rows a list really shows (the backend measures; kPropItems reads it).
  void SetPageRows(int control, int rows);

  // Guards the model where threads meet (a backend reading from its GUI thread).
  std::unique_lock<std::recursive_mutex> Lock() const {
    return std::unique_lock<std::recursive_mutex>(mutex_);
  }

 private:
  explicit Window(const WindowResource& resource);
  bool Bind(Control& c, const Binding& b, std::string* error);
  void Notify(int control, unsigned changes);
  void ShowValue(Control& c);
  // Checks an entry's edit text; posts kEventAccepted or kEventRejected. False on reject.
  bool Complete(Control& c, bool always, int key_code);
  bool LeaveFocused(int key_code);
  bool TakeValue(Control& c, bool* changed);
  bool CheckInput(const Control& c, double* v, bool* numeric) const;
  void MoveFocus(int control, bool post);
  int NextFocusable(int after, int direction) const;
  void ListKey(Control& c, int key_code, char32_t key_char);
  void SetSelected(Control& c, size_t row);
  void FloatEditor(Control& list, int column, int editor);
  bool SetKnownProperty(Control* c, int control, int property, std::string_view value,
                        int index);
  std::string ReadProperty(const Control* c, int control, int property, int index) const;
  void ForRange(int first, int last, const std::function<void(Control&)>& f);

  const WindowResource* resource_;
  std::string caption_;
  int width_ = 0, height_ = 0;
  std::map<int, std::unique_ptr<Control>> controls_;
  std::map<std::pair<int, int>, std::string> other_;  // the window's own unnamed properties
  bool no_refresh_ = false;
  std::atomic<bool> open_{false};  // read by Post from other threads
  Window* owner_ = nullptr;
  std::atomic<int> thread_{0};
  int focus_ = 0;
  mutable std::recursive_mutex mutex_;
};

// Runs f on the window's runtime thread: at once when called there, otherwise queued to that
// thread's event loop (it runs while the thread waits for an event).
void RunOnWindowThread(Window& window, std::function<void()> f);

}  // namespace rt
