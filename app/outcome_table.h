// The outcomes table's managers: IsFileManager, the outcome file's FileManager, and
// IsRelationManager, its RelationManager (changes framed in transactions), both program-wide.
// SetupOddsTable ties the odds file to it: deleting an odds row, by whichever copy of the
// program, deletes that row's outcome in the same transaction, and a row's new number carries
// its outcome along. Helpers read and store one row's outcome for the analysis window.
#pragma once

#include <array>
#include <cstdint>

#include "app/analysis_events.h"
#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/errors/error_manager.h"

namespace app {

class IsFileManager : public fw::FileManager {
 public:
  // FileManager Setup on the outcome file: file name "ish", the outcome buffer (2 bytes),
  // CREATE 1, LOCKRECOVER 10 and the key IS:nn_key.
  void SetupOutcomes(fw::ErrorManager* errors);
};

class IsRelationManager : public fw::RelationManager {
 public:
  // Tears IsFileManager down first, then the relation rows.
  void Teardown() override;
};

IsFileManager& TheIsFileManager();
IsRelationManager& TheIsRelationManager();

// Set while the managers are alive (between SetupOutcomeTable and TeardownOutcomeTable).
fw::FileManager* OutcomeFileManager();
fw::RelationManager* OutcomeRelationManager();

void SetupOutcomeTable(fw::ErrorManager* errors);
void TeardownOutcomeTable();

// Outcomes of the rows 0..255 by row number; a row without a record is pending. 0, or the
// runtime error that stopped the read (after the file manager's message); the array then holds
// what was read before it.
using OutcomesByRow = std::array<Outcome, 256>;
int ReadOutcomes(OutcomesByRow& outcomes);

// Stores row nn's outcome: pending removes its record, any other adds or changes it. The
// outcome record of a row that another copy has deleted meanwhile is not created: 0 when
// stored, else the level after the file manager's message.
int StoreOutcome(uint8_t nn, Outcome outcome);

// Deletes row nn's outcome without a message (the odds row was deleted straight through the
// runtime file); nothing when it has none.
void ForgetOutcome(uint8_t nn);

}  // namespace app
