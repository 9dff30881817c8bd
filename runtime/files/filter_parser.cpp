#include "runtime/files/filter_parser.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace rt {

namespace {

enum class Tok : uint8_t { End, Label, Number, Text, Op, LParen, RParen, Comma, And, Or, Not, Minus, Plus };

struct Token {
  Tok kind = Tok::End;
  size_t offset = 0;
  std::string text;  // label, number source, or unquoted text
  CompareOp op = CompareOp::Eq;
};

bool IsLabelStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsLabelChar(char c) { return IsLabelStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::string ShowChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u >= 0x21 && u < 0x7F) return std::string("'") + c + "'";
  char buf[24];
  std::snprintf(buf, sizeof buf, "byte 0x%02X", u);
  return buf;
}

class Lexer {
 public:
  explicit Lexer(std::string_view text) : text_(text) {}

  // Reads the next token; false with *error filled when the text cannot be read.
  bool Next(Token* t, FilterSyntaxError* error) {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\n')) {
      ++pos_;
    }
    t->offset = pos_;
    t->text.clear();
    if (pos_ >= text_.size()) {
      t->kind = Tok::End;
      return true;
    }
    char c = text_[pos_];
    if (IsLabelStart(c)) return ReadLabel(t, error);
    if (IsDigit(c) || (c == '.' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
      return ReadNumber(t, error);
    }
    if (c == '\'') return ReadText(t, error);
    if (c == '<' || c == '>' || c == '~' || c == '=') return ReadOperator(t, error);
    ++pos_;
    switch (c) {
      case '(': t->kind = Tok::LParen; return true;
      case ')': t->kind = Tok::RParen; return true;
      case ',': t->kind = Tok::Comma; return true;
      case '-': t->kind = Tok::Minus; return true;
      case '+': t->kind = Tok::Plus; return true;
      default: break;
    }
    return Fail(error, t->offset, "unexpected character " + ShowChar(c));
  }

 private:
  static bool Fail(FilterSyntaxError* error, size_t offset, std::string message) {
    error->offset = offset;
    error->message = std::move(message);
    return false;
  }

  bool ReadLabel(Token* t, FilterSyntaxError* error) {
    size_t start = pos_;
    while (true) {
      while (pos_ < text_.size() && IsLabelChar(text_[pos_])) ++pos_;
      // A prefix: "KF:NN". The colon must be followed by the rest of the label.
      if (pos_ + 1 < text_.size() && text_[pos_] == ':' && IsLabelStart(text_[pos_ + 1])) {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == ':') {
        return Fail(error, pos_, "a field label cannot end with ':'");
      }
      break;
    }
    t->text.assign(text_.substr(start, pos_ - start));
    if (EqualsNoCase(t->text, "AND")) t->kind = Tok::And;
    else if (EqualsNoCase(t->text, "OR")) t->kind = Tok::Or;
    else if (EqualsNoCase(t->text, "NOT")) t->kind = Tok::Not;
    else t->kind = Tok::Label;
    return true;
  }

  bool ReadNumber(Token* t, FilterSyntaxError* error) {
    size_t start = pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '.') {
      ++pos_;
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      size_t e = pos_ + 1;
      if (e < text_.size() && (text_[e] == '+' || text_[e] == '-')) ++e;
      if (e >= text_.size() || !IsDigit(text_[e])) {
        return Fail(error, start, "malformed number: exponent without digits");
      }
      pos_ = e;
      while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
    }
    if (pos_ < text_.size() && (IsLabelChar(text_[pos_]) || text_[pos_] == '.')) {
      return Fail(error, start, "malformed number");
    }
    t->kind = Tok::Number;
    t->text.assign(text_.substr(start, pos_ - start));
    return true;
  }

  bool ReadText(Token* t, FilterSyntaxError* error) {
    size_t start = pos_++;
    while (true) {
      if (pos_ >= text_.size()) {
        return Fail(error, start, "unterminated text: a closing quote is missing");
      }
      char c = text_[pos_++];
      if (c == '\'') {
        if (pos_ < text_.size() && text_[pos_] == '\'') {
          t->text.push_back('\'');
          ++pos_;
          continue;
        }
        break;
      }
      t->text.push_back(c);
    }
    t->kind = Tok::Text;
    return true;
  }

  // Operators: "=", or any of "<", ">", "~" (each at most once, in any order) with an
  // optional "=" after them. "~" is NOT: it turns the comparison into its opposite, so "~="
  // is "not equal", "~<" is ">=" and "~<=" is ">".
  bool ReadOperator(Token* t, FilterSyntaxError* error) {
    size_t start = pos_;
    bool lt = false, gt = false, tilde = false, eq = false;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      bool* flag = c == '<' ? &lt : c == '>' ? &gt : c == '~' ? &tilde : nullptr;
      if (flag == nullptr || *flag) break;
      *flag = true;
      ++pos_;
    }
    if (pos_ < text_.size() && text_[pos_] == '=') {
      eq = true;
      ++pos_;
    }
    std::string shown(text_.substr(start, pos_ - start));
    t->kind = Tok::Op;
    t->text = shown;
    if (lt && gt && eq) return Fail(error, start, "unknown operator '" + shown + "'");
    if (lt && gt) t->op = CompareOp::Ne;
    else if (lt) t->op = eq ? CompareOp::Le : CompareOp::Lt;
    else if (gt) t->op = eq ? CompareOp::Ge : CompareOp::Gt;
    else if (eq) t->op = CompareOp::Eq;
    else return Fail(error, start, "'~' must be followed by a comparison (=, <, >)");
    if (tilde) {
      switch (t->op) {
        case CompareOp::Eq: t->op = CompareOp::Ne; break;
        case CompareOp::Ne: t->op = CompareOp::Eq; break;
        case CompareOp::Lt: t->op = CompareOp::Ge; break;
        case CompareOp::Ge: t->op = CompareOp::Lt; break;
        case CompareOp::Gt: t->op = CompareOp::Le; break;
        case CompareOp::Le: t->op = CompareOp::Gt; break;
      }
    }
    return true;
  }

  std::string_view text_;
  size_t pos_ = 0;
};

