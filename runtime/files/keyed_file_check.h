// KeyedFileCheck: what opening a keyed file does before anything else touches it. A data file
// is outside input (anyone can change it with SQLite's own tools, copy it from elsewhere or
// find it half written), so the connection is made defensive first and then the file is
// compared with the declaration it is opened for, reading only. Nothing here writes.
#pragma once

#include <string>

#include "runtime/files/keyed_file_schema.h"

struct sqlite3;

namespace rt {

class KeyedFileCheck {
 public:
  // Turns off everything a stored file could make the connection run or accept on its own:
  // schema changes through writable_schema, untrusted functions in the schema, double-quoted
  // strings taken as texts, triggers and views.
  static void Harden(sqlite3* db);

  // Compares the file on db with the schema. kNoError; 47 when the file is not one of this
  // declaration (the last error's text names the first difference); 46 when only the key
  // indexes differ (check_indexes); 90 when the file cannot be read. Reads only.
  static int Check(sqlite3* db, const KeyedFileSchema& schema, bool check_indexes);

  // The affinity SQLite gives a column of this declared type: INTEGER, TEXT, BLOB, REAL or
  // NUMERIC.
  static std::string Affinity(const std::string& declared_type);
};

}  // namespace rt
