#include "app/odds_table.h"

#include "app/odds_file.h"
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
}

void TeardownOddsTable() { TheKfRelationManager().Teardown(); }

}  // namespace app
