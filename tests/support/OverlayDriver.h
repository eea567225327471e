// A program on a small simulated screen whose overlay a test drives as a
// presenter would: an effect opened by its code with the pointer at a
// point, the pointer moved and clicked by real input, the clock run on.
#pragma once

#include <cstdint>

#include "effects/Show.h"
#include "tests/support/ProgramHarness.h"

namespace testing_support {

// The screen's picture the overlay's show started from (empty when it has
// none): what every mode's first frame comes from.
inline gui::Bitmap ShowPicture(const TForm_Draw& overlay) {
  const gui::Bitmap* picture = overlay.ScreenPicture();
  return picture ? *picture : gui::Bitmap();
}

class OverlayDriver {
 public:
  // The screen has its taskbar along the bottom, as a PC's has: its work
  // area is not the whole monitor.
  OverlayDriver(int width, int height) : sys(width, height), h(sys) {
    sys.SetMonitors({{{0, 0, width, height}, {0, 0, width, height - height / 12}, true}});
    h.process->SetIdleTimeBudget(60'000);
    h.Start();
  }

  Program& p() { return h.program; }
  TForm_Draw& overlay() { return *h.program.Form_Draw; }
  // What the overlay's window shows now.
  const gui::Bitmap& Shown() { return sys.Window(overlay().Handle())->frame; }

  // Shows the overlay with the pointer at (x, y) and lets the nudge come.
  void Open(unsigned code, int x, int y) {
    sys.PlaceCursor({x, y});
    h.Main().DispatchEffect(code);
    RunFor(100);
  }
  void Close() {
    h.PressKey(gui::kVkEscape);
    RunFor(10);
  }
  void RunFor(std::uint64_t ms) { h.RunFor(ms); }
  void Move(int x, int y) {
    h.process->SetCursorPos(x, y);
    h.app.ProcessMessages();
  }
  void Button(bool right, bool down) {
    using namespace platform;
    h.process->mouse_event(right ? (down ? kMouseEventRightDown : kMouseEventRightUp)
                                 : (down ? kMouseEventLeftDown : kMouseEventLeftUp),
                           0, 0, 0);
    h.app.ProcessMessages();
  }
  void Press(bool right) {
    Button(right, true);
    Button(right, false);
  }

  SimSystem sys;
  ProgramHarness h;
};

}  // namespace testing_support
