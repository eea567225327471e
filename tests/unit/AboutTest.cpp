// The about box on a simulated machine: its texts and where they stand, the
// link that opens the project's address through the shell, and the caption
// strip that drags it with either button.
#include <gtest/gtest.h>

#include "dialogs/About.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;
using platform::Rect;

class AboutTest : public ::testing::Test {
 protected:
  AboutTest() : h(sys) {
    h.Start();
    h.Main().About1Click();
    h.app.ProcessMessages();
  }
  TFormAbout& about() { return *h.program.FormAbout; }
  Rect WindowRect() { return sys.Window(about().Handle())->rect; }
  void ClickOn(const gui::Control& c, bool right = false) {
    h.Click(about().Handle(), c.Left() + c.Width() / 2, c.Top() + c.Height() / 2, right);
  }

  SimSystem sys;
  ProgramHarness h;
};

TEST_F(AboutTest, ShowsItsTextsWhereDesigned) {
  EXPECT_TRUE(sys.Window(about().Handle())->visible);
  EXPECT_EQ(WindowRect(), (Rect{304, 205, 304 + 280, 205 + 201}));
  EXPECT_EQ(sys.Window(about().Handle())->text, "About-Tavrin");

  EXPECT_EQ(about().Panel1.Caption(), "About  Tavrin") << "two blanks";
  EXPECT_EQ(about().Panel1.BoundsRect(), (gui::IRect{0, 0, 279, 33}));
  EXPECT_EQ(about().Panel1.color(), 0x004080u);
  EXPECT_EQ(about().Panel1.font.face, "Tempus Sans ITC");
  EXPECT_EQ(about().Panel1.font.height, 19);
  EXPECT_EQ(about().Panel1.font.color, gui::kWhite);
  EXPECT_TRUE(about().Panel1.font.bold);
  EXPECT_EQ(about().Image2.BoundsRect(), (gui::IRect{8, 8, 273, 25}));
  EXPECT_FALSE(about().Image2.HasPicture());

  EXPECT_EQ(about().Panel2.BoundsRect(), (gui::IRect{0, 0, 280, 201}));
  EXPECT_EQ(about().Image1.BoundsRect(), (gui::IRect{16, 49, 49, 89}));
  EXPECT_TRUE(about().Image1.HasPicture());

  EXPECT_EQ(about().Label1.Caption(), "Tavrin 2002");
  EXPECT_EQ(about().Label1.GetFont().face, "Comic Sans MS");
  EXPECT_EQ(about().Label1.GetFont().height, 27);
  EXPECT_EQ(about().Label1.Left(), 64);
  EXPECT_EQ(about().Label1.Top(), 47);
  EXPECT_EQ(about().Label2.Top(), 91);
  EXPECT_EQ(about().Label3.Top(), 111);
  EXPECT_FALSE(about().Label2.Caption().empty());
  EXPECT_EQ(about().Label2.GetFont().height, 16);
  EXPECT_EQ(about().Label4.Caption(), "WinXP,2k,98,ME,95");
  EXPECT_EQ(about().Label4.Left(), 88);
  EXPECT_EQ(about().Label4.Top(), 136);

  const gui::Label& link = about().Label5;
  EXPECT_EQ(link.Caption(), kAboutLinkText);
  EXPECT_EQ(link.Left(), 80);
  EXPECT_EQ(link.Top(), 160);
  EXPECT_TRUE(link.GetFont().underline);
  EXPECT_TRUE(link.Transparent());
  EXPECT_EQ(link.cursor, gui::kCrHandPoint);
}

