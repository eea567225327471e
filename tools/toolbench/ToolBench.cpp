// The cost of one pointer event of each overlay tool, the real overlay on
// the simulated system at 1920x1080 and 3840x2160, against one copy of a
// whole frame's pixels timed in the same run. An event is timed from the
// input to the frame on the screen: the message loop takes the input, the
// tool draws, the form composes what changed and the window's pixels are
// put on the screen. A tool whose event costs more than three such copies
// is marked, and the program then exits with 1; so does a tool whose events
// change nothing on the screen, since its figure would time no frame.
// Then what undo costs after 200 steps of each tool that draws steps: the
// undo state's size, and one undo's time beside a whole-frame copy.
//   tavrin_toolbench [events] [tool]    (tool: part of a name, e.g. Zoom;
//                                        "undo": the undo figures alone)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/OverlayDriver.h"

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::OverlayDriver;

constexpr double kMostCopies = 3.0;
constexpr int kWarmEvents = 5;   // the first frames of a show go whole
constexpr int kCheckEvents = 4;  // events whose screen changes are counted

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

// One copy of a whole frame between two buffers of their own: what a
// full-screen transfer costs at least.
class FrameCopy {
 public:
  FrameCopy(int w, int h) : from_(static_cast<std::size_t>(w) * h, 0x123456), to_(from_.size()) {
    std::memcpy(to_.data(), from_.data(), from_.size() * 4);  // both buffers paged in
  }
  double Time() {
    ++n_;
    from_[n_ % from_.size()] = static_cast<std::uint32_t>(n_);
    const double us = Micros([&] { std::memcpy(to_.data(), from_.data(), from_.size() * 4); });
    sink_ = sink_ + to_[n_ % to_.size()];
    return us;
  }

 private:
  std::vector<std::uint32_t> from_, to_;
  std::size_t n_ = 0;
  volatile std::uint32_t sink_ = 0;
};

struct Tool {
  const char* name;
  unsigned code;
  // Gets the show ready for the timed events (a button held, a band begun).
  std::function<void(OverlayDriver&)> prepare;
  // One event, the i-th.
  std::function<void(OverlayDriver&, int)> event;
};

// A presenter's pointer: steps of a few pixels along a slow diagonal sweep.
void Step(OverlayDriver& d, int i, int w, int h) {
  const int x = 40 + (i * 9) % (w - 80), y = 40 + (i * 5) % (h - 80);
  d.Move(x, y);
}

long long ChangedPixels(const gui::Bitmap& a, const gui::Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height())
    return static_cast<long long>(b.Width()) * b.Height();
  long long n = 0;
  for (int y = 0; y < a.Height(); ++y) {
    const std::uint32_t *p = a.Row(y), *q = b.Row(y);
    for (int x = 0; x < a.Width(); ++x) n += p[x] != q[x];
  }
  return n;
}

struct Result {
  double us = 0;
  double copyUs = 0;     // the copies timed between its events
  double ratio = 0;      // the median of event / the copy right after it
  long long pixels = 0;  // the least screen pixels one checked event changed
};

Result Cost(const Tool& tool, int w, int h, int events, FrameCopy& copy) {
  OverlayDriver d(w, h);
  for (int y = 0; y < h; ++y) {
    std::uint32_t* row = d.sys.Wallpaper().Row(y);
    for (int x = 0; x < w; ++x) row[x] = static_cast<std::uint32_t>(x * 2654435761u ^ y * 40503u);
  }
  d.p().Settings.BreakMinutes = 60;
  d.Open(tool.code, w / 3, h / 3);
  if (tool.prepare) tool.prepare(d);
  int i = 0;
  for (; i < kWarmEvents; ++i) tool.event(d, i);
  Result r;
  r.pixels = -1;
  for (int k = 0; k < kCheckEvents; ++k, ++i) {
    const gui::Bitmap before = d.sys.Screen();
    tool.event(d, i);
    const long long n = ChangedPixels(before, d.sys.Screen());
    r.pixels = r.pixels < 0 ? n : std::min(r.pixels, n);
  }
  // Each event is followed by one copy, so that both see the same load of
  // the machine; the ratio is taken pair by pair.
  std::vector<double> t, c, q;
  for (int k = 0; k < events; ++k, ++i) {
    t.push_back(Micros([&] { tool.event(d, i); }));
    c.push_back(copy.Time());
    q.push_back(c.back() > 0 ? t.back() / c.back() : 0);
  }
  r.us = Median(t);
  r.copyUs = Median(c);
  r.ratio = Median(q);
  return r;
}

