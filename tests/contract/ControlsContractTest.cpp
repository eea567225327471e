// The system's controls as a program meets them: what a check, a selection,
// a position or a text set by the program tells the parent, against what the
// user's click or key tells it, and the dialog keys. The sequences of
// notifications are the contract, not only the state they leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using contract::LoggingWindow;
using platform::Hwnd;
using platform::LParam;
using platform::LResult;
using platform::Msg;
using platform::WParam;
namespace msg = platform::msg;
namespace ctl = platform::ctl;

// A notification the parent heard: WM_COMMAND's code or WM_NOTIFY's, and
// for WM_VSCROLL the scroll code, with the sender.
struct Heard {
  std::uint32_t message = 0;
  std::uint32_t code = 0;
  Hwnd from = 0;
  int value = 0;  // WM_VSCROLL: the position; UDN_DELTAPOS: the delta
};

class ControlsContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    parent = std::make_unique<LoggingWindow>(
        *p, contract::Popup("Controls"), [this](const Msg& m) -> std::optional<LResult> {
          if (m.message == msg::kCommand)
            heard.push_back({m.message, static_cast<std::uint32_t>(m.wParam >> 16),
                             static_cast<Hwnd>(m.lParam), 0});
          if (m.message == msg::kCtlColorStatic) {
            askedBackground.push_back(static_cast<Hwnd>(m.lParam));
            if (background) return static_cast<LResult>(background);
          }
          if (m.message == msg::kVScroll)
            heard.push_back({m.message, static_cast<std::uint32_t>(m.wParam & 0xFFFF),
                             static_cast<Hwnd>(m.lParam), static_cast<int>(m.wParam >> 16)});
          if (m.message == msg::kNotify) {
            const auto* h = reinterpret_cast<const platform::NmHdr*>(m.lParam);
            Heard n{m.message, h->code, h->hwndFrom, 0};
            if (h->code == ctl::kUdnDeltaPos) {
              const auto* u = reinterpret_cast<const platform::NmUpDown*>(m.lParam);
              n.value = u->iDelta;
              deltaFrom.push_back(u->iPos);
            }
            heard.push_back(n);
            return 0;
          }
          return std::nullopt;
        });
    p->ShowWindow(parent->hwnd(), platform::kSwShowNoActivate);
    p->SetForegroundWindow(parent->hwnd());
    Settle();
  }
  void TearDown() override {
    parent.reset();
    Settle();
  }

  Hwnd Child(const char* className, std::uint32_t style, int id, platform::Rect r,
             const std::string& text = {}) {
    platform::WindowParams c;
    c.className = className;
    c.caption = text;
    c.parent = parent->hwnd();
    c.id = id;
    c.style = platform::kWsVisible | style;
    c.left = r.left;
    c.top = r.top;
    c.width = r.Width();
    c.height = r.Height();
    const Hwnd h = p->CreateWindowExA(c, {});
    EXPECT_NE(h, 0u) << className;
    return h;
  }

  void Settle() {
    for (int i = 0; i < 5; ++i) {
      p->Sleep(10);
      contract::PumpPending(*p);
    }
  }

  // A left click at a point of a child (its own coordinates), as the user's.
  void ClickAt(Hwnd h, int x, int y) {
    platform::Rect r;
    ASSERT_TRUE(p->GetWindowRect(h, &r));
    ASSERT_TRUE(p->SetCursorPos(r.left + x, r.top + y));
    Settle();
    p->mouse_event(platform::kMouseEventLeftDown, 0, 0, 0);
    p->mouse_event(platform::kMouseEventLeftUp, 0, 0, 0);
    Settle();
  }
  void Click(Hwnd h) {
    platform::Rect r;
    ASSERT_TRUE(p->GetWindowRect(h, &r));
    ClickAt(h, r.Width() / 2, r.Height() / 2);
  }

  // The codes heard from one control, of one message.
  std::vector<std::uint32_t> Codes(Hwnd from, std::uint32_t message) const {
    std::vector<std::uint32_t> out;
    for (const Heard& h : heard)
      if (h.from == from && h.message == message) out.push_back(h.code);
    return out;
  }
  LResult Send(Hwnd h, std::uint32_t m, WParam w = 0, LParam l = 0) {
    return p->SendMessageA(h, m, w, l);
  }
  std::string TextOf(Hwnd h) {
    char buffer[256] = {};
    p->GetWindowTextA(h, buffer, sizeof buffer);
    return buffer;
  }

  std::unique_ptr<platform::Platform> p;
  std::unique_ptr<LoggingWindow> parent;
  std::vector<Heard> heard;
  std::vector<int> deltaFrom;
  std::vector<Hwnd> askedBackground;  // who sent WM_CTLCOLORSTATIC, in order
  platform::HGdiObj background = 0;   // the answer to WM_CTLCOLORSTATIC, 0 for the default
};

