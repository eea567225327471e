// The framework's system controls on the simulated system: what the program
// sets against what the user does (only the user's choice runs the events a
// choice runs), groups of radio buttons, the up-down's range, the pages and
// the dialog keys.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gui/Application.h"
#include "gui/StdControls.h"
#include "gui/headless/HeadlessBackend.h"
#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace {

using namespace platform;
using platform::memory::SimSystem;
using platform::memory::SimWindow;

struct Dialog : gui::DialogForm {
  explicit Dialog(gui::Application& a)
      : gui::DialogForm(a, {.className = "TTestDialog",
                            .caption = "Dialog",
                            .left = 100,
                            .top = 80,
                            .clientWidth = 360,
                            .clientHeight = 270,
                            .visible = true}),
        pages(*this, "Pages", {8, 40, 353, 224}),
        first(pages, "First", "Mark"),
        second(pages, "Second", "Zoom"),
        style(*this, "Style", {16, 70, 200, 140}, "Style"),
        other(*this, "Other", {210, 70, 340, 140}, "Other"),
        r1(*this, "R1", {24, 90, 60, 110}, "1", &style),
        r2(*this, "R2", {64, 90, 100, 110}, "2", &style),
        r3(*this, "R3", {104, 90, 140, 110}, "3", &style),
        o1(*this, "O1", {220, 90, 260, 110}, "a", &other),
        o2(*this, "O2", {270, 90, 310, 110}, "b", &other),
        zoom(*this, "Zoom", {24, 90, 120, 110}),
        minutes(*this, "Minutes", {24, 150, 81, 170}),
        updown(*this, "UpDown", {82, 150, 98, 170}),
        ok(*this, "OK", {168, 232, 225, 257}, "OK"),
        cancel(*this, "Cancle", {296, 232, 353, 257}, "Cancle") {
    for (gui::WinControl* c :
         std::vector<gui::WinControl*>{&r1, &r2, &r3, &o1, &o2, &minutes, &updown})
      first.Add(*c);
    first.Add(style);
    first.Add(other);
    second.Add(zoom);
    zoom.SetItems({"2x", "4x", "6x", "8x", "10x", "12x"});
    updown.SetRange(1, 99);
    updown.SetPosition(1);
  }
  gui::TPageControl pages;
  gui::TTabSheet first, second;
  gui::TGroupBox style, other;
  gui::TRadioButton r1, r2, r3, o1, o2;
  gui::TComboBox zoom;
  gui::TEdit minutes;
  gui::TUpDown updown;
  gui::TButton ok, cancel;
};

class StdControlsTest : public ::testing::Test {
 protected:
  StdControlsTest() : process(sys.StartProcess()), ui(*process), app(*process, ui, "Test") {
    app.CreateForm(dialog);
    app.ProcessMessages();
    for (auto* r : {&dialog->r1, &dialog->r2, &dialog->r3, &dialog->o1, &dialog->o2})
      r->OnClick = [this, r] { log.push_back("click " + r->Name()); };
    dialog->zoom.OnChange = [this] {
      log.push_back("zoom " + std::to_string(dialog->zoom.ItemIndex()));
    };
    dialog->minutes.OnChange = [this] { log.push_back("minutes " + dialog->minutes.Text()); };
    dialog->updown.OnClick = [this](gui::UpDownButton b) {
      log.push_back(std::string(b == gui::UpDownButton::Up ? "up " : "down ") +
                    std::to_string(dialog->updown.Position()));
    };
    dialog->ok.OnClick = [this] { log.push_back("ok"); };
    dialog->pages.OnChange = [this] {
      log.push_back("page " + dialog->pages.ActivePage()->Name());
    };
  }
  void Pump() { app.ProcessMessages(); }
  std::vector<std::string> Take() { return std::exchange(log, {}); }
  bool Shown(const gui::WinControl& c) { return process->IsWindowVisible(c.Handle()); }

