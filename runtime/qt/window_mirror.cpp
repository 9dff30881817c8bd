#include "runtime/qt/window_mirror.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>

#include <algorithm>

#include "runtime/windows/event.h"
#include "runtime/qt/chart_view.h"
#include "runtime/qt/control_style.h"
#include "runtime/qt/key_codes.h"
#include "runtime/qt/list_control_widget.h"
#include "runtime/qt/picture_width.h"
#include "runtime/qt/spin_edit.h"
#include "runtime/qt/standard_icons.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/windows/window.h"

namespace rt {

namespace {

constexpr char kControlProperty[] = "tovikControl";

QString Utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string Utf8(const QString& s) { return s.toStdString(); }

// A label shows "&" marks as the plain text around them ("&&" is one "&").
QString WithoutMnemonics(const std::string& caption) {
  QString in = Utf8(caption);
  QString out;
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] == QLatin1Char('&')) {
      if (i + 1 < in.size() && in[i + 1] == QLatin1Char('&')) {
        out += QLatin1Char('&');
        ++i;
      }
      continue;
    }
    out += in[i];
  }
  return out;
}

QLineEdit* EditOf(QWidget* w, ControlKind kind) {
  if (w == nullptr) return nullptr;
  if (kind == ControlKind::kEntry) return static_cast<QLineEdit*>(w);
  if (kind == ControlKind::kSpin) return static_cast<SpinEdit*>(w)->edit();
  return nullptr;
}

// Keys an edit field handles itself: typing, moving the cursor, the clipboard.
bool IsEditingKey(const QKeyEvent& key, char32_t ch) {
  Qt::KeyboardModifiers mods = key.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
  if (ch != 0 && mods == Qt::NoModifier) return true;
  if (key.matches(QKeySequence::Copy) || key.matches(QKeySequence::Cut) ||
      key.matches(QKeySequence::Paste) || key.matches(QKeySequence::Undo) ||
      key.matches(QKeySequence::Redo) || key.matches(QKeySequence::SelectAll)) {
    return true;
  }
  if (mods != Qt::NoModifier && mods != Qt::ControlModifier) return false;
  switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
      return true;
    default:
      return false;
  }
}

}  // namespace

WindowMirror::WindowMirror(std::function<void(ModelCall)> to_model, QWidget* parent)
    : QWidget(parent, Qt::Window), to_model_(std::move(to_model)), units_(1, 1) {
  setAttribute(Qt::WA_DeleteOnClose, false);
}

WindowMirror::~WindowMirror() = default;

void WindowMirror::Call(const ModelCall& call) {
  ++calls_running_;
  to_model_(call);
  --calls_running_;
}

int WindowMirror::ControlOf(const QObject* object) const {
  for (; object != nullptr && object != this; object = object->parent()) {
    QVariant v = object->property(kControlProperty);
    if (v.isValid()) return v.toInt();
  }
  return 0;
}

QWidget* WindowMirror::WidgetFor(int control) const {
  auto it = controls_.find(control);
  return it == controls_.end() ? nullptr : it->second.widget.data();
}

QWidget* WindowMirror::FocusWidgetFor(int control) const {
  auto it = controls_.find(control);
  if (it == controls_.end() || it->second.widget.isNull()) return nullptr;
  QWidget* w = it->second.widget.data();
  switch (it->second.state.kind()) {
    case ControlKind::kList: return static_cast<ListControlWidget*>(w)->view();
    default: return w;  // a spin box is its edit field's focus proxy
  }
}

// ---------------------------------------------------------------- the window