using CodeList = std::vector<std::uint32_t>;

TEST_F(ControlsContract, ACheckSetByTheProgramIsNoClickAndAClickUnchecksTheGroup) {
  const Hwnd r1 = Child(platform::kButtonClass,
                        ctl::kBsAutoRadioButton | platform::kWsGroup | platform::kWsTabStop, 101,
                        {10, 10, 60, 30}, "1");
  const Hwnd r2 =
      Child(platform::kButtonClass, ctl::kBsAutoRadioButton, 102, {10, 40, 60, 60}, "2");
  const Hwnd r3 =
      Child(platform::kButtonClass, ctl::kBsAutoRadioButton, 103, {10, 70, 60, 90}, "3");
  const Hwnd other = Child(platform::kButtonClass, ctl::kBsAutoRadioButton | platform::kWsGroup,
                           104, {100, 10, 150, 30}, "x");
  Send(other, ctl::kBmSetCheck, ctl::kBstChecked);
  Send(r1, ctl::kBmSetCheck, ctl::kBstChecked);
  Settle();
  EXPECT_TRUE(heard.empty());
  EXPECT_EQ(Send(r1, ctl::kBmGetCheck), 1);
  // BM_SETCHECK checks that button alone, also in a group of auto buttons.
  Send(r2, ctl::kBmSetCheck, ctl::kBstChecked);
  EXPECT_EQ(Send(r1, ctl::kBmGetCheck), 1);
  EXPECT_EQ(Send(r2, ctl::kBmGetCheck), 1);

  Click(r3);
  EXPECT_EQ(Codes(r3, msg::kCommand), (CodeList{ctl::kBnClicked}));
  EXPECT_EQ(Send(r3, ctl::kBmGetCheck), 1);
  EXPECT_EQ(Send(r2, ctl::kBmGetCheck), 0) << "a click leaves its group to one";
  EXPECT_EQ(Send(r1, ctl::kBmGetCheck), 0);
  EXPECT_EQ(Send(other, ctl::kBmGetCheck), 1) << "another group";
  EXPECT_EQ(p->GetFocus(), r3) << "a click gives the button the focus";
  heard.clear();
  Click(r3);
  EXPECT_EQ(Codes(r3, msg::kCommand), (CodeList{ctl::kBnClicked}))
      << "checked already: a click still";

  const Hwnd push =
      Child(platform::kButtonClass, ctl::kBsPushButton, 105, {100, 70, 160, 95}, "OK");
  heard.clear();
  Click(push);
  EXPECT_EQ(Codes(push, msg::kCommand), (CodeList{ctl::kBnClicked}));
  EXPECT_EQ(Send(push, ctl::kBmGetCheck), 0);
}

// A check or radio button asks its parent for the brush of its background
// each time it paints, naming itself; a parent that leaves the message to
// the default handling gets the system's brush, one that answers its own.
TEST_F(ControlsContract, CheckAndRadioButtonsAskTheirParentForTheirBackgroundAsTheyPaint) {
  const Hwnd radio =
      Child(platform::kButtonClass, ctl::kBsAutoRadioButton, 50, {10, 10, 80, 30}, "r");
  const Hwnd check = Child(platform::kButtonClass, ctl::kBsAutoCheckBox, 51, {10, 40, 80, 60}, "c");
  Settle();
  const auto asked = [&](Hwnd h) { return std::ranges::count(askedBackground, h) > 0; };
  EXPECT_TRUE(asked(radio));
  EXPECT_TRUE(asked(check));
  const LResult system =
      p->DefWindowProcA(parent->hwnd(), msg::kCtlColorStatic, 0, static_cast<LParam>(radio));
  EXPECT_NE(system, 0) << "the default handling answers with a brush of the system's";

  background = p->CreateSolidBrush(0x00C8D0D4);
  ASSERT_NE(background, 0u);
  askedBackground.clear();
  ASSERT_TRUE(p->InvalidateRect(radio));
  Settle();
  EXPECT_TRUE(asked(radio)) << "asked again at the next paint";
  parent.reset();  // the buttons go with their parent, before the brush
  EXPECT_TRUE(p->DeleteObject(background));
  EXPECT_FALSE(p->DeleteObject(background)) << "deleted already";
}