  SimSystem sys;
  std::unique_ptr<memory::SimProcess> process;
  gui::HeadlessBackend ui;
  gui::Application app;
  Dialog* dialog = nullptr;
  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(StdControlsTest, ControlsAreSystemChildWindowsWithTheirTextsAndOneFontEach) {
  const SimWindow* ok = sys.Window(dialog->ok.Handle());
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->className, "BUTTON");
  EXPECT_EQ(ok->parent, dialog->Handle());
  EXPECT_EQ(dialog->ok.Caption(), "OK");
  EXPECT_EQ(sys.Window(dialog->zoom.Handle())->className, "COMBOBOX");
  EXPECT_EQ(sys.Window(dialog->updown.Handle())->className, "msctls_updown32");
  // Placed in the form's coordinates: the system reports the screen's.
  Rect r;
  ASSERT_TRUE(process->GetWindowRect(dialog->ok.Handle(), &r));
  EXPECT_EQ(r, (Rect{100 + 168, 80 + 232, 100 + 225, 80 + 257}));
  // One system font serves every control of the same face.
  EXPECT_EQ(process->FontCount(), 1u);
  EXPECT_EQ(process->SendMessageA(dialog->ok.Handle(), msg::kGetFont, 0, 0),
            process->SendMessageA(dialog->minutes.Handle(), msg::kGetFont, 0, 0));
  // Moving the form takes its controls along.
  dialog->SetBounds(10, 20, dialog->Width(), dialog->Height());
  ASSERT_TRUE(process->GetWindowRect(dialog->ok.Handle(), &r));
  EXPECT_EQ(r.left, 10 + 168);
  EXPECT_EQ(r.top, 20 + 232);
}

TEST_F(StdControlsTest, RadioButtonsCheckedByTheProgramRunNoClickAndKeepTheirGroupToOne) {
  dialog->r2.SetChecked(true);
  dialog->o1.SetChecked(true);
  Pump();
  EXPECT_TRUE(Take().empty());
  EXPECT_TRUE(dialog->r2.Checked());
  dialog->r3.SetChecked(true);
  EXPECT_FALSE(dialog->r2.Checked());
  EXPECT_TRUE(dialog->o1.Checked()) << "another group is left alone";

  sys.ClickWindow(dialog->r1.Handle());
  Pump();
  EXPECT_EQ(Take(), (Log{"click R1"}));
  EXPECT_TRUE(dialog->r1.Checked());
  EXPECT_FALSE(dialog->r3.Checked());
  EXPECT_TRUE(dialog->o1.Checked());

  // Clicking the checked one again is a click all the same.
  sys.ClickWindow(dialog->r1.Handle());
  Pump();
  EXPECT_EQ(Take(), (Log{"click R1"}));
  EXPECT_TRUE(dialog->r1.Checked());
}

TEST_F(StdControlsTest, AListRunsItsChangeForTheUsersChoiceAndTypingButNotForTheProgram) {
  dialog->pages.SetActivePage(dialog->second);
  Pump();
  Take();
  dialog->zoom.SetItemIndex(3);
  EXPECT_EQ(dialog->zoom.ItemIndex(), 3);
  EXPECT_EQ(dialog->zoom.Text(), "8x");
  dialog->zoom.SetItemIndex(6);  // past the items: none
  EXPECT_EQ(dialog->zoom.ItemIndex(), -1);
  EXPECT_EQ(dialog->zoom.Text(), "");
  dialog->zoom.SetItemIndex(-5);
  EXPECT_EQ(dialog->zoom.ItemIndex(), -1);
  Pump();
  EXPECT_TRUE(Take().empty());

  sys.ChooseListItem(dialog->zoom.Handle(), 5);
  Pump();
  EXPECT_EQ(Take(), (Log{"zoom 5"}));
  EXPECT_EQ(dialog->zoom.Text(), "12x");

  // Typed text is a change each time; past the first change after the
  // user's choice, no item is chosen.
  dialog->zoom.SetFocus();
  EXPECT_TRUE(dialog->zoom.Focused()) << "its text part has the focus";
  sys.TypeText("7");
  Pump();
  EXPECT_EQ(Take(), (Log{"zoom 5"}));
  EXPECT_EQ(dialog->zoom.Text(), "7");  // the whole text was selected on focus
  sys.TypeText("\b");
  Pump();
  EXPECT_EQ(Take(), (Log{"zoom -1"}));
  EXPECT_EQ(dialog->zoom.Text(), "");

  // The arrow keys in the text part choose from the list, as a user's choice.
  sys.PressKey(kVkUp);
  Pump();
  EXPECT_EQ(Take(), (Log{"zoom 0"}));
  EXPECT_EQ(dialog->zoom.Text(), "2x");
}

