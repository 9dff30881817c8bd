// The runtime's text functions as SQL functions, so that filters and case-insensitive orders
// run inside SQLite with the runtime's own rules (Latin and Cyrillic upper case, positions
// counted in UTF-8 characters). Every connection that runs view queries registers them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct sqlite3;

namespace rt {

// SQL names of the functions, as filter and order translations write them.
inline constexpr const char* kSqlUpper = "rt_upper";        // rt_upper(x)
inline constexpr const char* kSqlSub = "rt_sub";            // rt_sub(text, start, length)
inline constexpr const char* kSqlInString = "rt_instring";  // rt_instring(sub, text, step, start)
inline constexpr const char* kSqlText = "rt_text";          // rt_text(x): a value's text form

// Registers those of the functions the connection does not have yet (deterministic, so
// indexes may use them). Functions already there are left alone: redefining one would expire
// the connection's prepared statements. Returns SQLite's result code.
int RegisterTextFunctions(sqlite3* db);

// The same rules in C++, for tests and for values bound from the program side.
// SUB: characters from start (1-based; a negative start counts from the end, -1 being the last
// character; 0 counts as 1), at most length characters; nothing when length < 1.
std::string SubText(std::string_view text, long long start, long long length);
// INSTRING: the character position of sub in text, trying the positions start, start+step,
// start+2*step, ... (step and start below 1 count as 1); 0 when not found. An empty sub is
// found at start while start lies within the text or just past its end.
long long InStringPosition(std::string_view sub, std::string_view text, long long step,
                           long long start);

}  // namespace rt
