// Test support: odds rows written straight into "kf" in the working folder, as another copy of
// the program would have left them (GoogleTest assertions; tests only).
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "app/odds_file.h"
#include "runtime/files/keyed_file.h"

namespace app::testing {

// Rows numbered from 1 with these odds.
inline void StoreOdds(std::initializer_list<double> odds) {
  OddsRecord rec{};
  rt::KeyedFile file(OddsDeclaration(), &rec);
  ASSERT_EQ(file.Create(), 0);
  ASSERT_EQ(file.Open(), 0);
  for (double kf : odds) {
    ++rec.nn;
    rec.kf = kf;
    ASSERT_EQ(file.Add(), 0);
  }
}

}  // namespace app::testing
