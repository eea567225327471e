// The cost of one pointer event of each overlay tool, the real overlay on
// the simulated system at 1920x1080 and 3840x2160, against one copy of a
// whole frame's pixels timed in the same run. A tool whose event costs more
// than three such copies is marked, and the program then exits with 1.
//   tavrin_toolbench [events]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/OverlayDriver.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::OverlayDriver;

constexpr double kMostCopies = 3.0;

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <class F>
double Micros(F f) {
  const auto start = Clock::now();
  f();
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// One copy of a whole frame: what a full-screen transfer costs at least.
double FrameCopy(int w, int h, int reps) {
  std::vector<std::uint32_t> from(static_cast<std::size_t>(w) * h, 0x123456), to(from.size());
  std::vector<double> t;
  for (int i = 0; i < reps; ++i) {
    from[static_cast<std::size_t>(i) % from.size()] = static_cast<std::uint32_t>(i);
    t.push_back(Micros([&] { std::memcpy(to.data(), from.data(), from.size() * 4); }));
  }
  volatile std::uint32_t sink = to[static_cast<std::size_t>(reps) % to.size()];
  (void)sink;
  return Median(t);
}

struct Tool {
  const char* name;
  unsigned code;
  // Gets the show ready for the timed events (a box opened, a button held).
  std::function<void(OverlayDriver&)> prepare;
  // One timed event, the i-th.
  std::function<void(OverlayDriver&, int)> event;
};

// A presenter's pointer: steps of a few pixels along a slow diagonal sweep.
void Step(OverlayDriver& d, int i, int w, int h) {
  const int x = 40 + (i * 9) % (w - 80), y = 40 + (i * 5) % (h - 80);
  d.Move(x, y);
}

double Cost(const Tool& tool, int w, int h, int events) {
  OverlayDriver d(w, h);
  for (int y = 0; y < h; ++y) {
    std::uint32_t* row = d.sys.Wallpaper().Row(y);
    for (int x = 0; x < w; ++x) row[x] = static_cast<std::uint32_t>(x * 2654435761u ^ y * 40503u);
  }
  d.p().Settings.BreakMinutes = 60;
  d.Open(tool.code, w / 3, h / 3);
  if (tool.prepare) tool.prepare(d);
  for (int i = 0; i < 5; ++i) tool.event(d, i);  // warm: the first frames go whole
  std::vector<double> t;
  for (int i = 0; i < events; ++i) t.push_back(Micros([&] { tool.event(d, i + 5); }));
  return Median(t);
}

}  // namespace

int main(int argc, char** argv) {
  const int events = argc > 1 ? std::max(std::atoi(argv[1]), 3) : 40;
  const auto move = [](int w, int h) {
    return [w, h](OverlayDriver& d, int i) { Step(d, i, w, h); };
  };
  const int sizes[][2] = {{1920, 1080}, {3840, 2160}};
  struct Row {
    std::string name;
    double us[2] = {0, 0}, ratio[2] = {0, 0};
  };
  std::vector<Row> rows;
  double copy[2] = {0, 0};
  for (int s = 0; s < 2; ++s) {
    const int w = sizes[s][0], h = sizes[s][1];
    copy[s] = FrameCopy(w, h, 60);
    const std::vector<Tool> tools = {
        {"Reveal", 1, nullptr, move(w, h)},
        {"Line", 2, nullptr, move(w, h)},
        {"Pen (stroke)", 4, [](OverlayDriver& d) { d.Button(false, true); }, move(w, h)},
        {"Mark (stamp)", 0, nullptr,
         [w, h](OverlayDriver& d, int i) {
           Step(d, i, w, h);
           d.Press(false);
         }},
        {"Rectangle band", 7, [](OverlayDriver& d) { d.Press(false); }, move(w, h)},
        {"Spot Light", 5, nullptr, move(w, h)},
        {"Laser Beam", 6, nullptr, move(w, h)},
        {"Zoom", 3, nullptr, move(w, h)},
        {"Magnifier", 8, nullptr, move(w, h)},
        {"Break tick", 12, nullptr,
         [](OverlayDriver& d, int) {
           d.sys.Advance(1000);
           d.h.app.ProcessMessages();
         }},
    };
    if (rows.empty())
      for (const Tool& t : tools) rows.push_back({t.name});
    for (std::size_t i = 0; i < tools.size(); ++i) {
      rows[i].us[s] = Cost(tools[i], w, h, events);
      rows[i].ratio[s] = copy[s] > 0 ? rows[i].us[s] / copy[s] : 0;
    }
  }
  bool over = false;
  std::printf("one whole-frame copy: %.0f us at 1920x1080, %.0f us at 3840x2160\n", copy[0],
              copy[1]);
  std::printf("%-16s %12s %7s %12s %7s\n", "tool", "1920x1080 us", "ratio", "3840x2160 us",
              "ratio");
  for (const Row& r : rows) {
    char mark[2][2] = {" ", " "};
    for (int s = 0; s < 2; ++s)
      if (r.ratio[s] > kMostCopies) {
        mark[s][0] = '!';
        over = true;
      }
    std::printf("%-16s %12.0f %6.2f%s %12.0f %6.2f%s\n", r.name.c_str(), r.us[0], r.ratio[0],
                mark[0], r.us[1], r.ratio[1], mark[1]);
  }
  std::printf("ratio: the event's cost in whole-frame copies; '!' marks more than %.0f\n",
              kMostCopies);
  return over ? 1 : 0;
}
