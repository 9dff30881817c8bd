// QueryManager: query by example. Holds the fields a user may query (QueryFields) with their
// example values and bounds, lets the user fill them in the "Example values" window, and
// turns them into a filter text that a browse installs on its view as "9 - QBE".
//
// Ownership: the manager owns QueryFields and the query window while it is shown. The owner
// window handed to Setup belongs to the caller and must remain live while this object is in
// use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/values/row_queue.h"

namespace rt {
class Window;
}

namespace fw {

class TranslatorInterface;

inline constexpr size_t kQueryNameBytes = 100;
inline constexpr size_t kQueryValueBytes = 500;
// The identifier a browse installs the query's filter text under.
inline constexpr std::string_view kQueryByExampleFilterId = "9 - QBE";

// One queryable field. Texts are STRING fields: blank-padded, a value of blanks is empty.
#pragma pack(push, 1)
struct QueryFieldRow {
  char Name[kQueryNameBytes];     // the field or expression as the filter language writes it
  char Kind[1];                   // "S": a string field, whose values are quoted
  char Low[kQueryValueBytes];     // lower bound
  char Middle[kQueryValueBytes];  // example value, with operators and patterns
  char High[kQueryValueBytes];    // upper bound
};
#pragma pack(pop)

class QueryManager {
 public:
  QueryManager();
  virtual ~QueryManager();
  QueryManager(const QueryManager&) = delete;
  QueryManager& operator=(const QueryManager&) = delete;

  // --- Fields ---------------------------------------------------------------------------
  rt::Queue<QueryFieldRow>* QueryFields = nullptr;  // one row per queryable field, in order
  // May be null; translates the query window's own texts before it is shown.
  TranslatorInterface* TRANSLATOR = nullptr;

  // --- Overridable operations, in slot order --------------------------------------------
  // Shows the "Example values" window, one line per field with its bound and example
  // entries, and waits for the user. keepValues 1 starts from the values entered before;
  // 0 starts with every entry empty. Non-zero when the user pressed OK: the entries are then
  // the fields' values. Cancel or closing the window leaves the values as they were.
  virtual int EnterValues(uint8_t keepValues);
  // Releases QueryFields; the manager can be set up again afterwards.
  virtual void Teardown();

  // --- Set-up and helpers (not overridable) ---------------------------------------------
  // owner: the window the query window belongs to (may be null).
  void Setup(rt::Window* owner = nullptr);
  // Appends a queryable field: name as the filter language writes it (a field label, or an
  // expression such as UPPER(T:NAME)), string true when its values are quoted, title the
  // text the query window shows for it ("" shows the name). False, and nothing added, when
  // the manager is not set up or the name is empty or longer than kQueryNameBytes (a cut
  // name would name something else).
  bool AddItem(std::string_view name, bool string, std::string_view title = {});
  // Sets field `position`'s (from 1) values, each cut to kQueryValueBytes without splitting
  // a UTF-8 character. False when there is no such field.
  bool SetValues(size_t position, std::string_view low, std::string_view middle,
                 std::string_view high);
  // Empties every field's values.
  void ClearValues();

  // The filter text for the current values of every field, conditions joined by " AND " in
  // field order, low before high; "" when no field has a value. Changes nothing it keeps.
  std::string BuildFilterText() const;
  // text between single quotes, every quote inside doubled: a'b gives 'a''b'. Never cut: a
  // shortened quoted text could end inside a doubled quote and let the rest escape.
  static std::string QuoteText(std::string_view text);

 private:
  std::string Title(size_t position) const;

  std::unique_ptr<rt::Queue<QueryFieldRow>> fields_;
  std::vector<std::string> titles_;  // by position, for rows added with AddItem
  rt::Window* owner_ = nullptr;
};

}  // namespace fw