// A push button's picture: BS_ICON makes room for one, BM_SETIMAGE gives it
// and answers the one before, BM_GETIMAGE reads it. A button without the
// style takes none.
TEST_F(ControlsContract, APictureButtonKeepsTheIconItIsGivenAndAPlainOneTakesNone) {
  constexpr std::uint32_t kBsIcon = 0x0040;
  constexpr std::uint32_t kBmGetImage = 0x00F6, kBmSetImage = 0x00F7;
  constexpr WParam kImageIcon = 1;
  const Hwnd pictured =
      Child(platform::kButtonClass, ctl::kBsPushButton | kBsIcon, 40, {10, 10, 35, 35});
  const Hwnd plain = Child(platform::kButtonClass, ctl::kBsPushButton, 41, {40, 10, 65, 35}, "...");
  const auto arrow = static_cast<LParam>(p->LoadCursorA(0, platform::kIdcArrow));
  const auto cross = static_cast<LParam>(p->LoadCursorA(0, platform::kIdcCross));
  ASSERT_NE(arrow, 0);
  ASSERT_NE(cross, 0);

  EXPECT_EQ(Send(pictured, kBmGetImage, kImageIcon), 0) << "none until given";
  EXPECT_EQ(Send(pictured, kBmSetImage, kImageIcon, arrow), 0);
  EXPECT_EQ(Send(pictured, kBmGetImage, kImageIcon), arrow);
  EXPECT_EQ(Send(pictured, kBmSetImage, kImageIcon, cross), arrow) << "the one before";
  EXPECT_EQ(Send(pictured, kBmGetImage, kImageIcon), cross);

  EXPECT_EQ(Send(plain, kBmSetImage, kImageIcon, arrow), 0);
  EXPECT_EQ(Send(plain, kBmGetImage, kImageIcon), 0) << "a text button keeps no picture";
  EXPECT_EQ(TextOf(plain), "...");
  // A picture tells the parent nothing; a click on it is a click.
  EXPECT_TRUE(Codes(pictured, msg::kCommand).empty());
  Click(pictured);
  EXPECT_EQ(Codes(pictured, msg::kCommand), (CodeList{ctl::kBnClicked}));
}

TEST_F(ControlsContract, AnEditTellsOfEveryChangeOfItsTextTheProgramsToo) {
  const Hwnd edit = Child(platform::kEditClass, ctl::kEsAutoHScroll | platform::kWsTabStop, 201,
                          {10, 10, 120, 32}, "start");
  Settle();
  EXPECT_TRUE(Codes(edit, msg::kCommand).empty()) << "the text it is made with is no change";
  EXPECT_EQ(TextOf(edit), "start");

  heard.clear();
  EXPECT_TRUE(p->SetWindowTextA(edit, "10"));
  EXPECT_EQ(Codes(edit, msg::kCommand), (CodeList{ctl::kEnUpdate, ctl::kEnChange}));
  heard.clear();
  EXPECT_TRUE(p->SetWindowTextA(edit, "10"));
  EXPECT_EQ(Codes(edit, msg::kCommand), (CodeList{ctl::kEnUpdate, ctl::kEnChange}))
      << "the same text again";
  EXPECT_EQ(Send(edit, msg::kGetTextLength), 2);

  // Typed characters at the caret, one change each; beyond the limit none.
  p->SetFocus(edit);
  Send(edit, ctl::kEmSetSel, 2, 2);
  Send(edit, ctl::kEmLimitText, 4);
  heard.clear();
  for (char ch : std::string("567"))
    p->PostMessageA(edit, msg::kChar, static_cast<unsigned char>(ch), 1);
  Settle();
  EXPECT_EQ(TextOf(edit), "1056");
  // The refused one is told as the limit's, and then as a change all the same.
  EXPECT_EQ(Codes(edit, msg::kCommand),
            (CodeList{ctl::kEnUpdate, ctl::kEnChange, ctl::kEnUpdate, ctl::kEnChange,
                      ctl::kEnMaxText, ctl::kEnUpdate, ctl::kEnChange}));
  heard.clear();
  p->PostMessageA(edit, msg::kChar, '\b', 1);
  Settle();
  EXPECT_EQ(TextOf(edit), "105");
  EXPECT_EQ(Codes(edit, msg::kCommand), (CodeList{ctl::kEnUpdate, ctl::kEnChange}));

  // A buffer too small gets the start of the text and its terminating zero.
  char small[3] = {'x', 'x', 'x'};
  EXPECT_EQ(p->GetWindowTextA(edit, small, 3), 2);
  EXPECT_STREQ(small, "10");
}

