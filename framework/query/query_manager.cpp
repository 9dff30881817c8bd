#include "framework/query/query_manager.h"

#include <cstring>
#include <utility>

#include "framework/query/query_window_resource.h"
#include "framework/window/translator_interface.h"
#include "runtime/values/any_ref.h"
#include "runtime/windows/event.h"
#include "runtime/windows/event_loop.h"
#include "runtime/windows/properties.h"
#include "runtime/values/text.h"
#include "runtime/windows/window.h"

namespace fw {

namespace {

template <size_t N>
std::string FieldText(const char (&field)[N]) {
  return std::string(rt::Clip(std::string_view(field, N)));
}

template <size_t N>
void SetField(char (&field)[N], std::string_view text) {
  // AnyRef::SetText hands the text's data to memcpy even when it is empty, and an empty
  // string_view may hold a null pointer: give it a real one.
  rt::AnyRef::String(field).SetText(text.empty() ? std::string_view("") : text);
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A number as the filter language reads one: an optional sign, digits with an optional
// fraction (or a fraction alone) and an optional exponent.
bool IsNumberText(std::string_view t) {
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t exponent = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == t.size();
}

std::string_view TrimBlanks(std::string_view t) {
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  return t;
}

size_t CharacterCount(std::string_view text) {
  size_t n = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  }
  return n;
}

// The operator in its standard form: each of "<", ">" and "~" once, in the order they first
// appear, then "=" when there was one. Two combinations the filter language cannot read are
// made readable: "<" with ">" already means "not equal", so an "=" beside them is dropped,
// and a "~" alone (typed before a begins-with pattern) negates an equality.
std::string StandardOperator(std::string_view op) {
  std::string out;
  bool eq = false;
  for (char c : op) {
    if (c == '=') {
      eq = true;
    } else if ((c == '<' || c == '>' || c == '~') && out.find(c) == std::string::npos) {
      out += c;
    }
  }
  const bool lt = Contains(out, "<"), gt = Contains(out, ">");
  if (lt && gt) eq = false;
  if (!lt && !gt) eq = true;
  if (eq) out += '=';
  return out;
}

// The "^" marker: the value without it in upper case, and the name compared in upper case.
void MakeCaseInsensitive(std::string* name, std::string* value) {
  value->erase(0, 1);
  *value = rt::Upper(*value);
  if (!Contains(*name, "UPPER(")) *name = "UPPER(" + *name + ")";
}

// A field as this build reads it: the name may be wrapped in UPPER( ) for the rest of its record.
struct Field {
  std::string name;
  bool string = false;
};

void AddCondition(std::string* result, std::string_view left, std::string_view op,
                  std::string value, bool quote) {
  if (!result->empty()) *result += " AND ";
  if (Contains(left, "UPPER(")) value = rt::Upper(value);
  // A value for a field that is not a string goes in as written only when it is a number;
  // anything else is quoted, so no typed text can become part of the expression.
  const std::string_view number = TrimBlanks(value);
  const std::string text =
      !quote && IsNumberText(number) ? std::string(number) : QueryManager::QuoteText(value);
  *result += "(";
  *result += left;
  *result += " ";
  *result += StandardOperator(op);
  *result += " ";
  *result += text;
  *result += ")";
}

void AddBound(std::string* result, Field* field, std::string op, std::string value,
              const std::string& middle) {
  if (value == middle) op += '=';
  if (!value.empty() && value.front() == '=') {
    op += '=';
    value.erase(0, 1);
  }
  if (!value.empty() && value.front() == '^') MakeCaseInsensitive(&field->name, &value);
  AddCondition(result, field->name, op, std::move(value), field->string);
}

void AddExample(std::string* result, Field* field, std::string value) {
  if (Contains(field->name, "UPPER(")) value = rt::Upper(value);
  std::string op;
  while (!value.empty() && std::string_view("><~=").find(value.front()) != std::string_view::npos) {
    op += value.front();
    value.erase(0, 1);
  }
  if (!value.empty() && value.front() == '^') MakeCaseInsensitive(&field->name, &value);
  if (!value.empty() && value.front() == '*') {
    const std::string left = "INSTRING(" +
                             QueryManager::QuoteText(std::string_view(value).substr(1)) + "," +
                             field->name + ",1,1)";
    AddCondition(result, left, "<>", "0", false);
  } else if (!value.empty() && value.back() == '*') {
    value.pop_back();
    // SUB counts characters, so a begins-with on "ён" compares two of them, not four bytes.
    const std::string left =
        "SUB(" + field->name + ",1," + std::to_string(CharacterCount(value)) + ")";
    AddCondition(result, left, op.empty() ? "=" : op, std::move(value), true);
  } else {
    if (!(Contains(op, "<") && Contains(op, ">"))) op += '=';
    AddCondition(result, field->name, op, std::move(value), field->string);
  }
}

}  // namespace

QueryManager::QueryManager() = default;

QueryManager::~QueryManager() = default;

void QueryManager::Setup(rt::Window* owner) {
  owner_ = owner;
  if (!fields_) fields_ = std::make_unique<rt::Queue<QueryFieldRow>>();
  QueryFields = fields_.get();
}

void QueryManager::Teardown() {
  QueryFields = nullptr;
  fields_.reset();
  titles_.clear();
  owner_ = nullptr;
}

bool QueryManager::AddItem(std::string_view name, bool string, std::string_view title) {
  name = rt::Clip(name);
  if (!QueryFields || name.empty() || name.size() > kQueryNameBytes) return false;
  QueryFieldRow& row = QueryFields->buffer;
  std::memset(&row, ' ', sizeof row);
  SetField(row.Name, name);
  row.Kind[0] = string ? 'S' : ' ';
  QueryFields->Append();
  titles_.resize(QueryFields->Records());
  titles_.back() = std::string(title);
  return true;
}

bool QueryManager::SetValues(size_t position, std::string_view low, std::string_view middle,
                             std::string_view high) {
  if (!QueryFields || !QueryFields->Get(position)) return false;
  QueryFieldRow& row = QueryFields->buffer;
  SetField(row.Low, low);
  SetField(row.Middle, middle);
  SetField(row.High, high);
  return QueryFields->Put();
}

void QueryManager::ClearValues() {
  if (!QueryFields) return;
  for (size_t i = 1; i <= QueryFields->Records(); ++i) SetValues(i, {}, {}, {});
}

std::string QueryManager::QuoteText(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '\'';
  for (char c : text) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

std::string QueryManager::BuildFilterText() const {
  std::string result;
  if (!QueryFields) return result;
  for (size_t i = 1; i <= QueryFields->Records(); ++i) {
    const QueryFieldRow& row = *QueryFields->At(i);
    // The record is only read: a name wrapped in UPPER( ) is this copy, for this record.
    Field field{FieldText(row.Name), row.Kind[0] == 'S'};
    const std::string low = FieldText(row.Low);
    const std::string middle = FieldText(row.Middle);
    const std::string high = FieldText(row.High);
    if (!low.empty()) AddBound(&result, &field, ">", low, middle);
    if (!high.empty()) AddBound(&result, &field, "<", high, middle);
    if (!middle.empty() && low.empty() && high.empty()) AddExample(&result, &field, middle);
  }
  return result;
}

std::string QueryManager::Title(size_t position) const {
  if (position <= titles_.size() && !titles_[position - 1].empty()) return titles_[position - 1];
  const QueryFieldRow* row = QueryFields ? QueryFields->At(position) : nullptr;
  return row ? FieldText(row->Name) : std::string();
}

int QueryManager::EnterValues(uint8_t keepValues) {
  if (!QueryFields || QueryFields->Records() == 0) return 0;
  const size_t n = QueryFields->Records();

  // The entries edit copies, so Cancel leaves the fields as they were.
  struct Line {
    char Low[kQueryValueBytes];
    char Middle[kQueryValueBytes];
    char High[kQueryValueBytes];
  };
  std::vector<Line> lines(n);
  for (size_t i = 0; i < n; ++i) {
    const QueryFieldRow& row = *QueryFields->At(i + 1);
    Line& line = lines[i];
    if (keepValues) {
      std::memcpy(line.Low, row.Low, sizeof line.Low);
      std::memcpy(line.Middle, row.Middle, sizeof line.Middle);
      std::memcpy(line.High, row.High, sizeof line.High);
    } else {
      std::memset(&line, ' ', sizeof line);
    }
  }

  std::unique_ptr<rt::Window> window = rt::Window::Prepare(QueryWindowResource(), {});
  if (!window) return 0;
  // Before the fields' lines are added: their titles are the program's own words already.
  if (TRANSLATOR) TRANSLATOR->TranslateWindow(*window);
  for (size_t i = 0; i < n; ++i) {
    const size_t position = i + 1;
    const int y = kQueryFirstLineY + static_cast<int>(i) * kQueryLinePitch;
    const int prompt = QueryControl(position, QueryPart::kPrompt);
    if (window->Create(prompt, rt::ControlKind::kPrompt) != prompt) return 0;
    window->SetProperty(prompt, rt::kPropText, Title(position));
    window->SetPosition(prompt, kQueryPromptX, y + 2, kQueryPromptWidth, kQueryLineHeight - 2);
    char* values[3] = {lines[i].Low, lines[i].Middle, lines[i].High};
    const QueryPart parts[3] = {QueryPart::kLow, QueryPart::kMiddle, QueryPart::kHigh};
    for (int k = 0; k < 3; ++k) {
      const int entry = QueryControl(position, parts[k]);
      if (window->Create(entry, rt::ControlKind::kEntry) != entry) return 0;
      window->SetPosition(entry, kQueryEntryX[k], y, kQueryEntryWidth, kQueryLineHeight);
      window->SetPropertyVariable(entry, rt::kPropUse,
                                  rt::AnyRef(rt::Type::String, values[k], kQueryValueBytes));
      // Esc cancels from any entry, as in any dialog.
      window->SetPropertyInt(entry, rt::kPropAlertKey, rt::kKeyEsc, 1);
    }
    window->Unhide(prompt, QueryControl(position, QueryPart::kHigh));
  }
  const int buttons_y = kQueryFirstLineY + static_cast<int>(n) * kQueryLinePitch + 4;
  for (int button : {kQueryOkButton, kQueryCancelButton}) {
    const rt::Control* c = window->Find(button);
    window->SetPosition(button, c->x(), buttons_y, c->width(), c->height());
  }
  window->SetPropertyInt(0, rt::kPropHeight, buttons_y + kQueryButtonHeight + 6);

  if (!(owner_ ? window->OpenOwned(owner_) : window->Open())) return 0;
  // Most queries are typed as examples: start there rather than on the first button.
  window->Select(QueryControl(1, QueryPart::kMiddle));

  int accepted = 0;
  rt::EventLoop loop(*window);
  while (loop.Next()) {
    const rt::Event& e = loop.event();
    int step = rt::kStepDefault;
    // Enter in an entry takes its value and then acts as the default button, OK.
    const bool ok =
        e.number == rt::kEventAccepted &&
        (e.control == kQueryOkButton ||
         (e.control >= QueryControl(1, QueryPart::kPrompt) && e.key_code == rt::kKeyEnter));
    const bool cancel = (e.number == rt::kEventAccepted && e.control == kQueryCancelButton) ||
                        (e.number == rt::kEventAlertKey && e.key_code == rt::kKeyEsc);
    if (ok) {
      if (window->Update()) {
        accepted = 1;
        step = rt::kStepLeave;
      }
    } else if (cancel) {
      step = rt::kStepLeave;
    }
    loop.EndEvent(step);
  }
  window->Close();
  if (!accepted) return 0;
  for (size_t i = 0; i < n; ++i) {
    if (!QueryFields->Get(i + 1)) continue;
    QueryFieldRow& row = QueryFields->buffer;
    std::memcpy(row.Low, lines[i].Low, sizeof row.Low);
    std::memcpy(row.Middle, lines[i].Middle, sizeof row.Middle);
    std::memcpy(row.High, lines[i].High, sizeof row.High);
    QueryFields->Put();
  }
  return accepted;
}

}  // namespace fw
