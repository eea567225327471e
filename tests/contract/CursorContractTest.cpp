// The pointer's position and its shape: where SetCursorPos puts it, the
// system's standard shapes, and who decides the shape as the pointer moves
// over a window (the window itself through WM_SETCURSOR, else its class).
#include <gtest/gtest.h>

#include <optional>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using platform::HCursor;
using platform::Point;
namespace msg = platform::msg;

class CursorContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    width = p->GetSystemMetrics(platform::kSmCxScreen);
    height = p->GetSystemMetrics(platform::kSmCyScreen);
    ASSERT_GT(width, 0);
    ASSERT_GT(height, 0);
  }

  Point MoveTo(int x, int y) {
    EXPECT_TRUE(p->SetCursorPos(x, y));
    Point at{-1, -1};
    EXPECT_TRUE(p->GetCursorPos(&at));
    return at;
  }

  std::unique_ptr<platform::Platform> p;
  int width = 0;
  int height = 0;
};

TEST_F(CursorContract, GetCursorPosReturnsWhereSetCursorPosPutIt) {
  EXPECT_EQ(MoveTo(10, 20), (Point{10, 20}));
  EXPECT_EQ(MoveTo(width / 2, height / 3), (Point{width / 2, height / 3}));
  EXPECT_EQ(MoveTo(0, 0), (Point{0, 0}));
  EXPECT_EQ(MoveTo(width - 1, height - 1), (Point{width - 1, height - 1}));
}

TEST_F(CursorContract, PositionsOffTheScreenAreClippedToItsEdge) {
  EXPECT_EQ(MoveTo(-50, -70), (Point{0, 0}));
  EXPECT_EQ(MoveTo(width + 100, height + 100), (Point{width - 1, height - 1}));
  EXPECT_EQ(MoveTo(width, 10), (Point{width - 1, 10}));
  EXPECT_EQ(MoveTo(10, -1), (Point{10, 0}));
}

TEST_F(CursorContract, StandardShapesAreSharedHandlesAndUnknownIdsHaveNone) {
  const HCursor arrow = p->LoadCursorA(0, platform::kIdcArrow);
  const HCursor cross = p->LoadCursorA(0, platform::kIdcCross);
  const HCursor hand = p->LoadCursorA(0, platform::kIdcHand);
  const HCursor beam = p->LoadCursorA(0, platform::kIdcIBeam);
  ASSERT_NE(arrow, 0u);
  ASSERT_NE(cross, 0u);
  ASSERT_NE(hand, 0u);
  ASSERT_NE(beam, 0u);
  EXPECT_NE(arrow, cross);
  EXPECT_NE(arrow, hand);
  EXPECT_NE(cross, hand);
  EXPECT_EQ(p->LoadCursorA(0, platform::kIdcArrow), arrow) << "one shared cursor per shape";
  EXPECT_EQ(MakeSecondProcess()->LoadCursorA(0, platform::kIdcHand), hand)
      << "the same for every program";
  EXPECT_EQ(p->LoadCursorA(0, 1), 0u);
  EXPECT_EQ(p->LoadCursorA(0, 32000), 0u);
}

TEST_F(CursorContract, SetCursorReturnsTheShapeBeforeAndNullHidesThePointer) {
  const HCursor arrow = p->LoadCursorA(0, platform::kIdcArrow);
  const HCursor cross = p->LoadCursorA(0, platform::kIdcCross);
  p->SetCursor(arrow);
  EXPECT_EQ(p->GetCursor(), arrow);
  EXPECT_EQ(p->SetCursor(cross), arrow);
  EXPECT_EQ(p->GetCursor(), cross);
  EXPECT_EQ(p->SetCursor(0), cross);
  EXPECT_EQ(p->GetCursor(), 0u) << "hidden";
  EXPECT_EQ(p->SetCursor(cross), 0u);
  EXPECT_EQ(p->SetCursor(cross), cross) << "setting the same shape again";

  // A handle that is no cursor is refused: the shape stays.
  EXPECT_EQ(p->SetCursor(0x7FFF1230), 0u);
  EXPECT_EQ(p->GetCursor(), cross);
  p->SetCursor(arrow);
}

