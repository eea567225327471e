// The window framework on the headless backend: pointer routing and capture,
// clicks, painting into the simulated screen, timers, menus and image lists.
#include <gtest/gtest.h>

#include "gui/Application.h"
#include "gui/Form.h"
#include "gui/ImageList.h"
#include "gui/Menu.h"
#include "gui/Timer.h"
#include "gui/headless/HeadlessBackend.h"
#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace {

using namespace platform;
using platform::memory::SimSystem;

class GuiFrameworkTest : public ::testing::Test {
 protected:
  GuiFrameworkTest() : process(sys.StartProcess()), ui(*process), app(*process, ui, "Test") {}
  void Press(std::uint32_t flags) {
    process->mouse_event(flags, 0, 0, 0);
    app.ProcessMessages();
  }
  void MoveBy(int dx, int dy) {
    process->mouse_event(kMouseEventMove, dx, dy, 0);
    app.ProcessMessages();
  }

  SimSystem sys;
  std::unique_ptr<memory::SimProcess> process;
  gui::HeadlessBackend ui;
  gui::Application app;
};

struct TestForm : gui::Form {
  explicit TestForm(gui::Application& a)
      : gui::Form(a, {.className = "TTestForm",
                      .caption = "",
                      .left = 100,
                      .top = 100,
                      .clientWidth = 64,
                      .clientHeight = 48,
                      .visible = true,
                      .color = gui::kWhite}),
        left(*this, "Left", {0, 0, 32, 48}),
        right(*this, "Right", {32, 0, 64, 48}) {}
  gui::Image left, right;
};

TEST_F(GuiFrameworkTest, PressedControlKeepsThePointerUntilRelease) {
  TestForm* form = nullptr;
  app.CreateForm(form);
  std::vector<std::string> log;
  form->left.OnMouseDown = [&](gui::MouseButton b, unsigned, int x, int y) {
    log.push_back("down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) + "," +
                  std::to_string(y));
  };
  form->left.OnMouseMove = [&](unsigned, int x, int y) {
    log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
  };
  form->left.OnClick = [&] { log.push_back("click"); };
  form->right.OnMouseMove = [&](unsigned, int, int) { log.push_back("right move"); };

  process->SetCursorPos(110, 120);
  app.ProcessMessages();
  Press(kMouseEventLeftDown);
  MoveBy(40, 5);  // over the right image, but the left one holds the pointer
  Press(kMouseEventLeftUp);
  MoveBy(0, 1);  // released: now the right one hears it

  EXPECT_EQ(log,
            (std::vector<std::string>{"move 10,20", "down 0 10,20", "move 50,25", "right move"}))
      << "no click: the button came up outside the control";
  EXPECT_EQ(sys.Window(form->Handle())->pid, process->Pid());
  EXPECT_EQ(process->GetCapture(), 0u);

  log.clear();
  process->SetCursorPos(105, 105);
  Press(kMouseEventLeftDown);
  Press(kMouseEventLeftUp);
  EXPECT_EQ(log.back(), "click");
}

TEST_F(GuiFrameworkTest, FramesReachTheScreenStretchedAndMasked) {
  TestForm* form = nullptr;
  app.CreateForm(form);
  gui::Bitmap red(2, 2, gui::kRed);
  form->left.stretch = true;
  form->left.SetPicture(red);
  gui::MaskedImage holed{gui::Bitmap(4, 4, gui::kBlue), std::vector<std::uint8_t>(16, 0)};
  holed.mask[5] = 1;  // pixel (1, 1) is transparent
  form->right.SetPicture(holed);
  app.ProcessMessages();

  const gui::Bitmap screen = sys.Screen();
  EXPECT_EQ(screen.Pixel(100, 100), gui::kRed);
  EXPECT_EQ(screen.Pixel(131, 147), gui::kRed) << "a 2x2 picture stretched to 32x48";
  EXPECT_EQ(screen.Pixel(132, 100), gui::kBlue);
  EXPECT_EQ(screen.Pixel(133, 101), gui::kWhite) << "the form's colour through the hole";
  EXPECT_EQ(screen.Pixel(136, 100), gui::kWhite) << "unstretched: only its own 4x4";
  EXPECT_EQ(screen.Pixel(99, 100), sys.Wallpaper().Pixel(99, 100));

  form->Hide();
  app.ProcessMessages();
  EXPECT_EQ(sys.Screen().Pixel(100, 100), sys.Wallpaper().Pixel(100, 100));
}

