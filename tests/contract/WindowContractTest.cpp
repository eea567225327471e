#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using contract::LoggingWindow;
using contract::Popup;
using platform::Hwnd;
using platform::Rect;
namespace msg = platform::msg;

class WindowContract : public ::testing::Test {
 protected:
  void SetUp() override { p = MakeContractPlatform(); }
  void TearDown() override { contract::PumpPending(*p); }

  Rect RectOf(Hwnd h) {
    Rect r;
    EXPECT_TRUE(p->GetWindowRect(h, &r));
    return r;
  }

  std::unique_ptr<platform::Platform> p;
};

TEST_F(WindowContract, ANewPopupHasItsRectangleIsHiddenAndGotWmCreateBeforeTheHandle) {
  Hwnd seenInCreate = 0;
  LoggingWindow w(*p, Popup(), [&](const platform::Msg& m) -> std::optional<platform::LResult> {
    if (m.message == msg::kCreate) seenInCreate = m.hwnd;
    return std::nullopt;
  });
  ASSERT_NE(w.hwnd(), 0u);
  EXPECT_EQ(seenInCreate, w.hwnd()) << "WM_CREATE arrives inside CreateWindowExA";
  EXPECT_TRUE(p->IsWindow(w.hwnd()));
  EXPECT_FALSE(p->IsWindowVisible(w.hwnd()));
  EXPECT_EQ(RectOf(w.hwnd()), (Rect{100, 120, 300, 270}));
}

TEST_F(WindowContract, ShowWindowReportsWhetherTheWindowWasVisibleBefore) {
  LoggingWindow w(*p, Popup());
  EXPECT_FALSE(p->ShowWindow(w.hwnd(), platform::kSwShowNoActivate));
  EXPECT_TRUE(p->IsWindowVisible(w.hwnd()));
  EXPECT_TRUE(p->ShowWindow(w.hwnd(), platform::kSwShowNoActivate));
  EXPECT_TRUE(p->ShowWindow(w.hwnd(), platform::kSwHide));
  EXPECT_FALSE(p->IsWindowVisible(w.hwnd()));
  EXPECT_FALSE(p->ShowWindow(w.hwnd(), platform::kSwHide));
}

TEST_F(WindowContract, SetWindowPosMovesResizesAndAcceptsAnEmptySize) {
  LoggingWindow w(*p, Popup());
  const Hwnd h = w.hwnd();
  const auto noZ = platform::kSwpNoZOrder | platform::kSwpNoActivate;

  ASSERT_TRUE(p->SetWindowPos(h, 0, 10, 20, 64, 48, noZ));
  EXPECT_EQ(RectOf(h), (Rect{10, 20, 74, 68}));

  ASSERT_TRUE(p->SetWindowPos(h, 0, 5, 6, 999, 999, noZ | platform::kSwpNoSize));
  EXPECT_EQ(RectOf(h), (Rect{5, 6, 69, 54}));

  ASSERT_TRUE(p->SetWindowPos(h, 0, 999, 999, 30, 40, noZ | platform::kSwpNoMove));
  EXPECT_EQ(RectOf(h), (Rect{5, 6, 35, 46}));

  // A hidden effect window is parked at zero size, not destroyed.
  ASSERT_TRUE(p->SetWindowPos(h, 0, 0, 0, 0, 0, noZ));
  EXPECT_EQ(RectOf(h), (Rect{0, 0, 0, 0}));

  ASSERT_TRUE(
      p->SetWindowPos(h, platform::kHwndTopmost, -50, -60, 1024, 768, platform::kSwpNoActivate));
  EXPECT_EQ(RectOf(h), (Rect{-50, -60, 974, 708}));
}

