// WindowMirror: the widgets of one runtime window on the GUI thread. It draws what the window
// model says (a copy of each control's state handed to it after every change, and the list
// rows through a row source) and hands every user action back to the model as a call of the
// model's User* operations; it never decides anything the model decides (focus, values,
// highlight, scrolling). It owns its widgets; the QtBackend owns the mirror.
#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <string>

#include "runtime/windows/control.h"
#include "runtime/qt/dialog_units.h"
#include "runtime/qt/list_table_model.h"
#include "runtime/windows/window_resource.h"

namespace rt {

class ListControlWidget;
class Window;

// The window-wide part of the model a mirror shows.
struct WindowFacts {
  std::string caption;
  int width = 0, height = 0;  // dialog units
  FontSpec font;
  bool open = false;
  int focus = 0;
  bool placed = false;  // the resource places the window at x, y (dialog units) itself
  int x = 0, y = 0;
  // Opened while another window's event loop of its thread is running underneath: that
  // window can take no events until this one closes, so it takes no input either.
  bool modal = false;
};

class WindowMirror : public QWidget {
  Q_OBJECT

 public:
  using ModelCall = std::function<void(Window&)>;
  // to_model runs a call on the window model: at once when the window belongs to the GUI
  // thread, otherwise queued to the window's runtime thread.
  explicit WindowMirror(std::function<void(ModelCall)> to_model, QWidget* parent = nullptr);
  ~WindowMirror() override;

  void SyncWindow(const WindowFacts& facts);
  // state: the control as the model has it now. rows: for a list, where its rows come from
  // (given when they changed; otherwise the last source stays).
  void SyncControl(const Control& state, unsigned changes,
                   std::optional<ListRowSource> rows = std::nullopt);
  void RemoveControl(int number);
  void SyncFocus(int control);

  // The widget drawing a control (a list's is its ListControlWidget); nullptr for none.
  QWidget* WidgetFor(int control) const;
  // The widget that takes the keys of a control (an entry's edit field, a list's table).
  QWidget* FocusWidgetFor(int control) const;
  const DialogUnits& units() const { return units_; }
  // A model call made from one of this mirror's own event handlers is running.
  bool InModelCall() const { return calls_running_ > 0; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct Entry {
    QPointer<QWidget> widget;
    Control state;
  };

  QWidget* Make(const Control& state);
  void Apply(Entry& e, unsigned changes, std::optional<ListRowSource> rows);
  void ApplyGeometry(Entry& e);
  void PlaceFloated(Entry& editor);
  void PlaceEditorsOf(const Entry& list);
  void ApplyPageRows(int control, int rows);
  void Call(const ModelCall& call);
  bool HandleKey(int control, QKeyEvent* key);
  int ControlOf(const QObject* object) const;

  std::function<void(ModelCall)> to_model_;
  DialogUnits units_;
  WindowFacts facts_;
  QFont window_font_;
  std::map<int, Entry> controls_;
  int calls_running_ = 0;  // model calls made from inside our own event handlers
  int user_focus_request_ = 0;  // the control a click or typing asked the focus for
};

}  // namespace rt