TEST_F(StdControlsTest, ATextFieldReportsEveryChangeTheProgramsTooAndKeepsItsLimit) {
  dialog->minutes.SetText("10");
  EXPECT_EQ(Take(), (Log{"minutes 10"})) << "at once, inside SetText";
  dialog->minutes.SetText("10");
  EXPECT_EQ(Take(), (Log{"minutes 10"})) << "the system reports a set text even when equal";

  dialog->minutes.SetFocus();
  process->SendMessageA(dialog->minutes.Handle(), ctl::kEmSetSel, 2, 2);
  sys.TypeText("50");
  Pump();
  EXPECT_EQ(Take(), (Log{"minutes 105", "minutes 1050"}));

  dialog->minutes.SetMaxLength(5);
  sys.TypeText("123");
  Pump();
  EXPECT_EQ(Take(), (Log{"minutes 10501", "minutes 10501", "minutes 10501"}))
      << "what passes the limit is refused, a change all the same";
  EXPECT_EQ(dialog->minutes.Text(), "10501");

  // A text the handler changes in its own change event settles.
  dialog->minutes.OnChange = [this] {
    log.push_back("minutes " + dialog->minutes.Text());
    if (dialog->minutes.Text().size() > 2) dialog->minutes.SetText("99");
  };
  dialog->minutes.SetText("150");
  EXPECT_EQ(Take(), (Log{"minutes 150", "minutes 99"}));
}

TEST_F(StdControlsTest, TheUpDownMovesWithinItsRangeFromItsOwnPositionAndReportsEveryArrow) {
  dialog->updown.SetPosition(10);
  dialog->minutes.SetText("50");
  Take();
  sys.ClickUpDownArrow(dialog->updown.Handle(), true);
  Pump();
  EXPECT_EQ(Take(), (Log{"up 11"})) << "counts from its own position, not the field";

  dialog->updown.SetPosition(99);
  sys.ClickUpDownArrow(dialog->updown.Handle(), true);
  Pump();
  EXPECT_EQ(Take(), (Log{"up 99"})) << "at the end it stays, and still reports";

  dialog->updown.SetPosition(1);
  sys.ClickUpDownArrow(dialog->updown.Handle(), false);
  Pump();
  EXPECT_EQ(Take(), (Log{"down 1"}));

  dialog->updown.SetPosition(500);
  EXPECT_EQ(dialog->updown.Position(), 99) << "kept in the range";
  dialog->updown.SetPosition(-3);
  EXPECT_EQ(dialog->updown.Position(), 1);
}

TEST_F(StdControlsTest, AWrappingUpDownGoesRoundAtItsEnds) {
  gui::TUpDown* wrapping = nullptr;
  struct WrapDialog : gui::DialogForm {
    explicit WrapDialog(gui::Application& a)
        : gui::DialogForm(a, {.className = "TWrap",
                              .caption = "",
                              .left = 0,
                              .top = 0,
                              .clientWidth = 60,
                              .clientHeight = 60,
                              .visible = true}),
          updown(*this, "UD", {10, 10, 26, 40}) {
      updown.SetWrap(true);
      updown.SetRange(1, 3);
      updown.SetPosition(3);
    }
    gui::TUpDown updown;
  };
  WrapDialog* w = nullptr;
  app.CreateForm(w);
  wrapping = &w->updown;
  Pump();
  sys.ClickUpDownArrow(wrapping->Handle(), true);
  Pump();
  EXPECT_EQ(wrapping->Position(), 1);
  sys.ClickUpDownArrow(wrapping->Handle(), false);
  Pump();
  EXPECT_EQ(wrapping->Position(), 3);
}

