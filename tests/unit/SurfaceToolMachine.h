// A simulated machine with the program running and one of the surface tools
// (Zoom, Spot Light, Laser Beam, Magnifier) installed on the overlay, over a
// wallpaper whose every pixel differs from its neighbours.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/ProgramHarness.h"

namespace surface_test {

using namespace testing_support;

inline gui::Color PatternAt(int x, int y) {
  return gui::Rgb((x * 7 + 1) & 0xFF, (y * 11 + 3) & 0xFF, (x + y * 3 + 5) & 0xFF);
}

struct Counts {
  int dcs = 0, objects = 0;
  friend bool operator==(const Counts&, const Counts&) = default;
};

class Machine {
 public:
  // dpi: the screen's, as the program finds it at its start.
  Machine(int w, int h, std::uint32_t dpi = platform::kDefaultDpi) : sys(w, h), harness(sys) {
    sys.SetDpi(dpi);
    harness.process->SetIdleTimeBudget(600'000);
    harness.Start();
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) sys.Wallpaper().SetPixel(x, y, PatternAt(x, y));
  }
  Machine(const Machine&) = delete;

  template <class Tool>
  Tool& Install(int mode, bool wholeFrames = false) {
    auto tool = std::make_unique<Tool>(overlay(), program());
    Tool& installed = *tool;
    installed.wholeFrames = wholeFrames;
    overlay().SetTool(mode, std::move(tool));
    return installed;
  }
  TForm_Draw& overlay() { return *harness.program.Form_Draw; }
  Program& program() { return harness.program; }
  TSettings& settings() { return harness.program.Settings; }

  // The effect's key: opens the overlay, or closes it when it shows.
  void Key(unsigned code) {
    harness.Main().DispatchEffect(code);
    harness.app.ProcessMessages();
  }
  void MoveTo(int x, int y) {
    harness.process->SetCursorPos(x, y);
    harness.app.ProcessMessages();
  }
  void Click(int x, int y, bool right = false) { harness.Click(overlay().Handle(), x, y, right); }
  // The window painted again, as after something covered it for a while.
  void Repaint() {
    overlay().Invalidate();
    harness.app.ProcessMessages();
  }
  const gui::Bitmap& Presented() { return sys.Window(overlay().Handle())->frame; }
  Counts Now() { return {harness.process->DcCount(), harness.process->GdiObjectCount()}; }

  SimSystem sys;
  ProgramHarness harness;
};

// Two installed tools, each shown and driven by many moves and clicks (a
// right click every `rightEvery`), then shown and closed by turns: the live
// device contexts and drawing objects are what they were before each show,
// once a show of each made what later shows on the screen reuse.
inline void ExpectCountsFlat(Machine& m, unsigned codeA, unsigned codeB, int rightEvery) {
  for (unsigned code : {codeA, codeB}) {
    m.Key(code);
    m.Key(code);
  }
  const Counts idle = m.Now();
  for (unsigned code : {codeA, codeB}) {
    m.Key(code);
    m.MoveTo(30, 30);
    const Counts shown = m.Now();
    for (int i = 0; i < 2000; ++i) m.MoveTo(i % 64, (i * 7) % 48);
    for (int i = 0; i < 50; ++i) m.Click(i % 64, 20, i % rightEvery == 0);
    EXPECT_EQ(m.Now(), shown) << code;
    m.Key(code);
    EXPECT_EQ(m.Now(), idle) << code;
  }
  for (int i = 0; i < 200; ++i) {
    const unsigned code = i % 2 ? codeA : codeB;
    m.Key(code);
    m.MoveTo(i % 64, 30);
    m.Key(code);
  }
  EXPECT_EQ(m.Now(), idle);
}

// The first pixel where two frames differ, for a readable failure.
inline std::string FirstDifference(const gui::Bitmap& got, const gui::Bitmap& want) {
  if (got.Width() != want.Width() || got.Height() != want.Height())
    return "sizes " + std::to_string(got.Width()) + "x" + std::to_string(got.Height()) + " and " +
           std::to_string(want.Width()) + "x" + std::to_string(want.Height());
  for (int y = 0; y < got.Height(); ++y)
    for (int x = 0; x < got.Width(); ++x)
      if (got.Pixel(x, y) != want.Pixel(x, y))
        return "pixel " + std::to_string(x) + "," + std::to_string(y) + ": " +
               std::to_string(got.Pixel(x, y)) + " instead of " + std::to_string(want.Pixel(x, y));
  return "";
}

#define EXPECT_FRAME(got, want) EXPECT_EQ(surface_test::FirstDifference(got, want), "")

}  // namespace surface_test
