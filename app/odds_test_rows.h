// Test support: the odds file as another connection writes and reads it, so a test can set
// the table up before the program starts and check what it stored. GoogleTest only.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "app/odds_file.h"
#include "runtime/files/keyed_file.h"
#include "runtime/files/transaction.h"

namespace app::test {

using OddsRows = std::vector<std::pair<int, double>>;

// Creates "kf" in the working folder with these odds, numbered from 1, in one transaction
// (a full table of 255 rows is written in a moment).
inline void StoreOddsRows(const std::vector<double>& odds) {
  OddsRecord rec{};
  rt::KeyedFile file(OddsDeclaration(), &rec);
  ASSERT_EQ(file.Create(), 0);
  ASSERT_EQ(file.Open(), 0);
  ASSERT_EQ(rt::Transaction::Start({&file}), 0);
  uint8_t nn = 0;
  for (double kf : odds) {
    rec.nn = ++nn;
    rec.kf = kf;
    ASSERT_EQ(file.Add(), 0);
  }
  ASSERT_EQ(rt::Transaction::Commit(), 0);
}

// The rows of "kf" in key order, read by a connection of its own; none when it cannot be read.
inline OddsRows StoredOddsRows() {
  OddsRecord rec{};
  rt::KeyedFile file(OddsDeclaration(), &rec);
  OddsRows out;
  if (file.Open(rt::KeyedFile::kReadOnly) != 0) return out;
  file.Set(&OddsNnKey());
  while (file.Next() == 0) out.emplace_back(rec.nn, double{rec.kf});
  return out;
}

}  // namespace app::test
