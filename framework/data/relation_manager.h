// RelationManager: whole-record work on one file together with its relations to other files.
// It opens and closes the file with every related file, updates and deletes the current record
// while applying each relation's rule (restrict, clear or cascade, recursively through the
// related files' own managers), frames such changes in a runtime transaction when asked to, and
// passes the driver's quick-scan option along the relations.
//
// Ownership: the manager owns its list of relation rows and each row's linking pairs. The
// FileManager given to Setup and the managers a row points at belong to the owner and must
// remain live while this manager is in use; the linking pairs refer to fields of the files'
// record buffers, which must stay put as well.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/data/buffered_field_pairs.h"
#include "framework/data/file_manager.h"
#include "runtime/values/any_ref.h"
#include "runtime/files/file_key.h"

namespace fw {

// What happens to the related records when this file's linking values change or its record
// is deleted.
enum RelationMode : uint8_t {
  kRelationNone = 0,
  kRelationClear = 1,     // their linking fields are cleared
  kRelationRestrict = 2,  // the change is refused while linked records exist
  kRelationCascade = 3,   // they follow: take the new values, or are deleted
};

// True for clear, restrict and cascade.
bool IsActiveMode(uint8_t mode);

class RelationManager;

// One relation of a file. LEFT of each linking pair is this file's field, RIGHT the related
// file's field; BUFFER holds LEFT's value as SaveLinkValues last saved it.
struct RelationRow {
  RelationManager* FILE = nullptr;             // manager of the related file
  std::unique_ptr<BufferedFieldPairs> FIELDS;  // owned by the row
  // A key of the related file whose leading components are its linking fields, used to find
  // the linked records. Without one the related file is read whole, in record order.
  const rt::FileKey* HISKEY = nullptr;
  uint8_t UPDATEMODE = kRelationNone;
  uint8_t DELETEMODE = kRelationNone;
};

class RelationManager {
 public:
  RelationManager();
  virtual ~RelationManager();
  RelationManager(const RelationManager&) = delete;
  RelationManager& operator=(const RelationManager&) = delete;

  // --- Fields, in declared order --------------------------------------------------------
  FileManager* ME = nullptr;
  std::unique_ptr<std::vector<RelationRow>> RELATIONS;  // in the order added; null after Teardown
  RelationManager* ALIASFILE = nullptr;                 // kept for owners; no operation reads it
  uint8_t USELOGOUT = 0;  // frame updates and deletes in a runtime transaction
  int32_t LASTTOUCHED = 0;

  // --- Overridable operations, in slot order --------------------------------------------
  // Removes the record ME reserved for a new record, through Delete(0) so the relations'
  // delete rules apply.
  virtual int ReleaseNumber();
  // nested 0 for a top-level call. Each manager of a walk is visited once, also when the
  // relations form a cycle.
  virtual int Close(int nested);
  // Deletes ME's current record after applying every relation's delete rule. ask 1 asks the
  // user first. 0 when deleted; otherwise the level that stopped it.
  virtual int Delete(int ask);
  // Run on a related file's manager by its parent, with the parent's row: applies mode to
  // every record of this file linked to the parent's current values (LEFT).
  virtual int CascadeDelete(const rt::FileKey* key, BufferedFieldPairs* fields, uint8_t mode);
  // Frees the relation rows and their pairs. A file-specific manager overrides it to tear its
  // FileManager down first.
  virtual void Teardown();
  // Opens ME's file (at the top level really, not lazily) and counts an open of every
  // related file, along the relations.
  virtual int Open(int nested);
  // Saves every row's LEFT into its BUFFER: call it before the record is changed, so the
  // rows know the values the related records are still linked by.
  virtual void SaveLinkValues();
  // Sends "QUICKSCAN=on" (on 1) or "QUICKSCAN=off" to ME's file. propagate 0: this file only;
  // 1: also along the rows without HISKEY; 2: along the rows with one; other values: along
  // every row. Bit 80h marks a nested call.
  virtual void SendQuickScanOption(int on, int propagate);
  // Writes ME's current record and carries changed linking values to the related files.
  // conflictNotice 0 reports a change by another station with error 6, 1 with error 7.
  // 0 written; 5 refused or a conflict; 1 another failure of the write itself; or the level
  // of a failure in a related file.
  virtual int Update(int conflictNotice);
  // Run on a related file's manager by its parent: applies mode to every record of this file
  // still linked to the parent's saved values (BUFFER).
  virtual int CascadeUpdate(const rt::FileKey* key, BufferedFieldPairs* fields, uint8_t mode);

  // --- Not overridable ------------------------------------------------------------------
  void Setup(FileManager* fileManager, bool useLogout);
  // Appends a relation to `related` and returns its linking pairs, empty, for the owner to
  // fill with AppendPair(this file's field, the related file's field) in the order of
  // hisKey's leading components. The pairs stay where they are until Teardown.
  BufferedFieldPairs* AddRelation(RelationManager* related, uint8_t updateMode,
                                  uint8_t deleteMode, const rt::FileKey* hisKey);

  // After this manager's current record was changed by a parent's cascade: carries its own
  // changed linking values on, then writes the record. 0, or the level of the failure.
  int PropagateAndSave();
  // Lets ME's file take part in the next transaction. A driver that cannot (code 80) turns
  // USELOGOUT off for this file, silently. 0, or 5 after error 21.
  int MarkForTransaction();
  // This file, then every related file an update can change (update mode clear or cascade),
  // recursively.
  int MarkUpdateSet();
  // This file, then every related file a delete can reach: cascade recursively, clear as
  // MarkClearSet.
  int MarkDeleteSet();
  // This file, then the related files it cascades deletes to, recursively.
  int MarkClearSet();

  // The module-wide walk counter: every top-level Open, Close and propagating
  // SendQuickScanOption adds 1.
  static int32_t TouchCounter();

 private:
  enum class MarkKind { kUpdate, kDelete, kClear };
  int MarkSet(MarkKind kind, std::vector<RelationManager*>& visited);
  // Starts reading ME's file at the first record whose linking fields (the key's first
  // linkCount components) hold the values already in the buffer; the key's later components
  // go to their low end. Without a key the file is read whole, in record order.
  void StartLinkedRead(const rt::FileKey* key, size_t linkCount);
  // After a cascade failed outside a transaction: stores ME's record again with its linking
  // values put back, so the file agrees with what the user was told.
  void StoreRestoredLinks();
  // Rolls back the transaction under way when this manager frames its changes in one.
  void RollBackWhenFramed();
};

}  // namespace fw
