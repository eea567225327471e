// The start-up sequence of the main window on a simulated machine: a normal
// start, a damaged key, the port choice, the tray icon and its menu, and the
// slot table that the editor's creation writes back.
#include <gtest/gtest.h>

#include "dialogs/About.h"
#include "dialogs/Effecttable.h"
#include "resources/artwork/Artwork.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;
using platform::Rect;

class StartupTest : public ::testing::Test {
 protected:
  SimSystem sys;
  Rect WindowRect(platform::Hwnd h) {
    Rect r;
    sys.Window(h) ? (void)(r = sys.Window(h)->rect) : (void)0;
    return r;
  }
};

TEST_F(StartupTest, NormalStartCollapsesThePaletteAndAddsTheTrayIcon) {
  sys.AddSerialPort("COM2");
  ProgramHarness h(sys);
  h.Start();
  TForm_Main& main = h.Main();

  // Present, visible, but of no size, where the palette was designed.
  const platform::Hwnd hwnd = main.Handle();
  EXPECT_TRUE(sys.Window(hwnd)->visible);
  EXPECT_EQ(WindowRect(hwnd), (Rect{214, 111, 214, 111}));
  EXPECT_EQ(sys.Window(hwnd)->className, "TForm_Main");
  EXPECT_EQ(sys.Window(hwnd)->text, "Tavrin");
  EXPECT_TRUE(h.program.PaletteCollapsed);

  ASSERT_EQ(sys.TrayIcons().size(), 1u);
  const platform::memory::TrayIcon& icon = sys.TrayIcons()[0];
  EXPECT_EQ(icon.hWnd, hwnd);
  EXPECT_EQ(icon.uID, 1034u);
  EXPECT_EQ(icon.uFlags, 7u);
  EXPECT_EQ(icon.uCallbackMessage, 1044u);
  EXPECT_EQ(icon.tip, "Tavrin");
  const platform::NotifyIconData& record = main.TrayRecord();
  EXPECT_EQ(record.dwState, 0u);
  EXPECT_EQ(record.szInfo[0], '\0');
  EXPECT_EQ(record.uTimeoutOrVersion, 0u);
  // The icon is the program's own picture, drawn at the small icon's size
  // (at 96 DPI: 16).
  const gui::MaskedImage* shown = sys.Icon(icon.hIcon);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->color, artwork::ProgramIcon(16).color);

  // No settings key: the defaults select the second port, which opened.
  EXPECT_FALSE(main.COM1.checked);
  EXPECT_TRUE(main.COM21.checked);
  EXPECT_EQ(main.CommPortDriver1.Port(), pnCOM2);
  EXPECT_TRUE(main.CommPortDriver1.Connected());
  EXPECT_TRUE(sys.SerialPort("COM2")->open);

  // The palette shows the default slot table and the decoder's copy matches.
  EXPECT_EQ(main.PaletteSlots, kDefaultSlots);
  gui::Bitmap expected;
  main.ImageList1.GetBitmap(11, expected);
  EXPECT_EQ(main.PaletteImage(3).Picture(), expected) << "slot 3 shows ExecuteProgram";
}

TEST_F(StartupTest, DamagedKeyShowsTheErrorAndKeepsTheFullPalette) {
  sys.AddSerialPort("COM2");
  WriteDefaultKey(sys);
  sys.SetString(kKey, "ZoomX", "abc");
  sys.SetDword(kKey, "2", 8);  // read before the damage: must reach the palette
  ProgramHarness h(sys);
  h.Start();
  TForm_Main& main = h.Main();

  ASSERT_EQ(h.ui.MessageBoxes().size(), 1u);
  const gui::MessageBoxCall& box = h.ui.MessageBoxes()[0];
  EXPECT_EQ(box.text, "Invalid data type for 'ZoomX'");
  EXPECT_EQ(box.caption, "Tavrin");
  EXPECT_EQ(box.flags, 0x10u);

  EXPECT_TRUE(sys.Window(main.Handle())->visible);
  EXPECT_EQ(WindowRect(main.Handle()), (Rect{214, 111, 214 + 192, 111 + 261}));
  EXPECT_FALSE(h.program.PaletteCollapsed);
  EXPECT_TRUE(sys.TrayIcons().empty());
  EXPECT_FALSE(main.CommPortDriver1.Connected());
  EXPECT_FALSE(main.COM1.checked);
  EXPECT_FALSE(main.COM21.checked);
  sys.AddSerialPort("COM3");  // a device change
  h.app.ProcessMessages();
  EXPECT_FALSE(main.CommPortDriver1.Connected()) << "no port was chosen to follow";

  // The show handler still filled the palette from what was loaded.
  EXPECT_EQ(main.PaletteSlots[2], 8);
  gui::Bitmap expected;
  main.ImageList1.GetBitmap(8, expected);
  EXPECT_EQ(main.PaletteImage(2).Picture(), expected);
  // And the user sees it: the pixel at the middle of slot 2 on the screen.
  EXPECT_EQ(sys.Screen().Pixel(214 + 128 + 24, 111 + 40 + 24),
            main.PaletteImage(2).Picture().Pixel(25, 25));

  // The rest of the program started normally.
  EXPECT_NE(h.program.FormEffectTable, nullptr);
  EXPECT_NE(h.program.FormAbout, nullptr);
}

