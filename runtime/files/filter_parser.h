// FilterParser: reads a view's filter text and order text into syntax trees, without knowing
// the file: field labels are checked later, when the tree is translated to SQL (filter_sql.h).
// Deep nesting and huge texts are refused, so no input can exhaust the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

enum class FilterNodeKind : uint8_t {
  Or,        // children: two or more conditions
  And,       // children: two or more conditions
  Not,       // children: one condition
  Compare,   // children: left and right value
  Field,     // text: the label as written
  Integer,   // integer
  Real,      // real
  Text,      // text: the quoted text, quotes undone
  Upper,     // UPPER(text)
  Sub,       // SUB(text, start, length)
  InString,  // INSTRING(sub, text, step, start)
};

enum class CompareOp : uint8_t { Eq, Ne, Lt, Gt, Le, Ge };

struct FilterNode {
  FilterNodeKind kind = FilterNodeKind::Integer;
  CompareOp op = CompareOp::Eq;  // Compare only
  std::string text;              // Field label or Text value
  int64_t integer = 0;
  double real = 0;
  size_t offset = 0;  // where the node starts in the text, for messages
  std::vector<std::unique_ptr<FilterNode>> children;
};

// One component of an order text: "-KF:NN" or "UPPER(KF:NAME)".
struct OrderItem {
  std::string label;
  bool descending = false;
  bool upper = false;
  size_t offset = 0;
};

struct FilterSyntaxError {
  size_t offset = 0;  // byte offset in the text where reading stopped
  std::string message;
};

class FilterParser {
 public:
  // Nesting beyond this (parentheses, NOT, function arguments) is refused.
  static constexpr int kMaxDepth = 64;
  // Trees beyond this many nodes are refused (and with them runaway bound-value counts).
  static constexpr size_t kMaxNodes = 10000;

  // Parses a filter text. An empty or blank text gives a null tree and no error (no filter).
  // On failure returns null and fills *error.
  static std::unique_ptr<FilterNode> ParseFilter(std::string_view text, FilterSyntaxError* error);

  // Parses an order text: items separated by ",", each an optional "-" (descending) or "+"
  // and a field label or UPPER(label). An empty or blank text gives no items.
  static bool ParseOrder(std::string_view text, std::vector<OrderItem>* items,
                         FilterSyntaxError* error);
};

// "message at position N" (1-based character position) for reports.
std::string DescribeSyntaxError(const FilterSyntaxError& error);

}  // namespace rt
