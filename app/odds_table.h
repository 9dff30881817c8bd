// The odds table's managers: KfFileManager, the odds file's FileManager, and KfRelationManager,
// its RelationManager (changes framed in transactions; one relation, to the rows' outcomes,
// see outcome_table.h), both program-wide, with
// the program-wide references that point at them from start-up to shutdown. The file, its
// record buffer and the ErrorManager handed to SetupOddsTable belong to the program.
#pragma once

#include "framework/data/file_manager.h"
#include "framework/data/relation_manager.h"
#include "framework/errors/error_manager.h"

namespace app {

class KfFileManager : public fw::FileManager {
 public:
  // FileManager Setup on the odds file with `errors`, then, in this order: the file name
  // "kf", the odds record buffer (9 bytes), CREATE 1, LOCKRECOVER 10, and the key KF:nn_key
  // with its component 1 numbered automatically.
  void SetupOdds(fw::ErrorManager* errors);
  // Odds (field 2) below 1.00 or above the largest odds taken are never written: a row saved
  // without its odds typed would otherwise count as 0.00 in every variant it is in. The user is
  // told the range.
  int VerifyField(int fieldNumber) override;
};

class KfRelationManager : public fw::RelationManager {
 public:
  // Tears KfFileManager down first and clears its reference, then the relation rows, then
  // clears this manager's own reference.
  void Teardown() override;
};

// The program-wide instances (static storage; constructing them is all their operation
// tables need).
KfFileManager& TheKfFileManager();
KfRelationManager& TheKfRelationManager();

// The program-wide references: set while the managers are alive, null otherwise. The window
// finds the odds table through OddsRelationManager().
fw::FileManager* OddsFileManager();
fw::RelationManager* OddsRelationManager();

// Start-up: the relation reference, KfFileManager set up and configured with its reference,
// then KfRelationManager set up on it with useLogout 1, then the outcome table and the
// relation from the odds rows to their outcomes (cascade on change and on delete).
void SetupOddsTable(fw::ErrorManager* errors);
// Shutdown: KfRelationManager's Teardown, then the outcome table's.
void TeardownOddsTable();

}  // namespace app