void WindowMirror::SyncWindow(const WindowFacts& facts) {
  bool font_changed = facts.font.face != facts_.font.face ||
                      facts.font.points != facts_.font.points ||
                      facts.font.weight != facts_.font.weight ||
                      facts.font.italic != facts_.font.italic || controls_.empty();
  bool focus_moved = facts.focus != facts_.focus;
  facts_ = facts;
  setWindowTitle(Utf8(facts.caption));
  if (font_changed) {
    window_font_ = ControlFont(facts.font, facts.font);
    setFont(window_font_);
    units_ = DialogUnits(window_font_);
    for (auto& [number, e] : controls_) Apply(e, kChangeAll, std::nullopt);
  }
  setFixedSize(units_.Size(facts.width, facts.height));
  if (facts.placed) move(units_.X(facts.x), units_.Y(facts.y));
  bool opening = facts.open && !isVisible();
  if (opening) {
    // Clicks and keys given to a window whose loop waits under this one would only queue up
    // and all happen at once when this one closes (a "С" clearing the table then).
    setWindowModality(facts.modal ? Qt::ApplicationModal : Qt::NonModal);
    show();
    raise();
    activateWindow();
  } else if (!facts.open && isVisible()) {
    hide();
  }
  // A new caption must not select the text the user is typing: only a real move counts.
  if (opening || focus_moved) SyncFocus(facts.focus);
}

void WindowMirror::closeEvent(QCloseEvent* event) {
  // The program decides whether the window closes; the close box only asks.
  event->ignore();
  Call([](Window& w) { w.UserClose(); });
}

void WindowMirror::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isVisible()) {
    bool active = isActiveWindow();
    Call([active](Window& w) { w.UserWindowFocus(active); });
  }
}

// ---------------------------------------------------------------- controls

QWidget* WindowMirror::Make(const Control& state) {
  int number = state.number();
  QWidget* w = nullptr;
  switch (state.kind()) {
    case ControlKind::kButton: {
      auto* b = new QPushButton(this);
      connect(b, &QPushButton::clicked, this,
              [this, number] { Call([number](Window& w) { w.UserClick(number); }); });
      w = b;
      break;
    }
    case ControlKind::kEntry: {
      auto* e = new QLineEdit(this);
      connect(e, &QLineEdit::textEdited, this, [this, number](const QString& text) {
        std::string t = Utf8(text);
        if (facts_.focus != number) user_focus_request_ = number;
        Call([number, t](Window& w) { w.UserType(number, t); });
      });
      w = e;
      break;
    }
    case ControlKind::kSpin: {
      auto* s = new SpinEdit(this);
      connect(s->edit(), &QLineEdit::textEdited, this, [this, number](const QString& text) {
        std::string t = Utf8(text);
        if (facts_.focus != number) user_focus_request_ = number;
        Call([number, t](Window& w) { w.UserType(number, t); });
      });
      connect(s, &SpinEdit::stepRequested, this, [this, number](int steps) {
        Call([number, steps](Window& w) { w.UserSpin(number, steps); });
      });
      s->edit()->installEventFilter(this);
      s->edit()->setProperty(kControlProperty, number);
      w = s;
      break;
    }
    case ControlKind::kList: {
      auto* l = new ListControlWidget(units_, this);
      connect(l, &ListControlWidget::rowClicked, this,
              [this, number](size_t row, int column, int mouse) {
                Call([=](Window& w) { w.UserListClick(number, row, column, mouse); });
              });
      connect(l, &ListControlWidget::keyPressed, this,
              [this, number](int code, char32_t ch) {
                Call([=](Window& w) { w.UserKey(number, code, ch); });
              });
      connect(l, &ListControlWidget::scrollRequested, this, [this, number](int event) {
        Call([=](Window& w) { w.UserScroll(number, event); });
      });
      connect(l, &ListControlWidget::thumbDragged, this, [this, number](int position) {
        Call([=](Window& w) { w.UserDragThumb(number, position); });
      });
      connect(l, &ListControlWidget::pageRowsChanged, this,
              [this, number](int rows) { ApplyPageRows(number, rows); });
      l->view()->setProperty(kControlProperty, number);
      w = l;
      break;
    }
    case ControlKind::kChart:
      w = MakeChartView(this);
      break;
    case ControlKind::kImage:
    case ControlKind::kString:
    case ControlKind::kPrompt:
    default: {
      auto* label = new QLabel(this);
      label->setTextFormat(Qt::PlainText);
      w = label;
      break;
    }
  }
  // The runtime moves the focus; Qt must not move it on a click or a Tab of its own.
  w->setFocusPolicy(Qt::NoFocus);
  if (QLineEdit* edit = EditOf(w, state.kind())) edit->setFocusPolicy(Qt::NoFocus);
  w->setProperty(kControlProperty, number);
  w->installEventFilter(this);
  return w;
}

