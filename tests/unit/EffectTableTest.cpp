// The effect table editor on a simulated machine, driven with real pointer
// input: where everything stands, choosing an effect and binding it, the
// default table, OK and Cancel and what reaches the registry, the palette
// and the device keys, writes that fail, the caption drag.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/Effecttable.h"
#include "effects/Show.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;
using platform::Rect;

constexpr std::int32_t kBreakTime = 12;

class EffectTableTest : public ::testing::Test {
 protected:
  EffectTableTest() : h(sys) {
    h.process->SetIdleTimeBudget(60'000);
    sys.AddSerialPort("COM2");
  }
  void Start() {
    h.Start();
    h.Main().EffectTable1Click();
    h.app.ProcessMessages();
  }
  TFormEffectTable& ed() { return *h.program.FormEffectTable; }
  bool OnScreen(const gui::Form& f) { return sys.Window(f.Handle())->visible; }
  Rect WindowRect(const gui::Form& f) { return sys.Window(f.Handle())->rect; }
  // A left (or right) click in the middle of one of the editor's controls.
  void ClickOn(const gui::Control& c, bool right = false) {
    h.Click(ed().Handle(), c.Left() + c.Width() / 2, c.Top() + c.Height() / 2, right);
  }
  void Choose(int code) { ClickOn(ed().EffectImage(code)); }
  void Bind(int slot) { ClickOn(ed().SlotImage(slot)); }
  gui::Bitmap Icon(int code) {
    gui::Bitmap b;
    ed().ImageList1.GetBitmap(code, b);
    return b;
  }
  std::vector<std::pair<std::string, std::uint32_t>> SlotWrites() {
    std::vector<std::pair<std::string, std::uint32_t>> out;
    for (const auto& w : sys.RegistryWrites())
      out.emplace_back(w.valueName, sys.Dword(kKey, w.valueName).value_or(0xDEAD));
    return out;
  }
  std::vector<std::pair<std::string, std::uint32_t>> AllSlotsAs(const SlotTable& t) {
    std::vector<std::pair<std::string, std::uint32_t>> out;
    for (int n = 0; n < 11; ++n)
      out.emplace_back(std::to_string(n), static_cast<std::uint32_t>(t[static_cast<size_t>(n)]));
    return out;
  }
  // The device's function key for slot n ('B' + n), as the receiver sends it.
  void DeviceKey(int slot) {
    const std::array<std::uint8_t, 3> wire{0x40 + 128, static_cast<std::uint8_t>('B' + slot + 128),
                                           128};
    h.Main().Decoder.ReceiveData(wire.data(), 3);
    h.app.ProcessMessages();
  }

  SimSystem sys;
  ProgramHarness h;
};

// ---- layout -------------------------------------------------------------------

TEST_F(EffectTableTest, StandsWhereDesignedWithItsGroupsSlotsPanelsAndButtons) {
  Start();
  EXPECT_TRUE(OnScreen(ed()));
  EXPECT_EQ(WindowRect(ed()), (Rect{316, 138, 316 + 452, 138 + 437}));
  EXPECT_EQ(sys.Window(ed().Handle())->text, "EffectTable");
  EXPECT_EQ(ed().color, gui::kGrayText);

  EXPECT_EQ(ed().ImageEfectTitle.BoundsRect(), (gui::IRect{2, 2, 449, 41}));
  EXPECT_TRUE(ed().ImageEfectTitle.HasPicture()) << "the embedded title decodes";
  EXPECT_EQ(ed().GroupBox2.BoundsRect(), (gui::IRect{14, 48, 233, 377}));
  EXPECT_EQ(ed().GroupBox2.Caption(), "In Use Effect");
  EXPECT_EQ(ed().GroupBox1.BoundsRect(), (gui::IRect{240, 48, 433, 377}));
  EXPECT_EQ(ed().GroupBox1.Caption(), "Available Effect");
  for (const gui::GroupFrame* g : {&ed().GroupBox1, &ed().GroupBox2}) {
    EXPECT_EQ(g->GetFont().face, "Times New Roman");
    EXPECT_EQ(g->GetFont().height, 16);
    EXPECT_EQ(g->GetFont().color, gui::kNavy);
    EXPECT_TRUE(g->GetFont().bold);
  }

  // Slot sites inside their group, which stands at (14, 48).
  const int slotSites[11][2] = {{13, 54},  {86, 54},  {156, 55},  {13, 121}, {86, 120}, {156, 120},
                                {13, 190}, {86, 190}, {156, 189}, {51, 255}, {120, 255}};
  for (int n = 0; n < 11; ++n) {
    const int x = 14 + slotSites[n][0], y = 48 + slotSites[n][1];
    EXPECT_EQ(ed().SlotImage(n).BoundsRect(), (gui::IRect{x, y, x + 50, y + 50})) << n;
    EXPECT_EQ(ed().SlotImage(n).Name(), "Image" + std::to_string(n + 1));
    EXPECT_EQ(ed().SlotImage(n).Picture(), Icon(kDefaultSlots[static_cast<size_t>(n)])) << n;
  }
  // Panels in code order, 3 columns by 5 rows, the image 4 pixels in.
  const int columns[3] = {16, 72, 128}, rows[5] = {24, 88, 144, 200, 264};
  for (int k = 0; k < 15; ++k) {
    const int x = 240 + columns[k % 3], y = 48 + rows[k / 3];
    EXPECT_EQ(ed().EffectPanel(k).BoundsRect(), (gui::IRect{x, y, x + 52, y + 52})) << k;
    EXPECT_EQ(ed().EffectPanel(k).Name(), "Panel" + std::to_string(k + 1));
    EXPECT_EQ(ed().EffectPanel(k).color(), gui::kGrayText);
    EXPECT_EQ(ed().EffectImage(k).BoundsRect(), (gui::IRect{x + 4, y + 4, x + 48, y + 48})) << k;
    EXPECT_EQ(ed().EffectImage(k).Name(), "Image" + std::to_string(12 + k));
    EXPECT_EQ(ed().EffectImage(k).Picture(), Icon(k)) << k;
  }
  const std::pair<const gui::SpeedButton*, const char*> buttons[] = {
      {&ed().SpeedButtonDefault, "Default"},
      {&ed().SpeedButtonOK, "OK"},
      {&ed().SpeedButtonCancle, "Cancel"}};
  int left = 224;
  for (const auto& [button, caption] : buttons) {
    EXPECT_EQ(button->BoundsRect(), (gui::IRect{left, 400, left + 65, 425})) << caption;
    EXPECT_EQ(button->Caption(), caption);
    EXPECT_EQ(button->GetFont().height, 13);
    EXPECT_TRUE(button->GetFont().bold);
    left += 72;
  }
}

// ---- choosing and binding -------------------------------------------------------

TEST_F(EffectTableTest, ChoosingMovesTheYellowRimAndAgainKeepsIt) {
  Start();
  EXPECT_FALSE(ed().ChosenEffect.has_value());
  Choose(5);
  EXPECT_EQ(ed().EffectPanel(5).color(), gui::kYellow);
  // The rim shows on the screen: 4 pixels around the icon.
  const gui::IRect p = ed().EffectPanel(5).BoundsRect();
  const gui::Bitmap frame = ed().RenderFrame();
  EXPECT_EQ(frame.Pixel(p.left, p.top), gui::kYellow);
  EXPECT_EQ(frame.Pixel(p.left + 3, p.top + 20), gui::kYellow);
  EXPECT_EQ(frame.Pixel(p.right - 1, p.bottom - 1), gui::kYellow);
  EXPECT_EQ(frame.Pixel(p.left + 4, p.top + 4), Icon(5).Pixel(0, 0)) << "the icon inside";

  Choose(9);
  EXPECT_EQ(ed().EffectPanel(5).color(), gui::kGrayText);
  EXPECT_EQ(ed().EffectPanel(9).color(), gui::kYellow);
  EXPECT_EQ(ed().ChosenEffect, 9);
  EXPECT_EQ(ed().HighlightedPanel, 9);
  Choose(9);
  EXPECT_EQ(ed().EffectPanel(9).color(), gui::kYellow);
  for (int k = 0; k < 15; ++k) {
    EXPECT_EQ(ed().EffectPanel(k).color(), k == 9 ? gui::kYellow : gui::kGrayText) << k;
  }

  // Only codes of the fifteen effects have a panel to restore.
  for (unsigned bad : {15u, 100u, 0xFFFFFFFFu}) ed().RestorePanelColor(bad);
  EXPECT_EQ(ed().EffectPanel(9).color(), gui::kYellow);
}

TEST_F(EffectTableTest, ASlotClickBeforeAnyChoiceChangesNothing) {
  Start();
  ed().HighlightedPanel = 3;
  for (int slot : {0, 4, 10}) Bind(slot);
  EXPECT_EQ(h.program.EffectSlots, kDefaultSlots);
  EXPECT_EQ(ed().SlotImage(4).Picture(), Icon(4));
  EXPECT_FALSE(ed().ChosenEffect.has_value());
  EXPECT_EQ(ed().EffectPanel(3).color(), gui::kGrayText);
}

TEST_F(EffectTableTest, TheChoiceBindsToEverySlotClickedAndLeavesRegistryAndDecoderAlone) {
  Start();
  sys.ClearRegistryWrites();
  Choose(kBreakTime);
  Bind(3);
  Bind(4);
  Bind(4);
  EXPECT_EQ(h.program.EffectSlots[3], kBreakTime);
  EXPECT_EQ(h.program.EffectSlots[4], kBreakTime);
  EXPECT_EQ(ed().SlotImage(3).Picture(), Icon(kBreakTime));
  EXPECT_EQ(ed().SlotImage(4).Picture(), Icon(kBreakTime));
  EXPECT_EQ(ed().EffectPanel(kBreakTime).color(), gui::kYellow) << "binding keeps the highlight";
  EXPECT_TRUE(sys.RegistryWrites().empty());
  EXPECT_EQ(h.Main().PaletteSlots, kDefaultSlots) << "live only after the main window's re-show";
  // A right click is no click.
  Choose(0);
  ClickOn(ed().SlotImage(5), true);
  EXPECT_EQ(h.program.EffectSlots[5], kDefaultSlots[5]);
}

// ---- OK, Cancel, Default ----------------------------------------------------------

TEST_F(EffectTableTest, OkWritesTheElevenSlotsAndMakesTheBindingLiveOnPaletteAndKeys) {
  Start();
  Choose(kBreakTime);
  Bind(3);
  Bind(4);
  sys.ClearRegistryWrites();
  ClickOn(ed().SpeedButtonOK);

  SlotTable expected = kDefaultSlots;
  expected[3] = expected[4] = kBreakTime;
  EXPECT_EQ(SlotWrites(), AllSlotsAs(expected)) << "\"0\" .. \"10\" in slot order";
  EXPECT_FALSE(OnScreen(ed()));
  EXPECT_TRUE(OnScreen(h.Main()));
  EXPECT_EQ(h.Main().PaletteSlots, expected);
  EXPECT_EQ(h.Main().PaletteImage(3).Picture(), Icon(kBreakTime));
  EXPECT_EQ(h.Main().PaletteImage(4).Picture(), Icon(kBreakTime));
  EXPECT_TRUE(h.program.PaletteCollapsed) << "the re-show keeps the palette's size";

  // Slot 3's key ('E') opens the break countdown, Escape closes it, and
  // slot 4's key ('F') opens it again.
  DeviceKey(3);
  EXPECT_TRUE(OnScreen(*h.program.Form_Draw));
  EXPECT_EQ(h.program.OverlayMode, kBreakTime + 1);
  h.PressKey(gui::kVkEscape);
  EXPECT_FALSE(OnScreen(*h.program.Form_Draw));
  DeviceKey(4);
  EXPECT_TRUE(OnScreen(*h.program.Form_Draw));
  EXPECT_EQ(h.program.OverlayMode, kBreakTime + 1);
}

TEST_F(EffectTableTest, OkWithAnUnchangedTableRewritesItAndStillReshowsTheMainWindow) {
  Start();
  int shows = 0, hides = 0;
  h.Main().OnShow = [&] {
    ++shows;
    h.Main().FormShow();
  };
  h.Main().OnHide = [&] { ++hides; };
  sys.ClearRegistryWrites();
  ClickOn(ed().SpeedButtonOK);
  EXPECT_EQ(SlotWrites(), AllSlotsAs(kDefaultSlots));
  EXPECT_EQ(hides, 1);
  EXPECT_EQ(shows, 1);
  EXPECT_FALSE(OnScreen(ed()));
}

TEST_F(EffectTableTest, DefaultThenCancelChangesTheTableInMemoryOnlyUntilTheNextShow) {
  WriteDefaultKey(sys);
  for (int n = 0; n < 11; ++n) sys.SetDword(kKey, std::to_string(n), 14);
  Start();
  Choose(2);
  sys.ClearRegistryWrites();
  ClickOn(ed().SpeedButtonDefault);
  EXPECT_EQ(h.program.EffectSlots, kDefaultSlots);
  for (int n = 0; n < 11; ++n)
    EXPECT_EQ(ed().SlotImage(n).Picture(), Icon(kDefaultSlots[static_cast<size_t>(n)])) << n;
  EXPECT_EQ(ed().ChosenEffect, 2) << "Default keeps the choice";
  EXPECT_EQ(ed().EffectPanel(2).color(), gui::kYellow);
  EXPECT_TRUE(OnScreen(ed()));

  ClickOn(ed().SpeedButtonCancle);
  EXPECT_FALSE(OnScreen(ed()));
  EXPECT_TRUE(sys.RegistryWrites().empty());
  EXPECT_EQ(sys.Dword(kKey, "0"), 14u);
  EXPECT_EQ(h.Main().PaletteSlots[0], 14) << "the palette keeps the old table";
  EXPECT_EQ(h.Main().PaletteImage(0).Picture(), Icon(14));

  // Any later show of the main window makes the edit live.
  h.Main().Hide();
  h.Main().Show();
  EXPECT_EQ(h.Main().PaletteSlots, kDefaultSlots);
  EXPECT_EQ(h.Main().PaletteImage(0).Picture(), Icon(0));
}

// ---- failures -----------------------------------------------------------------------

TEST_F(EffectTableTest, AFailingWriteAtOkShowsItsNameAndKeepsTheEditorOpenWithoutReshow) {
  Start();
  Choose(kBreakTime);
  Bind(3);
  Bind(7);
  sys.FailValueWrite("5");
  sys.ClearRegistryWrites();
  const std::size_t boxesBefore = h.ui.MessageBoxes().size();
  int shows = 0;
  h.Main().OnShow = [&] { ++shows; };
  ClickOn(ed().SpeedButtonOK);

  ASSERT_EQ(h.ui.MessageBoxes().size(), boxesBefore + 1);
  EXPECT_EQ(h.ui.MessageBoxes().back().text, "Failed to set data for '5'");
  std::vector<std::string> names;
  for (const auto& w : sys.RegistryWrites()) names.push_back(w.valueName);
  EXPECT_EQ(names, (std::vector<std::string>{"0", "1", "2", "3", "4"})) << "the rest abandoned";
  EXPECT_EQ(sys.Dword(kKey, "3"), static_cast<std::uint32_t>(kBreakTime));
  EXPECT_NE(sys.Dword(kKey, "7"), static_cast<std::uint32_t>(kBreakTime));
  EXPECT_TRUE(OnScreen(ed()));
  EXPECT_EQ(shows, 0);
  EXPECT_EQ(h.Main().PaletteSlots, kDefaultSlots);
  // The editor goes on working: a second OK fails the same way.
  ClickOn(ed().SpeedButtonOK);
  EXPECT_EQ(h.ui.MessageBoxes().size(), boxesBefore + 2);
  EXPECT_TRUE(OnScreen(ed()));
}

TEST_F(EffectTableTest, AKeyThatCannotBeOpenedAtOkIsSilentAndTheBindingIsLiveForTheRun) {
  Start();
  Choose(6);
  Bind(0);
  sys.FailOpenKey(kKey);
  sys.FailCreateKey(kKey);
  sys.ClearRegistryWrites();
  const std::size_t boxesBefore = h.ui.MessageBoxes().size();
  ClickOn(ed().SpeedButtonOK);
  EXPECT_EQ(h.ui.MessageBoxes().size(), boxesBefore);
  EXPECT_TRUE(sys.RegistryWrites().empty());
  EXPECT_FALSE(OnScreen(ed()));
  EXPECT_EQ(h.Main().PaletteSlots[0], 6);
}

TEST_F(EffectTableTest, AFailingWriteAtCreationIsShownAndTheEditorIsMadeAllTheSame) {
  WriteDefaultKey(sys);
  sys.SetDword(kKey, "9", 1);
  sys.FailValueWrite("2");
  h.Start();
  ASSERT_EQ(h.ui.MessageBoxes().size(), 1u);
  EXPECT_EQ(h.ui.MessageBoxes()[0].text, "Failed to set data for '2'");
  ASSERT_NE(h.program.Form_Draw, nullptr) << "the later windows are still made";
  EXPECT_EQ(ed().SlotImage(9).Picture(), Icon(1));
  EXPECT_EQ(ed().EffectImage(14).Picture(), Icon(14));
  EXPECT_FALSE(OnScreen(ed()));
}

// ---- the dispatcher and the caption drag --------------------------------------------

TEST_F(EffectTableTest, ADeviceKeyHidesTheEditorAndTheMenuBringsBackTheSameState) {
  Start();
  Choose(8);
  Bind(1);
  h.Main().DispatchEffect(14);  // the cursor reset: no overlay
  h.app.ProcessMessages();
  EXPECT_FALSE(OnScreen(ed()));
  h.Main().EffectTable1Click();
  h.app.ProcessMessages();
  EXPECT_TRUE(OnScreen(ed()));
  EXPECT_EQ(ed().ChosenEffect, 8);
  EXPECT_EQ(ed().EffectPanel(8).color(), gui::kYellow);
  EXPECT_EQ(ed().SlotImage(1).Picture(), Icon(8));
  EXPECT_EQ(WindowRect(ed()), (Rect{316, 138, 768, 575}));
}

TEST_F(EffectTableTest, TheTitleDragsTheWindowByThePointersMotionWithEitherButton) {
  Start();
  for (bool right : {false, true}) {
    const Rect before = WindowRect(ed());
    h.process->SetCursorPos(before.left + 100, before.top + 20);
    h.process->mouse_event(right ? platform::kMouseEventRightDown : platform::kMouseEventLeftDown,
                           0, 0, 0);
    h.app.ProcessMessages();
    // Two steps; the second is reported in the moved window's coordinates.
    h.process->mouse_event(platform::kMouseEventMove, 20, 4, 0);
    h.app.ProcessMessages();
    h.process->mouse_event(platform::kMouseEventMove, 10, 6, 0);
    h.app.ProcessMessages();
    h.process->mouse_event(right ? platform::kMouseEventRightUp : platform::kMouseEventLeftUp, 0, 0,
                           0);
    h.app.ProcessMessages();
    const Rect after = WindowRect(ed());
    EXPECT_EQ(after.left - before.left, 30) << right;
    EXPECT_EQ(after.top - before.top, 10) << right;
    EXPECT_EQ(after.right - after.left, 452);
    // Released: further motion moves nothing.
    h.process->mouse_event(platform::kMouseEventMove, 15, 15, 0);
    h.app.ProcessMessages();
    EXPECT_EQ(WindowRect(ed()), after);
  }
  // A drag is no binding and no menu.
  EXPECT_EQ(h.program.EffectSlots, kDefaultSlots);
}

}  // namespace
