// Injected pointer and keyboard input as a window receives it: exact
// relative motion that stops at the screen's edge, the buttons and the wheel
// with their coordinates and modifier bits, moves that merge in the queue, a
// click that activates, keys for the window in front, and the move that a
// cursor placement delivers even when the pointer stays where it is.
#include <gtest/gtest.h>

#include <vector>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using contract::LoggingWindow;
using contract::Popup;
using platform::Hwnd;
using platform::Msg;
using platform::Point;
namespace msg = platform::msg;

constexpr std::uint32_t kMarker = msg::kUser + 7;

bool IsInput(std::uint32_t m) {
  return (m >= msg::kMouseMove && m <= msg::kMouseHWheel) || m == msg::kKeyDown ||
         m == msg::kKeyUp || m == kMarker;
}

class InputContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    width = p->GetSystemMetrics(platform::kSmCxScreen);
    height = p->GetSystemMetrics(platform::kSmCyScreen);
  }
  void TearDown() override { Settle(); }

  // A shown window at (100, 120), 200 by 150, the active one. (Shown without
  // activation first: Wine leaves a window activated by being shown to a
  // window manager, and without one on the display hiding or destroying it
  // then waits two seconds in vain.)
  std::unique_ptr<LoggingWindow> Shown(platform::WindowParams params = Popup()) {
    auto w = std::make_unique<LoggingWindow>(*p, params);
    p->ShowWindow(w->hwnd(), platform::kSwShowNoActivate);
    p->SetForegroundWindow(w->hwnd());
    Settle();
    return w;
  }

  // Lets the system deliver what it has for this thread (under Wine input
  // passes through its server and the X display first).
  void Settle() {
    for (int i = 0; i < 5; ++i) {
      p->Sleep(10);
      contract::PumpPending(*p);
    }
  }

  // The pointer and keyboard messages (and the test's marker) in the order
  // the window received them.
  static std::vector<Msg> InputOf(const LoggingWindow& w) {
    std::vector<Msg> out;
    for (const Msg& m : w.log())
      if (IsInput(m.message)) out.push_back(m);
    return out;
  }

  Point Cursor() {
    Point at{-1, -1};
    EXPECT_TRUE(p->GetCursorPos(&at));
    return at;
  }

  std::unique_ptr<platform::Platform> p;
  int width = 0;
  int height = 0;
};

// A mouse message with these parameters (lParam as two signed words).
::testing::AssertionResult IsMouse(const Msg& m, std::uint32_t message, platform::WParam wParam,
                                   Point at) {
  const Point got{platform::LoWordSigned(m.lParam), platform::HiWordSigned(m.lParam)};
  if (m.message == message && m.wParam == wParam && got == at) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got message 0x" << std::hex << m.message << " wParam 0x" << m.wParam << std::dec
         << " at (" << got.x << ", " << got.y << "), wanted 0x" << std::hex << message
         << " wParam 0x" << wParam << std::dec << " at (" << at.x << ", " << at.y << ")";
}

TEST_F(InputContract, RelativeMotionIsExactAndStopsAtTheScreensEdge) {
  ASSERT_TRUE(p->SetCursorPos(100, 100));
  p->mouse_event(platform::kMouseEventMove, 5, -3, 0);
  EXPECT_EQ(Cursor(), (Point{105, 97})) << "no acceleration, at once";
  p->mouse_event(platform::kMouseEventMove, -127, 127, 0);
  EXPECT_EQ(Cursor(), (Point{0, 224})) << "the left edge stops it";

  ASSERT_TRUE(p->SetCursorPos(width - 3, height - 3));
  p->mouse_event(platform::kMouseEventMove, 100, 100, 0);
  EXPECT_EQ(Cursor(), (Point{width - 1, height - 1}));
  p->mouse_event(platform::kMouseEventMove, -5, -5, 0);
  EXPECT_EQ(Cursor(), (Point{width - 6, height - 6})) << "nothing is kept beyond the edge";

  ASSERT_TRUE(p->SetCursorPos(3, 3));
  p->mouse_event(platform::kMouseEventMove, -10, -10, 0);
  EXPECT_EQ(Cursor(), (Point{0, 0}));
}

