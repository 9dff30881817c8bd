// Position texts come back from list rows and saved states: decoding any text must stay
// within the record and either refuse it or give a position that encodes back the same way.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/files/keyed_file_test_support.h"
#include "runtime/files/position_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto decl = rt::testing::PeopleDecl("fuzz");
  std::string text(reinterpret_cast<const char*>(data), size);
  for (size_t k = 0; k <= decl->KeyCount(); ++k) {
    const rt::FileKey* key = k < decl->KeyCount() ? &decl->Key(k) : nullptr;
    std::vector<unsigned char> record(decl->RecordSize(), 0);
    int64_t id = -1;
    if (!rt::PositionText::Decode(*decl, key, text, record.data(), &id)) continue;
    if (id < 0) std::abort();
    // What was read encodes to a position that reads back to the same record and id.
    std::string again = rt::PositionText::Encode(*decl, key, record.data(), id);
    std::vector<unsigned char> second(decl->RecordSize(), 0);
    int64_t id2 = -1;
    if (!rt::PositionText::Decode(*decl, key, again, second.data(), &id2)) std::abort();
    if (id2 != id || second != record) std::abort();
  }
  return 0;
}