// "For ANSI text, this is the number of bytes; for Unicode text, this is the
// number of characters" (EM_LIMITTEXT): in the program's code page, UTF-8,
// a Cyrillic letter takes two of an ANSI edit's limit and one of a Unicode
// edit's. Wine 8 counts an ANSI edit's limit in characters too.
bool WineCountsAnAnsiEditsLimitInCharacters() { return RunningUnderWine(); }

// Letters typed beyond the keyboard's code page come whole through the
// platform's loop, which takes messages in their Unicode form. (Taken in
// the ANSI form, with PeekMessageA and DispatchMessageA, Wine 8 hands both
// edits "?" for each, although the code page is UTF-8.)
TEST_F(ControlsContract, TypedLettersComeWholeAndAnAnsiEditsLimitCountsBytesAUnicodeOnesLetters) {
  const Hwnd ansi = Child(platform::kEditClass, ctl::kEsAutoHScroll, 202, {10, 10, 200, 32});
  platform::WindowParams c;
  c.className = platform::kEditClass;
  c.parent = parent->hwnd();
  c.id = 203;
  c.style = platform::kWsVisible | ctl::kEsAutoHScroll;
  c.left = 10;
  c.top = 40;
  c.width = 190;
  c.height = 22;
  const Hwnd wide = p->CreateWindowExW(c);
  ASSERT_NE(wide, 0u);
  const std::string letter = "\u0436";
  const auto letters = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += letter;
    return s;
  };
  for (const Hwnd edit : {ansi, wide}) {
    Send(edit, ctl::kEmLimitText, 5);
    p->SetFocus(edit);
    Settle();
    ASSERT_TRUE(TypeLetters(letters(7)));
    Settle();
  }
  EXPECT_EQ(TextOf(ansi), letters(WineCountsAnAnsiEditsLimitInCharacters() ? 5 : 2));
  EXPECT_EQ(TextOf(wide), letters(5));
  // Its places are characters too.
  Send(wide, ctl::kEmSetSel, 1, 3);
  EXPECT_EQ(Send(wide, ctl::kEmGetSel), platform::MakeLParam(1, 3));

  c.parent = 0;
  EXPECT_EQ(p->CreateWindowExW(c), 0u) << "only a control";
}

