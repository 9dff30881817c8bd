#include "runtime/files/filter_sql.h"

#include <utility>

#include "runtime/values/any_ref.h"
#include "runtime/files/sql_text_functions.h"
#include "runtime/values/text.h"

namespace rt {

namespace {

// A translated value. Literals keep their value apart until the comparison that uses them
// decides how to bind it (clipped, upper-cased, read as a number).
struct Val {
  std::string sql;
  std::vector<SqlValue> params;
  ValueKind kind = ValueKind::Number;
  bool padded = false;  // may end in blanks that comparisons must ignore
  bool literal = false;
  SqlValue value;  // the literal's value
  std::string upper_sql;  // a plain field's upper-cased form kept by the file, if any
};

bool IsCondition(FilterNodeKind k) {
  return k == FilterNodeKind::Or || k == FilterNodeKind::And || k == FilterNodeKind::Not ||
         k == FilterNodeKind::Compare;
}

const char* OpSql(CompareOp op) {
  switch (op) {
    case CompareOp::Eq: return " = ";
    case CompareOp::Ne: return " <> ";
    case CompareOp::Lt: return " < ";
    case CompareOp::Gt: return " > ";
    case CompareOp::Le: return " <= ";
    case CompareOp::Ge: return " >= ";
  }
  return " = ";
}

std::string LiteralText(const SqlValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
  return FormatReal(std::get<double>(v));
}

void Append(std::string* sql, std::vector<SqlValue>* params, Val&& v) {
  sql->append(v.sql);
  for (auto& p : v.params) params->push_back(std::move(p));
}

class Translation {
 public:
  Translation(const ColumnResolver& resolver, FilterSyntaxError* error)
      : resolver_(resolver), error_(error) {}

  bool Condition(const FilterNode& n, std::string* sql, std::vector<SqlValue>* params) {
    switch (n.kind) {
      case FilterNodeKind::And:
      case FilterNodeKind::Or:
        return Chain(n, 0, n.children.size(), n.kind == FilterNodeKind::And ? " AND " : " OR ",
                     sql, params);
      case FilterNodeKind::Not:
        sql->append("NOT (");
        if (!Condition(*n.children[0], sql, params)) return false;
        sql->append(")");
        return true;
      case FilterNodeKind::Compare:
        return Compare(n, sql, params);
      default:
        return Truth(n, sql, params);
    }
  }

  bool Value(const FilterNode& n, Val* out) {
    if (IsCondition(n.kind)) {
      return Fail(n.offset, "a condition stands where a value is needed");
    }
    switch (n.kind) {
      case FilterNodeKind::Integer: return Literal(SqlValue(n.integer), ValueKind::Number, out);
      case FilterNodeKind::Real: return Literal(SqlValue(n.real), ValueKind::Number, out);
      case FilterNodeKind::Text: return Literal(SqlValue(n.text), ValueKind::Text, out);
      case FilterNodeKind::Field: {
        std::optional<SqlColumn> col = resolver_ ? resolver_(n.text) : std::nullopt;
        if (!col) return Fail(n.offset, "unknown field '" + n.text + "'");
        out->sql = col->sql;
        out->kind = col->kind;
        out->padded = col->kind == ValueKind::Text && col->padded;
        if (col->kind == ValueKind::Text) out->upper_sql = col->upper_sql;
        return true;
      }
      case FilterNodeKind::Upper: {
        Val arg;
        if (!Value(*n.children[0], &arg)) return false;
        if (arg.literal) {
          return Literal(SqlValue(Upper(LiteralText(arg.value))), ValueKind::Text, out);
        }
        out->kind = ValueKind::Text;
        if (!arg.upper_sql.empty()) {
          out->sql = arg.upper_sql;
          return true;
        }
        out->padded = arg.padded;
        out->sql = std::string(kSqlUpper) + "(";
        Append(&out->sql, &out->params, std::move(arg));
        out->sql += ")";
        return true;
      }
      case FilterNodeKind::Sub:
      case FilterNodeKind::InString: {
        bool sub = n.kind == FilterNodeKind::Sub;
        out->sql = std::string(sub ? kSqlSub : kSqlInString) + "(";
        for (size_t i = 0; i < n.children.size(); ++i) {
          Val arg;
          if (!Value(*n.children[i], &arg)) return false;
          if (i > 0) out->sql += ", ";
          Append(&out->sql, &out->params, std::move(arg));
        }
        out->sql += ")";
        out->kind = sub ? ValueKind::Text : ValueKind::Number;
        out->padded = sub;  // a piece of a text may end in the blanks inside it
        return true;
      }
      default:
        return Fail(n.offset, "a condition stands where a value is needed");
    }
  }

 private:
  bool Fail(size_t offset, std::string message) {
    error_->offset = offset;
    error_->message = std::move(message);
    return false;
  }

  static bool Literal(SqlValue v, ValueKind kind, Val* out) {
    out->sql = "?";
    out->params.assign(1, v);
    out->kind = kind;
    out->literal = true;
    out->value = std::move(v);
    return true;
  }

  // Long AND/OR chains are written as balanced halves, so SQLite's expression tree stays
  // shallow however many terms the chain has.
  bool Chain(const FilterNode& n, size_t from, size_t to, const char* joiner, std::string* sql,
             std::vector<SqlValue>* params) {
    if (to - from == 1) {
      sql->append("(");
      if (!Condition(*n.children[from], sql, params)) return false;
      sql->append(")");
      return true;
    }
    size_t mid = from + (to - from) / 2;
    sql->append("(");
    if (!Chain(n, from, mid, joiner, sql, params)) return false;
    sql->append(joiner);
    if (!Chain(n, mid, to, joiner, sql, params)) return false;
    sql->append(")");
    return true;
  }