void WindowMirror::SyncControl(const Control& state, unsigned changes,
                               std::optional<ListRowSource> rows) {
  auto it = controls_.find(state.number());
  if (it == controls_.end()) {
    QWidget* w = Make(state);
    it = controls_.emplace(state.number(), Entry{w, state}).first;
    changes = kChangeAll;
  } else if (it->second.widget.isNull() || it->second.state.kind() != state.kind()) {
    // A number reused for another kind: a new widget.
    delete it->second.widget.data();
    it->second.widget = Make(state);
    it->second.state = state;
    changes = kChangeAll;
  } else {
    it->second.state = state;
  }
  Apply(it->second, changes, std::move(rows));
}

void WindowMirror::RemoveControl(int number) {
  auto it = controls_.find(number);
  if (it == controls_.end()) return;
  QWidget* w = it->second.widget.data();
  controls_.erase(it);
  if (w == nullptr) return;
  w->hide();
  // Inside one of our own handlers the widget may be the one whose event is being handled.
  if (calls_running_ > 0) {
    w->deleteLater();
  } else {
    delete w;
  }
}

void WindowMirror::SyncFocus(int control) {
  facts_.focus = control;
  QWidget* w = FocusWidgetFor(control);
  if (w == nullptr) {
    if (QWidget* f = focusWidget()) f->clearFocus();
    return;
  }
  w->setFocus(Qt::OtherFocusReason);
  // The runtime moves the focus, so Qt never sees a Tab of its own and its styles would
  // draw no focus on buttons: the focus is always drawn, wherever it came from.
  setAttribute(Qt::WA_KeyboardFocusChange, true);
  // Reaching an edit field by Tab or by the program selects its text, so typing replaces
  // it; a click keeps the cursor where the user put it, and typing keeps what was typed.
  // (For a window of another thread the answer to the request comes later, hence the note.)
  bool asked_by_user = control == user_focus_request_;
  user_focus_request_ = 0;
  auto it = controls_.find(control);
  if (!asked_by_user && it != controls_.end()) {
    if (QLineEdit* edit = EditOf(it->second.widget.data(), it->second.state.kind())) {
      edit->selectAll();
    }
  }
}

void WindowMirror::ApplyPageRows(int control, int rows) {
  Call([control, rows](Window& w) { w.SetPageRows(control, rows); });
}

