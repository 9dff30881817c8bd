#include "runtime/windows/list_format.h"

#include <algorithm>

namespace rt {

namespace {

constexpr int kMaxNumber = 9999;  // widths and indents in dialog units

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsAlignment(char c) { return c == 'L' || c == 'R' || c == 'C' || c == 'D'; }

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  bool AtEnd() const { return i_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[i_]; }
  size_t pos() const { return i_; }
  void Skip() { ++i_; }

  // Digits (with an optional leading "-" when signed); false when too long or absent.
  bool Number(int* out, bool allow_sign) {
    bool negative = false;
    if (allow_sign && Peek() == '-') {
      negative = true;
      ++i_;
    }
    if (!IsDigit(Peek())) return false;
    int v = 0;
    while (IsDigit(Peek())) {
      v = v * 10 + (text_[i_] - '0');
      if (v > kMaxNumber) return false;
      ++i_;
    }
    *out = negative ? -v : v;
    return true;
  }

  // The text up to the next `end`, which is consumed; false when there is none.
  bool Until(char end, std::string_view* out) {
    size_t close = text_.find(end, i_);
    if (close == std::string_view::npos) return false;
    *out = text_.substr(i_, close - i_);
    i_ = close + 1;
    return true;
  }

  // "(n)": an indent; absent is fine.
  bool Indent(int* out) {
    if (Peek() != '(') return true;
    ++i_;
    if (!Number(out, true) || Peek() != ')') return false;
    ++i_;
    return true;
  }

 private:
  std::string_view text_;
  size_t i_ = 0;
};

bool Fail(std::string* error, std::string message, size_t pos) {
  if (error) *error = message + " at offset " + std::to_string(pos);
  return false;
}

// A picture between "@...@": numeric pictures through Picture, "sN" texts cut to N bytes.
bool ReadPicture(std::string_view text, ListColumn* c) {
  if (text.empty()) return false;
  char kind = text[0];
  if (kind == 's' || kind == 'S') {
    int n = 0;
    for (char ch : text.substr(1)) {
      if (!IsDigit(ch)) return false;
      n = n * 10 + (ch - '0');
      if (n > kMaxNumber) return false;
    }
    if (n == 0) return false;
    c->picture.reset();
    c->text_width = n;
    c->picture_text = std::string(text);
    return true;
  }
  auto p = Picture::Parse(text);
  if (!p) return false;
  c->picture = p;
  c->text_width = 0;
  c->picture_text = std::string(text);
  return true;
}

// Fields a column takes from the row: its value and what its flags add.
int FieldsTaken(const ListColumn& c) {
  return 1 + (c.colors ? 4 : 0) + (c.icon ? 1 : 0) + (c.tree ? 1 : 0) + (c.style ? 1 : 0) +
         (c.tool_tip ? 1 : 0);
}

}  // namespace

