#include "runtime/windows/window.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "runtime/windows/backend.h"
#include "runtime/windows/properties.h"
#include "runtime/values/record_descriptor.h"
#include "runtime/values/row_queue.h"
#include "runtime/windows/runtime_thread.h"
#include "runtime/values/text.h"

namespace rt {

namespace {

bool HasValue(ControlKind k) {
  return k == ControlKind::kEntry || k == ControlKind::kSpin || k == ControlKind::kString;
}

bool IsInput(ControlKind k) { return k == ControlKind::kEntry || k == ControlKind::kSpin; }

// Does v fit the variable without wrapping? A BYTE bound to an "n3" entry must not turn 300
// into 44 behind the user's back.
bool FitsVariable(const AnyRef& var, double v) {
  // A whole-number variable would keep only the whole part of "2.5": refused, not cut.
  if (IsInteger(var.type()) && v != std::floor(v)) return false;
  switch (var.type()) {
    case Type::Byte: return v >= 0 && v <= 255;
    case Type::Short: return v >= -32768 && v <= 32767;
    case Type::UShort: return v >= 0 && v <= 65535;
    case Type::Long: return v >= -2147483648.0 && v <= 2147483647.0;
    case Type::ULong: return v >= 0 && v <= 4294967295.0;
    default: return true;
  }
}

bool ReadInt(std::string_view text, int64_t* out) {
  double v = 0;
  if (!ParseNumber(text, &v) || !std::isfinite(v) || std::fabs(v) > 9.2e18) return false;
  *out = static_cast<int64_t>(v);
  return true;
}

std::string ColorText(Color c) {
  return c == kColorDefault ? "-1" : std::to_string(c);
}

bool ReadColor(std::string_view text, Color* out) {
  int64_t v = 0;
  if (!ReadInt(text, &v)) return false;
  *out = v < 0 ? kColorDefault : static_cast<Color>(v);
  return true;
}

// "n5.2" through Picture, "s20" cut to 20 bytes, "" the text as it is.
bool ReadValuePicture(std::string_view text, std::optional<Picture>* picture, int* limit) {
  picture->reset();
  *limit = 0;
  if (text.empty()) return true;
  if (text[0] == 's' || text[0] == 'S') {
    double n = 0;
    if (!ParseNumber(text.substr(1), &n) || n < 1 || n > 65535 || n != std::floor(n)) {
      return false;
    }
    *limit = static_cast<int>(n);
    return true;
  }
  *picture = Picture::Parse(text);
  return picture->has_value();
}

int ScrollEventForKey(int key) {
  switch (key) {
    case kKeyUp: return kEventScrollUp;
    case kKeyDown: return kEventScrollDown;
    case kKeyPageUp: return kEventPageUp;
    case kKeyPageDown: return kEventPageDown;
    case kKeyHome:
    case kKeyCtrlHome: return kEventScrollTop;
    case kKeyEnd:
    case kKeyCtrlEnd: return kEventScrollBottom;
    default: return 0;
  }
}

}  // namespace

Window::Window(const WindowResource& resource)
    : resource_(&resource),
      caption_(resource.caption),
      width_(resource.width),
      height_(resource.height) {}

std::unique_ptr<Window> Window::Prepare(const WindowResource& resource,
                                        std::vector<Binding> bindings, std::string* error) {
  std::unique_ptr<Window> w(new Window(resource));
  auto fail = [&](int number, const std::string& why) {
    if (error) *error = resource.label + ", control " + std::to_string(number) + ": " + why;
    return nullptr;
  };
  for (const ControlResource& cr : resource.controls) {
    if (cr.number <= 0) return fail(cr.number, "control numbers start at 1");
    if (w->controls_.count(cr.number)) return fail(cr.number, "the number is used twice");
    auto c = std::make_unique<Control>(cr);
    c->picture_text_ = cr.picture;
    if (!ReadValuePicture(cr.picture, &c->picture_, &c->text_limit_)) {
      return fail(cr.number, "the picture \"" + cr.picture + "\" cannot be read");
    }
    if (cr.kind == ControlKind::kList && !cr.list_format.empty()) {
      std::string why;
      c->format_ = ListFormat::Parse(cr.list_format, &why);
      if (!c->format_) {
        return fail(cr.number, "the list format \"" + cr.list_format + "\" is malformed: " + why);
      }
    }
    if (cr.binding > 0) {
      if (static_cast<size_t>(cr.binding) > bindings.size()) {
        return fail(cr.number, "binding " + std::to_string(cr.binding) + " was not given");
      }
      std::string why;
      if (!w->Bind(*c, bindings[cr.binding - 1], &why)) return fail(cr.number, why);
    }
    w->controls_[cr.number] = std::move(c);
  }
  for (auto& [number, c] : w->controls_) {
    if (HasValue(c->kind_) && !c->variable_.IsNull()) w->ShowValue(*c);
  }
  if (Backend* b = CurrentBackend()) b->WindowPrepared(*w);
  return w;
}

std::unique_ptr<Window> Window::Prepare(std::string_view resource, std::string_view label,
                                        std::vector<Binding> bindings, std::string* error) {
  const WindowResource* r = FindWindowResource(resource, label);
  if (r == nullptr) {
    if (error) *error = "no window " + std::string(label) + " in " + std::string(resource);
    return nullptr;
  }
  return Prepare(*r, std::move(bindings), error);
}

bool Window::Bind(Control& c, const Binding& b, std::string* error) {
  if (c.kind_ == ControlKind::kList) {
    if (b.rows == nullptr || b.row_layout == nullptr) {
      *error = "a list needs a queue and the layout of its rows";
      return false;
    }
    if (c.format_ && c.format_->FieldsNeeded() > static_cast<int>(b.row_layout->FieldCount())) {
      *error = "the list format needs more fields than the queue's rows have";
      return false;
    }
    c.rows_ = b.rows;
    c.row_layout_ = b.row_layout;
    return true;
  }
  if (!HasValue(c.kind_)) {
    *error = std::string("a ") + ControlKindName(c.kind_) + " takes no variable";
    return false;
  }
  if (b.value.IsNull()) {
    *error = "a variable is needed";
    return false;
  }
  c.variable_ = b.value;
  return true;
}

Window::~Window() {
  auto lock = Lock();
  Close();
  if (Backend* b = CurrentBackend()) b->WindowFreed(*this);
}

// ---------------------------------------------------------------- life cycle

bool Window::Open() { return OpenOwned(nullptr); }

bool Window::OpenOwned(Window* owner) {
  auto lock = Lock();
  if (open_) return false;
  open_ = true;
  owner_ = owner;
  RuntimeThread& t = RuntimeThread::Current();
  thread_ = t.number();
  t.WindowOpened(this);
  focus_ = NextFocusable(0, 1);
  if (Backend* b = CurrentBackend()) b->WindowOpened(*this);
  Post(kEventOpenWindow);
  return true;
}

void Window::Close() {
  auto lock = Lock();
  if (!open_) return;
  open_ = false;
  if (Backend* b = CurrentBackend()) b->WindowClosed(*this);
  if (auto t = RuntimeThread::Find(thread_)) t->DropEventsFor(this);
  RuntimeThread::Current().WindowGone(this);
}

// ---------------------------------------------------------------- controls

Control* Window::Find(int number) {
  auto it = controls_.find(number);
  return it == controls_.end() ? nullptr : it->second.get();
}

const Control* Window::Find(int number) const {
  auto it = controls_.find(number);
  return it == controls_.end() ? nullptr : it->second.get();
}

int Window::Create(int number, ControlKind kind) {
  auto lock = Lock();
  if (number < 0) return 0;
  if (number == 0) number = controls_.empty() ? 1 : controls_.rbegin()->first + 1;
  if (controls_.count(number)) return 0;
  controls_[number] = std::make_unique<Control>(number, kind);
  if (Backend* b = CurrentBackend()) b->ControlCreated(*this, number);
  return number;
}

bool Window::Destroy(int number) {
  auto lock = Lock();
  Control* c = Find(number);
  if (c == nullptr) return false;
  if (c->floated_list_) {
    if (Control* list = Find(c->floated_list_)) {
      list->column_editors_.erase(c->floated_column_);
      Notify(list->number_, kChangeEditor);
    }
  }
  if (focus_ == number) {
    focus_ = 0;
    if (Backend* b = CurrentBackend()) b->FocusChanged(*this, 0);
  }
  // Tell the backend while the control still exists, so it can find its widget.
  if (Backend* b = CurrentBackend()) b->ControlDestroyed(*this, number);
  controls_.erase(number);
  return true;
}

void Window::ForRange(int first, int last, const std::function<void(Control&)>& f) {
  if (first == 0) {
    for (auto& [number, c] : controls_) f(*c);
    return;
  }
  if (last < first) last = first;
  for (auto it = controls_.lower_bound(first); it != controls_.end() && it->first <= last; ++it) {
    f(*it->second);
  }
}

void Window::Hide(int first, int last) {
  auto lock = Lock();
  ForRange(first, last, [&](Control& c) {
    if (c.hidden_) return;
    c.hidden_ = true;
    if (focus_ == c.number_) {
      focus_ = 0;
      if (Backend* b = CurrentBackend()) b->FocusChanged(*this, 0);
    }
    Notify(c.number_, kChangeVisible);
  });
}

void Window::Unhide(int first, int last) {
  auto lock = Lock();
  ForRange(first, last, [&](Control& c) {
    if (!c.hidden_) return;
    c.hidden_ = false;
    Notify(c.number_, kChangeVisible);
  });
}

void Window::Enable(int first, int last) {
  auto lock = Lock();
  ForRange(first, last, [&](Control& c) {
    if (!c.disabled_) return;
    c.disabled_ = false;
    Notify(c.number_, kChangeEnabled);
  });
}

void Window::Disable(int first, int last) {
  auto lock = Lock();
  ForRange(first, last, [&](Control& c) {
    if (c.disabled_) return;
    c.disabled_ = true;
    if (focus_ == c.number_) {
      focus_ = 0;
      if (Backend* b = CurrentBackend()) b->FocusChanged(*this, 0);
    }
    Notify(c.number_, kChangeEnabled);
  });
}

bool Window::Select(int control, size_t row) {
  auto lock = Lock();
  if (control == 0) {
    // Check every entry before anything is taken, so a rejected form changes no variable.
    for (auto& [number, c] : controls_) {
      if (!IsInput(c->kind_) || c->hidden_ || c->disabled_) continue;
      double v = 0;
      bool numeric = false;
      if (!CheckInput(*c, &v, &numeric)) {
        MoveFocus(number, true);
        Post(kEventRejected, number);
        return false;
      }
    }
    for (auto& [number, c] : controls_) {
      if (!IsInput(c->kind_) || c->hidden_ || c->disabled_) continue;
      bool changed = false;
      TakeValue(*c, &changed);
    }
    Post(kEventCompleted);
    return true;
  }
  Control* c = Find(control);
  if (c == nullptr) return false;
  if (c->kind_ == ControlKind::kList && row > 0) SetSelected(*c, row);
  if (c->hidden_ || c->disabled_ || !(c->Focusable() || c->floated_list_)) return false;
  MoveFocus(control, true);
  return true;
}

void Window::Display(int control) {
  auto lock = Lock();
  ForRange(control, control, [&](Control& c) {
    if (c.kind_ == ControlKind::kList) {
      size_t rows = c.rows_ ? c.rows_->Records() : 0;
      if (c.selected_ > rows) c.selected_ = rows;
      Notify(c.number_, kChangeRows | kChangeSelection);
    } else if (HasValue(c.kind_) && !c.variable_.IsNull()) {
      ShowValue(c);
    }
  });
}

bool Window::Update(int control) {
  auto lock = Lock();
  bool all = true;
  ForRange(control, control, [&](Control& c) {
    if (!IsInput(c.kind_) || c.variable_.IsNull()) return;
    bool changed = false;
    if (!TakeValue(c, &changed)) all = false;
  });
  return all;
}

void Window::SetPosition(int control, int x, int y, int width, int height) {
  auto lock = Lock();
  if (control == 0) {
    width_ = width;
    height_ = height;
    if (Backend* b = CurrentBackend()) b->WindowChanged(*this);
    return;
  }
  Control* c = Find(control);
  if (c == nullptr) return;
  c->x_ = x;
  c->y_ = y;
  c->width_ = width;
  c->height_ = height;
  Notify(control, kChangeGeometry);
}

// ---------------------------------------------------------------- values

void Window::ShowValue(Control& c) {
  std::string text;
  if (!c.variable_.IsNull()) {
    if (c.picture_) {
      text = c.picture_->Format(c.variable_.Real());
    } else if (c.text_limit_ > 0) {
      text = std::string(CutToBytes(c.variable_.Text(), c.text_limit_));
    } else {
      text = c.variable_.Text();
    }
  }
  c.edit_text_ = std::move(text);
  c.modified_ = false;
  Notify(c.number_, kChangeValue);
}

bool Window::CheckInput(const Control& c, double* v, bool* numeric) const {
  const AnyRef& var = c.variable_;
  *v = 0;
  *numeric = false;
  if (c.input_reader_) {
    if (!c.input_reader_(c.edit_text_, v)) return false;
    // The value must read back from what the picture shows, or the cell would show "#"s.
    double shown = 0;
    if (c.picture_ && !c.picture_->ParseInput(c.picture_->Format(*v), &shown)) return false;
    *numeric = true;
  } else if (c.picture_) {
    if (!c.picture_->ParseInput(c.edit_text_, v)) return false;
    *numeric = true;
  } else if (c.text_limit_ == 0 && (var.IsNull() ? c.has_range_ : var.IsNumeric())) {
    if (!ParseNumber(c.edit_text_, v)) return false;
    *numeric = true;
  }
  if (*numeric) {
    // "-0" is zero: stored with its sign it would show and compare unlike the zero it is.
    if (*v == 0) *v = 0.0;
    if (c.has_range_ && (*v < c.range_low_ || *v > c.range_high_)) return false;
    if (!var.IsNull() && var.IsNumeric() && !FitsVariable(var, *v)) return false;
  } else if (var.type() == Type::CString && !var.IsNull() &&
             c.edit_text_.find('\0') != std::string::npos) {
    // A zero-terminated text ends at its first zero byte: what follows would be lost unseen.
    return false;
  }
  return true;
}

bool Window::TakeValue(Control& c, bool* changed) {
  *changed = false;
  double v = 0;
  bool numeric = false;
  if (!CheckInput(c, &v, &numeric)) return false;
  const AnyRef& var = c.variable_;
  if (var.IsNull()) return true;
  if (numeric) {
    *changed = var.Real() != v;
    var.SetReal(v);
  } else {
    std::string before = var.Text();
    var.SetText(c.text_limit_ > 0 ? CutToBytes(c.edit_text_, c.text_limit_)
                                  : std::string_view(c.edit_text_));
    *changed = var.Text() != before;
  }
  ShowValue(c);
  return true;
}

bool Window::Complete(Control& c, bool always, int key_code) {
  if (!always && !c.modified_) return true;
  bool changed = false;
  if (TakeValue(c, &changed)) {
    Post(kEventAccepted, c.number_, key_code);
    return true;
  }
  Post(kEventRejected, c.number_, key_code);
  return false;
}

// ---------------------------------------------------------------- focus

int Window::NextFocusable(int after, int direction) const {
  if (controls_.empty()) return 0;
  std::vector<int> order;
  for (const auto& [number, c] : controls_) {
    if (c->Focusable() || (c->floated_list_ && !c->hidden_ && !c->disabled_)) {
      order.push_back(number);
    }
  }
  if (order.empty()) return 0;
  if (direction >= 0) {
    for (int n : order) {
      if (n > after) return n;
    }
    return order.front();
  }
  for (auto it = order.rbegin(); it != order.rend(); ++it) {
    if (*it < after) return *it;
  }
  return order.back();
}

void Window::MoveFocus(int control, bool post) {
  if (focus_ != control) {
    focus_ = control;
    if (Backend* b = CurrentBackend()) b->FocusChanged(*this, control);
  }
  if (post && control != 0) Post(kEventSelected, control);
}

// The entry being left checks its text; false (and the focus put back) when it rejects.
bool Window::LeaveFocused(int key_code) {
  Control* old = Find(focus_);
  if (old == nullptr || !IsInput(old->kind_)) return true;
  if (Complete(*old, false, key_code)) return true;
  if (Backend* b = CurrentBackend()) b->FocusChanged(*this, focus_);
  return false;
}

// ---------------------------------------------------------------- lists

void Window::SetSelected(Control& c, size_t row) {
  size_t rows = c.rows_ ? c.rows_->Records() : 0;
  if (row > rows) row = rows;
  if (c.selected_ == row) return;
  c.selected_ = row;
  Notify(c.number_, kChangeSelection);
}

size_t Window::ListRowCount(int control) const {
  auto lock = Lock();
  const Control* c = Find(control);
  return c && c->rows_ ? c->rows_->Records() : 0;
}

std::string Window::CellText(int control, size_t row, int column) const {
  auto lock = Lock();
  const Control* c = Find(control);
  if (c == nullptr || c->rows_ == nullptr || c->row_layout_ == nullptr) return {};
  const void* data = c->rows_->RowAt(row);
  if (data == nullptr) return {};
  const ListColumn* col = c->format_ ? c->format_->Column(column) : nullptr;
  if (c->format_ && col == nullptr) return {};
  int field = col ? col->field : column - 1;
  if (field < 0 || static_cast<size_t>(field) >= c->row_layout_->FieldCount()) return {};
  AnyRef v = c->row_layout_->Field(const_cast<void*>(data), static_cast<size_t>(field));
  if (col && col->picture) return col->picture->Format(v.Real());
  if (col && col->text_width > 0) return std::string(CutToBytes(Clip(v.Text()), col->text_width));
  return v.Text();
}

bool Window::RowMarked(int control, size_t row) const {
  auto lock = Lock();
  const Control* c = Find(control);
  if (c == nullptr || c->mark_field_ <= 0 || c->rows_ == nullptr || c->row_layout_ == nullptr) {
    return false;
  }
  const size_t field = static_cast<size_t>(c->mark_field_) - 1;
  const void* data = c->rows_->RowAt(row);
  if (data == nullptr || field >= c->row_layout_->FieldCount()) return false;
  return c->row_layout_->Field(const_cast<void*>(data), field).Integer() != 0;
}

void Window::FloatEditor(Control& list, int column, int editor) {
  int old = list.column_editor(column);
  if (old == editor) return;
  if (Control* o = Find(old)) {
    o->floated_list_ = 0;
    o->floated_column_ = 0;
    o->hidden_ = true;
    if (focus_ == old) {
      focus_ = list.number_;
      if (Backend* b = CurrentBackend()) b->FocusChanged(*this, focus_);
    }
    Notify(old, kChangeVisible | kChangeGeometry);
  }
  if (editor == 0) {
    list.column_editors_.erase(column);
  } else {
    list.column_editors_[column] = editor;
    Control* e = Find(editor);
    e->floated_list_ = list.number_;
    e->floated_column_ = column;
    e->hidden_ = false;
    Notify(editor, kChangeVisible | kChangeGeometry);
  }
  Notify(list.number_, kChangeEditor);
}

// ---------------------------------------------------------------- properties

std::string Window::Property(int control, int property, int index) const {
  auto lock = Lock();
  const Control* c = control == 0 ? nullptr : Find(control);
  if (control != 0 && c == nullptr) return {};
  return ReadProperty(c, control, property, index);
}

int64_t Window::PropertyInt(int control, int property, int index) const {
  int64_t v = 0;
  return ReadInt(Property(control, property, index), &v) ? v : 0;
}

std::string Window::ReadProperty(const Control* c, int control, int property,
                                 int index) const {
  auto other = [&](const std::map<std::pair<int, int>, std::string>& m) {
    auto it = m.find({property, index});
    return it == m.end() ? std::string() : it->second;
  };
  if (c == nullptr) {
    switch (property) {
      case kPropText: return caption_;
      case kPropX: return std::to_string(resource_->x);
      case kPropY: return std::to_string(resource_->y);
      case kPropWidth: return std::to_string(width_);
      case kPropHeight: return std::to_string(height_);
      case kPropNoRefresh: return no_refresh_ ? "1" : "0";
      case kPropVisible: return open_ ? "1" : "0";
      default: return other(other_);
    }
  }
  auto number = [](int64_t v) { return std::to_string(v); };
  switch (property) {
    case kPropText: return HasValue(c->kind_) ? c->picture_text_ : c->caption_;
    case kPropType: return number(static_cast<int>(c->kind_));
    case kPropX: return number(c->x_);
    case kPropY: return number(c->y_);
    case kPropWidth: return number(c->EffectiveWidth());
    case kPropHeight: return number(c->EffectiveHeight());
    case kPropFontColor: return ColorText(c->text_color_);
    case kPropBackground: return ColorText(c->background_);
    case kPropMouseDownRow: return number(static_cast<int64_t>(c->mouse_row_));
    case kPropMouseDownColumn: return number(c->mouse_column_);
    case kPropDefault: return c->default_ ? "1" : "0";
    case kPropDisabled: return c->disabled_ ? "1" : "0";
    case kPropIcon: return c->icon_;
    case kPropRangeLow: return c->has_range_ ? FormatReal(c->range_low_) : "";
    case kPropRangeHigh: return c->has_range_ ? FormatReal(c->range_high_) : "";
    case kPropVScroll: return c->vscroll_ ? "1" : "0";
    case kPropFormat: return c->format_ ? c->format_->Text() : "";
    case kPropItems: return number(c->kind_ == ControlKind::kList ? c->page_rows() : 0);
    case kPropSelected: return number(static_cast<int64_t>(c->selected_));
    case kPropThumb: return number(c->thumb_);
    case kPropToolTip: return c->tool_tip_;
    case kPropVisible: return open_ && !c->hidden_ ? "1" : "0";
    case kPropMessage: return c->message_;
    case kPropUse: return c->variable_.IsNull() ? "" : c->variable_.Text();
    case kPropColumnEditor: return number(c->column_editor(index));
    case kPropAlertKey: return number(c->alert_key(index));
    case kPropColumnPicture: {
      const ListColumn* col = c->format_ ? c->format_->Column(index) : nullptr;
      return col ? col->picture_text : "";
    }
    case kPropColumnFormat: {
      const ListColumn* col = c->format_ ? c->format_->Column(index) : nullptr;
      return col ? col->source : "";
    }
    case kPropColumnTextColor: return ColorText(c->column_text_color(index));
    case kPropMarkField: return number(c->mark_field_);
    default: return other(c->other_);
  }
}

bool Window::SetProperty(int control, int property, std::string_view value, int index) {
  auto lock = Lock();
  Control* c = control == 0 ? nullptr : Find(control);
  if (control != 0 && c == nullptr) return false;
  return SetKnownProperty(c, control, property, value, index);
}

bool Window::SetPropertyInt(int control, int property, int64_t value, int index) {
  return SetProperty(control, property, std::to_string(value), index);
}

bool Window::SetKnownProperty(Control* c, int control, int property, std::string_view value,
                              int index) {
  int64_t n = 0;
  bool is_number = ReadInt(value, &n);
  if (c == nullptr) {
    switch (property) {
      case kPropText:
        caption_ = std::string(value);
        if (Backend* b = CurrentBackend()) b->WindowChanged(*this);
        return true;
      case kPropWidth:
      case kPropHeight:
        if (!is_number || n < 0) return false;
        (property == kPropWidth ? width_ : height_) = static_cast<int>(n);
        if (Backend* b = CurrentBackend()) b->WindowChanged(*this);
        return true;
      case kPropNoRefresh:
        if (!is_number) return false;
        no_refresh_ = n != 0;
        return true;
      case kPropVisible:
      case kPropTargetWindow:
      case kPropType:
        return false;
      default:
        other_[{property, index}] = std::string(value);
        return true;
    }
  }
  auto need_number = [&](int64_t low, int64_t high) {
    return is_number && n >= low && n <= high;
  };
  switch (property) {
    case kPropText:
      if (HasValue(c->kind_)) {
        std::optional<Picture> picture;
        int limit = 0;
        if (!ReadValuePicture(value, &picture, &limit)) return false;
        c->picture_ = picture;
        c->text_limit_ = limit;
        c->picture_text_ = std::string(value);
        if (!c->variable_.IsNull()) ShowValue(*c);
      } else {
        c->caption_ = std::string(value);
      }
      Notify(control, kChangeText);
      return true;
    case kPropX:
    case kPropY:
    case kPropWidth:
    case kPropHeight: {
      if (!need_number(-32768, 32767)) return false;
      int v = static_cast<int>(n);
      if (property == kPropX) c->x_ = v;
      if (property == kPropY) c->y_ = v;
      if (property == kPropWidth) c->width_ = std::max(v, 0);
      if (property == kPropHeight) c->height_ = std::max(v, 0);
      Notify(control, kChangeGeometry);
      return true;
    }
    case kPropFontColor:
    case kPropBackground: {
      Color color;
      if (!ReadColor(value, &color)) return false;
      (property == kPropFontColor ? c->text_color_ : c->background_) = color;
      Notify(control, kChangeStyle);
      return true;
    }
    case kPropMouseDownRow:
      if (!need_number(0, std::numeric_limits<int32_t>::max())) return false;
      c->mouse_row_ = static_cast<size_t>(n);
      return true;
    case kPropMouseDownColumn:
      if (!need_number(0, 255)) return false;
      c->mouse_column_ = static_cast<int>(n);
      return true;
    case kPropDefault:
      if (!is_number) return false;
      if (n != 0) {
        for (auto& [num, other] : controls_) {
          if (other->default_ && num != control) {
            other->default_ = false;
            Notify(num, kChangeDefault);
          }
        }
      }
      c->default_ = n != 0;
      Notify(control, kChangeDefault);
      return true;
    case kPropDisabled:
      if (!is_number) return false;
      if (n != 0) {
        Disable(control);
      } else {
        Enable(control);
      }
      return true;
    case kPropVisible:
      if (!is_number) return false;
      if (n != 0) {
        Unhide(control);
      } else {
        Hide(control);
      }
      return true;
    case kPropIcon:
      c->icon_ = std::string(value);
      Notify(control, kChangeText);
      return true;
    case kPropRangeLow:
    case kPropRangeHigh: {
      double v = 0;
      if (!ParseNumber(value, &v)) return false;
      if (!c->has_range_) {
        c->has_range_ = true;
        c->range_low_ = -std::numeric_limits<double>::max();
        c->range_high_ = std::numeric_limits<double>::max();
      }
      (property == kPropRangeLow ? c->range_low_ : c->range_high_) = v;
      return true;
    }
    case kPropVScroll:
      if (!is_number) return false;
      c->vscroll_ = n != 0;
      Notify(control, kChangeScroll);
      return true;
    case kPropFormat: {
      if (c->kind_ != ControlKind::kList) return false;
      auto format = ListFormat::Parse(value);
      if (!format) return false;
      if (c->row_layout_ &&
          format->FieldsNeeded() > static_cast<int>(c->row_layout_->FieldCount())) {
        return false;
      }
      c->format_ = std::move(format);
      Notify(control, kChangeFormat | kChangeRows);
      return true;
    }
    case kPropSelected:
      if (!need_number(0, std::numeric_limits<int32_t>::max())) return false;
      if (c->kind_ != ControlKind::kList) return false;
      SetSelected(*c, static_cast<size_t>(n));
      return true;
    case kPropThumb:
      if (!is_number) return false;
      c->thumb_ = static_cast<int>(std::clamp<int64_t>(n, 0, 100));
      Notify(control, kChangeScroll);
      return true;
    case kPropToolTip:
      c->tool_tip_ = std::string(value);
      Notify(control, kChangeText);
      return true;
    case kPropMessage:
      c->message_ = std::string(value);
      Notify(control, kChangeText);
      return true;
    case kPropColumnEditor: {
      if (c->kind_ != ControlKind::kList || !c->format_ || !c->format_->Column(index)) {
        return false;
      }
      if (!is_number || n < 0) return false;
      Control* e = n == 0 ? nullptr : Find(static_cast<int>(n));
      // An entry edits the cell; another list drops its choices from the cell.
      const bool floats = e != nullptr && (IsInput(e->kind_) || (e->kind_ == ControlKind::kList &&
                                                                 e != c && e->floated_list_ == 0 &&
                                                                 e->column_editors_.empty()));
      if (n != 0 && !floats) return false;
      FloatEditor(*c, index, static_cast<int>(n));
      return true;
    }
    case kPropAlertKey: {
      if (!is_number || n < 0 || index < 0 || index > Control::kMaxAlertSlot) return false;
      if (index == 0) {
        // The first free slot.
        if (n == 0) return false;
        for (index = 1; index <= Control::kMaxAlertSlot; ++index) {
          if (c->alert_key(index) == 0) break;
        }
        if (index > Control::kMaxAlertSlot) return false;
      }
      if (n == 0) {
        c->alert_keys_.erase(index);
      } else {
        c->alert_keys_[index] = static_cast<int>(n);
      }
      return true;
    }
    case kPropColumnPicture:
      if (!c->format_ || !c->format_->SetColumnPicture(index, value)) return false;
      Notify(control, kChangeFormat | kChangeRows);
      return true;
    case kPropMarkField:
      if (!is_number || c->kind_ != ControlKind::kList || n < 0) return false;
      c->mark_field_ = static_cast<int>(std::min<int64_t>(n, std::numeric_limits<int>::max()));
      Notify(control, kChangeRows);
      return true;
    case kPropColumnTextColor: {
      Color color;
      if (!c->format_ || !c->format_->Column(index) || !ReadColor(value, &color)) return false;
      if (color == kColorDefault) {
        c->column_colors_.erase(index);
      } else {
        c->column_colors_[index] = color;
      }
      Notify(control, kChangeStyle);
      return true;
    }
    case kPropType:
    case kPropItems:
    case kPropColumnFormat:
    case kPropUse:
    case kPropTargetWindow:
      return false;
    default:
      c->other_[{property, index}] = std::string(value);
      return true;
  }
}

bool Window::SetInputReader(int control, InputReader reader) {
  auto lock = Lock();
  Control* c = Find(control);
  if (c == nullptr || (c->kind_ != ControlKind::kEntry && c->kind_ != ControlKind::kSpin)) {
    return false;
  }
  c->input_reader_ = std::move(reader);
  return true;
}

bool Window::SetPropertyVariable(int control, int property, AnyRef variable) {
  auto lock = Lock();
  Control* c = Find(control);
  if (c == nullptr || property != kPropUse || !HasValue(c->kind_) || variable.IsNull()) {
    return false;
  }
  c->variable_ = variable;
  ShowValue(*c);
  return true;
}

bool Window::BindList(int control, RowQueue* rows, const RecordDescriptor* layout) {
  auto lock = Lock();
  Control* c = Find(control);
  if (c == nullptr || c->kind_ != ControlKind::kList) return false;
  Binding b(rows, layout);
  std::string why;
  if (!Bind(*c, b, &why)) return false;
  size_t count = rows ? rows->Records() : 0;
  if (c->selected_ > count) c->selected_ = count;
  Notify(control, kChangeRows | kChangeSelection);
  return true;
}

bool Window::SetChart(int control, ChartData data) {
  auto lock = Lock();
  Control* c = Find(control);
  if (c == nullptr || c->kind_ != ControlKind::kChart) return false;
  c->chart_ = std::move(data);
  Notify(control, kChangeChart);
  return true;
}

// ---------------------------------------------------------------- events

bool Window::Post(int event, int control, int key_code, char32_t key_char) {
  if (!open_) return false;
  std::shared_ptr<RuntimeThread> t = RuntimeThread::Find(thread_);
  if (!t) return false;
  Event e;
  e.number = event;
  e.control = control;
  e.key_code = key_code;
  e.key_char = key_char;
  e.window = this;
  return t->Post(e);
}

void Window::Notify(int control, unsigned changes) {
  if (Backend* b = CurrentBackend()) b->ControlChanged(*this, control, changes);
}

// ---------------------------------------------------------------- user input

void Window::UserFocus(int control) {
  auto lock = Lock();
  if (!open_ || control == focus_) return;
  Control* c = Find(control);
  if (c == nullptr || !(c->Focusable() || (c->floated_list_ && !c->hidden_ && !c->disabled_))) {
    return;
  }
  if (!LeaveFocused(kMouseLeft)) return;
  MoveFocus(control, true);
}

void Window::UserType(int control, std::string_view text) {
  auto lock = Lock();
  Control* c = Find(control);
  if (!open_ || c == nullptr || !IsInput(c->kind_) || c->hidden_ || c->disabled_) return;
  if (focus_ != control) {
    UserFocus(control);
    if (focus_ != control) return;
  }
  c->edit_text_ = std::string(text);
  c->modified_ = true;
  Notify(control, kChangeValue);
}

void Window::UserLeave(int control) {
  auto lock = Lock();
  if (!open_) return;
  if (control == 0) control = focus_;
  if (control != focus_) return;
  if (!LeaveFocused(kKeyTab)) return;
  int next = NextFocusable(control, 1);
  if (next != 0 && next != control) MoveFocus(next, true);
}

void Window::UserKey(int control, int key_code, char32_t key_char) {
  auto lock = Lock();
  if (!open_) return;
  if (control == 0) control = focus_;
  Control* c = Find(control);
  if (c == nullptr || c->hidden_ || c->disabled_) return;
  if (c->IsAlertKey(key_code)) {
    Post(kEventAlertKey, control, key_code, key_char);
    return;
  }
  if (key_code == kKeyTab || key_code == kKeyShiftTab) {
    if (!LeaveFocused(key_code)) return;
    int next = NextFocusable(control, key_code == kKeyTab ? 1 : -1);
    if (next != 0 && next != focus_) MoveFocus(next, true);
    return;
  }
  switch (c->kind_) {
    case ControlKind::kEntry:
    case ControlKind::kSpin:
      if (key_code == kKeyEnter) {
        Complete(*c, true, key_code);
      } else if (c->kind_ == ControlKind::kSpin && (key_code == kKeyUp || key_code == kKeyDown)) {
        UserSpin(control, key_code == kKeyUp ? 1 : -1);
      }
      return;
    case ControlKind::kButton:
      if (key_code == kKeyEnter || key_code == kKeySpace) UserClick(control);
      return;
    case ControlKind::kList:
      ListKey(*c, key_code, key_char);
      return;
    default:
      return;
  }
}

void Window::ListKey(Control& c, int key_code, char32_t key_char) {
  if (int scroll = ScrollEventForKey(key_code)) {
    UserScroll(c.number_, scroll);
    return;
  }
  if (key_code == kKeyEnter) {
    // "Enter changes the row" holds when the program listens for Ctrl+Enter.
    if (c.IsAlertKey(kKeyCtrlEnter)) Post(kEventAlertKey, c.number_, kKeyCtrlEnter);
    return;
  }
  bool printable = key_char >= 0x20 && key_char != 0x7F && (key_code & (kKeyCtrl | kKeyAlt)) == 0;
  if (printable) Post(kEventAlertKey, c.number_, key_code, key_char);
}

void Window::UserClick(int control) {
  auto lock = Lock();
  if (!open_) return;
  Control* c = Find(control);
  if (c == nullptr || c->hidden_ || c->disabled_) return;
  if (c->kind_ != ControlKind::kButton) {
    UserFocus(control);
    return;
  }
  // "Type the stake, click the button" must use the stake: the entry goes first, and a
  // rejected one stops the press.
  if (focus_ != control && !LeaveFocused(kMouseLeft)) return;
  if (c->Focusable()) MoveFocus(control, focus_ != control);
  Post(kEventAccepted, control, kMouseLeft);
}

void Window::UserListClick(int control, size_t row, int column, int mouse) {
  auto lock = Lock();
  if (!open_) return;
  Control* c = Find(control);
  if (c == nullptr || c->kind_ != ControlKind::kList || c->hidden_ || c->disabled_) return;
  size_t rows = c->rows_ ? c->rows_->Records() : 0;
  bool on_row = row >= 1 && row <= rows;
  c->mouse_row_ = on_row ? row : 0;
  c->mouse_column_ = column;
  if (focus_ != control) {
    UserFocus(control);
    if (focus_ != control) return;
  }
  switch (mouse) {
    case kMouseLeft:
      if (on_row) {
        SetSelected(*c, row);
        Post(kEventNewSelection, control, kMouseLeft);
      }
      return;
    case kMouseLeftDouble:
      if (on_row && c->selected_ != row) {
        SetSelected(*c, row);
        Post(kEventNewSelection, control, kMouseLeftDouble);
      }
      if (c->IsAlertKey(kMouseLeftDouble)) Post(kEventAlertKey, control, kMouseLeftDouble);
      return;
    case kMouseRightDown:
    case kMouseRightUp:
      // The program moves the highlight itself (it reads the row under the mouse).
      if (c->IsAlertKey(mouse)) Post(kEventAlertKey, control, mouse);
      return;
    default:
      return;
  }
}

void Window::UserScroll(int control, int scroll_event) {
  auto lock = Lock();
  if (!open_) return;
  Control* c = Find(control);
  if (c == nullptr || c->kind_ != ControlKind::kList || c->hidden_ || c->disabled_) return;
  if (scroll_event < kEventScrollUp || scroll_event > kEventScrollBottom) return;
  if (c->page_mode_) {
    Post(scroll_event, control);
    return;
  }
  // A list holding all its rows moves the highlight itself.
  size_t rows = c->rows_ ? c->rows_->Records() : 0;
  if (rows == 0) return;
  size_t page = static_cast<size_t>(c->page_rows());
  size_t sel = c->selected_ == 0 ? 1 : c->selected_;
  size_t to = sel;
  switch (scroll_event) {
    case kEventScrollUp: to = sel > 1 ? sel - 1 : 1; break;
    case kEventScrollDown: to = std::min(sel + 1, rows); break;
    case kEventPageUp: to = sel > page ? sel - page : 1; break;
    case kEventPageDown: to = std::min(sel + page, rows); break;
    case kEventScrollTop: to = 1; break;
    case kEventScrollBottom: to = rows; break;
  }
  if (to != c->selected_) {
    SetSelected(*c, to);
    Post(kEventNewSelection, control);
  }
}

void Window::UserDragThumb(int control, int position) {
  auto lock = Lock();
  if (!open_) return;
  Control* c = Find(control);
  if (c == nullptr || c->kind_ != ControlKind::kList || c->hidden_ || c->disabled_) return;
  c->thumb_ = std::clamp(position, 0, 100);
  Notify(control, kChangeScroll);
  Post(kEventScrollDrag, control);
}

void Window::UserSpin(int control, int steps) {
  auto lock = Lock();
  if (!open_) return;
  Control* c = Find(control);
  if (c == nullptr || c->kind_ != ControlKind::kSpin || c->hidden_ || c->disabled_) return;
  if (focus_ != control) {
    UserFocus(control);
    if (focus_ != control) return;
  }
  double v = c->variable_.IsNull() ? 0 : c->variable_.Real();
  if (c->picture_) {
    double typed = 0;
    if (c->picture_->ParseInput(c->edit_text_, &typed)) v = typed;
  }
  v += steps;
  if (c->has_range_) v = std::clamp(v, c->range_low_, c->range_high_);
  c->edit_text_ = c->picture_ ? c->picture_->Format(v) : FormatReal(v);
  c->modified_ = true;
  Notify(control, kChangeValue);
  Complete(*c, true, steps > 0 ? kKeyUp : kKeyDown);
}

void Window::UserClose() {
  auto lock = Lock();
  Post(kEventCloseWindow);
}

void Window::UserWindowFocus(bool gained) {
  auto lock = Lock();
  Post(gained ? kEventGainFocus : kEventLoseFocus);
}

void Window::UserResized(int width, int height) {
  auto lock = Lock();
  width_ = width;
  height_ = height;
  Post(kEventSized);
}

void Window::SetPageRows(int control, int rows) {
  auto lock = Lock();
  Control* c = Find(control);
  if (c != nullptr && c->kind_ == ControlKind::kList) c->reported_page_rows_ = std::max(rows, 0);
}

void RunOnWindowThread(Window& window, std::function<void()> f) {
  int owner = window.thread();
  if (owner == 0 || owner == ThreadNumber()) {
    f();
    return;
  }
  std::shared_ptr<RuntimeThread> t = RuntimeThread::Find(owner);
  if (t) t->PostTask(std::move(f));
}

}  // namespace rt