TEST_F(WindowContract, WindowTextIsTruncatedToTheBufferLessItsTerminator) {
  LoggingWindow w(*p, Popup("Tavrin tray"));
  char buf[32];
  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(p->GetWindowTextA(w.hwnd(), buf, sizeof buf), 11);
  EXPECT_STREQ(buf, "Tavrin tray");

  std::memset(buf, 'x', sizeof buf);
  EXPECT_EQ(p->GetWindowTextA(w.hwnd(), buf, 4), 3);
  EXPECT_STREQ(buf, "Tav");
  EXPECT_EQ(buf[4], 'x') << "nothing is written past maxCount";

  ASSERT_TRUE(p->SetWindowTextA(w.hwnd(), ""));
  EXPECT_EQ(p->GetWindowTextA(w.hwnd(), buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "");
}

TEST_F(WindowContract, APopupsParentIsItsOwner) {
  LoggingWindow owner(*p, Popup("Owner"));
  auto popup = Popup("Owned");
  popup.owner = owner.hwnd();
  popup.toolWindow = true;
  LoggingWindow owned(*p, popup);
  EXPECT_EQ(p->GetParent(owned.hwnd()), owner.hwnd());
  EXPECT_EQ(p->GetParent(owner.hwnd()), 0u);
}

TEST_F(WindowContract, WindowFromPointFindsTheVisibleWindowOnTop) {
  LoggingWindow below(*p, Popup("Below"));
  auto popup = Popup("Above");
  popup.left = 250;
  popup.top = 200;
  popup.topmost = true;
  LoggingWindow above(*p, popup);
  const platform::Point inBoth{260, 210}, inBelowOnly{110, 130};

  EXPECT_NE(p->WindowFromPoint(inBelowOnly), below.hwnd()) << "hidden windows are not hit";
  p->ShowWindow(below.hwnd(), platform::kSwShowNoActivate);
  EXPECT_EQ(p->WindowFromPoint(inBelowOnly), below.hwnd());
  EXPECT_EQ(p->WindowFromPoint(inBoth), below.hwnd());

  p->ShowWindow(above.hwnd(), platform::kSwShowNoActivate);
  EXPECT_EQ(p->WindowFromPoint(inBoth), above.hwnd());
  EXPECT_EQ(p->WindowFromPoint(inBelowOnly), below.hwnd());
  // The last column and row are inside; right and bottom are outside.
  EXPECT_EQ(p->WindowFromPoint({299, 199}), below.hwnd());
  EXPECT_NE(p->WindowFromPoint({300, 150}), below.hwnd());
  EXPECT_NE(p->WindowFromPoint({150, 270}), below.hwnd());
  EXPECT_EQ(p->WindowFromPoint({449, 349}), above.hwnd());
  EXPECT_NE(p->WindowFromPoint({450, 349}), above.hwnd());

  p->ShowWindow(above.hwnd(), platform::kSwHide);
  EXPECT_EQ(p->WindowFromPoint(inBoth), below.hwnd());
}

TEST_F(WindowContract, DestroyWindowSendsWmDestroyAndTakesOwnedWindowsAlong) {
  LoggingWindow owner(*p, Popup("Owner"));
  auto popup = Popup("Owned");
  popup.owner = owner.hwnd();
  LoggingWindow owned(*p, popup);
  const Hwnd h = owner.hwnd();

  EXPECT_TRUE(p->DestroyWindow(h));
  EXPECT_EQ(owner.Count(msg::kDestroy), 1);
  EXPECT_EQ(owned.Count(msg::kDestroy), 1);
  EXPECT_FALSE(p->IsWindow(h));
  EXPECT_FALSE(p->IsWindow(owned.hwnd()));
  EXPECT_FALSE(p->DestroyWindow(h));

  owner.ClearLog();
  EXPECT_EQ(p->SendMessageA(h, msg::kUser, 0, 0), 0);
  EXPECT_FALSE(p->PostMessageA(h, msg::kUser, 0, 0));
  EXPECT_TRUE(owner.log().empty());
}

TEST_F(WindowContract, AProcedureMayDestroyItsOwnWindow) {
  Hwnd self = 0;
  LoggingWindow w(*p, Popup(), [&](const platform::Msg& m) -> std::optional<platform::LResult> {
    if (m.message == msg::kClose) {
      p->DestroyWindow(m.hwnd);
      self = m.hwnd;
      return 0;
    }
    return std::nullopt;
  });
  EXPECT_EQ(p->SendMessageA(w.hwnd(), msg::kClose, 0, 0), 0);
  EXPECT_EQ(self, w.hwnd());
  EXPECT_FALSE(p->IsWindow(w.hwnd()));
  EXPECT_EQ(w.Count(msg::kDestroy), 1);
}

TEST_F(WindowContract, AMessageOnlyWindowIsNeverHitButGetsItsMessages) {
  auto popup = Popup("Timers");
  popup.messageOnly = true;
  popup.left = popup.top = 0;
  LoggingWindow w(*p, popup);
  ASSERT_NE(w.hwnd(), 0u);
  EXPECT_TRUE(p->IsWindow(w.hwnd()));
  EXPECT_NE(p->WindowFromPoint({10, 10}), w.hwnd());
  EXPECT_EQ(p->SendMessageA(w.hwnd(), msg::kUser, 0, 0), 0);
  EXPECT_EQ(w.Count(msg::kUser), 1);
}

}  // namespace
