// The pointer's shape over a child window of a system class: the child asks
// its parent first, and a parent that leaves the question to the default
// handling gets the shape of the child's class, not its own. A parent that
// sets a shape itself decides for the child too.
#include <gtest/gtest.h>

#include <optional>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using platform::HCursor;
using platform::Hwnd;
using platform::Msg;
namespace msg = platform::msg;

class ChildCursorContract : public ::testing::Test {
 protected:
  void SetUp() override { p = MakeContractPlatform(); }
  void TearDown() override {
    parent.reset();
    Settle();
    p->SetCursor(p->LoadCursorA(0, platform::kIdcArrow));
  }

  // A popup at (100, 120) with a text field at (10, 10)-(120, 32) in it; the
  // popup answers WM_SETCURSOR with its own shape when given one, and
  // records which window each question was about.
  Hwnd Make(std::optional<HCursor> parentShape) {
    platform::Platform* pp = p.get();
    parent = std::make_unique<contract::LoggingWindow>(
        *p, contract::Popup("Child cursor"),
        [this, pp, parentShape](const Msg& m) -> std::optional<platform::LResult> {
          if (m.message != msg::kSetCursor) return std::nullopt;
          asked.push_back(static_cast<Hwnd>(m.wParam));
          if (!parentShape) return std::nullopt;
          pp->SetCursor(*parentShape);
          return 1;
        });
    platform::WindowParams c;
    c.className = platform::kEditClass;
    c.parent = parent->hwnd();
    c.id = 301;
    c.style = platform::kWsVisible;
    c.left = 10;
    c.top = 10;
    c.width = 110;
    c.height = 22;
    const Hwnd edit = p->CreateWindowExA(c, nullptr);
    p->ShowWindow(parent->hwnd(), platform::kSwShowNoActivate);
    p->SetForegroundWindow(parent->hwnd());
    Settle();
    return edit;
  }

  void Settle() {
    for (int i = 0; i < 5; ++i) {
      p->Sleep(10);
      contract::PumpPending(*p);
    }
  }

  // The pointer onto a screen point, then a small step so that a move
  // surely arrives there.
  void PointTo(int x, int y) {
    p->SetCursorPos(x, y);
    p->mouse_event(platform::kMouseEventMove, 2, 1, 0);
    Settle();
  }

  std::unique_ptr<platform::Platform> p;
  std::unique_ptr<contract::LoggingWindow> parent;
  std::vector<Hwnd> asked;
};

TEST_F(ChildCursorContract, ADefaultParentLetsTheTextFieldShowItsIBeam) {
  const Hwnd edit = Make(std::nullopt);
  ASSERT_NE(edit, 0u);
  PointTo(100 + 50, 120 + 15);
  EXPECT_EQ(p->GetCursor(), p->LoadCursorA(0, platform::kIdcIBeam));
  ASSERT_FALSE(asked.empty()) << "the parent was asked first";
  EXPECT_EQ(asked.back(), edit) << "about the child";

  PointTo(100 + 50, 120 + 100);  // the parent's own client area
  EXPECT_EQ(p->GetCursor(), p->LoadCursorA(0, platform::kIdcArrow));
  EXPECT_EQ(asked.back(), parent->hwnd());
}

TEST_F(ChildCursorContract, AParentThatSetsAShapeDecidesOverTheChildToo) {
  const HCursor hand = p->LoadCursorA(0, platform::kIdcHand);
  Make(hand);
  PointTo(100 + 50, 120 + 15);
  EXPECT_EQ(p->GetCursor(), hand);
}

}  // namespace
