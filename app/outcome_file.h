// The outcomes' file definition: one record per odds row that has been settled (IS:NN, the odds
// row's number; IS:RES, its outcome; 2 bytes, packed), the file declaration "ish" with its one
// key IS:nn_key, and the program-wide record buffer and file. A row without a record is pending,
// so a new odds row needs nothing written here.
#pragma once

#include <cstdint>

#include "runtime/files/file_declaration.h"
#include "runtime/files/keyed_file.h"

namespace app {

#pragma pack(push, 1)
struct OutcomeRecord {
  uint8_t nn;   // IS:NN, the number of the odds row (KF:NN) it settles
  uint8_t res;  // IS:RES, an Outcome: 0 pending, 1 won, 2 lost, 3 refund
};
#pragma pack(pop)
static_assert(sizeof(OutcomeRecord) == 2, "the outcome record is 2 packed bytes");

// Label and field prefix IS, file name "ish" (beside "kf", in the working directory), driver
// KEYED, key IS:nn_key on IS:NN ascending, unique, primary. Not per-thread.
const rt::FileDeclaration& OutcomeDeclaration();
const rt::FileKey& OutcomeNnKey();

OutcomeRecord& OutcomeBuffer();
rt::KeyedFile& OutcomeFile();

}  // namespace app