void WindowMirror::Apply(Entry& e, unsigned changes, std::optional<ListRowSource> rows) {
  const Control& s = e.state;
  QWidget* w = e.widget.data();
  if (w == nullptr) return;

  if (changes & (kChangeStyle | kChangeGeometry)) {
    if (s.kind() == ControlKind::kList) static_cast<ListControlWidget*>(w)->SetUnits(units_);
    QFont font = ControlFont(s.font(), facts_.font);
    w->setFont(font);
    ApplyColors(s.kind() == ControlKind::kList ? static_cast<ListControlWidget*>(w)->view() : w,
                s.text_color(), s.background());
  }
  if (changes & kChangeEnabled) w->setEnabled(!s.disabled());
  if (changes & kChangeText) {
    w->setToolTip(Utf8(s.tool_tip()));
    w->setStatusTip(Utf8(s.message()));
  }

  switch (s.kind()) {
    case ControlKind::kButton: {
      auto* b = static_cast<QPushButton*>(w);
      if (changes & (kChangeText | kChangeValue)) {
        b->setText(Utf8(s.caption()));
        b->setIcon(StandardIconFromRef(s.icon()));
      }
      if (changes & kChangeDefault) b->setDefault(s.is_default());
      break;
    }
    case ControlKind::kEntry:
    case ControlKind::kSpin: {
      QLineEdit* edit = EditOf(w, s.kind());
      QString text = Utf8(s.shown_text());
      // Setting the same text again would move the user's cursor to the end.
      if (edit->text() != text) edit->setText(text);
      if (s.kind() == ControlKind::kSpin) {
        static_cast<SpinEdit*>(w)->setReadOnly(s.disabled());
      }
      break;
    }
    case ControlKind::kString:
      static_cast<QLabel*>(w)->setText(Utf8(s.shown_text()));
      break;
    case ControlKind::kPrompt:
      static_cast<QLabel*>(w)->setText(WithoutMnemonics(s.caption()));
      break;
    case ControlKind::kImage: {
      auto* label = static_cast<QLabel*>(w);
      std::string_view data = s.image_data();
      // Decoding is the expensive part: only a different picture is read again.
      QVariant shown = label->property("tovikImage");
      QByteArray key = QByteArray::number(reinterpret_cast<quintptr>(data.data())) + ':' +
                       QByteArray::number(static_cast<qulonglong>(data.size()));
      if (!shown.isValid() || shown.toByteArray() != key) {
        QPixmap pixmap;
        if (!data.empty()) {
          pixmap.loadFromData(reinterpret_cast<const uchar*>(data.data()),
                              static_cast<uint>(data.size()));
        }
        label->setPixmap(pixmap);
        label->setProperty("tovikImage", key);
        changes |= kChangeGeometry;
      }
      break;
    }
    case ControlKind::kList: {
      auto* list = static_cast<ListControlWidget*>(w);
      ListTableModel* model = list->model();
      bool columns = (changes & kChangeFormat) != 0;
      if (rows) {
        model->SetSource(std::move(*rows));
        columns = true;
      }
      if (columns) {
        int fields = s.row_layout() ? static_cast<int>(s.row_layout()->FieldCount()) : 0;
        model->SetColumns(s.format(), fields);
        list->ApplyColumns();
      } else if (changes & kChangeRows) {
        model->Refresh();
      }
      if (changes & kChangeStyle) {
        std::map<int, Color> colors;
        int count = static_cast<int>(model->Columns().size());
        for (int c = 1; c <= count; ++c) {
          if (s.column_text_color(c) != kColorDefault) colors[c] = s.column_text_color(c);
        }
        model->SetColumnColors(std::move(colors));
      }
      if (changes & (kChangeScroll | kChangeRows | kChangeGeometry)) {
        list->ShowScroll(s.page_mode(), s.vscroll(), s.thumb());
      }
      if (changes & (kChangeSelection | kChangeRows | kChangeFormat)) {
        list->ShowSelection(s.selected());
      }
      break;
    }
    case ControlKind::kChart:
      if (changes & kChangeChart) ShowChart(w, s.chart());
      break;
    default:
      break;
  }

  if (changes & (kChangeGeometry | kChangeText | kChangeValue | kChangeStyle)) ApplyGeometry(e);
  if (changes & kChangeVisible) {
    bool floated_away = s.floated_list() != 0 && WidgetFor(s.floated_list()) == nullptr;
    w->setVisible(!s.hidden() && !floated_away);
  }
  if (s.kind() == ControlKind::kList &&
      (changes & (kChangeEditor | kChangeSelection | kChangeRows | kChangeGeometry |
                  kChangeScroll | kChangeFormat))) {
    PlaceEditorsOf(e);
  }
}

void WindowMirror::ApplyGeometry(Entry& e) {
  const Control& s = e.state;
  QWidget* w = e.widget.data();
  if (s.floated_list() != 0) {
    PlaceFloated(e);
    return;
  }
  QRect r = units_.Rect(s.x(), s.y(), s.EffectiveWidth(), s.EffectiveHeight());
  bool text_sized = s.kind() == ControlKind::kPrompt || s.kind() == ControlKind::kString ||
                    s.kind() == ControlKind::kImage;
  if (text_sized) {
    // "Default size" of a text or picture: what it needs, never less than the runtime's guess.
    QSize hint = w->sizeHint();
    if (s.width() == 0 && hint.width() > r.width()) r.setWidth(hint.width());
    if (s.height() == 0 && hint.height() > r.height()) r.setHeight(hint.height());
    if (s.kind() == ControlKind::kImage && s.width() == 0) r.setWidth(hint.width());
    if (s.kind() == ControlKind::kImage && s.height() == 0) r.setHeight(hint.height());
  }
  if ((s.kind() == ControlKind::kEntry || s.kind() == ControlKind::kSpin) && s.picture()) {
    // The resource's size was drawn for another face: an entry too narrow for the widest
    // value of its picture in the font it really has grows to the right until it holds it
    // ("9999.99" whole, never "999.99" with a cut first digit).
    QLineEdit* edit = EditOf(w, s.kind());
    const int field = s.kind() == ControlKind::kSpin
                          ? static_cast<SpinEdit*>(w)->EditFieldWidth(r.size())
                          : r.width();
    const int missing =
        WidestValueWidth(*s.picture(), edit->fontMetrics()) - LineEditTextRoom(edit, field);
    if (missing > 0) r.setWidth(r.width() + missing);
  }
  w->setGeometry(r);
  if (s.kind() == ControlKind::kButton && !s.icon().empty()) {
    auto* b = static_cast<QPushButton*>(w);
    int side = std::min(r.width(), r.height()) - 8;
    b->setIconSize(QSize(std::max(side, 8), std::max(side, 8)));
  }
}