TEST_F(ControlsContract, AListsSelectionSetByTheProgramIsNoChoiceTheUsersIs) {
  const Hwnd combo = Child(platform::kComboBoxClass,
                           ctl::kCbsDropDown | ctl::kCbsAutoHScroll | platform::kWsTabStop, 301,
                           {10, 10, 120, 150});
  for (const char* item : {"2x", "4x", "6x"})
    Send(combo, ctl::kCbAddString, 0, reinterpret_cast<LParam>(item));
  EXPECT_EQ(Send(combo, ctl::kCbGetCount), 3);
  EXPECT_EQ(Send(combo, ctl::kCbGetCurSel), -1);
  EXPECT_EQ(Send(combo, ctl::kCbSetCurSel, 1), 1);
  Settle();
  EXPECT_EQ(Send(combo, ctl::kCbGetCurSel), 1);
  EXPECT_EQ(TextOf(combo), "4x");
  const CodeList set = Codes(combo, msg::kCommand);
  EXPECT_EQ(std::count(set.begin(), set.end(), ctl::kCbnSelChange), 0);
  EXPECT_EQ(std::count(set.begin(), set.end(), ctl::kCbnEditChange), 0);

  EXPECT_EQ(Send(combo, ctl::kCbSetCurSel, 7), ctl::kCbErr);
  EXPECT_EQ(TextOf(combo), "4x") << "past the items: nothing changes";
  EXPECT_EQ(Send(combo, ctl::kCbGetCurSel), 1);
  Send(combo, ctl::kCbSetCurSel, static_cast<WParam>(-1));
  EXPECT_EQ(Send(combo, ctl::kCbGetCurSel), -1);
  EXPECT_EQ(TextOf(combo), "") << "none chosen: the text part empties";
  Send(combo, ctl::kCbSetCurSel, 1);

  // The focus goes to the text part, a child of the list.
  p->SetFocus(combo);
  const Hwnd text = p->GetFocus();
  ASSERT_NE(text, 0u);
  EXPECT_NE(text, combo);
  EXPECT_EQ(p->GetParent(text), combo);

  // The user: the down arrow chooses the next item.
  heard.clear();
  p->PostMessageA(text, msg::kKeyDown, platform::kVkDown, 1);
  Settle();
  EXPECT_EQ(Send(combo, ctl::kCbGetCurSel), 2);
  EXPECT_EQ(TextOf(combo), "6x");
  const CodeList chose = Codes(combo, msg::kCommand);
  EXPECT_EQ(std::count(chose.begin(), chose.end(), ctl::kCbnSelChange), 1);
  EXPECT_EQ(std::count(chose.begin(), chose.end(), ctl::kCbnEditChange), 0);

  // Typing into the text part: an edit change each time. The user's choice
  // survives the first change typed after it; the next leaves no item chosen.
  heard.clear();
  const auto type = [&](char ch) {
    p->PostMessageA(text, msg::kChar, static_cast<WParam>(ch), 1);
    Settle();
  };
  Send(text, ctl::kEmSetSel, 0, -1);
  type('7');
  EXPECT_EQ(TextOf(combo), "7");
  EXPECT_EQ(Send(combo, ctl::kCbGetCurSel), 2);
  type('x');
  EXPECT_EQ(TextOf(combo), "7x");
  EXPECT_EQ(Send(combo, ctl::kCbGetCurSel), -1);
  const CodeList typed = Codes(combo, msg::kCommand);
  EXPECT_EQ(std::count(typed.begin(), typed.end(), ctl::kCbnEditChange), 2);
  EXPECT_EQ(std::count(typed.begin(), typed.end(), ctl::kCbnSelChange), 0);
  // A selection the program sets has no such grace.
  Send(combo, ctl::kCbSetCurSel, 1);
  Send(text, ctl::kEmSetSel, 0, -1);
  type('4');
  EXPECT_EQ(Send(combo, ctl::kCbGetCurSel), -1);
  // With none chosen, an arrow chooses the first item the typed text begins.
  p->PostMessageA(text, msg::kKeyDown, platform::kVkDown, 1);
  Settle();
  EXPECT_EQ(Send(combo, ctl::kCbGetCurSel), 1);
  EXPECT_EQ(TextOf(combo), "4x");

  // A text the program sets is no edit change either: the chosen item stays.
  heard.clear();
  Send(combo, ctl::kCbSetCurSel, 0);
  EXPECT_TRUE(p->SetWindowTextA(combo, "zz"));
  Settle();
  const CodeList programmed = Codes(combo, msg::kCommand);
  EXPECT_EQ(std::count(programmed.begin(), programmed.end(), ctl::kCbnEditChange), 0);
  EXPECT_EQ(TextOf(combo), "zz");
  EXPECT_EQ(Send(combo, ctl::kCbGetCurSel), 0);
}