TEST_F(StdControlsTest, OnlyTheActivePagesControlsAreShownAndAChosenTabSwapsThem) {
  EXPECT_EQ(dialog->pages.ActivePage(), &dialog->first);
  EXPECT_TRUE(Shown(dialog->r1));
  EXPECT_FALSE(Shown(dialog->zoom));
  EXPECT_TRUE(dialog->style.Visible());
  EXPECT_TRUE(Shown(dialog->ok)) << "controls off the pages stay";

  Hwnd tabs = 0;
  for (gui::WinControl* c : dialog->WinControls())
    if (sys.Window(c->Handle())->className == "SysTabControl32") tabs = c->Handle();
  ASSERT_NE(tabs, 0u);
  sys.ClickTab(tabs, 1);
  Pump();
  EXPECT_EQ(Take(), (Log{"page Second"}));
  EXPECT_EQ(dialog->pages.ActivePage(), &dialog->second);
  EXPECT_FALSE(Shown(dialog->r1));
  EXPECT_FALSE(dialog->style.Visible());
  EXPECT_TRUE(Shown(dialog->zoom));

  // The chosen tab again: nothing happens.
  sys.ClickTab(tabs, 1);
  Pump();
  EXPECT_TRUE(Take().empty());

  // The program's choice shows the page but is no change event.
  dialog->pages.SetActivePageIndex(0);
  Pump();
  EXPECT_TRUE(Take().empty());
  EXPECT_TRUE(Shown(dialog->r1));
  EXPECT_EQ(process->SendMessageA(tabs, ctl::kTcmGetCurSel, 0, 0), 0);
  dialog->pages.SetActivePageIndex(7);  // no such page
  EXPECT_EQ(dialog->pages.ActivePageIndex(), 0);
}

TEST_F(StdControlsTest, TabMovesTheFocusInCreationOrderOverShownEnabledStopsAndArrowsMoveInAGroup) {
  dialog->r2.SetChecked(true);
  dialog->o1.SetChecked(true);
  dialog->cancel.SetEnabled(false);
  dialog->r2.SetFocus();
  Take();
  // A group is one stop: its checked button. The list on the hidden page,
  // the up-down and the disabled button are passed over.
  sys.PressKey(kVkTab);
  Pump();
  EXPECT_TRUE(dialog->o1.Focused());
  sys.PressKey(kVkTab);
  Pump();
  EXPECT_TRUE(dialog->minutes.Focused());
  sys.PressKey(kVkTab);
  Pump();
  EXPECT_TRUE(dialog->ok.Focused());
  sys.PressKey(kVkTab);
  Pump();
  EXPECT_TRUE(dialog->pages.ActivePage() && !dialog->ok.Focused());
  sys.PressKey(kVkTab, true);
  Pump();
  EXPECT_TRUE(dialog->ok.Focused()) << "Shift+Tab goes back";
  EXPECT_TRUE(Take().empty());

  // Space presses the focused button.
  sys.PressKey(kVkSpace);
  Pump();
  EXPECT_EQ(Take(), (Log{"ok"}));

  // The arrows move within the group and check as they go, a user's click.
  dialog->r2.SetFocus();
  sys.PressKey(kVkDown);
  Pump();
  EXPECT_EQ(Take(), (Log{"click R3"}));
  EXPECT_TRUE(dialog->r3.Checked());
  EXPECT_FALSE(dialog->r2.Checked());
  sys.PressKey(kVkDown);
  Pump();
  EXPECT_EQ(Take(), (Log{"click R1"})) << "round within the group, not into the next";
  EXPECT_TRUE(dialog->o1.Checked());
}

TEST_F(StdControlsTest, AControlMadeBeforeItsFormsWindowGetsWhatWasSetOnIt) {
  struct Late : gui::DialogForm {
    explicit Late(gui::Application& a)
        : gui::DialogForm(a, {.className = "TLate",
                              .caption = "",
                              .left = 0,
                              .top = 0,
                              .clientWidth = 100,
                              .clientHeight = 100}),
          list(*this, "List", {0, 0, 80, 20}),
          radio(*this, "Radio", {0, 30, 80, 50}, "r"),
          edit(*this, "Edit", {0, 60, 80, 80}) {
      list.SetItems({"a", "b"});
      list.SetItemIndex(1);
      radio.SetChecked(true);
      edit.SetText("typed");
      EXPECT_EQ(list.Handle(), 0u);
      EXPECT_EQ(list.ItemIndex(), 1);
      EXPECT_EQ(edit.Text(), "typed");
    }
    gui::TComboBox list;
    gui::TRadioButton radio;
    gui::TEdit edit;
  };
  Late* late = nullptr;
  app.CreateForm(late);
  ASSERT_NE(late->list.Handle(), 0u);
  EXPECT_EQ(late->list.ItemIndex(), 1);
  EXPECT_EQ(late->list.Text(), "b");
  EXPECT_TRUE(late->radio.Checked());
  EXPECT_EQ(late->edit.Text(), "typed");
}

}  // namespace