TEST_F(InputContract, MovesMergeIntoOneBehindAMessagePostedAfterThem) {
  auto w = Shown();
  ASSERT_TRUE(p->SetCursorPos(150, 150));
  Settle();
  w->ClearLog();

  p->mouse_event(platform::kMouseEventMove, 5, 0, 0);
  p->mouse_event(platform::kMouseEventMove, 5, 0, 0);
  p->mouse_event(platform::kMouseEventMove, 0, 7, 0);
  ASSERT_TRUE(p->PostMessageA(w->hwnd(), kMarker, 1, 2));
  Settle();

  const std::vector<Msg> got = InputOf(*w);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, kMarker) << "input waits behind posted messages";
  EXPECT_TRUE(IsMouse(got[1], msg::kMouseMove, 0, (Point{60, 37}))) << "one move, the last place";
}

TEST_F(InputContract, AMoveMergesOnlyWithAMoveRightBeforeIt) {
  auto w = Shown();
  ASSERT_TRUE(p->SetCursorPos(150, 150));
  Settle();
  w->ClearLog();

  p->mouse_event(platform::kMouseEventMove, 3, 0, 0);
  p->mouse_event(platform::kMouseEventLeftDown, 0, 0, 0);
  p->mouse_event(platform::kMouseEventMove, 3, 0, 0);
  p->mouse_event(platform::kMouseEventMove, 3, 0, 0);
  p->mouse_event(platform::kMouseEventLeftUp, 0, 0, 0);
  Settle();

  const std::vector<Msg> got = InputOf(*w);
  ASSERT_EQ(got.size(), 4u);
  EXPECT_TRUE(IsMouse(got[0], msg::kMouseMove, 0, (Point{53, 30})));
  EXPECT_TRUE(IsMouse(got[1], msg::kLButtonDown, platform::kMkLButton, (Point{53, 30})));
  EXPECT_TRUE(IsMouse(got[2], msg::kMouseMove, platform::kMkLButton, (Point{59, 30})))
      << "a drag: the held button rides along";
  EXPECT_TRUE(IsMouse(got[3], msg::kLButtonUp, 0, (Point{59, 30})));
}

TEST_F(InputContract, TheFourButtonFlagsInOneCallComeInTheirOrderAfterTheMove) {
  auto w = Shown();
  ASSERT_TRUE(p->SetCursorPos(120, 140));
  Settle();
  w->ClearLog();

  p->mouse_event(platform::kMouseEventMove | platform::kMouseEventLeftDown, 4, 0, 0);
  p->mouse_event(
      platform::kMouseEventLeftUp | platform::kMouseEventRightDown | platform::kMouseEventRightUp,
      0, 0, 0);
  Settle();

  const std::vector<Msg> got = InputOf(*w);
  ASSERT_EQ(got.size(), 5u);
  const Point at{24, 20};
  EXPECT_TRUE(IsMouse(got[0], msg::kMouseMove, 0, at));
  EXPECT_TRUE(IsMouse(got[1], msg::kLButtonDown, platform::kMkLButton, at));
  EXPECT_TRUE(IsMouse(got[2], msg::kLButtonUp, 0, at));
  EXPECT_TRUE(IsMouse(got[3], msg::kRButtonDown, platform::kMkRButton, at));
  EXPECT_TRUE(IsMouse(got[4], msg::kRButtonUp, 0, at));
}

TEST_F(InputContract, TheWheelGoesToTheWindowUnderThePointerWithScreenCoordinates) {
  auto under = Shown();
  auto front = Popup("Front");
  front.left = 400;
  auto inFront = Shown(front);
  ASSERT_EQ(p->GetForegroundWindow(), inFront->hwnd());
  ASSERT_TRUE(p->SetCursorPos(130, 140));
  Settle();
  under->ClearLog();

  p->mouse_event(platform::kMouseEventWheel, 0, 0, platform::kWheelDelta);
  p->mouse_event(platform::kMouseEventWheel, 0, 0, static_cast<std::uint32_t>(-2 * 120));
  Settle();

  const std::vector<Msg> got = InputOf(*under);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(IsMouse(got[0], msg::kMouseWheel, platform::WParam{120} << 16, (Point{130, 140})));
  EXPECT_TRUE(IsMouse(got[1], msg::kMouseWheel, platform::WParam{0xFF10} << 16, (Point{130, 140})))
      << "the delta is a signed word";
  EXPECT_EQ(inFront->Count(msg::kMouseWheel), 0);
}