TEST_F(ControlsContract, AnUpDownArrowAsksThenMovesWithinTheRangeAndTellsAtTheEndToo) {
  const Hwnd ud = Child(platform::kUpDownClass, ctl::kUdsArrowKeys, 401, {20, 10, 36, 50});
  Send(ud, ctl::kUdmSetRange32, 1, 99);
  EXPECT_EQ(Send(ud, ctl::kUdmGetPos32), 1) << "the range takes the position into it";
  EXPECT_EQ(Send(ud, ctl::kUdmSetPos32, 0, 50), 1);
  EXPECT_EQ(Send(ud, ctl::kUdmGetPos32), 50);
  Settle();
  EXPECT_TRUE(heard.empty()) << "a position set by the program tells nothing";

  ClickAt(ud, 8, 8);  // the upper arrow
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.front().message, msg::kNotify);
  EXPECT_EQ(heard.front().code, ctl::kUdnDeltaPos);
  EXPECT_EQ(heard.front().value, 1);
  ASSERT_FALSE(deltaFrom.empty());
  EXPECT_EQ(deltaFrom.front(), 50) << "asked before it moves";
  EXPECT_EQ(Send(ud, ctl::kUdmGetPos32), 51);
  EXPECT_EQ(Codes(ud, msg::kVScroll), (CodeList{ctl::kSbThumbPosition, ctl::kSbEndScroll}));
  for (const Heard& h : heard) {
    if (h.message == msg::kVScroll && h.code == ctl::kSbThumbPosition) {
      EXPECT_EQ(h.value, 51);
    }
  }

  heard.clear();
  Send(ud, ctl::kUdmSetPos32, 0, 99);
  ClickAt(ud, 8, 8);
  EXPECT_EQ(Send(ud, ctl::kUdmGetPos32), 99) << "no wrap: it stays at the end";
  EXPECT_EQ(Codes(ud, msg::kVScroll), (CodeList{ctl::kSbThumbPosition, ctl::kSbEndScroll}));

  heard.clear();
  Send(ud, ctl::kUdmSetPos32, 0, 1);
  ClickAt(ud, 8, 32);  // the lower arrow
  EXPECT_EQ(Send(ud, ctl::kUdmGetPos32), 1);
  ASSERT_FALSE(heard.empty());
  EXPECT_EQ(heard.front().value, -1);

  std::printf("UDM_SETPOS32 past the range reads back %d\n",
              (Send(ud, ctl::kUdmSetPos32, 0, 500), static_cast<int>(Send(ud, ctl::kUdmGetPos32))));
}

