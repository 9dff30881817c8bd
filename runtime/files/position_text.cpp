#include "runtime/files/position_text.h"

namespace rt {

std::string PositionText::Encode(const FileDeclaration&, const FileKey*, const void*, int64_t) {
  return "";
}
bool PositionText::Decode(const FileDeclaration&, const FileKey*, std::string_view, void*,
                          int64_t*) {
  return false;
}

}  // namespace rt