const char* Describe(const Token& t) {
  switch (t.kind) {
    case Tok::End: return "the end of the text";
    case Tok::Label: return "a field label";
    case Tok::Number: return "a number";
    case Tok::Text: return "a quoted text";
    case Tok::Op: return "an operator";
    case Tok::LParen: return "'('";
    case Tok::RParen: return "')'";
    case Tok::Comma: return "','";
    case Tok::And: return "AND";
    case Tok::Or: return "OR";
    case Tok::Not: return "NOT";
    case Tok::Minus: return "'-'";
    case Tok::Plus: return "'+'";
  }
  return "?";
}

using NodePtr = std::unique_ptr<FilterNode>;

class Parser {
 public:
  Parser(std::string_view text, FilterSyntaxError* error) : lexer_(text), error_(error) {}

  bool Start() { return Advance(); }

  NodePtr ParseWholeFilter() {
    NodePtr n = ParseOr();
    if (!n) return nullptr;
    if (tok_.kind == Tok::RParen) return Fail(tok_.offset, "unbalanced parentheses: unexpected ')'");
    if (tok_.kind != Tok::End) {
      return Fail(tok_.offset, std::string("unexpected ") + Describe(tok_) + Quoted(tok_) +
                                   " after a complete condition");
    }
    return n;
  }

  bool ParseOrderItems(std::vector<OrderItem>* items) {
    if (tok_.kind == Tok::End) return true;
    while (true) {
      OrderItem item;
      item.offset = tok_.offset;
      if (tok_.kind == Tok::Minus || tok_.kind == Tok::Plus) {
        item.descending = tok_.kind == Tok::Minus;
        if (!Advance()) return false;
      }
      if (tok_.kind != Tok::Label) return FailB(tok_.offset, std::string("a field label expected in the order, found ") + Describe(tok_));
      if (EqualsNoCase(tok_.text, "UPPER")) {
        if (!Advance()) return false;
        if (tok_.kind == Tok::LParen) {
          if (!Advance()) return false;
          if (tok_.kind != Tok::Label) return FailB(tok_.offset, "UPPER( in an order needs a field label");
          item.label = tok_.text;
          item.upper = true;
          if (!Advance()) return false;
          if (tok_.kind != Tok::RParen) return FailB(tok_.offset, "')' expected after the label in UPPER(");
          if (!Advance()) return false;
        } else {
          item.label = "UPPER";  // a field that happens to be called so
        }
      } else {
        item.label = tok_.text;
        if (!Advance()) return false;
      }
      items->push_back(std::move(item));
      if (tok_.kind == Tok::End) return true;
      if (tok_.kind != Tok::Comma) return FailB(tok_.offset, std::string("',' expected between order items, found ") + Describe(tok_));
      if (!Advance()) return false;
    }
  }

 private:
  static std::string Quoted(const Token& t) {
    if (t.kind == Tok::Label || t.kind == Tok::Number || t.kind == Tok::Op) return " '" + t.text + "'";
    return "";
  }

  bool Advance() { return lexer_.Next(&tok_, error_); }

