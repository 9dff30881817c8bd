// The odds table's file definition: the record (KF:NN, KF:KF; 9 bytes, packed), the file
// declaration "kf" with its one key KF:nn_key, and the program-wide record buffer and file.
#pragma once

#include <cstdint>

#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file.h"

namespace app {

#pragma pack(push, 1)
struct OddsRecord {
  uint8_t nn;  // KF:NN, the row number (numbered automatically on insert)
  double kf;   // KF:KF, the odds of the event
};
#pragma pack(pop)
static_assert(sizeof(OddsRecord) == 9, "the odds record is 9 packed bytes");

// Label and field prefix KF, file name "kf" (relative to the working directory), driver
// KEYED, key KF:nn_key on KF:NN ascending: unique and case-sensitive (a number has no case);
// it is the primary key. Not per-thread.
const rt::FileDeclaration& OddsDeclaration();
const rt::FileKey& OddsNnKey();

// The program-wide record buffer, and the runtime file bound to it (closed until opened).
OddsRecord& OddsBuffer();
rt::KeyedFile& OddsFile();

}  // namespace app
