#include "framework/data/relation_manager.h"

#include <algorithm>
#include <string>
#include <utility>

#include "framework/errors/error_ids.h"
#include "framework/errors/level.h"
#include "runtime/windows/backend.h"
#include "runtime/core/error_codes.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/transaction.h"

namespace fw {

namespace {

// Level Update returns for a failure of its own write other than a conflict.
constexpr int kLevelWriteFailed = 1;
// Seconds a transaction waits for the files' write locks.
constexpr int kTransactionWait = 2;
// Key components past the linking ones go to their low end up to this one, so reading starts
// at the first record of the linked group.
constexpr size_t kLastBlankedComponent = 22;
// Bit of SendQuickScanOption's propagate argument that marks a nested call.
constexpr int kNestedWalk = 0x80;

int32_t g_touch_counter = 0;

// Wraps instead of overflowing: the counter only has to differ from the last visit's value.
void Touch() {
  g_touch_counter = static_cast<int32_t>(static_cast<uint32_t>(g_touch_counter) + 1u);
}

// The records a delete on this thread is already taking away, each named by its manager and
// position. A relation that leads back to one of them (a record linked to itself, or a cycle
// of cascades) leaves it to the delete that is under way instead of recursing without end.
struct DeletingRecord {
  const FileManager* file;
  std::string position;
};
thread_local std::vector<DeletingRecord> g_deleting;

class DeletingScope {
 public:
  DeletingScope(const FileManager* file, std::string position) {
    g_deleting.push_back({file, std::move(position)});
  }
  ~DeletingScope() { g_deleting.pop_back(); }
  DeletingScope(const DeletingScope&) = delete;
  DeletingScope& operator=(const DeletingScope&) = delete;
};

bool IsBeingDeleted(const FileManager* file, const std::string& position) {
  if (position.empty()) return false;
  return std::any_of(g_deleting.begin(), g_deleting.end(), [&](const DeletingRecord& d) {
    return d.file == file && d.position == position;
  });
}

int StartTransaction() { return rt::Transaction::Start({}, kTransactionWait); }

// A failure must never read as success to the caller, whatever level its report gave back.
int FailureLevel(int level) { return level == kLevelGoOn ? kLevelHandled : level; }

}  // namespace

bool IsActiveMode(uint8_t mode) {
  return mode == kRelationClear || mode == kRelationRestrict || mode == kRelationCascade;
}

RelationManager::RelationManager() = default;
RelationManager::~RelationManager() = default;

int32_t RelationManager::TouchCounter() { return g_touch_counter; }

// --- Set-up --------------------------------------------------------------------------------

void RelationManager::Setup(FileManager* fileManager, bool useLogout) {
  ME = fileManager;
  RELATIONS = std::make_unique<std::vector<RelationRow>>();
  USELOGOUT = useLogout ? 1 : 0;
}

BufferedFieldPairs* RelationManager::AddRelation(RelationManager* related, uint8_t updateMode,
                                                 uint8_t deleteMode,
                                                 const rt::FileKey* hisKey) {
  if (!RELATIONS) RELATIONS = std::make_unique<std::vector<RelationRow>>();
  RelationRow& row = RELATIONS->emplace_back();
  row.FILE = related;
  row.FIELDS = std::make_unique<BufferedFieldPairs>();
  row.FIELDS->Setup();
  row.HISKEY = hisKey;
  row.UPDATEMODE = updateMode;
  row.DELETEMODE = deleteMode;
  return row.FIELDS.get();
}

void RelationManager::Teardown() {
  if (RELATIONS) {
    for (RelationRow& row : *RELATIONS) {
      if (!row.FIELDS) continue;
      row.FIELDS->Teardown();
      row.FIELDS.reset();
    }
  }
  RELATIONS.reset();
}

int RelationManager::ReleaseNumber() { return ME ? ME->ReleaseNumber(this) : kLevelGoOn; }

// --- Walks ---------------------------------------------------------------------------------

int RelationManager::Open(int nested) {
  if (!nested) {
    Touch();
  } else if (LASTTOUCHED == g_touch_counter) {
    return kLevelGoOn;
  }
  LASTTOUCHED = g_touch_counter;
  if (!ME) return kLevelFatal;
  int result = ME->Open();
  // The top-level file is really opened now (related files stay as lazy as their managers
  // are); an open that failed already keeps its level rather than being read as success.
  if (!nested && result == kLevelGoOn) result = ME->EnsureOpen();
  if (RELATIONS) {
    for (RelationRow& row : *RELATIONS) {
      if (result != kLevelGoOn) break;
      if (row.FILE) result = row.FILE->Open(1);
    }
  }
  return result;
}

int RelationManager::Close(int nested) {
  if (!nested) {
    Touch();
  } else if (LASTTOUCHED == g_touch_counter) {
    return kLevelGoOn;
  }
  LASTTOUCHED = g_touch_counter;
  int result = ME ? ME->Close() : kLevelGoOn;
  if (RELATIONS) {
    for (RelationRow& row : *RELATIONS) {
      if (result != kLevelGoOn) break;
      if (row.FILE) result = row.FILE->Close(1);
    }
  }
  return result;
}

void RelationManager::SendQuickScanOption(int on, int propagate) {
  if (propagate != 0) {
    if (!(propagate & kNestedWalk)) {
      Touch();
      propagate |= kNestedWalk;
    } else if (LASTTOUCHED == g_touch_counter) {
      // Visited already in this walk: the option has been sent.
      return;
    }
    LASTTOUCHED = g_touch_counter;
  }
  if (ME && ME->FILE) ME->FILE->Send(on == 1 ? "QUICKSCAN=on" : "QUICKSCAN=off");
  if (propagate == 0 || !RELATIONS) return;
  int mode = propagate & ~kNestedWalk;
  for (RelationRow& row : *RELATIONS) {
    if (!row.FILE) continue;
    bool follow = mode == 1 ? row.HISKEY == nullptr : mode == 2 ? row.HISKEY != nullptr : true;
    if (follow) row.FILE->SendQuickScanOption(on, propagate);
  }
}

void RelationManager::SaveLinkValues() {
  if (!RELATIONS) return;
  for (RelationRow& row : *RELATIONS) {
    if (row.FIELDS) row.FIELDS->TransferLeftToBuffer();
  }
}

// --- Transactions --------------------------------------------------------------------------

int RelationManager::MarkForTransaction() {
  if (!ME) return kLevelHandled;
  ME->EnsureOpen();
  if (!USELOGOUT) return kLevelGoOn;
  int code = ME->FILE ? ME->FILE->MarkForTransaction() : static_cast<int>(rt::kFileNotOpen);
  if (code == rt::kNoError) return kLevelGoOn;
  if (code == rt::kNotSupported) {
    // This driver cannot take part: the file's changes run outside the transaction.
    USELOGOUT = 0;
    return kLevelGoOn;
  }
  ME->ReportFileError(kErrTransactionCancelled);
  return kLevelHandled;
}

int RelationManager::MarkUpdateSet() {
  std::vector<RelationManager*> visited;
  return MarkSet(MarkKind::kUpdate, visited);
}

int RelationManager::MarkDeleteSet() {
  std::vector<RelationManager*> visited;
  return MarkSet(MarkKind::kDelete, visited);
}

int RelationManager::MarkClearSet() {
  std::vector<RelationManager*> visited;
  return MarkSet(MarkKind::kClear, visited);
}

// Relations may form a cycle; a manager already marked in this walk is passed over, so the
// recursion ends.
int RelationManager::MarkSet(MarkKind kind, std::vector<RelationManager*>& visited) {
  if (std::find(visited.begin(), visited.end(), this) != visited.end()) return kLevelGoOn;
  visited.push_back(this);
  int result = MarkForTransaction();
  if (result != kLevelGoOn || !RELATIONS) return result;
  for (RelationRow& row : *RELATIONS) {
    if (!row.FILE) continue;
    switch (kind) {
      case MarkKind::kUpdate:
        if (row.UPDATEMODE == kRelationCascade || row.UPDATEMODE == kRelationClear) {
          result = row.FILE->MarkSet(MarkKind::kUpdate, visited);
        }
        break;
      case MarkKind::kDelete:
        if (row.DELETEMODE == kRelationCascade) {
          result = row.FILE->MarkSet(MarkKind::kDelete, visited);
        } else if (row.DELETEMODE == kRelationClear) {
          result = row.FILE->MarkSet(MarkKind::kClear, visited);
        }
        break;
      case MarkKind::kClear:
        if (row.DELETEMODE == kRelationCascade) {
          result = row.FILE->MarkSet(MarkKind::kClear, visited);
        }
        break;
    }
    if (result != kLevelGoOn) return result;
  }
  return kLevelGoOn;
}

void RelationManager::RollBackWhenFramed() {
  if (USELOGOUT) rt::Transaction::Rollback();
}

// --- Update --------------------------------------------------------------------------------

int RelationManager::Update(int conflictNotice) {
  // Whether this call started a transaction: USELOGOUT may be turned off while the set is
  // marked, and what was started must still be committed or rolled back.
  bool framed = false;
  auto leave = [&](int level) {
    // A related manager without USELOGOUT does not roll back the failure it met; the
    // transaction this call started must not outlive it.
    if (framed && rt::Transaction::Active()) rt::Transaction::Rollback();
    Close(0);
    return level;
  };
  if (!ME) return kLevelFatal;
  int r = Open(0);
  if (r != kLevelGoOn) return leave(r);
  if (USELOGOUT) {
    r = MarkUpdateSet();
    if (r != kLevelGoOn) return leave(r);
    if (StartTransaction() != rt::kNoError) {
      ME->ReportFileError(kErrTransactionCancelled);
      return leave(kLevelHandled);
    }
    framed = true;
  }
  // A refusal by the validation hooks notes nothing; an earlier conflict's id must not make
  // it look like one.
  ME->SyncThreadInfo().LASTERROR = 0;
  if (ME->Update(conflictNotice + 1) != kLevelGoOn) {
    if (framed) rt::Transaction::Rollback();
    uint8_t last = ME->SyncThreadInfo().LASTERROR;
    const bool told = last == kErrRecordChanged || last == kErrRecordChangedShown ||
                      last == kErrRecordDeleted;
    return leave(told ? kLevelHandled : kLevelWriteFailed);
  }
  if (RELATIONS) {
    for (RelationRow& row : *RELATIONS) {
      if (!row.FILE || !row.FIELDS || !IsActiveMode(row.UPDATEMODE)) continue;
      if (row.FIELDS->LeftMatchesBuffer()) continue;
      r = row.FILE->CascadeUpdate(row.HISKEY, row.FIELDS.get(), row.UPDATEMODE);
      if (r != kLevelGoOn) {
        // The related records are still linked by the saved values: the record goes back
        // to them.
        row.FIELDS->TransferBufferToLeft();
        if (!framed) StoreRestoredLinks();
        // The rollback also puts the file's watch back on the stored version, so the user
        // can save again at once.
        if (framed && rt::Transaction::Active()) rt::Transaction::Rollback();
        return leave(r);
      }
    }
  }
  if (framed && rt::Transaction::Commit() != rt::kNoError) {
    // The runtime has undone the whole transaction: nothing was written.
    ME->NoteError(kErrRecordNotUpdated);
    ME->ReportNotedError();
    return leave(kLevelWriteFailed);
  }
  Close(0);
  return kLevelGoOn;
}

void RelationManager::StoreRestoredLinks() {
  if (ME) ME->UpdateQuiet();
}

void RelationManager::StartLinkedRead(const rt::FileKey* key, size_t linkCount) {
  if (!key) {
    ME->FILE->Set(nullptr);
    return;
  }
  if (ME->SelectKey(key)) {
    ME->BlankKeyFields(key, linkCount + 1, kLastBlankedComponent, false);
  } else {
    // A key the related file's manager never registered: its components are set from the
    // declaration in the same way.
    const rt::RecordDescriptor& record = ME->FILE->Declaration().Record();
    for (size_t c = linkCount; c < key->ComponentCount() && c < kLastBlankedComponent; ++c) {
      rt::AnyRef field = record.Field(ME->FILE->Buffer(), key->Component(c).field);
      if (key->Component(c).ascending) field.Clear();
      else field.SetHighest();
    }
  }
  ME->FILE->SetFromBuffer(*key);
}

int RelationManager::CascadeUpdate(const rt::FileKey* key, BufferedFieldPairs* fields,
                                   uint8_t mode) {
  if (!ME || !ME->FILE || !fields) return kLevelHandled;
  FileManager& f = *ME;
  if (int level = f.EnsureOpen(); level != kLevelGoOn) {
    RollBackWhenFramed();
    return FailureLevel(level);
  }
  uint16_t state = f.SnapshotFileState();
  f.FILE->Clear();
  fields->TransferBufferToRight();
  StartLinkedRead(key, fields->Count());
  int result = kLevelGoOn;
  for (;;) {
    if (f.NextQuiet() != kLevelGoOn) {
      if (f.AtEnd()) break;
      // A record that cannot be read (held by another station, a driver error) would stay
      // linked to the old values: the cascade fails rather than stopping short.
      RollBackWhenFramed();
      f.ReportNotedError();
      result = kLevelHandled;
      break;
    }
    if (!fields->RightMatchesBuffer()) {
      if (key) break;  // past the linked group
      continue;        // reading the whole file: not linked, read on
    }
    SaveLinkValues();
    if (mode == kRelationRestrict) {
      f.NoteError(kErrReferentialUpdate);
      RollBackWhenFramed();
      f.ReportNotedError();
      fields->TransferBufferToLeft();
      result = kLevelHandled;
      break;
    }
    if (mode == kRelationClear) {
      fields->BlankRight();
    } else if (mode == kRelationCascade) {
      fields->TransferLeftToRight();
    } else {
      break;
    }
    if (PropagateAndSave() != kLevelGoOn) {
      result = kLevelHandled;
      break;
    }
  }
  f.RestoreFileState(state);
  return result;
}

int RelationManager::PropagateAndSave() {
  if (!ME) return kLevelHandled;
  if (RELATIONS) {
    for (RelationRow& row : *RELATIONS) {
      if (!row.FILE || !row.FIELDS || !IsActiveMode(row.UPDATEMODE)) continue;
      if (row.FIELDS->LeftMatchesBuffer()) continue;
      if (row.FILE->CascadeUpdate(row.HISKEY, row.FIELDS.get(), row.UPDATEMODE) !=
          kLevelGoOn) {
        row.FIELDS->TransferBufferToLeft();
        return kLevelHandled;
      }
    }
  }
  if (ME->UpdateQuiet() != kLevelGoOn) {
    ME->NoteError(kErrRecordNotUpdated);
    RollBackWhenFramed();
    return FailureLevel(ME->ReportNotedError());
  }
  return kLevelGoOn;
}

// --- Delete --------------------------------------------------------------------------------

int RelationManager::Delete(int ask) {
  if (!ME) return kLevelFatal;
  if (ask && ME->ReportFileError(kErrConfirmDelete) != kLevelGoOn) return kLevelHandled;
  // The record the user chose; a retry deletes that same record.
  std::string position = ME->GetPosition();
  for (;;) {
    rt::SetWaitCursor(true);
    bool framed = false;
    auto fail = [&](int level) {
      rt::SetWaitCursor(false);
      if (framed && rt::Transaction::Active()) rt::Transaction::Rollback();
      Close(0);
      return level;
    };
    int r = Open(0);
    if (r != kLevelGoOn) return fail(r);
    if (USELOGOUT) {
      r = MarkDeleteSet();
      if (r != kLevelGoOn) return fail(r);
      if (StartTransaction() != rt::kNoError) {
        ME->ReportFileError(kErrTransactionCancelled);
        return fail(kLevelHandled);
      }
      framed = true;
    }
    if (ME->FetchByPosition(position) != kLevelGoOn) {
      // The record is gone or cannot be read as stored: nothing may be cascaded from it.
      ME->NoteError(kErrRecordNotDeleted);
      if (framed) rt::Transaction::Rollback();
      ME->ReportNotedError();
      r = kLevelHandled;
    } else {
      {
        DeletingScope deleting(ME, position);
        if (RELATIONS) {
          for (RelationRow& row : *RELATIONS) {
            if (!row.FILE || !row.FIELDS || !IsActiveMode(row.DELETEMODE)) continue;
            r = row.FILE->CascadeDelete(row.HISKEY, row.FIELDS.get(), row.DELETEMODE);
            if (r != kLevelGoOn) break;
          }
        }
      }
      if (r != kLevelGoOn) return fail(r);
      if (ME->FILE->Delete() != rt::kNoError) {
        ME->NoteError(kErrRecordNotDeleted);
        if (framed) rt::Transaction::Rollback();
        ME->ReportNotedError();
        r = kLevelHandled;
      } else if (framed && rt::Transaction::Commit() != rt::kNoError) {
        // The runtime has undone the whole transaction: nothing was deleted.
        ME->NoteError(kErrRecordNotDeleted);
        ME->ReportNotedError();
        r = kLevelHandled;
      }
    }
    rt::SetWaitCursor(false);
    if (framed && rt::Transaction::Active()) rt::Transaction::Rollback();
    Close(0);
    if (r == kLevelGoOn) return kLevelGoOn;
    if (ME->ReportFileError(kErrRecordDelete) != kLevelGoOn) return r;
  }
}

int RelationManager::CascadeDelete(const rt::FileKey* key, BufferedFieldPairs* fields,
                                   uint8_t mode) {
  if (!ME || !ME->FILE || !fields) return kLevelHandled;
  FileManager& f = *ME;
  if (int level = f.EnsureOpen(); level != kLevelGoOn) {
    RollBackWhenFramed();
    return FailureLevel(level);
  }
  uint16_t state = f.SnapshotFileState();
  f.FILE->Clear();
  fields->TransferLeftToRight();
  StartLinkedRead(key, fields->Count());
  int result = kLevelGoOn;
  bool done = false;
  while (!done) {
    if (f.NextQuiet() != kLevelGoOn) {
      if (f.AtEnd()) break;
      // An unreadable linked record would survive the delete of its parent.
      RollBackWhenFramed();
      f.ReportNotedError();
      result = kLevelHandled;
      break;
    }
    if (!fields->LeftMatchesRight()) {
      if (key) break;
      continue;
    }
    std::string position = f.GetPosition();
    if (IsBeingDeleted(&f, position)) continue;
    switch (mode) {
      case kRelationRestrict:
        f.NoteError(kErrReferentialDelete);
        RollBackWhenFramed();
        f.ReportNotedError();
        result = kLevelHandled;
        done = true;
        break;
      case kRelationClear:
        // PropagateAndSave compares against the saved values: they must be this record's.
        SaveLinkValues();
        fields->BlankRight();
        if (PropagateAndSave() != kLevelGoOn) {
          result = kLevelHandled;
          done = true;
        }
        break;
      case kRelationCascade: {
        {
          DeletingScope deleting(&f, position);
          if (RELATIONS) {
            for (RelationRow& row : *RELATIONS) {
              if (!row.FILE || !row.FIELDS || !IsActiveMode(row.DELETEMODE)) continue;
              result = row.FILE->CascadeDelete(row.HISKEY, row.FIELDS.get(), row.DELETEMODE);
              if (result != kLevelGoOn) break;
            }
          }
        }
        if (result != kLevelGoOn) {
          done = true;
          break;
        }
        if (f.FILE->Delete() != rt::kNoError) {
          f.NoteError(kErrRecordNotDeleted);
          RollBackWhenFramed();
          f.ReportNotedError();
          result = kLevelHandled;
          done = true;
        }
        break;
      }
      default:
        done = true;
        break;
    }
  }
  f.RestoreFileState(state);
  return result;
}

}  // namespace fw
