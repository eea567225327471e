// The time each step of an overlay show takes, for the show benchmark
// (scripts/bench-show.sh). Off unless switched on at start, and then each
// mark is a branch on a flag. A mark closes a step: the time since the mark
// before it (or since Begin) goes to the step's name, and marks of one name
// add up (the capture's retries). End writes the show's line to the file
// and stops marking until the next Begin:
//   mode=6 hide=0.41 capture-setup=0.08 ... total=9.87   (ms)
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

class ShowTrace {
 public:
  // Appends each show's line to the file at path from now on.
  void WriteTo(std::string path) { path_ = std::move(path); }
  void Begin(int mode) {
    if (!path_.empty()) Start(mode);
  }
  void Mark(const char* step) {
    if (running_) Record(step);
  }
  void End() {
    if (running_) Write();
  }

 private:
  using Clock = std::chrono::steady_clock;
  void Start(int mode);
  void Record(const char* step);
  void Write();

  std::string path_;
  bool running_ = false;
  int mode_ = 0;
  Clock::time_point start_, last_;
  std::vector<std::pair<std::string, double>> steps_;
};
