// The benchmarks' odds table: fixed random odds between 1.01 and 5, the same in every run and
// every benchmark, so figures of different programs speak of one table.
#pragma once

#include <random>
#include <vector>

inline std::vector<double> BenchOdds(int rows) {
  std::mt19937_64 gen(20240601);
  std::uniform_real_distribution<double> dist(1.01, 5.0);
  std::vector<double> odds(rows);
  for (double& x : odds) x = dist(gen);
  return odds;
}