TEST_F(StartupTest, DamagedKeyStillLetsTheUserQuitFromThePalette) {
  WriteDefaultKey(sys);
  sys.DeleteValue(kKey, "Line Style");
  {
    ProgramHarness h(sys);
    h.Start();
    ASSERT_FALSE(h.app.Terminated());
    h.Click(h.Main().Handle(), 176, 16);  // the close box
    // Only the click can end the loop here: no idle wait is allowed, so a
    // loop that merely ran dry would return without being terminated.
    h.app.ProcessMessages();
    EXPECT_TRUE(h.app.Terminated()) << "the close box ends the program";
    EXPECT_FALSE(h.process->HasPendingMessage());
  }
  {
    ProgramHarness h(sys);
    h.Start();
    h.ui.ChooseInMenus("&Exit");
    h.Click(h.Main().Handle(), 100, 150, /*right=*/true);
    ASSERT_EQ(h.ui.Popups().size(), 1u);
    EXPECT_EQ(h.ui.Popups()[0].x, 214 + 100);
    EXPECT_EQ(h.ui.Popups()[0].y, 111 + 150);
    h.app.Run();
    EXPECT_TRUE(h.app.Terminated());
  }
}

TEST_F(StartupTest, PortIsChosenFromTheStoredTextExactly) {
  sys.AddSerialPort("COM1");
  sys.AddSerialPort("COM2");
  WriteDefaultKey(sys);
  const std::pair<std::string, TPortNumber> cases[] = {
      {"Com1", pnCOM1},  {"com1", pnCOM2}, {"COM1", pnCOM2},
      {"Com1x", pnCOM2}, {"", pnCOM2},     {"Com1" + std::string(300, ' '), pnCOM2}};
  for (const auto& [text, port] : cases) {
    sys.SetString(kKey, "Com Port", text);
    ProgramHarness h(sys);
    h.Start();
    EXPECT_EQ(h.Main().CommPortDriver1.Port(), port) << '"' << text << '"';
    EXPECT_EQ(h.Main().COM1.checked, port == pnCOM1);
    EXPECT_EQ(h.Main().COM21.checked, port == pnCOM2);
    EXPECT_TRUE(h.Main().CommPortDriver1.Connected());
  }
}

TEST_F(StartupTest, PortThatCannotBeOpenedIsSilent) {
  ProgramHarness h(sys);  // the machine has no serial ports at all
  h.Start();
  EXPECT_FALSE(h.Main().CommPortDriver1.Connected());
  EXPECT_TRUE(h.ui.MessageBoxes().empty());
  EXPECT_EQ(sys.TrayIcons().size(), 1u);
}

TEST_F(StartupTest, EditorCreationWritesTheSlotTableBack) {
  WriteDefaultKey(sys);
  sys.DeleteValue(kKey, "5");
  sys.SetDword(kKey, "1", 12);
  {
    ProgramHarness h(sys);
    h.Start();
    ASSERT_EQ(h.ui.MessageBoxes().size(), 1u);
    EXPECT_EQ(h.ui.MessageBoxes()[0].text, "Failed to get data for '5'");
  }
  EXPECT_EQ(sys.Dword(kKey, "5"), 5u) << "the missing slot is back, with its default";
  EXPECT_EQ(sys.Dword(kKey, "1"), 12u) << "slots read before the damage are kept";
  ProgramHarness again(sys);
  again.Start();
  EXPECT_TRUE(again.ui.MessageBoxes().empty());
  EXPECT_EQ(again.Main().PaletteSlots[1], 12);
}

TEST_F(StartupTest, EditorSlotWriteFailureIsReportedAndTheEditorStillExists) {
  WriteDefaultKey(sys);
  sys.FailValueWrite("3");
  ProgramHarness h(sys);
  h.Start();
  ASSERT_EQ(h.ui.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.ui.MessageBoxes()[0].text, "Failed to set data for '3'");
  EXPECT_EQ(h.ui.MessageBoxes()[0].caption, "Tavrin");
  ASSERT_NE(h.program.FormEffectTable, nullptr);
  EXPECT_TRUE(h.program.FormEffectTable->SlotImage(10).HasPicture());
  EXPECT_TRUE(h.program.FormEffectTable->EffectImage(14).HasPicture());
  EXPECT_NE(h.program.Form_Draw, nullptr) << "the windows after it are created as well";
}

