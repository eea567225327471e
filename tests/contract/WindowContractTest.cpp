#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

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

  // Shown and made the active window. Wine leaves a window that was
  // activated by being shown to a window manager, and without one on the
  // display hiding or destroying it then waits two seconds in vain.
  void ShowInFront(Hwnd h) {
    p->ShowWindow(h, platform::kSwShowNoActivate);
    p->SetForegroundWindow(h);
  }

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

// "An owned window is always above its owner in the z-order": one owned by a
// topmost window is above it, where one owned by a plain window is under it.
TEST_F(WindowContract, AWindowOwnedByATopmostOneIsAboveIt) {
  auto top = Popup("Topmost");
  top.topmost = true;
  LoggingWindow topmost(*p, top);
  LoggingWindow plain(*p, Popup("Plain owner"));  // hidden, as the application's own window
  auto popup = Popup("Owned by the topmost");
  popup.left = 150;
  popup.owner = topmost.hwnd();
  LoggingWindow above(*p, popup);
  popup.caption = "Owned by the plain one";
  popup.owner = plain.hwnd();
  LoggingWindow under(*p, popup);
  const platform::Point inAll{200, 200};

  p->ShowWindow(topmost.hwnd(), platform::kSwShowNoActivate);
  p->ShowWindow(under.hwnd(), platform::kSwShowNoActivate);
  EXPECT_EQ(p->WindowFromPoint(inAll), topmost.hwnd());
  p->ShowWindow(above.hwnd(), platform::kSwShowNoActivate);
  EXPECT_EQ(p->WindowFromPoint(inAll), above.hwnd());
  // Made topmost again, the owner still has its owned window above it.
  p->SetWindowPos(topmost.hwnd(), platform::kHwndTopmost, 0, 0, 0, 0,
                  platform::kSwpNoMove | platform::kSwpNoSize | platform::kSwpNoActivate);
  EXPECT_EQ(p->WindowFromPoint(inAll), above.hwnd());
  p->ShowWindow(above.hwnd(), platform::kSwHide);
  EXPECT_EQ(p->WindowFromPoint(inAll), topmost.hwnd());
}

