#include "core/ShowTrace.h"

#include <algorithm>
#include <cstdio>

namespace {
double Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}
}  // namespace

void ShowTrace::Start(int mode) {
  // A show that never reached its end (its window closed first) is dropped.
  steps_.clear();
  mode_ = mode;
  running_ = true;
  start_ = last_ = Clock::now();
}

void ShowTrace::Record(const char* step) {
  const Clock::time_point now = Clock::now();
  const double ms = Ms(now - last_);
  last_ = now;
  auto it =
      std::find_if(steps_.begin(), steps_.end(), [&](const auto& s) { return s.first == step; });
  if (it == steps_.end())
    steps_.emplace_back(step, ms);
  else
    it->second += ms;
}

void ShowTrace::Write() {
  running_ = false;
  // Opened for each line: the benchmark moves the file away between effects.
  std::FILE* file = std::fopen(path_.c_str(), "a");
  if (!file) return;
  std::fprintf(file, "mode=%d", mode_);
  for (const auto& [step, ms] : steps_) std::fprintf(file, " %s=%.2f", step.c_str(), ms);
  std::fprintf(file, " total=%.2f\n", Ms(last_ - start_));
  std::fclose(file);
}
