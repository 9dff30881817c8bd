#include "app/odds_table.h"

#include "app/analysis_odds_text.h"
#include "app/odds_file.h"
#include "app/outcome_file.h"
#include "app/outcome_table.h"
#include "framework/errors/error_ids.h"
#include "framework/errors/level.h"
#include "runtime/values/any_ref.h"

namespace app {

namespace {

fw::FileManager* g_file_manager = nullptr;
fw::RelationManager* g_relation_manager = nullptr;

}  // namespace

void KfFileManager::SetupOdds(fw::ErrorManager* errors) {
  Setup(&OddsFile(), errors);
  FILENAMEVALUE = "kf";
  BUFFER = rt::AnyRef(rt::Type::Group, &OddsBuffer(), sizeof(OddsRecord));
  CREATE = 1;
  LOCKRECOVER = 10;
  RegisterKey(&OddsNnKey(), "KF:nn_key", 1);
}

int KfFileManager::VerifyField(int fieldNumber) {
  if (fieldNumber != 2) return fw::FileManager::VerifyField(fieldNumber);
  const double kf = OddsBuffer().kf;
  if (kf >= 1.0 && kf <= kMaxOdds) return fw::kLevelGoOn;
  if (ERRORS) ERRORS->FIELDNAME = "Коэффициент";
  return ReportWithText(fw::kErrRangeBetween, "от 1.00 до 1000000.00");
}

void KfRelationManager::Teardown() {
  TheKfFileManager().Teardown();
  g_file_manager = nullptr;
  fw::RelationManager::Teardown();
  g_relation_manager = nullptr;
}

KfFileManager& TheKfFileManager() {
  static KfFileManager manager;
  return manager;
}

KfRelationManager& TheKfRelationManager() {
  static KfRelationManager manager;
  return manager;
}

fw::FileManager* OddsFileManager() { return g_file_manager; }
fw::RelationManager* OddsRelationManager() { return g_relation_manager; }

void SetupOddsTable(fw::ErrorManager* errors) {
  g_relation_manager = &TheKfRelationManager();
  TheKfFileManager().SetupOdds(errors);
  g_file_manager = &TheKfFileManager();
  TheKfRelationManager().Setup(&TheKfFileManager(), true);

  // A row's outcome goes with the row: deleted with it (in the same transaction) and carried to
  // a new number. Every copy of the program sets this relation up, so a row deleted by another
  // copy takes its outcome along as well.
  SetupOutcomeTable(errors);
  fw::BufferedFieldPairs* link = TheKfRelationManager().AddRelation(
      &TheIsRelationManager(), fw::kRelationCascade, fw::kRelationCascade, &OutcomeNnKey());
  link->AppendPair(rt::AnyRef(rt::Type::Byte, &OddsBuffer().nn, 1),
                   rt::AnyRef(rt::Type::Byte, &OutcomeBuffer().nn, 1));
}

void TeardownOddsTable() {
  TheKfRelationManager().Teardown();
  TeardownOutcomeTable();
}

}  // namespace app
