// Feeds arbitrary values to the query manager: the first byte picks which fields are strings
// and whose names are already upper-cased, the rest is split at zero bytes into the low,
// example and high values of two fields. Whatever the user types, the filter language must
// read the text built from it, and the text must be a plain AND of one comparison per
// condition: no value may add an OR, a NOT or a parenthesis of its own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "framework/query/query_manager.h"
#include "runtime/files/filter_parser.h"

namespace {

bool OneComparisonEach(const rt::FilterNode& node) {
  if (node.kind == rt::FilterNodeKind::Compare) return true;
  if (node.kind != rt::FilterNodeKind::And) return false;
  for (const auto& child : node.children) {
    if (!OneComparisonEach(*child)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t layout = data[0];
  std::vector<std::string> values;
  std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  while (values.size() < 6) {
    size_t end = rest.find('\0');
    values.emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  values.resize(6);

  fw::QueryManager qm;
  qm.Setup();
  qm.AddItem((layout & 4) ? "UPPER(A:NAME)" : "A:NAME", (layout & 1) != 0);
  qm.AddItem((layout & 8) ? "UPPER(A:NO)" : "A:NO", (layout & 2) != 0);
  qm.SetValues(1, values[0], values[1], values[2]);
  qm.SetValues(2, values[3], values[4], values[5]);
  const std::string text = qm.BuildFilterText();
  rt::FilterSyntaxError error;
  auto tree = rt::FilterParser::ParseFilter(text, &error);
  if (!text.empty() && (tree == nullptr || !OneComparisonEach(*tree))) std::abort();
  qm.Teardown();
  return 0;
}