void WindowMirror::PlaceFloated(Entry& editor) {
  const Control& s = editor.state;
  QWidget* w = editor.widget.data();
  auto list_it = controls_.find(s.floated_list());
  if (w == nullptr || list_it == controls_.end() || list_it->second.widget.isNull()) return;
  auto* list = static_cast<ListControlWidget*>(list_it->second.widget.data());
  QRect cell = list->CellRect(list_it->second.state.selected(), s.floated_column());
  if (!cell.isValid()) {
    w->hide();
    return;
  }
  // The edit field covers the cell and a pixel around it, like the cell's own frame.
  QRect r(list->mapTo(this, cell.topLeft()), cell.size());
  if (auto* drop = qobject_cast<ListControlWidget*>(w)) {
    // A list of choices drops from the cell: every choice a row as high as the cell's, at
    // least the cell's width, kept inside the window.
    const int rows = std::max(1, drop->view()->model()->rowCount());
    const int frame = 2 * drop->view()->frameWidth();
    r.setHeight(rows * cell.height() + frame);
    r.setWidth(std::max(r.width(), drop->view()->horizontalHeader()->length() + frame));
    if (r.bottom() >= height()) r.moveBottom(height() - 1);
    w->setGeometry(r);
  } else {
    w->setGeometry(r.adjusted(-1, -1, 1, 1));
  }
  w->setFont(list->font());
  w->setVisible(!s.hidden());
  w->raise();
}

void WindowMirror::PlaceEditorsOf(const Entry& list) {
  int columns = list.state.format() ? static_cast<int>(list.state.format()->Columns().size()) : 0;
  for (int c = 1; c <= columns; ++c) {
    int editor = list.state.column_editor(c);
    auto it = controls_.find(editor);
    if (editor != 0 && it != controls_.end()) PlaceFloated(it->second);
  }
}

// ---------------------------------------------------------------- input

bool WindowMirror::HandleKey(int control, QKeyEvent* key) {
  auto it = controls_.find(control);
  if (it == controls_.end()) return false;
  const Control& s = it->second.state;
  int code = KeyCodeOf(*key);
  char32_t ch = KeyCharOf(*key);
  if (code == 0) return false;
  bool input = s.kind() == ControlKind::kEntry || s.kind() == ControlKind::kSpin;
  if (input && !s.IsAlertKey(code) && IsEditingKey(*key, ch)) return false;
  Call([control, code, ch](Window& w) { w.UserKey(control, code, ch); });
  return true;
}

bool WindowMirror::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      int control = ControlOf(watched);
      auto it = controls_.find(control);
      // Lists read their own keys (ListControlWidget), which reach the model as keyPressed.
      if (it == controls_.end() || it->second.state.kind() == ControlKind::kList) break;
      return HandleKey(control, static_cast<QKeyEvent*>(event));
    }
    case QEvent::ShortcutOverride: {
      // Tab and Enter must reach the control, not the window's focus chain or a shortcut.
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
          key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        event->accept();
        return true;
      }
      break;
    }
    case QEvent::MouseButtonPress: {
      int control = ControlOf(watched);
      auto it = controls_.find(control);
      if (it == controls_.end()) break;
      ControlKind kind = it->second.state.kind();
      // A click into an edit field asks for the focus; the field keeps the click to place
      // the cursor. Buttons ask when they are pressed (UserClick), lists on their row click.
      if ((kind == ControlKind::kEntry || kind == ControlKind::kSpin) &&
          facts_.focus != control) {
        user_focus_request_ = control;
        Call([control](Window& w) { w.UserFocus(control); });
      }
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace rt
