// PositionText: encodes and decodes the position texts of keyed files (format in
// keyed_file.h), so that views can make positions a KeyedFile accepts and read its ones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/file_declaration.h"

namespace rt {

class PositionText {
 public:
  // The position of a record (its image in `record`, laid out as the declaration's record)
  // with row id `id`, in `key`'s order (nullptr: record order).
  static std::string Encode(const FileDeclaration& decl, const FileKey* key, const void* record,
                            int64_t id);
  // Reads a position made for `key`: the component values are written into `record` (the
  // other fields are left alone) and the id into *id. False when the text is not a position
  // for that key (another key, record order, or malformed).
  static bool Decode(const FileDeclaration& decl, const FileKey* key, std::string_view text,
                     void* record, int64_t* id);
};

}  // namespace rt