TEST_F(GuiFrameworkTest, APaintAndTheWindowContextDrawOnTheSamePixels) {
  TestForm* form = nullptr;
  app.CreateForm(form);
  form->left.SetPicture(gui::Bitmap(32, 48, gui::kRed));
  app.ProcessMessages();
  const Hwnd h = form->Handle();
  ASSERT_NE(process->WindowSurface(h), nullptr);
  EXPECT_EQ(*process->WindowSurface(h), form->RenderFrame()) << "the paint composed into them";

  // A line on the window's context goes over the painted frame, on the
  // screen too, and leaves the rest of the frame as it was.
  const Hdc wdc = process->GetWindowDC(h);
  const HGdiObj pen = process->CreatePen(kPsSolid, 6, gui::kBlue);
  const HGdiObj oldPen = process->SelectObject(wdc, pen);
  process->MoveToEx(wdc, 10, 24, nullptr);
  ASSERT_TRUE(process->LineTo(wdc, 50, 24));
  gui::Bitmap screen = sys.Screen();
  EXPECT_EQ(screen.Pixel(100 + 40, 100 + 24), gui::kBlue);
  EXPECT_EQ(screen.Pixel(100 + 40, 100 + 10), gui::kWhite);
  EXPECT_EQ(screen.Pixel(100 + 5, 100 + 10), gui::kRed);

  // What the context reads back is the frame with the line on it.
  const Hdc copy = process->CreateCompatibleDC(wdc);
  const HGdiObj bitmap = process->CreateCompatibleBitmap(wdc, 64, 48);
  const HGdiObj oldBitmap = process->SelectObject(copy, bitmap);
  ASSERT_TRUE(process->BitBlt(copy, 0, 0, 64, 48, wdc, 0, 0, kSrcCopy));
  ASSERT_TRUE(process->BitBlt(wdc, 0, 0, 32, 48, copy, 32, 0, kSrcCopy));
  screen = sys.Screen();
  EXPECT_EQ(screen.Pixel(100 + 5, 100 + 24), gui::kBlue) << "the line's right part, moved left";
  EXPECT_EQ(screen.Pixel(100 + 5, 100 + 10), gui::kWhite) << "the right image's white";

  // A paint covers what the context drew, as on the system.
  form->Invalidate();
  const int presents = ui.presentCount;
  app.ProcessMessages();
  EXPECT_EQ(ui.presentCount, presents + 1) << "one paint, validated";
  EXPECT_EQ(sys.Screen().Pixel(100 + 40, 100 + 24), gui::kWhite);
  EXPECT_EQ(sys.Screen().Pixel(100 + 5, 100 + 24), gui::kRed);

  process->SelectObject(copy, oldBitmap);
  EXPECT_TRUE(process->DeleteObject(bitmap));
  EXPECT_TRUE(process->DeleteDC(copy));
  process->SelectObject(wdc, oldPen);
  EXPECT_TRUE(process->DeleteObject(pen));
  EXPECT_EQ(process->ReleaseDC(h, wdc), 1);
}

TEST_F(GuiFrameworkTest, AFormThatGrowsPaintsAndDrawsOverItsWholeNewSize) {
  TestForm* form = nullptr;
  app.CreateForm(form);
  app.ProcessMessages();
  form->SetBounds(100, 100, 96, 64);
  app.ProcessMessages();
  ASSERT_NE(process->WindowSurface(form->Handle()), nullptr);
  EXPECT_EQ(process->WindowSurface(form->Handle())->Width(), 96);
  EXPECT_EQ(sys.Screen().Pixel(100 + 90, 100 + 60), gui::kWhite) << "the new part is the form's";

  const Hdc wdc = process->GetWindowDC(form->Handle());
  const HGdiObj pen = process->CreatePen(kPsSolid, 1, gui::kGreen);
  const HGdiObj oldPen = process->SelectObject(wdc, pen);
  process->MoveToEx(wdc, 95, 0, nullptr);
  ASSERT_TRUE(process->LineTo(wdc, 95, 64));
  EXPECT_EQ(sys.Screen().Pixel(100 + 95, 100 + 63), gui::kGreen);
  process->SelectObject(wdc, oldPen);
  process->DeleteObject(pen);
  process->ReleaseDC(form->Handle(), wdc);
}

