#include "app/outcome_table.h"

#include "app/odds_file.h"
#include "app/outcome_file.h"
#include "framework/errors/error_ids.h"
#include "framework/errors/level.h"
#include "runtime/core/error_codes.h"
#include "runtime/values/any_ref.h"

namespace app {

namespace {

fw::FileManager* g_file_manager = nullptr;
fw::RelationManager* g_relation_manager = nullptr;

Outcome OutcomeFromByte(uint8_t res) {
  // A value this program never writes (a damaged or foreign file) settles nothing.
  return res <= static_cast<uint8_t>(Outcome::kRefund) ? static_cast<Outcome>(res)
                                                       : Outcome::kPending;
}

// Whether odds row nn exists now, read through a handle of its own so the program's odds
// buffer and place stay as the caller left them.
bool OddsRowExists(uint8_t nn) {
  OddsRecord record{};
  rt::KeyedFile odds(OddsDeclaration(), &record);
  if (odds.Open(rt::KeyedFile::kReadOnly) != rt::kNoError) return false;
  record.nn = nn;
  const bool found = odds.Get(OddsNnKey()) == rt::kNoError;
  odds.Close();
  return found;
}

}  // namespace

void IsFileManager::SetupOutcomes(fw::ErrorManager* errors) {
  Setup(&OutcomeFile(), errors);
  FILENAMEVALUE = "ish";
  BUFFER = rt::AnyRef(rt::Type::Group, &OutcomeBuffer(), sizeof(OutcomeRecord));
  CREATE = 1;
  LOCKRECOVER = 10;
  RegisterKey(&OutcomeNnKey(), "IS:nn_key");
}

void IsRelationManager::Teardown() {
  TheIsFileManager().Teardown();
  g_file_manager = nullptr;
  fw::RelationManager::Teardown();
  g_relation_manager = nullptr;
}

IsFileManager& TheIsFileManager() {
  static IsFileManager manager;
  return manager;
}

IsRelationManager& TheIsRelationManager() {
  static IsRelationManager manager;
  return manager;
}

fw::FileManager* OutcomeFileManager() { return g_file_manager; }
fw::RelationManager* OutcomeRelationManager() { return g_relation_manager; }

void SetupOutcomeTable(fw::ErrorManager* errors) {
  g_relation_manager = &TheIsRelationManager();
  TheIsFileManager().SetupOutcomes(errors);
  g_file_manager = &TheIsFileManager();
  TheIsRelationManager().Setup(&TheIsFileManager(), true);
}

void TeardownOutcomeTable() {
  if (g_relation_manager != nullptr) TheIsRelationManager().Teardown();
}

int ReadOutcomes(OutcomesByRow& outcomes) {
  outcomes.fill(Outcome::kPending);
  fw::FileManager* fm = OutcomeFileManager();
  if (fm == nullptr) return rt::kFileNotOpen;
  if (fm->EnsureOpen() != fw::kLevelGoOn) return rt::kFileNotOpen;
  rt::KeyedFile& file = OutcomeFile();
  OutcomeBuffer() = OutcomeRecord{};
  int error = file.SetFromBuffer(OutcomeNnKey());
  while (error == rt::kNoError && !file.Eof()) {
    error = file.Next();
    // A row another copy holds is being changed: it reads as pending until it is released.
    if (error == rt::kRecordHeld) {
      error = rt::kNoError;
      continue;
    }
    if (error != rt::kNoError) break;
    outcomes[OutcomeBuffer().nn] = OutcomeFromByte(OutcomeBuffer().res);
  }
  if (error != rt::kNoError) {
    fm->NoteError(fw::kErrRecordRetrieval);
    fm->ReportNotedError();
  }
  return error;
}

int StoreOutcome(uint8_t nn, Outcome outcome) {
  fw::FileManager* fm = OutcomeFileManager();
  if (fm == nullptr) return fw::kLevelFatal;
  const int level = fm->EnsureOpen();
  if (level != fw::kLevelGoOn) return level;
  rt::KeyedFile& file = OutcomeFile();
  OutcomeBuffer().nn = nn;
  const int found = file.Get(OutcomeNnKey());
  int error = rt::kNoError;
  uint16_t message = fw::kErrRecordNotUpdated;
  if (found == rt::kNoError) {
    if (outcome == Outcome::kPending) {
      error = file.Delete();
      message = fw::kErrRecordNotDeleted;
    } else {
      OutcomeBuffer().res = static_cast<uint8_t>(outcome);
      error = file.Put();
    }
  } else if (found == rt::kRecordNotFound) {
    if (outcome == Outcome::kPending) return fw::kLevelGoOn;
    // An outcome written after its row was deleted would settle the next row given that number.
    if (!OddsRowExists(nn)) return fw::kLevelGoOn;
    OutcomeBuffer() = OutcomeRecord{nn, static_cast<uint8_t>(outcome)};
    error = file.Add();
    message = fw::kErrRecordInsert;
  } else {
    error = found;
    message = fw::kErrRecordRetrieval;
  }
  if (error == rt::kNoError) return fw::kLevelGoOn;
  fm->NoteError(message);
  fm->ReportNotedError();
  return fw::kLevelHandled;
}

void ForgetOutcome(uint8_t nn) {
  fw::FileManager* fm = OutcomeFileManager();
  if (fm == nullptr || fm->EnsureOpen() != fw::kLevelGoOn) return;
  rt::KeyedFile& file = OutcomeFile();
  OutcomeBuffer().nn = nn;
  if (file.Get(OutcomeNnKey()) == rt::kNoError) file.Delete();
}

}  // namespace app