std::optional<ListFormat> ListFormat::Parse(std::string_view text, std::string* error) {
  ListFormat f;
  f.text_ = std::string(text);
  Reader r(text);
  bool in_group = false;
  int next_field = 0;
  while (!r.AtEnd()) {
    char c = r.Peek();
    if (c == '[') {
      if (in_group) {
        Fail(error, "a group inside a group", r.pos());
        return std::nullopt;
      }
      in_group = true;
      r.Skip();
      ListGroup g;
      g.first_column = static_cast<int>(f.columns_.size()) + 1;
      f.groups_.push_back(g);
      continue;
    }
    if (c == ']') {
      if (!in_group) {
        Fail(error, "\"]\" without \"[\"", r.pos());
        return std::nullopt;
      }
      ListGroup& g = f.groups_.back();
      g.last_column = static_cast<int>(f.columns_.size());
      if (g.last_column < g.first_column) {
        Fail(error, "an empty group", r.pos());
        return std::nullopt;
      }
      in_group = false;
      r.Skip();
      // The group's own width, border and header.
      int ignored = 0;
      if (IsDigit(r.Peek()) && !r.Number(&ignored, false)) {
        Fail(error, "a group width out of range", r.pos());
        return std::nullopt;
      }
      while (!r.AtEnd() && r.Peek() != '[' && !IsDigit(r.Peek()) && r.Peek() != ']') {
        char g_flag = r.Peek();
        r.Skip();
        if (g_flag == '|') {
          g.right_border = true;
        } else if (g_flag == '_') {
          g.underline = true;
        } else if (g_flag == '~') {
          std::string_view header;
          if (!r.Until('~', &header)) {
            Fail(error, "an unterminated group header", r.pos());
            return std::nullopt;
          }
          g.header = std::string(header);
          int indent = 0;
          if (IsAlignment(r.Peek())) r.Skip();
          if (!r.Indent(&indent)) {
            Fail(error, "a malformed header indent", r.pos());
            return std::nullopt;
          }
        } else if (g_flag == '(' || g_flag == '@') {
          Fail(error, "a stray \"" + std::string(1, g_flag) + "\"", r.pos());
          return std::nullopt;
        }
      }
      continue;
    }

    // A column: [width] alignment [(indent)] flags [@picture@].
    size_t start = r.pos();
    ListColumn col;
    col.group = in_group ? static_cast<int>(f.groups_.size()) : 0;
    if (IsDigit(c) && !r.Number(&col.width, false)) {
      Fail(error, "a column width out of range", r.pos());
      return std::nullopt;
    }
    if (!IsAlignment(r.Peek())) {
      Fail(error, "an alignment letter (L, R, C or D) expected", r.pos());
      return std::nullopt;
    }
    col.align = static_cast<Alignment>(r.Peek());
    r.Skip();
    if (!r.Indent(&col.indent)) {
      Fail(error, "a malformed indent", r.pos());
      return std::nullopt;
    }
    int explicit_field = -1;
    while (!r.AtEnd() && !IsDigit(r.Peek()) && r.Peek() != '[' && r.Peek() != ']') {
      char flag = r.Peek();
      r.Skip();
      if (flag == '@') {
        std::string_view picture;
        if (!r.Until('@', &picture)) {
          Fail(error, "an unterminated picture", r.pos());
          return std::nullopt;
        }
        if (!ReadPicture(picture, &col)) {
          Fail(error, "the picture \"" + std::string(picture) + "\" cannot be read", r.pos());
          return std::nullopt;
        }
        break;  // the picture ends the column
      }
      switch (flag) {
        case '|': col.right_border = true; break;
        case '_': col.underline = true; break;
        case 'M': col.resizable = true; break;
        case 'F': col.fixed = true; break;
        case '*': col.colors = true; break;
        case 'Y': col.style = true; break;
        case 'I': col.icon = true; break;
        case 'T': col.tree = true; break;
        case 'P': col.tool_tip = true; break;
        case '~': {
          std::string_view header;
          if (!r.Until('~', &header)) {
            Fail(error, "an unterminated header", r.pos());
            return std::nullopt;
          }
          col.header = std::string(header);
          if (IsAlignment(r.Peek())) {
            col.header_align = static_cast<Alignment>(r.Peek());
            r.Skip();
          }
          int indent = 0;
          if (!r.Indent(&indent)) {
            Fail(error, "a malformed header indent", r.pos());
            return std::nullopt;
          }
          break;
        }
        case '#': {
          int n = 0;
          if (!r.Number(&n, false) || n < 1 || r.Peek() != '#') {
            Fail(error, "a malformed field number", r.pos());
            return std::nullopt;
          }
          r.Skip();
          explicit_field = n - 1;
          break;
        }
        case '(':
        case ')':
          Fail(error, "a stray parenthesis", r.pos());
          return std::nullopt;
        default: {
          // Kept so the text survives, but this runtime gives it no meaning; an argument in
          // parentheses belongs to the flag.
          col.unknown_flags += flag;
          if (r.Peek() == '(') {
            std::string_view arg;
            r.Skip();
            if (!r.Until(')', &arg)) {
              Fail(error, "an unterminated flag argument", r.pos());
              return std::nullopt;
            }
            col.unknown_flags += '(';
            col.unknown_flags += arg;
            col.unknown_flags += ')';
          }
          break;
        }
      }
    }
    col.field = explicit_field >= 0 ? explicit_field : next_field;
    next_field = col.field + FieldsTaken(col);
    col.source = std::string(text.substr(start, r.pos() - start));
    f.columns_.push_back(std::move(col));
  }
  if (in_group) {
    Fail(error, "\"[\" without \"]\"", r.pos());
    return std::nullopt;
  }
  return f;
}

const ListColumn* ListFormat::Column(int number) const {
  if (number < 1 || number > static_cast<int>(columns_.size())) return nullptr;
  return &columns_[number - 1];
}

int ListFormat::FieldsNeeded() const {
  int n = 0;
  for (const ListColumn& c : columns_) n = std::max(n, c.field + FieldsTaken(c));
  return n;
}

bool ListFormat::SetColumnPicture(int number, std::string_view picture_text) {
  if (number < 1 || number > static_cast<int>(columns_.size())) return false;
  ListColumn& c = columns_[number - 1];
  if (picture_text.empty()) {
    c.picture.reset();
    c.text_width = 0;
    c.picture_text.clear();
    return true;
  }
  ListColumn changed = c;
  if (!ReadPicture(picture_text, &changed)) return false;
  c = std::move(changed);
  return true;
}

}  // namespace rt