TEST_F(StartupTest, WindowsAreCreatedInOrderAndOnlyThePaletteIsVisible) {
  ProgramHarness h(sys);
  h.Start();
  const char* classes[] = {"TForm_Main", "TFormEffectTable", "TForm_Draw", "TForm_Seeting",
                           "TFormAbout"};
  platform::Hwnd previous = 0;
  for (const char* name : classes) {
    const platform::Hwnd hwnd = sys.FindWindow(name);
    ASSERT_NE(hwnd, 0u) << name;
    EXPECT_GT(hwnd, previous) << name << " is created after the one before";
    EXPECT_EQ(sys.Window(hwnd)->visible, hwnd == h.Main().Handle()) << name;
    previous = hwnd;
  }
  EXPECT_EQ(WindowRect(sys.FindWindow("TForm_Draw")), (Rect{0, 0, 1024, 768}));
  EXPECT_TRUE(sys.Window(sys.FindWindow("TForm_Draw"))->topmost);
}

TEST_F(StartupTest, TrayRightClickPopsTheMenuUpNearTheBottomRight) {
  ProgramHarness h(sys);
  h.Start();
  const platform::Hwnd hwnd = h.Main().Handle();

  ASSERT_TRUE(sys.ClickTrayIcon(hwnd, 1034, platform::msg::kLButtonDown));
  h.app.ProcessMessages();
  EXPECT_TRUE(h.ui.Popups().empty()) << "only the right button opens the menu";

  ASSERT_TRUE(sys.ClickTrayIcon(hwnd, 1034, platform::msg::kRButtonDown));
  h.app.ProcessMessages();
  ASSERT_EQ(h.ui.Popups().size(), 1u);
  const gui::PopupMenuCall& call = h.ui.Popups()[0];
  EXPECT_EQ(call.x, 1024 - 40);
  EXPECT_EQ(call.y, 768 - 40);
  EXPECT_EQ(call.flags & gui::kTpmCenterAlign, gui::kTpmCenterAlign);
  EXPECT_EQ(call.owner, hwnd);
  EXPECT_EQ(call.foreground, hwnd) << "the owner is in front while its tray menu is open";

  std::vector<std::string> texts;
  for (const gui::MenuEntry& e : call.entries) texts.push_back(e.separator ? "-" : e.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"&MainMenu\tCtrl+M", "-", "&Settings\tCtrl+S",
                                             "&Effect Table\tCtrl+E", "COM Port", "&Keys", "-",
                                             "&About\tCtrl+A", "&Exit"}));
  ASSERT_EQ(call.entries[4].children.size(), 2u);
  EXPECT_EQ(call.entries[4].children[0].text, "COM1");
  EXPECT_FALSE(call.entries[4].children[0].checked);
  EXPECT_EQ(call.entries[4].children[1].text, "COM2");
  EXPECT_TRUE(call.entries[4].children[1].checked);
}

// A dialog left open under another program's window: its menu command
// brings it up again, in front and with the keyboard.
TEST_F(StartupTest, TheTrayMenuBringsAnOpenButCoveredDialogToTheFront) {
  ProgramHarness h(sys);
  h.Start();
  auto other = sys.StartProcess();
  platform::WindowParams full;
  full.className = "Editor";
  full.width = sys.ScreenWidth();
  full.height = sys.ScreenHeight();
  const platform::Hwnd cover = other->CreateWindowExA(full, {});
  const auto topLevel = [&](platform::Hwnd w) {
    while (w && h.process->GetParent(w)) w = h.process->GetParent(w);
    return w;
  };
  const std::pair<const char*, gui::Form*> dialogs[] = {
      {"&About", h.program.FormAbout}, {"&Effect Table", h.program.FormEffectTable}};
  for (const auto& [command, dialog] : dialogs) {
    h.ui.ChooseInMenus(command);
    sys.ClickTrayIcon(h.Main().Handle(), 1034, platform::msg::kRButtonDown);
    h.app.ProcessMessages();
    ASSERT_TRUE(dialog->Visible()) << command;
    const Rect r = WindowRect(dialog->Handle());
    const platform::Point middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    other->ShowWindow(cover, platform::kSwShow);
    ASSERT_EQ(h.process->WindowFromPoint(middle), cover);

    sys.ClickTrayIcon(h.Main().Handle(), 1034, platform::msg::kRButtonDown);
    h.app.ProcessMessages();
    EXPECT_EQ(topLevel(h.process->WindowFromPoint(middle)), dialog->Handle()) << command;
    EXPECT_EQ(sys.Foreground(), dialog->Handle()) << command;
    EXPECT_EQ(topLevel(sys.Focus()), dialog->Handle()) << command;
    other->ShowWindow(cover, platform::kSwHide);
  }
}