  // A value standing alone as a condition: true when it is not zero, or not blank.
  bool Truth(const FilterNode& n, std::string* sql, std::vector<SqlValue>* params) {
    Val v;
    if (!Value(n, &v)) return false;
    if (v.literal && v.kind == ValueKind::Text) {
      v.params[0] = SqlValue(std::string(Clip(LiteralText(v.value))));
    }
    bool text = v.kind == ValueKind::Text;
    bool trim = text && v.padded;
    sql->append(trim ? "(rtrim(" : "(");
    Append(sql, params, std::move(v));
    sql->append(trim ? ")" : "");
    sql->append(text ? " <> '')" : " <> 0)");
    return true;
  }

  // Prepares one side of a text comparison.
  static void AsText(Val* v) {
    if (v->literal) {
      v->params[0] = SqlValue(std::string(Clip(LiteralText(v->value))));
      v->kind = ValueKind::Text;
      return;
    }
    if (v->kind == ValueKind::Number) {
      v->sql = std::string(kSqlText) + "(" + v->sql + ")";
    } else if (v->padded) {
      v->sql = "rtrim(" + v->sql + ")";
    }
    v->kind = ValueKind::Text;
  }

  static void AsNumber(Val* v) {
    if (v->kind == ValueKind::Number) return;
    if (v->literal) {
      double d = 0;
      ParseNumber(LiteralText(v->value), &d);
      v->params[0] = SqlValue(d);
    } else {
      v->sql = "CAST(" + v->sql + " AS REAL)";
    }
    v->kind = ValueKind::Number;
  }

  static bool ReadsAsNumber(const Val& v) {
    double d;
    return v.literal && ParseNumber(LiteralText(v.value), &d);
  }

  bool Compare(const FilterNode& n, std::string* sql, std::vector<SqlValue>* params) {
    Val left, right;
    if (!Value(*n.children[0], &left) || !Value(*n.children[1], &right)) return false;
    // Numbers compare as numbers and texts as texts, blanks at the end ignored. A number
    // against a quoted text compares as numbers when the text reads as one (as the runtime's
    // values do), otherwise as texts; against any other text value, as numbers.
    bool as_text;
    if (left.kind == right.kind) {
      as_text = left.kind == ValueKind::Text;
    } else {
      const Val& text_side = left.kind == ValueKind::Text ? left : right;
      as_text = text_side.literal && !ReadsAsNumber(text_side);
    }
    if (as_text) {
      AsText(&left);
      AsText(&right);
    } else {
      AsNumber(&left);
      AsNumber(&right);
    }
    sql->append("(");
    Append(sql, params, std::move(left));
    sql->append(OpSql(n.op));
    Append(sql, params, std::move(right));
    sql->append(")");
    return true;
  }

  const ColumnResolver& resolver_;
  FilterSyntaxError* error_;
};

}  // namespace

FilterSqlTranslator::FilterSqlTranslator(ColumnResolver resolver)
    : resolver_(std::move(resolver)) {}

bool FilterSqlTranslator::TranslateFilter(const FilterNode* root, SqlFragment* out,
                                          FilterSyntaxError* error) const {
  FilterSyntaxError local;
  if (error == nullptr) error = &local;
  *error = FilterSyntaxError();
  out->sql.clear();
  out->params.clear();
  if (root == nullptr) return true;
  Translation t(resolver_, error);
  if (!t.Condition(*root, &out->sql, &out->params)) {
    out->sql.clear();
    out->params.clear();
    return false;
  }
  return true;
}

bool FilterSqlTranslator::TranslateOrder(const std::vector<OrderItem>& items,
                                         std::vector<OrderTerm>* out,
                                         FilterSyntaxError* error) const {
  FilterSyntaxError local;
  if (error == nullptr) error = &local;
  *error = FilterSyntaxError();
  out->clear();
  for (const OrderItem& item : items) {
    std::optional<SqlColumn> col = resolver_ ? resolver_(item.label) : std::nullopt;
    if (!col) {
      error->offset = item.offset;
      error->message = "unknown field '" + item.label + "' in the order";
      out->clear();
      return false;
    }
    OrderTerm term;
    term.label = item.label;
    term.descending = item.descending;
    // Upper case changes nothing in the order of numbers.
    term.upper = item.upper && col->kind == ValueKind::Text;
    if (!term.upper) term.sql = col->sql;
    else if (!col->upper_sql.empty()) term.sql = col->upper_sql;
    else term.sql = std::string(kSqlUpper) + "(" + col->sql + ")";
    term.column = std::move(*col);
    out->push_back(std::move(term));
  }
  return true;
}

bool FilterSqlTranslator::Filter(std::string_view text, SqlFragment* out,
                                 FilterSyntaxError* error) const {
  FilterSyntaxError local;
  if (error == nullptr) error = &local;
  std::unique_ptr<FilterNode> root = FilterParser::ParseFilter(text, error);
  if (!root && !error->message.empty()) {
    out->sql.clear();
    out->params.clear();
    return false;
  }
  return TranslateFilter(root.get(), out, error);
}

bool FilterSqlTranslator::Order(std::string_view text, std::vector<OrderTerm>* out,
                                FilterSyntaxError* error) const {
  std::vector<OrderItem> items;
  if (!FilterParser::ParseOrder(text, &items, error)) {
    out->clear();
    return false;
  }
  return TranslateOrder(items, out, error);
}

std::string OrderBySql(const std::vector<OrderTerm>& terms) {
  std::string sql;
  for (const OrderTerm& t : terms) {
    if (!sql.empty()) sql += ", ";
    sql += t.sql;
    if (t.descending) sql += " DESC";
  }
  return sql;
}

}  // namespace rt