  NodePtr Fail(size_t offset, std::string message) {
    error_->offset = offset;
    error_->message = std::move(message);
    return nullptr;
  }
  bool FailB(size_t offset, std::string message) {
    Fail(offset, std::move(message));
    return false;
  }

  NodePtr Make(FilterNodeKind kind, size_t offset) {
    if (++nodes_ > FilterParser::kMaxNodes) {
      return Fail(offset, "the filter is too long");
    }
    auto n = std::make_unique<FilterNode>();
    n->kind = kind;
    n->offset = offset;
    return n;
  }

  // Guards every recursive step; the guard's destructor gives the level back.
  struct DepthGuard {
    explicit DepthGuard(int* d) : depth(d) { ++*depth; }
    ~DepthGuard() { --*depth; }
    int* depth;
  };
  bool TooDeep(size_t offset) {
    if (depth_ <= FilterParser::kMaxDepth) return false;
    Fail(offset, "the filter is nested too deeply");
    return true;
  }

  NodePtr ParseChain(FilterNodeKind kind, Tok joiner) {
    size_t at = tok_.offset;
    NodePtr first = kind == FilterNodeKind::Or ? ParseChain(FilterNodeKind::And, Tok::And) : ParseNot();
    if (!first || tok_.kind != joiner) return first;
    NodePtr chain = Make(kind, at);
    if (!chain) return nullptr;
    chain->children.push_back(std::move(first));
    while (tok_.kind == joiner) {
      const char* word = joiner == Tok::And ? "AND" : "OR";
      size_t op_at = tok_.offset;
      if (!Advance()) return nullptr;
      if (tok_.kind == Tok::End) return Fail(op_at, std::string("a condition is missing after ") + word);
      NodePtr next = kind == FilterNodeKind::Or ? ParseChain(FilterNodeKind::And, Tok::And) : ParseNot();
      if (!next) return nullptr;
      chain->children.push_back(std::move(next));
    }
    return chain;
  }

  NodePtr ParseOr() { return ParseChain(FilterNodeKind::Or, Tok::Or); }

  NodePtr ParseNot() {
    if (tok_.kind != Tok::Not) return ParseCondition();
    DepthGuard guard(&depth_);
    size_t at = tok_.offset;
    if (TooDeep(at)) return nullptr;
    if (!Advance()) return nullptr;
    if (tok_.kind == Tok::End) return Fail(at, "a condition is missing after NOT");
    NodePtr inner = ParseNot();
    if (!inner) return nullptr;
    NodePtr n = Make(FilterNodeKind::Not, at);
    if (!n) return nullptr;
    n->children.push_back(std::move(inner));
    return n;
  }

  NodePtr ParseCondition() {
    NodePtr left = ParseValue();
    if (!left || tok_.kind != Tok::Op) return left;
    Token op = tok_;
    if (!Advance()) return nullptr;
    if (tok_.kind == Tok::End || tok_.kind == Tok::RParen || tok_.kind == Tok::And ||
        tok_.kind == Tok::Or || tok_.kind == Tok::Comma || tok_.kind == Tok::Op) {
      return Fail(op.offset, "a value is missing after '" + op.text + "'");
    }
    NodePtr right = ParseValue();
    if (!right) return nullptr;
    NodePtr n = Make(FilterNodeKind::Compare, left->offset);
    if (!n) return nullptr;
    n->op = op.op;
    n->children.push_back(std::move(left));
    n->children.push_back(std::move(right));
    return n;
  }

  NodePtr ParseNumber(const Token& t, bool negative, size_t at) {
    std::string src = (negative ? "-" : "") + t.text;
    bool integral = t.text.find_first_of(".eE") == std::string::npos;
    if (integral) {
      errno = 0;
      char* end = nullptr;
      long long v = std::strtoll(src.c_str(), &end, 10);
      if (errno == 0 && end && *end == '\0') {
        NodePtr n = Make(FilterNodeKind::Integer, at);
        if (n) n->integer = v;
        return n;
      }
      // Too large for an integer: read it as a real, as the runtime's values do.
    }
    NodePtr n = Make(FilterNodeKind::Real, at);
    if (n) n->real = std::strtod(src.c_str(), nullptr);
    return n;
  }

