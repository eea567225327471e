// A change of the screen's resolution as the program meets it: every
// top-level window, hidden ones too, is sent WM_DISPLAYCHANGE with the bits
// per pixel and the new size (it comes to the window's procedure, never out
// of the queue), and from then on the system metrics and the desktop window
// give the new size, while the program's own windows keep theirs.
#include <gtest/gtest.h>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using namespace platform;

// Under Wine the test display can take 800 by 600 besides its own size.
constexpr int kOtherWidth = 800, kOtherHeight = 600;

class DisplayChangeContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    width = p->GetSystemMetrics(kSmCxScreen);
    height = p->GetSystemMetrics(kSmCyScreen);
    ASSERT_NE(width, kOtherWidth) << "the test display starts at another size";
  }
  void TearDown() override {
    if (changed) {
      EXPECT_TRUE(ChangeScreenSize(width, height)) << "the screen's size is restored";
    }
  }
  std::unique_ptr<Platform> p;
  int width = 0, height = 0;
  bool changed = false;
};

TEST_F(DisplayChangeContract, EveryTopLevelWindowIsSentTheNewSizeAndTheDesktopTakesIt) {
  contract::LoggingWindow shown(*p, contract::Popup("Shown"));
  contract::LoggingWindow hidden(*p, contract::Popup("Hidden"));
  p->ShowWindow(shown.hwnd(), kSwShowNoActivate);
  contract::PumpPending(*p);
  shown.ClearLog();
  hidden.ClearLog();

  ASSERT_TRUE(changed = ChangeScreenSize(kOtherWidth, kOtherHeight));
  const std::vector<Msg> taken = contract::PumpPending(*p);
  for (const Msg& m : taken) EXPECT_NE(m.message, msg::kDisplayChange) << "sent, not posted";
  const LParam size = (static_cast<LParam>(kOtherHeight) << 16) | kOtherWidth;
  for (const contract::LoggingWindow* w : {&shown, &hidden}) {
    ASSERT_EQ(w->Count(msg::kDisplayChange), 1);
    for (const Msg& m : w->log())
      if (m.message == msg::kDisplayChange) {
        EXPECT_EQ(m.wParam, 32u);
        EXPECT_EQ(m.lParam, size);
      }
  }
  EXPECT_EQ(p->GetSystemMetrics(kSmCxScreen), kOtherWidth);
  EXPECT_EQ(p->GetSystemMetrics(kSmCyScreen), kOtherHeight);
  Rect desktop, window;
  ASSERT_TRUE(p->GetWindowRect(p->GetDesktopWindow(), &desktop));
  EXPECT_EQ(desktop, (Rect{0, 0, kOtherWidth, kOtherHeight}));
  ASSERT_TRUE(p->GetWindowRect(shown.hwnd(), &window));
  EXPECT_EQ(window, (Rect{100, 120, 300, 270})) << "the program's own windows stay as they are";
}

}  // namespace