TEST_F(StartupTest, ExitFromTheTrayMenuEndsTheProgramAndRemovesTheIcon) {
  auto h = std::make_unique<ProgramHarness>(sys);
  h->Start();
  sys.ClearRegistryWrites();
  h->ui.ChooseInMenus("&Exit");
  sys.ClickTrayIcon(h->Main().Handle(), 1034, platform::msg::kRButtonDown);
  h->app.Run();
  EXPECT_TRUE(h->app.Terminated());
  EXPECT_EQ(sys.TrayIcons().size(), 1u) << "the icon goes with the main window";
  h.reset();
  EXPECT_TRUE(sys.TrayIcons().empty());
  EXPECT_TRUE(sys.RegistryWrites().empty()) << "nothing is saved at exit";
}

TEST_F(StartupTest, TrayIconComesBackWhenTheTaskbarIsRecreated) {
  ProgramHarness h(sys);  // no port: the tip says so
  h.Start();
  sys.RestartShell();
  EXPECT_TRUE(sys.TrayIcons().empty());
  h.app.ProcessMessages();
  ASSERT_EQ(sys.TrayIcons().size(), 1u);
  EXPECT_EQ(sys.TrayIcons()[0].tip, "Tavrin - COM2 not connected");
}

TEST_F(StartupTest, NoTrayIconAfterDamagedStartEvenWhenTheTaskbarReturns) {
  WriteDefaultKey(sys);
  sys.DeleteValue(kKey, "0");
  ProgramHarness h(sys);
  h.Start();
  sys.RestartShell();
  h.app.ProcessMessages();
  EXPECT_TRUE(sys.TrayIcons().empty());
}

TEST_F(StartupTest, PaletteExpandsCollapsesAndDragsByItsTitle) {
  ProgramHarness h(sys);
  h.Start();
  TForm_Main& main = h.Main();
  EXPECT_EQ(main.Minimized1.caption, "&MainMenu");

  h.PressKey('M', /*ctrl=*/true);  // the shortcut works while the palette has the keys
  EXPECT_EQ(WindowRect(main.Handle()), (Rect{214, 111, 214 + 192, 111 + 262}));
  EXPECT_EQ(main.Minimized1.caption, " &Minimized ");
  EXPECT_FALSE(h.program.PaletteCollapsed);

  // Drag the title 30 right and 10 down, with the right button held.
  h.process->SetCursorPos(214 + 50, 111 + 10);
  h.process->mouse_event(platform::kMouseEventRightDown, 0, 0, 0);
  h.app.ProcessMessages();
  h.process->mouse_event(platform::kMouseEventMove, 30, 10, 0);
  h.app.ProcessMessages();
  h.process->mouse_event(platform::kMouseEventRightUp, 0, 0, 0);
  h.ui.answerMenu = [](const gui::PopupMenuCall&) { return 0; };
  h.app.ProcessMessages();
  EXPECT_EQ(WindowRect(main.Handle()), (Rect{244, 121, 244 + 192, 121 + 262}));

  main.Minimized1.Click();
  EXPECT_EQ(WindowRect(main.Handle()), (Rect{244, 121, 244, 121}));
  EXPECT_EQ(main.Minimized1.caption, " &MainMenu");
  EXPECT_TRUE(h.program.PaletteCollapsed);
}

TEST_F(StartupTest, SlotOutsideTheEffectsShowsEmpty) {
  WriteDefaultKey(sys);
  sys.SetDword(kKey, "0", 16);
  sys.SetDword(kKey, "1", static_cast<std::uint32_t>(-1));
  ProgramHarness h(sys);
  h.Start();
  EXPECT_FALSE(h.Main().PaletteImage(0).HasPicture());
  EXPECT_FALSE(h.Main().PaletteImage(1).HasPicture());
  EXPECT_TRUE(h.Main().PaletteImage(2).HasPicture());
  EXPECT_EQ(h.Main().PaletteSlots[0], 16);
}

TEST_F(StartupTest, PortMenuSwitchesTheDriverAndStoresTheChoice) {
  sys.AddSerialPort("COM1");
  sys.AddSerialPort("COM2");
  ProgramHarness h(sys);
  h.Start();
  h.Main().COM1.Click();
  h.app.ProcessMessages();  // the port is opened in the background
  EXPECT_TRUE(sys.SerialPort("COM1")->open);
  EXPECT_FALSE(sys.SerialPort("COM2")->open);
  EXPECT_TRUE(h.Main().COM1.checked);
  EXPECT_FALSE(h.Main().COM21.checked);
  EXPECT_EQ(sys.String(kKey, "Com Port"), "Com1");
  EXPECT_EQ(h.program.Settings.ComPortName, "Com1");
}

}  // namespace
