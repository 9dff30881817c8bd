// FilterSqlTranslator: turns a parsed filter into a SQL condition with bound values (never
// pasting a value into the SQL), and an order text into ORDER BY terms. It knows the file only
// through a resolver that maps a field label to its column; it owns nothing else.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "runtime/files/filter_parser.h"

namespace rt {

enum class ValueKind : uint8_t { Number, Text };

// What a field label stands for in SQL.
struct SqlColumn {
  std::string sql;  // the column as the statement names it, quoted as needed
  ValueKind kind = ValueKind::Number;
  bool padded = false;  // a text column that may hold trailing blanks
  // The column upper-cased, when the file keeps such a form itself (an indexed shadow column):
  // case-insensitive comparisons and orders then use it instead of computing it per row.
  std::string upper_sql;
};

// Maps a label as written in the text (any case) to its column; nullopt for an unknown one.
using ColumnResolver = std::function<std::optional<SqlColumn>(std::string_view label)>;

using SqlValue = std::variant<int64_t, double, std::string>;

struct SqlFragment {
  std::string sql;  // a condition; empty when there is no filter
  std::vector<SqlValue> params;  // for the "?" in sql, in order
};

struct OrderTerm {
  std::string label;  // the label as written in the order text
  SqlColumn column;   // the resolved column
  std::string sql;    // what to order by: the column, or its upper-cased form
  bool descending = false;
  bool upper = false;  // compared upper-cased (only texts)
};

class FilterSqlTranslator {
 public:
  explicit FilterSqlTranslator(ColumnResolver resolver);

  // A null tree gives an empty fragment. False with *error filled for an unknown field or a
  // condition used where a value is needed.
  bool TranslateFilter(const FilterNode* root, SqlFragment* out, FilterSyntaxError* error) const;
  bool TranslateOrder(const std::vector<OrderItem>& items, std::vector<OrderTerm>* out,
                      FilterSyntaxError* error) const;

  // Parse and translate in one step.
  bool Filter(std::string_view text, SqlFragment* out, FilterSyntaxError* error) const;
  bool Order(std::string_view text, std::vector<OrderTerm>* out, FilterSyntaxError* error) const;

 private:
  ColumnResolver resolver_;
};

// "a, b DESC, ..." for an ORDER BY clause (without the keywords); empty for no terms.
std::string OrderBySql(const std::vector<OrderTerm>& terms);

}  // namespace rt