// The system asks a window to paint only what needs it (an uncovered strip);
// a backend that is told so puts only that part on the screen.
struct StripBackend final : gui::Backend {
  explicit StripBackend(gui::HeadlessBackend& inner) : inner(inner) {}
  gui::IRect PresentFrame(Hwnd hwnd, const gui::Bitmap& frame) override {
    inner.PresentFrame(hwnd, frame);
    return strip;
  }
  gui::IRect PaintArea(Hwnd) override { return strip; }
  void PaintThrough(Hwnd h, const std::function<void()>& draw) override {
    inner.PaintThrough(h, draw);
  }
  int MessageBox(Hwnd o, std::string_view t, std::string_view c, std::uint32_t f) override {
    return inner.MessageBox(o, t, c, f);
  }
  int TrackPopupMenu(const std::vector<gui::MenuEntry>& e, std::int32_t x, std::int32_t y,
                     std::uint32_t f, Hwnd o) override {
    return inner.TrackPopupMenu(e, x, y, f, o);
  }
  HIcon CreateIcon(const gui::MaskedImage& i) override { return inner.CreateIcon(i); }
  void DestroyIcon(HIcon i) override { inner.DestroyIcon(i); }
  bool KeyPressed(int k) override { return inner.KeyPressed(k); }
  bool ChooseColor(Hwnd o, gui::ColorChoice& c) override { return inner.ChooseColor(o, c); }
  bool GetOpenFileName(Hwnd o, gui::FileChoice& c) override { return inner.GetOpenFileName(o, c); }
  gui::HeadlessBackend& inner;
  gui::IRect strip{0, 0, 64, 48};
};

TEST(GuiFrameworkPaint, APartialPaintCoversOnlyItsPartOfWhatTheContextDrew) {
  SimSystem sys;
  auto process = sys.StartProcess();
  gui::HeadlessBackend headless(*process);
  StripBackend ui(headless);
  gui::Application app(*process, ui, "Test");
  TestForm* form = nullptr;
  app.CreateForm(form);
  app.ProcessMessages();

  const Hdc wdc = process->GetWindowDC(form->Handle());
  const HGdiObj pen = process->CreatePen(kPsSolid, 1, gui::kGreen);
  const HGdiObj oldPen = process->SelectObject(wdc, pen);
  process->MoveToEx(wdc, 0, 10, nullptr);
  process->LineTo(wdc, 64, 10);
  process->MoveToEx(wdc, 0, 40, nullptr);
  process->LineTo(wdc, 64, 40);
  ui.strip = {0, 30, 64, 48};
  form->Invalidate();
  app.ProcessMessages();

  const gui::Bitmap& held = *process->WindowSurface(form->Handle());
  EXPECT_EQ(held.Pixel(20, 10), gui::kGreen) << "outside the strip the line stays";
  EXPECT_EQ(held.Pixel(20, 40), gui::kWhite) << "inside it the form's frame covers it";
  process->SelectObject(wdc, oldPen);
  process->DeleteObject(pen);
  process->ReleaseDC(form->Handle(), wdc);
}

TEST_F(GuiFrameworkTest, ShowAndHideHandlersRunOnlyOnChangesAndErrorsAreBoxed) {
  TestForm* form = nullptr;
  int shows = 0;
  app.CreateForm(form);
  // An exception inside a message handler is boxed and the loop goes on.
  form->left.OnClick = [] { throw std::runtime_error("Broken click"); };
  process->SetCursorPos(105, 105);
  Press(kMouseEventLeftDown);
  Press(kMouseEventLeftUp);
  ASSERT_EQ(ui.MessageBoxes().size(), 1u);
  EXPECT_EQ(ui.MessageBoxes()[0].text, "Broken click");
  EXPECT_EQ(ui.MessageBoxes()[0].caption, "Test");
  EXPECT_EQ(ui.MessageBoxes()[0].flags, gui::kMbOk | gui::kMbIconStop);

  form->OnShow = [&] {
    ++shows;
    throw std::runtime_error("Broken show");
  };
  form->Hide();
  app.Guard([&] { form->Show(); });
  app.Guard([&] { form->Show(); });
  EXPECT_EQ(shows, 1);
  ASSERT_EQ(ui.MessageBoxes().size(), 2u);
  EXPECT_EQ(ui.MessageBoxes()[1].text, "Broken show");
}

TEST_F(GuiFrameworkTest, TimerTicksWhileEnabledAndCoalescesWhenLate) {
  process->SetIdleTimeBudget(1000);
  gui::Timer timer(app, "Timer1", 50);
  int ticks = 0;
  timer.OnTimer = [&] { ++ticks; };
  sys.Advance(500);
  app.ProcessMessages();
  EXPECT_EQ(ticks, 0) << "disabled by design";
  timer.SetEnabled(true);
  sys.Advance(200);  // the loop was busy: one tick stands for four periods
  app.ProcessMessages();
  EXPECT_EQ(ticks, 1);
  for (int i = 0; i < 3; ++i) process->WaitMessage(), app.ProcessMessages();
  EXPECT_EQ(ticks, 4);
  timer.SetEnabled(false);
  sys.Advance(200);
  app.ProcessMessages();
  EXPECT_EQ(ticks, 4);
}