TEST_F(WindowContract, DestroyWindowSendsWmDestroyAndTakesOwnedWindowsAlong) {
  LoggingWindow owner(*p, Popup("Owner"));
  auto popup = Popup("Owned");
  popup.owner = owner.hwnd();
  LoggingWindow owned(*p, popup);
  const Hwnd h = owner.hwnd();

  EXPECT_TRUE(p->DestroyWindow(h));
  EXPECT_EQ(owner.Count(msg::kDestroy), 1);
  ASSERT_FALSE(owner.log().empty());
  EXPECT_EQ(owner.log().back().message, msg::kNcDestroy) << "the last message of all";
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

TEST_F(WindowContract, AMessageOnlyWindowIsNeverShownOrHitButGetsItsMessages) {
  LoggingWindow front(*p, Popup("Front"));
  ShowInFront(front.hwnd());
  auto popup = Popup("Timers");
  popup.messageOnly = true;
  popup.left = popup.top = 0;
  LoggingWindow w(*p, popup);
  ASSERT_NE(w.hwnd(), 0u);
  EXPECT_TRUE(p->IsWindow(w.hwnd()));

  // Showing it sets its style (the second call reports it) and nothing else.
  EXPECT_FALSE(p->ShowWindow(w.hwnd(), platform::kSwShow));
  EXPECT_TRUE(p->ShowWindow(w.hwnd(), platform::kSwShow));
  EXPECT_FALSE(p->IsWindowVisible(w.hwnd()));
  EXPECT_NE(p->WindowFromPoint({10, 10}), w.hwnd());
  EXPECT_NE(p->WindowFromPoint({150, 150}), w.hwnd());
  EXPECT_EQ(p->GetForegroundWindow(), front.hwnd());
  contract::PumpPending(*p);
  EXPECT_EQ(w.Count(msg::kPaint), 0) << "nothing of it is on the screen to paint";

  EXPECT_EQ(p->SendMessageA(w.hwnd(), msg::kUser, 0, 0), 0);
  EXPECT_EQ(w.Count(msg::kUser), 1);
}

TEST_F(WindowContract, WmCreateAnsweredWithMinusOneRefusesTheWindow) {
  Hwnd seenInCreate = 0;
  LoggingWindow w(*p, Popup(), [&](const platform::Msg& m) -> std::optional<platform::LResult> {
    if (m.message != msg::kCreate) return std::nullopt;
    seenInCreate = m.hwnd;
    return -1;
  });
  EXPECT_EQ(w.hwnd(), 0u);
  ASSERT_NE(seenInCreate, 0u);
  EXPECT_FALSE(p->IsWindow(seenInCreate));
  EXPECT_EQ(w.Count(msg::kCreate), 1);
  EXPECT_EQ(w.Count(msg::kDestroy), 0) << "a window never created is not destroyed";
  ASSERT_FALSE(w.log().empty());
  EXPECT_EQ(w.log().back().message, msg::kNcDestroy) << "only its very last message";
}

TEST_F(WindowContract, SysCommandsMinimiseAndRestoreThroughDefWindowProc) {
  LoggingWindow w(*p, Popup());
  const Hwnd h = w.hwnd();
  ShowInFront(h);
  contract::PumpPending(*p);
  const Rect normal = RectOf(h);
  ASSERT_FALSE(p->IsIconic(h));

  EXPECT_EQ(p->SendMessageA(h, msg::kSysCommand, platform::kScMinimize, 0), 0);
  contract::PumpPending(*p);
  EXPECT_EQ(w.Count(msg::kSysCommand, platform::kScMinimize), 1);
  EXPECT_TRUE(p->IsIconic(h));
  EXPECT_TRUE(p->IsWindowVisible(h)) << "minimised is not hidden";
  // Parked where the system keeps minimised windows: off the screen when a
  // shell has a taskbar for them, as a small strip in a corner otherwise.
  const Rect parked = RectOf(h);
  EXPECT_LE(parked.Width(), 160);
  EXPECT_LT(parked.Height(), 40);
  EXPECT_NE(p->WindowFromPoint({150, 150}), h) << "no longer where it was";

  p->SendMessageA(h, msg::kSysCommand, platform::kScMinimize, 0);
  EXPECT_TRUE(p->IsIconic(h));
  EXPECT_EQ(RectOf(h), parked) << "minimising again changes nothing";

  EXPECT_EQ(p->SendMessageA(h, msg::kSysCommand, platform::kScRestore, 0), 0);
  contract::PumpPending(*p);
  EXPECT_FALSE(p->IsIconic(h));
  EXPECT_EQ(RectOf(h), normal);
  EXPECT_EQ(p->WindowFromPoint({150, 150}), h);
  EXPECT_EQ(p->GetForegroundWindow(), h) << "a restored window is the active one";

  p->SendMessageA(h, msg::kSysCommand, platform::kScRestore, 0);
  EXPECT_EQ(RectOf(h), normal) << "restoring a normal window changes nothing";
}

TEST_F(WindowContract, MinimisingTheWindowInFrontHandsTheFrontOn) {
  if (RunningUnderWine())
    GTEST_SKIP() << "Wine hands activation on through the window manager, and the test display "
                    "has none: the minimised window stays active there";
  LoggingWindow behind(*p, Popup("Behind"));
  ShowInFront(behind.hwnd());
  LoggingWindow front(*p, Popup("Front"));
  ShowInFront(front.hwnd());
  ASSERT_EQ(p->GetForegroundWindow(), front.hwnd());

  p->SendMessageA(front.hwnd(), msg::kSysCommand, platform::kScMinimize, 0);
  EXPECT_EQ(p->GetForegroundWindow(), behind.hwnd());
  p->SendMessageA(behind.hwnd(), msg::kSysCommand, platform::kScMinimize, 0);
  char caption[50] = "x";
  p->GetWindowTextA(p->GetForegroundWindow(), caption, sizeof caption);
  EXPECT_STREQ(caption, "") << "with every window minimised no program is in front";

  p->SendMessageA(front.hwnd(), msg::kSysCommand, platform::kScRestore, 0);
  EXPECT_EQ(p->GetForegroundWindow(), front.hwnd());
}

// What a window hears as it goes to the back and comes to the front, and
// where the keyboard goes: the default handling gives it to the window
// itself, not to the child that had it; a window may give it there itself.
TEST_F(WindowContract, ActivationTellsTheWindowGoingBackThenTheOneComingInWhichTakesTheKeyboard) {
  using Heard = std::tuple<Hwnd, int, Hwnd>;  // to, state, the other window
  std::vector<Heard> heard;
  bool restoreChild = false;
  Hwnd edit = 0;
  const auto log = [&](const platform::Msg& m) -> std::optional<platform::LResult> {
    if (m.message != msg::kActivate) return std::nullopt;
    const int state = static_cast<int>(m.wParam & 0xFFFF);
    heard.emplace_back(m.hwnd, state, static_cast<Hwnd>(m.lParam));
    if (restoreChild && state != platform::kWaInactive && p->GetParent(edit) == m.hwnd) {
      p->SetFocus(edit);
      return 0;
    }
    return std::nullopt;
  };
  LoggingWindow a(*p, Popup("A"), log);
  platform::WindowParams child;
  child.className = platform::kEditClass;
  child.parent = a.hwnd();
  child.id = 5;
  child.style = platform::kWsVisible | platform::kWsTabStop;
  child.width = 80;
  child.height = 20;
  edit = p->CreateWindowExA(child, {});
  ASSERT_NE(edit, 0u);
  LoggingWindow b(*p, Popup("B"), log);
  ShowInFront(a.hwnd());
  p->SetFocus(edit);
  contract::PumpPending(*p);

  heard.clear();
  p->SetForegroundWindow(b.hwnd());
  contract::PumpPending(*p);
  EXPECT_EQ(heard, (std::vector<Heard>{{a.hwnd(), platform::kWaInactive, b.hwnd()},
                                       {b.hwnd(), platform::kWaActive, a.hwnd()}}));
  EXPECT_EQ(p->GetFocus(), b.hwnd());

  p->SetForegroundWindow(a.hwnd());
  contract::PumpPending(*p);
  EXPECT_EQ(p->GetFocus(), a.hwnd()) << "the window itself, not the child that had it";

  restoreChild = true;
  p->SetForegroundWindow(b.hwnd());
  p->SetForegroundWindow(a.hwnd());
  contract::PumpPending(*p);
  EXPECT_EQ(p->GetFocus(), edit) << "a window that gave it on keeps it there";
  p->DestroyWindow(edit);
}

TEST_F(WindowContract, TheTaskListCommandToTheDesktopLeavesProgramsWindowsAlone) {
  LoggingWindow w(*p, Popup());
  p->ShowWindow(w.hwnd(), platform::kSwShowNoActivate);
  EXPECT_EQ(p->SendMessageA(p->GetDesktopWindow(), msg::kSysCommand, platform::kScTaskList, 0), 0);
  contract::PumpPending(*p);
  EXPECT_TRUE(p->IsWindowVisible(w.hwnd()));
  EXPECT_FALSE(p->IsIconic(w.hwnd()));
  EXPECT_EQ(w.Count(msg::kSysCommand), 0);
}

TEST_F(WindowContract, OverTheBareDesktopTheParentChainEndsAtTheShellsDesktop) {
  const int width = p->GetSystemMetrics(platform::kSmCxScreen);
  const int height = p->GetSystemMetrics(platform::kSmCyScreen);
  const platform::Point bare{width - 40, height / 2};  // none of the tests' windows go there
  const Hwnd found = p->WindowFromPoint(bare);
  ASSERT_NE(found, 0u);
  std::vector<Hwnd> chain{found};
  for (Hwnd h = p->GetParent(found); h && chain.size() < 16; h = p->GetParent(h))
    chain.push_back(h);
  ASSERT_LT(chain.size(), 16u) << "the chain ends";
  char caption[50] = "x";
  p->GetWindowTextA(chain.back(), caption, sizeof caption);
  const std::string top = caption;
  EXPECT_TRUE(chain.back() == p->GetDesktopWindow() || top == "Program Manager") << top;

  if (RunningUnderWine())
    GTEST_SKIP() << "Wine's desktop has no shell view in it: the desktop window itself is found, "
                    "and it has no caption";
  // Windows: the icon list, inside the shell's view, inside "Program Manager".
  EXPECT_EQ(chain.size(), 3u);
  EXPECT_EQ(top, "Program Manager");
  EXPECT_NE(found, p->GetDesktopWindow());
}

TEST_F(WindowContract, UncoveringAWindowShowsItsPictureAgain) {
  const auto fill = [this](Hwnd h, std::uint32_t color) {
    const platform::Hdc dc = p->GetWindowDC(h);
    const platform::HGdiObj pen = p->CreatePen(platform::kPsSolid, 400, color);
    const platform::HGdiObj old = p->SelectObject(dc, pen);
    p->MoveToEx(dc, 0, 75, nullptr);
    p->LineTo(dc, 200, 75);
    p->SelectObject(dc, old);
    p->DeleteObject(pen);
    p->ReleaseDC(h, dc);
  };
  const auto settle = [this] {
    for (int i = 0; i < 5; ++i) {
      p->Sleep(20);
      contract::PumpPending(*p);
    }
  };
  const auto screenAt = [this](platform::Point at) {
    gui::Bitmap screen;
    EXPECT_TRUE(p->CaptureWindowPixels(p->GetDesktopWindow(), screen));
    return screen.Pixel(at.x, at.y);
  };
  LoggingWindow below(*p, Popup("Below"));
  p->ShowWindow(below.hwnd(), platform::kSwShowNoActivate);
  settle();
  fill(below.hwnd(), 0x0000FF);
  auto params = Popup("Above");
  params.left = 200;
  LoggingWindow above(*p, params);
  p->ShowWindow(above.hwnd(), platform::kSwShowNoActivate);
  settle();
  fill(above.hwnd(), 0x00FF00);
  settle();
  const platform::Point covered{250, 200};
  ASSERT_EQ(screenAt(covered), 0x00FF00u);

  p->ShowWindow(above.hwnd(), platform::kSwHide);
  settle();
  EXPECT_EQ(screenAt(covered), 0x0000FFu) << "what the window below showed comes back";
}

}  // namespace
