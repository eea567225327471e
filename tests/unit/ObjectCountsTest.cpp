// What the overlay makes and lets go over a long presentation: the device
// contexts and the pens, brushes and bitmaps that a show or a frame creates
// are all released again. The simulated system counts the program's live
// objects; after a thousand shows of the ten overlay effects, closed every
// way the program closes them, and a hundred thousand pointer events, the
// counts are what they were after the first show. A small screen keeps it
// fast.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>

#include "tests/support/OverlayDriver.h"

namespace {

using namespace testing_support;

constexpr int kW = 64, kH = 48;

// The ten overlay effects by their codes: Mark, Reveal, Line, Zoom, Pen,
// Spot Light, Laser Beam, Rectangle, Magnifier and the break screen.
constexpr std::array<unsigned, 10> kOverlayCodes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12};
constexpr unsigned kBreakTime = 12;
// Zoom, Spot Light, Laser Beam and Magnifier compose on memory surfaces.
const std::set<unsigned> kSurfaceCodes = {3, 5, 6, 8};

struct Counts {
  int dcs = 0, objects = 0;
  friend bool operator==(const Counts&, const Counts&) = default;
};
std::ostream& operator<<(std::ostream& os, const Counts& c) {
  return os << c.dcs << " contexts, " << c.objects << " objects";
}

class ObjectCounts : public ::testing::Test {
 protected:
  ObjectCounts() : d(kW, kH) {
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) d.sys.Wallpaper().SetPixel(x, y, gui::Rgb(x * 4, y * 5, x ^ y));
    // The break ends within a test's run, into the error box of a sound
    // that is not there.
    d.p().Settings.BreakMinutes = 1;
    d.p().Settings.BreakSound = "no such bell.mid";
  }
  Counts Now() { return {d.h.process->DcCount(), d.h.process->GdiObjectCount()}; }
  // The clock in steps of 10 ms: timers of 50 ms and 1 s lose nothing.
  void Run(std::uint64_t ms) {
    const std::uint64_t end = d.sys.Now() + ms;
    while (d.sys.Now() < end) {
      d.h.app.ProcessMessages();
      d.sys.Advance(std::min<std::uint64_t>(10, end - d.sys.Now()));
    }
    d.h.app.ProcessMessages();
  }
  // The effect's key with the pointer at (x, y), and the show's nudge.
  void Open(unsigned code, int x, int y) {
    d.sys.PlaceCursor({x, y});
    Key(code);
  }
  void Key(unsigned code) {
    d.h.Main().DispatchEffect(code);
    Run(100);
  }
  void Escape() {
    d.h.PressKey(gui::kVkEscape);
    Run(10);
  }

  // A presenter's use of a tool: mostly moves over the whole screen, left
  // and right clicks that step every colour, size and style the tool has,
  // and drags with the left button held. Returns the pointer events made
  // (each move, press and release is one).
  int Use(int events, int seed) {
    int made = 0;
    for (int i = 0; made < events; ++i) {
      const int k = i + seed;
      d.Move((k * 7) % kW, (k * 13) % kH);
      ++made;
      if (k % 17 == 0) {
        d.Press(false);
        made += 2;
      }
      if (k % 29 == 0) {
        d.Press(true);
        made += 2;
      }
      if (k % 41 == 0) {  // a drag of three steps
        d.Button(false, true);
        for (int s = 1; s <= 3; ++s) d.Move((k * 7 + s * 5) % kW, (k * 13 + s * 3) % kH);
        d.Button(false, false);
        made += 5;
      }
    }
    return made;
  }

  OverlayDriver d;
};

// Ten thousand events for each of the ten effects, one test each.
class ObjectCountsPerEffect : public ObjectCounts,
                              public ::testing::WithParamInterface<unsigned> {};

TEST_P(ObjectCountsPerEffect, TenThousandPointerEventsLeaveEveryCountWhereTheFirstFrameLeftIt) {
  const unsigned code = GetParam();
  Run(10);
  // The first show makes what later ones on the same screen reuse.
  Open(code, kW / 2, kH / 2);
  Escape();
  const Counts idle = Now();
  Open(code, kW / 2, kH / 2);
  const Counts shown = Now();
  if (kSurfaceCodes.contains(code)) {
    EXPECT_GT(shown.dcs, idle.dcs) << "the show holds its surfaces";
  }
  EXPECT_GE(Use(10'000, static_cast<int>(code)), 10'000);
  EXPECT_EQ(Now(), shown) << "after the pointer events";
  if (code == kBreakTime) {
    Run(62'000);  // the countdown to its end, the error box included
    EXPECT_EQ(Now(), shown) << "the break screen after its end";
  }
  Escape();
  EXPECT_EQ(Now(), idle) << "closed";
}

INSTANTIATE_TEST_SUITE_P(TheTenOverlayEffects, ObjectCountsPerEffect,
                         ::testing::ValuesIn(kOverlayCodes),
                         [](const ::testing::TestParamInfo<unsigned>& info) {
                           return "Code" + std::to_string(info.param);
                         });

TEST_F(ObjectCounts,
       AThousandShowsClosedByEscapeByTheirKeyAndByAnotherEffectEndWhereTheFirstEnded) {
  // The first shows may make what the run keeps (the mark's cursor, the
  // surfaces shows on this screen share); the counts of the second round,
  // open and closed, are the mark for every later show.
  std::array<Counts, kOverlayCodes.size()> open{};
  for (int round = 0; round < 2; ++round)
    for (std::size_t i = 0; i < kOverlayCodes.size(); ++i) {
      Open(kOverlayCodes[i], 10, 10);
      Use(20, static_cast<int>(i));
      open[i] = Now();
      Escape();
    }
  const Counts idle = Now();

  int shows = static_cast<int>(kOverlayCodes.size());
  for (int round = 0; shows < 1000; ++round) {
    const std::size_t i = static_cast<std::size_t>(round) % kOverlayCodes.size();
    const unsigned code = kOverlayCodes[i];
    Open(code, round % kW, (round * 3) % kH);
    ++shows;
    Use(8, round);
    ASSERT_EQ(Now(), open[i]) << "show " << shows << ", code " << code;
    switch (round % 3) {
      case 0: Escape(); break;
      case 1:  // the same key again
        Key(code);
        break;
      default: {  // another overlay effect takes over on a fresh capture, then Escape
        const std::size_t j = (i + 1 + static_cast<std::size_t>(round) / 3) % kOverlayCodes.size();
        if (j == i) {
          Escape();
          break;
        }
        Key(kOverlayCodes[j]);
        ++shows;
        ASSERT_EQ(Now(), open[j]) << "show " << shows << ", code " << kOverlayCodes[j]
                                  << " after code " << code;
        Escape();
        break;
      }
    }
    ASSERT_FALSE(d.overlay().Visible()) << "show " << shows;
    ASSERT_EQ(Now(), idle) << "show " << shows << ", code " << code << " closed";
  }
}

}  // namespace