TEST_F(GuiFrameworkTest, MenuEntriesShortcutsAndChoice) {
  TestForm* form = nullptr;
  app.CreateForm(form);
  gui::PopupMenu menu(*form, "Menu");
  gui::MenuItem open("Open", "&Open", gui::ShortCut::Ctrl('O')), sep("N1", "-"), sub("Sub", "More"),
      inner("Inner", "&Inner"), hidden("Hidden", "Hidden");
  hidden.visible = false;
  inner.checked = true;
  // A shortcut shown for the user alone keeps its '&' and loses a tab.
  inner.shortcutText = "Ctrl+&\t1";
  for (auto* i : {&open, &sep, &sub, &hidden}) menu.Add(*i);
  sub.Add(inner);
  int innerClicks = 0;
  inner.OnClick = [&] { ++innerClicks; };

  const auto entries = menu.Entries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].text, "&Open\tCtrl+O");
  EXPECT_TRUE(entries[1].separator);
  EXPECT_TRUE(entries[2].children.at(0).checked);
  EXPECT_EQ(entries[2].children.at(0).text, "&Inner\tCtrl+&&1");

  ui.ChooseInMenus("&Inner");
  menu.Popup(10, 20);
  EXPECT_EQ(innerClicks, 1);
  ui.ChooseInMenus("More");  // a submenu's own entry is no command
  menu.Popup(10, 20);
  EXPECT_EQ(innerClicks, 1);
  EXPECT_EQ(menu.FindShortCut(gui::ShortCut::Ctrl('O')), &open);
  EXPECT_EQ(menu.FindShortCut({'O'}), nullptr);
}

TEST(ImageListTest, RendersEntriesMaskedAndLeavesTheBitmapForAnOutsideIndex) {
  gui::ImageList list(4, 4);
  gui::MaskedImage img{gui::Bitmap(4, 4, gui::kGreen), std::vector<std::uint8_t>(16, 0)};
  img.mask[0] = 1;
  list.Add(img);
  list.Add({gui::Bitmap(2, 2, gui::kYellow), {}});  // another size is stretched to fit

  gui::Bitmap bmp(1, 1, gui::kRed);
  ASSERT_TRUE(list.GetBitmap(0, bmp));
  EXPECT_EQ(bmp.Width(), 4);
  EXPECT_EQ(bmp.Pixel(1, 0), gui::kGreen);
  EXPECT_EQ(bmp.Pixel(0, 0), gui::kRed) << "a transparent pixel keeps what was there";
  ASSERT_TRUE(list.GetBitmap(1, bmp));
  EXPECT_EQ(bmp.Pixel(3, 3), gui::kYellow);
  EXPECT_FALSE(list.GetBitmap(2, bmp));
  EXPECT_FALSE(list.GetBitmap(-1, bmp));
  EXPECT_EQ(bmp.Pixel(3, 3), gui::kYellow) << "nothing drawn for an index outside the list";
}

}  // namespace

namespace {

// The simulated media services: what the player's callers rely on.
TEST(SimulatedSound, OpenPlayFinishStopAndClose) {
  platform::memory::SimSystem sys;
  auto p = sys.StartProcess();
  sys.AddSoundFile("canyon.mid");
  platform::MciOpenParms open;
  open.lpstrElementName = "CANYON.MID";
  ASSERT_EQ(p->mciSendCommandA(0, platform::mci::kOpen,
                               platform::mci::kWait | platform::mci::kOpenElement, open),
            0u);
  const std::uint32_t id = open.wDeviceID;
  platform::MciPlayParms play;
  ASSERT_EQ(p->mciSendCommandA(id, platform::mci::kPlay, platform::mci::kNotify, play), 0u);
  platform::MciStatusParms status;
  status.dwItem = platform::mci::kStatusMode;
  p->mciSendCommandA(id, platform::mci::kStatus, platform::mci::kStatusItem, status);
  EXPECT_EQ(status.dwReturn, platform::mci::kModePlay);
  sys.FinishSounds();
  p->mciSendCommandA(id, platform::mci::kStatus, platform::mci::kStatusItem, status);
  EXPECT_EQ(status.dwReturn, platform::mci::kModeStop) << "ended by itself, still open";
  EXPECT_EQ(sys.PlayedSounds(), std::vector<std::string>{"CANYON.MID"});
  p.reset();
  EXPECT_TRUE(sys.SoundDevices().empty()) << "a process that ends closes its devices";
}

}  // namespace