TEST_F(InputContract, AClickActivatesTheWindowUnderThePointerWhenItIsTaken) {
  auto behind = Shown(Popup("Behind"));
  auto front = Popup("Front");
  front.left = 250;
  front.top = 170;
  auto inFront = Shown(front);
  ASSERT_EQ(p->GetForegroundWindow(), inFront->hwnd());
  const Point overlap{260, 180};
  ASSERT_EQ(p->WindowFromPoint(overlap), inFront->hwnd());

  ASSERT_TRUE(p->SetCursorPos(120, 130));  // the window behind only
  p->mouse_event(platform::kMouseEventLeftDown, 0, 0, 0);
  EXPECT_EQ(p->GetForegroundWindow(), inFront->hwnd()) << "nothing happens before it is taken";
  p->mouse_event(platform::kMouseEventLeftUp, 0, 0, 0);
  Settle();
  EXPECT_EQ(p->GetForegroundWindow(), behind->hwnd());
  EXPECT_EQ(behind->Count(msg::kLButtonDown), 1);
  EXPECT_EQ(inFront->Count(msg::kLButtonDown), 0);

  if (RunningUnderWine())
    GTEST_SKIP() << "Wine leaves the stacking of its windows to the window manager, and the test "
                    "display has none";
  EXPECT_EQ(p->WindowFromPoint(overlap), behind->hwnd()) << "the clicked window rose";
}

TEST_F(InputContract, KeysGoToTheWindowInFrontWithTheirRepeatAndTransitionBits) {
  auto behind = Shown(Popup("Behind"));
  auto front = Popup("Front");
  front.left = 400;
  auto inFront = Shown(front);
  ASSERT_EQ(p->GetForegroundWindow(), inFront->hwnd());
  inFront->ClearLog();

  constexpr std::uint8_t kVkX = 'X';
  constexpr std::uint8_t kScanX = 0x2D;
  p->keybd_event(kVkX, kScanX, 0);
  ASSERT_TRUE(p->PostMessageA(inFront->hwnd(), kMarker, 0, 0));
  p->keybd_event(kVkX, kScanX, platform::kKeyEventKeyUp);
  Settle();

  const std::vector<Msg> got = InputOf(*inFront);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].message, kMarker);
  EXPECT_EQ(got[1].message, msg::kKeyDown);
  EXPECT_EQ(got[1].wParam, kVkX);
  EXPECT_EQ(static_cast<std::uint32_t>(got[1].lParam), 0x002D0001u) << "once, scan code 0x2D";
  EXPECT_EQ(got[2].message, msg::kKeyUp);
  EXPECT_EQ(static_cast<std::uint32_t>(got[2].lParam), 0xC02D0001u) << "was down, going up";
  EXPECT_EQ(behind->Count(msg::kKeyDown), 0);
}

TEST_F(InputContract, PlacingThePointerWhereItIsStillDeliversAMove) {
  auto w = Shown();
  ASSERT_TRUE(p->SetCursorPos(150, 150));
  Settle();
  w->ClearLog();

  ASSERT_TRUE(p->SetCursorPos(150, 150));
  Settle();
  std::vector<Msg> got = InputOf(*w);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(IsMouse(got[0], msg::kMouseMove, 0, (Point{50, 30})));

  w->ClearLog();
  ASSERT_TRUE(p->SetCursorPos(150, 150));
  p->mouse_event(platform::kMouseEventMove, 1, 0, 0);
  ASSERT_TRUE(p->SetCursorPos(160, 150));
  Settle();
  got = InputOf(*w);
  ASSERT_EQ(got.size(), 1u) << "placements merge with moves like any move";
  EXPECT_TRUE(IsMouse(got[0], msg::kMouseMove, 0, (Point{60, 30})));
}

}  // namespace