// A window at (100, 120), 200 by 150, shown without activation (see the
// input tests: Wine without a window manager waits in vain otherwise), that
// answers WM_SETCURSOR with answer when one is given.
class CursorShapeContract : public CursorContract {
 protected:
  void TearDown() override { Settle(); }

  std::unique_ptr<contract::LoggingWindow> Shown(std::optional<HCursor> answer) {
    platform::Platform* pp = p.get();
    auto w = std::make_unique<contract::LoggingWindow>(
        *p, contract::Popup("Cursor shape"),
        [pp, answer](const platform::Msg& m) -> std::optional<platform::LResult> {
          if (m.message != msg::kSetCursor || !answer) return std::nullopt;
          pp->SetCursor(*answer);
          return 1;
        });
    p->ShowWindow(w->hwnd(), platform::kSwShowNoActivate);
    p->SetForegroundWindow(w->hwnd());
    Settle();
    return w;
  }

  void Settle() {
    for (int i = 0; i < 5; ++i) {
      p->Sleep(10);
      contract::PumpPending(*p);
    }
  }

  // Moves the pointer by a step over the window and lets it arrive.
  void Nudge() {
    p->mouse_event(platform::kMouseEventMove, 3, 2, 0);
    Settle();
  }
};

TEST_F(CursorShapeContract, AWindowLeavingTheShapeToTheSystemGetsItsClassArrow) {
  auto w = Shown(std::nullopt);
  ASSERT_TRUE(p->SetCursorPos(150, 160));
  Settle();
  p->SetCursor(p->LoadCursorA(0, platform::kIdcCross));
  w->ClearLog();
  Nudge();
  ASSERT_GE(w->Count(msg::kSetCursor), 1);
  // Asked before the move itself, with the hit test and the mouse message.
  const platform::Msg* ask = nullptr;
  for (const platform::Msg& m : w->log()) {
    if (m.message == msg::kMouseMove) {
      EXPECT_NE(ask, nullptr) << "WM_SETCURSOR comes before WM_MOUSEMOVE";
      break;
    }
    if (m.message == msg::kSetCursor && !ask) ask = &m;
  }
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(ask->wParam, w->hwnd());
  EXPECT_EQ(platform::LoWordSigned(ask->lParam), platform::kHtClient);
  EXPECT_EQ(static_cast<std::uint32_t>(platform::HiWordSigned(ask->lParam)), msg::kMouseMove);
  EXPECT_EQ(p->GetCursor(), p->LoadCursorA(0, platform::kIdcArrow));
}

TEST_F(CursorShapeContract, AWindowThatSetsItsOwnShapeKeepsIt) {
  const HCursor hand = p->LoadCursorA(0, platform::kIdcHand);
  auto w = Shown(hand);
  ASSERT_TRUE(p->SetCursorPos(150, 160));
  Settle();
  Nudge();
  EXPECT_EQ(p->GetCursor(), hand);

  // No shape at all: the pointer stays hidden over the window as it moves.
  auto hidden = Shown(HCursor{0});
  Nudge();
  EXPECT_EQ(p->GetCursor(), 0u);
  hidden.reset();
  Settle();
  p->SetCursor(p->LoadCursorA(0, platform::kIdcArrow));
}

TEST_F(CursorShapeContract, UnderCaptureNoWindowIsAskedAndTheShapeStays) {
  auto w = Shown(std::nullopt);
  ASSERT_TRUE(p->SetCursorPos(150, 160));
  Settle();
  p->SetCapture(w->hwnd());
  const HCursor cross = p->LoadCursorA(0, platform::kIdcCross);
  p->SetCursor(cross);
  w->ClearLog();
  p->mouse_event(platform::kMouseEventMove, 5, 0, 0);
  p->mouse_event(platform::kMouseEventMove, 300, 0, 0);  // outside the window now
  Settle();
  EXPECT_GE(w->Count(msg::kMouseMove), 1);
  EXPECT_EQ(w->Count(msg::kSetCursor), 0);
  EXPECT_EQ(p->GetCursor(), cross);
  p->ReleaseCapture();
}

}  // namespace