// ---- undo ------------------------------------------------------------------------

constexpr int kUndoSteps = 200;
constexpr std::uint8_t kVkDelete = 0x2E;

struct UndoTool {
  const char* name;
  unsigned code;
  // The i-th step of a presenter's drawing, at (x, y).
  void (*step)(OverlayDriver&, int x, int y);
};

const UndoTool kUndoTools[] = {
    {"Mark", 0,
     [](OverlayDriver& d, int x, int y) {
       d.Move(x, y);
       d.Press(false);
     }},
    // An underline of 320 pixels in eight moves, with a turn.
    {"Pen", 4,
     [](OverlayDriver& d, int x, int y) {
       d.Move(x, y);
       d.Button(false, true);
       for (int k = 1; k <= 8; ++k) d.Move(x + 40 * k, y + (k % 2 ? 12 : -4));
       d.Button(false, false);
     }},
    {"Rectangle", 7,
     [](OverlayDriver& d, int x, int y) {
       d.Move(x, y);
       d.Press(false);
       d.Move(x + 400, y + 250);
       d.Press(false);
     }},
    {"Magnifier", 8,
     [](OverlayDriver& d, int x, int y) {
       d.Move(x, y);
       d.Press(false);
       d.Move(x + 2, y + 1);
     }},
};

struct UndoResult {
  std::size_t bytes = 0, kept = 0;  // after the steps; steps still undoable
  double undoUs = 0, ratio = 0;     // one undo, input to the screen; over a copy
  double clearUs = 0, unclearUs = 0;
};

// kUndoSteps steps of a tool spread over the screen; then undos of the last
// step (each redone untimed), each beside a whole-frame copy; then Delete
// and its undo.
UndoResult UndoCost(const UndoTool& tool, int w, int h, std::uint32_t dpi, int events,
                    FrameCopy& copy) {
  OverlayDriver d(w, h);
  // The monitor's new scale reaches the program as a display change.
  d.sys.SetMonitors({{{0, 0, w, h}, {0, 0, w, h - h / 12}, true, dpi}});
  d.RunFor(100);
  for (int y = 0; y < h; ++y) {
    std::uint32_t* row = d.sys.Wallpaper().Row(y);
    for (int x = 0; x < w; ++x) row[x] = static_cast<std::uint32_t>(x * 2654435761u ^ y * 40503u);
  }
  d.Open(tool.code, w / 2, h / 2);
  for (int i = 0; i < kUndoSteps; ++i)
    tool.step(d, 60 + (i * 397) % (w - 600), 60 + (i * 229) % (h - 700));
  d.Move(w - 700, h - 700);
  UndoResult r;
  r.bytes = d.overlay().History.Bytes();
  r.kept = d.overlay().History.UndoSteps();
  std::vector<double> t, q;
  for (int k = 0; k < events; ++k) {
    t.push_back(Micros([&] { d.h.PressKey('Z', true); }));
    q.push_back(t.back() / std::max(copy.Time(), 1e-3));
    d.h.PressKey('Y', true);
  }
  r.undoUs = Median(t);
  r.ratio = Median(q);
  // Delete and its undo, again and again: each Delete after an undo clears
  // the same drawing anew.
  std::vector<double> cleared, uncleared;
  for (int k = 0; k < std::min(events, 5); ++k) {
    cleared.push_back(Micros([&] { d.h.PressKey(kVkDelete); }));
    uncleared.push_back(Micros([&] { d.h.PressKey('Z', true); }));
  }
  r.clearUs = Median(cleared);
  r.unclearUs = Median(uncleared);
  return r;
}