  NodePtr ParseValue() {
    Token t = tok_;
    switch (t.kind) {
      case Tok::Number: {
        if (!Advance()) return nullptr;
        return ParseNumber(t, false, t.offset);
      }
      case Tok::Minus:
      case Tok::Plus: {
        if (!Advance()) return nullptr;
        if (tok_.kind != Tok::Number) return Fail(t.offset, std::string("a number expected after ") + Describe(t));
        Token num = tok_;
        if (!Advance()) return nullptr;
        return ParseNumber(num, t.kind == Tok::Minus, t.offset);
      }
      case Tok::Text: {
        if (!Advance()) return nullptr;
        NodePtr n = Make(FilterNodeKind::Text, t.offset);
        if (n) n->text = std::move(t.text);
        return n;
      }
      case Tok::Label: {
        if (!Advance()) return nullptr;
        if (tok_.kind == Tok::LParen) return ParseCall(t);
        NodePtr n = Make(FilterNodeKind::Field, t.offset);
        if (n) n->text = std::move(t.text);
        return n;
      }
      case Tok::LParen: {
        DepthGuard guard(&depth_);
        if (TooDeep(t.offset)) return nullptr;
        if (!Advance()) return nullptr;
        if (tok_.kind == Tok::RParen) return Fail(t.offset, "empty parentheses");
        NodePtr inner = ParseOr();
        if (!inner) return nullptr;
        if (tok_.kind != Tok::RParen) {
          if (tok_.kind == Tok::End) return Fail(t.offset, "unbalanced parentheses: ')' is missing");
          return Fail(tok_.offset, std::string("')' expected, found ") + Describe(tok_) + Quoted(tok_));
        }
        if (!Advance()) return nullptr;
        return inner;
      }
      case Tok::End:
        return Fail(t.offset, "a condition or value is missing at the end");
      case Tok::RParen:
        return Fail(t.offset, "unbalanced parentheses: unexpected ')'");
      default:
        return Fail(t.offset, std::string("a value expected, found ") + Describe(t) + Quoted(t));
    }
  }

  NodePtr ParseCall(const Token& name) {
    FilterNodeKind kind;
    size_t arity;
    if (EqualsNoCase(name.text, "UPPER")) {
      kind = FilterNodeKind::Upper;
      arity = 1;
    } else if (EqualsNoCase(name.text, "SUB")) {
      kind = FilterNodeKind::Sub;
      arity = 3;
    } else if (EqualsNoCase(name.text, "INSTRING")) {
      kind = FilterNodeKind::InString;
      arity = 4;
    } else {
      return Fail(name.offset, "unknown function '" + name.text + "'");
    }
    DepthGuard guard(&depth_);
    if (TooDeep(name.offset)) return nullptr;
    NodePtr call = Make(kind, name.offset);
    if (!call) return nullptr;
    if (!Advance()) return nullptr;  // past "("
    while (tok_.kind != Tok::RParen || !call->children.empty()) {
      if (tok_.kind == Tok::End) return Fail(name.offset, "unbalanced parentheses: ')' is missing after the arguments of " + name.text);
      NodePtr arg = ParseOr();
      if (!arg) return nullptr;
      call->children.push_back(std::move(arg));
      if (tok_.kind == Tok::Comma) {
        if (!Advance()) return nullptr;
        continue;
      }
      if (tok_.kind == Tok::RParen) break;
      if (tok_.kind == Tok::End) return Fail(name.offset, "unbalanced parentheses: ')' is missing after the arguments of " + name.text);
      return Fail(tok_.offset, std::string("',' or ')' expected in the arguments of ") + name.text + ", found " + Describe(tok_) + Quoted(tok_));
    }
    if (call->children.size() != arity) {
      char buf[96];
      std::snprintf(buf, sizeof buf, " takes %zu argument%s, not %zu", arity, arity == 1 ? "" : "s",
                    call->children.size());
      return Fail(name.offset, name.text + buf);
    }
    if (!Advance()) return nullptr;  // past ")"
    return call;
  }

  Lexer lexer_;
  FilterSyntaxError* error_;
  Token tok_;
  int depth_ = 0;
  size_t nodes_ = 0;
};

bool IsBlank(std::string_view text) {
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<FilterNode> FilterParser::ParseFilter(std::string_view text,
                                                      FilterSyntaxError* error) {
  FilterSyntaxError local;
  if (error == nullptr) error = &local;
  *error = FilterSyntaxError();
  if (IsBlank(text)) return nullptr;
  Parser p(text, error);
  if (!p.Start()) return nullptr;
  return p.ParseWholeFilter();
}

bool FilterParser::ParseOrder(std::string_view text, std::vector<OrderItem>* items,
                              FilterSyntaxError* error) {
  FilterSyntaxError local;
  if (error == nullptr) error = &local;
  *error = FilterSyntaxError();
  items->clear();
  Parser p(text, error);
  if (!p.Start() || !p.ParseOrderItems(items)) {
    items->clear();
    return false;
  }
  return true;
}

std::string DescribeSyntaxError(const FilterSyntaxError& error) {
  char buf[48];
  std::snprintf(buf, sizeof buf, " (at position %zu)", error.offset + 1);
  return error.message + buf;
}

}  // namespace rt
