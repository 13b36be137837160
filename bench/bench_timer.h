#pragma once
// Median of several timed runs, in milliseconds per operation.

#include <algorithm>
#include <chrono>
#include <vector>

template <typename Operation>
double MedianMsPerOp(Operation&& operation, int opsPerRun = 20, int runs = 9) {
  std::vector<double> perOp;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < opsPerRun; ++i) operation();
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    perOp.push_back(elapsed.count() / opsPerRun);
  }
  std::sort(perOp.begin(), perOp.end());
  return perOp[perOp.size() / 2];
}
