#include "runtime/core/runtime_system.h"

#include <clocale>

namespace rt {

namespace {
std::vector<RuntimeSystem::ModuleRoutine>& Table() {
  static std::vector<RuntimeSystem::ModuleRoutine> table;
  return table;
}
bool g_initialised = false;
}  // namespace

void RuntimeSystem::SysInit(std::vector<ModuleRoutine> table) {
  Table() = std::move(table);
  for (auto& routine : Table()) {
    if (routine) routine(0);
  }
}

int RuntimeSystem::CheckVersion(int version, int reserved1, int reserved2) {
  return version == kVersion && reserved1 == 0 && reserved2 == 0 ? 1 : 0;
}

void RuntimeSystem::Init() {
  // Numbers are read and written with '.' whatever the desktop's locale says.
  std::setlocale(LC_NUMERIC, "C");
  g_initialised = true;
}

void RuntimeSystem::Code() {}

void RuntimeSystem::CloseDown() {
  std::vector<ModuleRoutine> table = std::move(Table());
  Table().clear();
  for (auto& routine : table) {
    if (routine) routine(1);
  }
  g_initialised = false;
}

bool RuntimeSystem::Initialised() { return g_initialised; }

}  // namespace rt
