// Names for the message ids of the default error table, one per entry, so the managers that
// raise them and the table that holds their texts agree on a single number for each.
#pragma once

#include <cstdint>

namespace fw {

// Named after the message titles; ids that share a title are told apart by what they say.
enum ErrorId : uint16_t {
  kErrRecordRetrieval = 1,
  kErrAccessDenied = 2,           // no write access, so read-only is tried
  kErrRecordAdded = 3,            // add another?
  kErrRecordInsert = 4,
  kErrAddNewRecord = 5,
  kErrRecordChanged = 6,          // changed by another station
  kErrRecordChangedShown = 7,     // ...and the other station's changes are now displayed
  kErrChangesLost = 8,            // cancel?
  kErrConfirmDelete = 9,
  kErrFileCreation = 10,
  kErrRecordNotDeleted = 11,
  kErrInvalidDeleteRequest = 12,
  kErrDuplicateKey = 13,
  kErrFieldContents = 14,
  kErrValue = 15,                 // the value must be in a list
  kErrRangeBetween = 16,
  kErrRangeLower = 17,
  kErrRangeHigher = 18,
  kErrFileLoad = 19,
  kErrInvalidInsertRequest = 20,
  kErrTransactionCancelled = 21,
  kErrNoRecords = 22,
  kErrFileAccess = 23,            // the file could not be opened
  kErrProcedureNotDefined = 24,
  kErrRecordNotUpdated = 25,      // the driver refused the write
  kErrKeyNotBuilt = 26,
  kErrInvalidKey = 27,
  kErrRecordNotRead = 28,         // held by another station
  kErrReferentialDelete = 30,
  kErrReferentialUpdate = 31,
  kErrAutoIncrement = 32,         // try again?
  kErrRecordDelete = 33,          // delete failed: try again?
  kErrRecordUpdate = 34,          // change failed: save again?
  kErrSaveRecord = 35,            // save the changes?
  kErrBeginningOfFile = 36,       // start again from the end?
  kErrEndOfFile = 37,             // start again from the beginning?
  kErrInvalidUpdateRequest = 38,
  kErrFileUsage = 39,             // used before it was opened
  kErrViewOpen = 40,
  kErrRecordDeleted = 41,         // deleted by another station while being edited
  kErrRecordUnreadable = 42,      // stored values fit no field: left out, the window goes on
};

}  // namespace fw