TEST_F(ControlsContract, ATabChosenByTheProgramTellsNothingOneClickedIsAskedThenTold) {
  const Hwnd tabs = Child(platform::kTabControlClass, 0, 501, {0, 0, 200, 24});
  for (const char* caption : {"Mark", "Reveal", "Line"}) {
    std::string text = caption;
    platform::TcItemA item;
    item.mask = ctl::kTcifText;
    item.pszText = text.data();
    Send(tabs, ctl::kTcmInsertItemA, static_cast<WParam>(Send(tabs, ctl::kTcmGetItemCount)),
         reinterpret_cast<LParam>(&item));
  }
  EXPECT_EQ(Send(tabs, ctl::kTcmGetItemCount), 3);
  EXPECT_EQ(Send(tabs, ctl::kTcmGetCurSel), 0) << "the first tab is the chosen one";
  EXPECT_EQ(Send(tabs, ctl::kTcmSetCurSel, 2), 0);
  EXPECT_EQ(Send(tabs, ctl::kTcmSetCurSel, 9), -1);
  EXPECT_EQ(Send(tabs, ctl::kTcmGetCurSel), 2);
  Settle();
  EXPECT_TRUE(Codes(tabs, msg::kNotify).empty());

  platform::Rect r;
  ASSERT_TRUE(Send(tabs, ctl::kTcmGetItemRect, 1, reinterpret_cast<LParam>(&r)));
  ClickAt(tabs, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  CodeList tcn;
  for (std::uint32_t code : Codes(tabs, msg::kNotify))
    if (code == ctl::kTcnSelChange || code == ctl::kTcnSelChanging) tcn.push_back(code);
  EXPECT_EQ(tcn, (CodeList{ctl::kTcnSelChanging, ctl::kTcnSelChange}));
  EXPECT_EQ(Send(tabs, ctl::kTcmGetCurSel), 1);
}

// The hot-key field: a combination set by the program tells nothing; keys
// pressed on it make the combination of the modifiers held and the key,
// telling each change; Backspace empties it without a word.
TEST_F(ControlsContract, AHotKeyFieldTakesTheCombinationTypedOnItAndTellsOfTheChange) {
  const Hwnd field = Child(platform::kHotkeyClass, platform::kWsTabStop, 701, {10, 10, 150, 32});
  Settle();
  heard.clear();
  Send(field, platform::kHkmSetHotkey, 0x0771);
  EXPECT_EQ(Send(field, platform::kHkmGetHotkey), 0x0771);
  EXPECT_TRUE(Codes(field, msg::kCommand).empty());

  p->SetFocus(field);
  Settle();
  // With their scan codes, as the keyboard gives them.
  const auto key = [&](std::uint8_t vk, std::uint8_t scan, bool down) {
    p->keybd_event(vk, scan, down ? 0 : platform::kKeyEventKeyUp);
  };
  key(platform::kVkControl, 0x1D, true);
  key(platform::kVkShift, 0x2A, true);
  key('K', 0x25, true);
  key('K', 0x25, false);
  key(platform::kVkShift, 0x2A, false);
  key(platform::kVkControl, 0x1D, false);
  Settle();
  EXPECT_EQ(Send(field, platform::kHkmGetHotkey),
            (platform::kHotkeyfControl | platform::kHotkeyfShift) << 8 | 'K');
  const CodeList told = Codes(field, msg::kCommand);
  EXPECT_FALSE(told.empty());
  EXPECT_TRUE(
      std::all_of(told.begin(), told.end(), [](std::uint32_t c) { return c == ctl::kEnChange; }));

  heard.clear();
  key(platform::kVkBack, 0x0E, true);
  key(platform::kVkBack, 0x0E, false);
  Settle();
  EXPECT_EQ(Send(field, platform::kHkmGetHotkey), 0);
  EXPECT_TRUE(Codes(field, msg::kCommand).empty());
}

TEST_F(ControlsContract, TheDialogKeysMoveTheFocusAcrossTabStopsAndWithinARadioGroup) {
  const Hwnd edit = Child(platform::kEditClass, platform::kWsTabStop | platform::kWsGroup, 601,
                          {10, 10, 90, 30}, "abc");
  const Hwnd r1 = Child(platform::kButtonClass,
                        ctl::kBsAutoRadioButton | platform::kWsTabStop | platform::kWsGroup, 602,
                        {10, 40, 60, 60}, "1");
  const Hwnd r2 =
      Child(platform::kButtonClass, ctl::kBsAutoRadioButton, 603, {10, 70, 60, 90}, "2");
  const Hwnd hidden =
      Child(platform::kButtonClass, ctl::kBsPushButton | platform::kWsGroup | platform::kWsTabStop,
            604, {100, 10, 160, 30}, "hidden");
  const Hwnd off = Child(platform::kButtonClass, ctl::kBsPushButton | platform::kWsTabStop, 605,
                         {100, 40, 160, 60}, "off");
  const Hwnd push = Child(platform::kButtonClass, ctl::kBsPushButton | platform::kWsTabStop, 606,
                          {100, 70, 160, 90}, "OK");
  p->ShowWindow(hidden, platform::kSwHide);
  p->EnableWindow(off, false);
  EXPECT_FALSE(p->IsWindowEnabled(off));
  Send(r1, ctl::kBmSetCheck, ctl::kBstChecked);
  p->SetFocus(edit);
  Settle();
  heard.clear();

  const auto key = [&](Hwnd to, std::uint8_t vk) {
    return p->IsDialogMessageW(parent->hwnd(), Msg{to, msg::kKeyDown, vk, 1});
  };
  // One stop per group, where it has WS_TABSTOP; hidden and disabled ones passed.
  EXPECT_TRUE(key(edit, platform::kVkTab));
  EXPECT_EQ(p->GetFocus(), r1);
  EXPECT_TRUE(key(r1, platform::kVkTab));
  EXPECT_EQ(p->GetFocus(), push);
  EXPECT_TRUE(key(push, platform::kVkTab));
  EXPECT_EQ(p->GetFocus(), edit) << "round to the first";
  {
    const LResult sel = Send(edit, ctl::kEmGetSel);
    EXPECT_EQ(sel & 0xFFFF, 0);
    EXPECT_EQ((sel >> 16) & 0xFFFF, 3) << "Tab into a text field selects its text";
  }
  EXPECT_TRUE(Codes(r1, msg::kCommand).empty()) << "moving onto a button is no click";
  EXPECT_TRUE(Codes(push, msg::kCommand).empty());

  // An arrow in the group moves there and checks it: a click of the user's.
  p->SetFocus(r1);
  heard.clear();
  EXPECT_TRUE(key(r1, platform::kVkDown));
  EXPECT_EQ(p->GetFocus(), r2);
  EXPECT_EQ(Send(r2, ctl::kBmGetCheck), 1);
  EXPECT_EQ(Send(r1, ctl::kBmGetCheck), 0);
  EXPECT_EQ(Codes(r2, msg::kCommand), (CodeList{ctl::kBnClicked}));

  // A message for a window outside the dialog is left to the caller.
  LoggingWindow stranger(*p, contract::Popup("Stranger"));
  EXPECT_FALSE(p->IsDialogMessageW(parent->hwnd(),
                                   Msg{stranger.hwnd(), msg::kKeyDown, platform::kVkTab, 1}));
}

}  // namespace