TEST_F(AboutTest, EachLinkClickOpensTheAddressAndTheBoxStays) {
  const Rect before = WindowRect();
  ClickOn(about().Label5);
  ClickOn(about().Label5);
  ASSERT_EQ(sys.ShellExecutes().size(), 2u);
  for (const auto& call : sys.ShellExecutes()) {
    EXPECT_EQ(call.owner, h.app.Handle());
    EXPECT_EQ(call.verb, "open");
    EXPECT_EQ(call.file, kAboutAddress);
    EXPECT_EQ(call.parameters, "");
    EXPECT_EQ(call.directory, "");
    EXPECT_EQ(call.showCmd, 1);
  }
  EXPECT_TRUE(sys.Window(about().Handle())->visible);
  EXPECT_EQ(WindowRect(), before);
  // Only the link opens it: the texts beside it do not.
  ClickOn(about().Label4);
  ClickOn(about().Label1);
  EXPECT_EQ(sys.ShellExecutes().size(), 2u);
}

TEST_F(AboutTest, OkIsTheSystemsPushButtonWhichHidesTheBox) {
  const gui::TButton& ok = about().OkBtn;
  const auto* w = sys.Window(ok.Handle());
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->className, "BUTTON");
  EXPECT_EQ(w->parent, about().Handle());
  EXPECT_EQ(w->text, "&OK") << "O is its access key";
  EXPECT_EQ(ok.BoundsRect(), (gui::IRect{24, 160, 24 + 49, 160 + 23}));
  EXPECT_EQ(w->rect, (Rect{304 + 24, 205 + 160, 304 + 24 + 49, 205 + 160 + 23}));
  EXPECT_TRUE(w->visible);
  // It stands clear of the link beside it.
  EXPECT_LE(ok.BoundsRect().right, about().Label5.Left());

  sys.ClickWindow(ok.Handle());
  h.app.ProcessMessages();
  EXPECT_FALSE(sys.Window(about().Handle())->visible);
  EXPECT_TRUE(sys.ShellExecutes().empty());
  // Shown again, the keyboard works it too.
  h.Main().About1Click();
  h.app.ProcessMessages();
  about().OkBtn.SetFocus();
  sys.PressKey(' ');
  h.app.ProcessMessages();
  EXPECT_FALSE(sys.Window(about().Handle())->visible);
}

TEST_F(AboutTest, OkHidesTheBoxWhichKeepsItsPlaceForTheNextShow) {
  const Rect before = WindowRect();
  sys.ClickWindow(about().OkBtn.Handle());
  h.app.ProcessMessages();
  EXPECT_FALSE(sys.Window(about().Handle())->visible);
  h.Main().About1Click();
  h.app.ProcessMessages();
  EXPECT_TRUE(sys.Window(about().Handle())->visible);
  EXPECT_EQ(WindowRect(), before);
}

TEST_F(AboutTest, TheCaptionStripDragsWithEitherButtonByThePointersMotion) {
  for (bool right : {false, true}) {
    const Rect before = WindowRect();
    h.process->SetCursorPos(before.left + 120, before.top + 15);
    h.process->mouse_event(right ? platform::kMouseEventRightDown : platform::kMouseEventLeftDown,
                           0, 0, 0);
    h.app.ProcessMessages();
    h.process->mouse_event(platform::kMouseEventMove, 30, 10, 0);
    h.app.ProcessMessages();
    h.process->mouse_event(right ? platform::kMouseEventRightUp : platform::kMouseEventLeftUp, 0, 0,
                           0);
    h.app.ProcessMessages();
    EXPECT_EQ(WindowRect(),
              (Rect{before.left + 30, before.top + 10, before.right + 30, before.bottom + 10}))
        << right;
  }
  // The strip outside Image2 is no handle.
  const Rect before = WindowRect();
  h.process->SetCursorPos(before.left + 276, before.top + 30);
  h.process->mouse_event(platform::kMouseEventLeftDown, 0, 0, 0);
  h.process->mouse_event(platform::kMouseEventMove, 30, 10, 0);
  h.process->mouse_event(platform::kMouseEventLeftUp, 0, 0, 0);
  h.app.ProcessMessages();
  EXPECT_EQ(WindowRect(), before);
}

}  // namespace