void PrintUndo(int events) {
  std::printf(
      "\nundo after %d steps of each tool (4K at 200%% scale, 1080p at 100%%): the undo "
      "state's size,\nthe steps it still holds, one undo of the last step (input to the screen, "
      "median of %d) and\nits ratio to a whole-frame copy, Delete and the undo of that clear "
      "(medians of up to 5)\n",
      kUndoSteps, events);
  std::printf("%-10s %-9s %10s %5s %9s %6s %10s %10s\n", "tool", "screen", "state MiB", "steps",
              "undo us", "ratio", "Delete us", "unclear us");
  const struct {
    int w, h;
    std::uint32_t dpi;
    const char* name;
  } screens[] = {{1920, 1080, 96, "1920x1080"}, {3840, 2160, 192, "3840x2160"}};
  for (const auto& sc : screens) {
    FrameCopy copy(sc.w, sc.h);
    std::vector<double> copies;
    for (int k = 0; k < 9; ++k) copies.push_back(copy.Time());
    for (const UndoTool& tool : kUndoTools) {
      const UndoResult r = UndoCost(tool, sc.w, sc.h, sc.dpi, events, copy);
      std::printf("%-10s %-9s %10.1f %5zu %9.0f %6.2f %10.0f %10.0f\n", tool.name, sc.name,
                  static_cast<double>(r.bytes) / (1 << 20), r.kept, r.undoUs, r.ratio, r.clearUs,
                  r.unclearUs);
    }
    std::printf("%-10s %-9s whole-frame copy %.0f us (median)\n", "", sc.name, Median(copies));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int events = argc > 1 ? std::max(std::atoi(argv[1]), 3) : 40;
  const std::string only = argc > 2 ? argv[2] : "";
  if (only == "undo") {
    PrintUndo(events);
    return 0;
  }
  const auto move = [](int w, int h) {
    return [w, h](OverlayDriver& d, int i) { Step(d, i, w, h); };
  };
  const int sizes[][2] = {{1920, 1080}, {3840, 2160}};
  struct Row {
    std::string name;
    Result at[2];
  };
  std::vector<Row> rows;
  double copyUs[2] = {0, 0};
  for (int s = 0; s < 2; ++s) {
    const int w = sizes[s][0], h = sizes[s][1];
    FrameCopy copy(w, h);
    const std::vector<Tool> tools = {
        {"Reveal", 1, nullptr, move(w, h)},
        {"Line", 2, nullptr, move(w, h)},
        // A drag: the left button is held down over the picture.
        {"Pen (stroke)", 4, [](OverlayDriver& d) { d.Button(false, true); }, move(w, h)},
        {"Mark (stamp)", 0, nullptr,
         [w, h](OverlayDriver& d, int i) {
           Step(d, i, w, h);
           d.Press(false);
         }},
        // The first click anchors the band; it then follows the pointer.
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
    std::vector<const Tool*> chosen;
    for (const Tool& t : tools)
      if (only.empty() || std::string(t.name).find(only) != std::string::npos) chosen.push_back(&t);
    if (chosen.empty()) {
      std::fprintf(stderr, "toolbench: no tool named like '%s'\n", only.c_str());
      return 2;
    }
    if (rows.empty())
      for (const Tool* t : chosen) rows.push_back(Row{t->name, {}});
    for (std::size_t i = 0; i < chosen.size(); ++i)
      rows[i].at[s] = Cost(*chosen[i], w, h, events, copy);
    std::vector<double> copies;
    for (const Row& r : rows) copies.push_back(r.at[s].copyUs);
    copyUs[s] = Median(copies);
  }
  bool over = false, idle = false;
  std::printf("one whole-frame copy: %.0f us at 1920x1080, %.0f us at 3840x2160 (median)\n",
              copyUs[0], copyUs[1]);
  std::printf("%-16s %12s %7s %9s %12s %7s %9s\n", "tool", "1920x1080 us", "ratio", "pixels",
              "3840x2160 us", "ratio", "pixels");
  for (const Row& r : rows) {
    char mark[2][2] = {" ", " "};
    for (int s = 0; s < 2; ++s) {
      if (r.at[s].ratio > kMostCopies) {
        mark[s][0] = '!';
        over = true;
      }
      if (r.at[s].pixels <= 0) {
        mark[s][0] = '?';
        idle = true;
      }
    }
    std::printf("%-16s %12.0f %6.2f%s %9lld %12.0f %6.2f%s %9lld\n", r.name.c_str(), r.at[0].us,
                r.at[0].ratio, mark[0], r.at[0].pixels, r.at[1].us, r.at[1].ratio, mark[1],
                r.at[1].pixels);
  }
  std::printf(
      "us: median of %d events, input to the frame on the screen; ratio: median of each event "
      "over the\nwhole-frame copy timed right after it, '!' above %.0f; pixels: the fewest "
      "screen pixels one of %d\nevents changed, '?' when one changed none\n",
      events, kMostCopies, kCheckEvents);
  if (only.empty()) PrintUndo(events);
  return over || idle ? 1 : 0;
}
