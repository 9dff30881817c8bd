#include "framework/browse/step_manager.h"

namespace fw {

void StepManager::Teardown() {}

void StepManager::SetRangeEnds(const rt::AnyRef& /*low*/, const rt::AnyRef& /*high*/) {}

bool StepManager::RangeEndsNeeded() { return false; }

}  // namespace fw
