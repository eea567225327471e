// The real system's side where it has no simulated counterpart to be held
// to (the framework backend, the shell, message routing): checked where the
// system shows the result.
// Icons are drawn over a known background, frames are read back from the
// window, menus and message boxes are answered while they run.
#include <gtest/gtest.h>
#include <windows.h>
#undef MessageBox

#include <cstring>
#include <vector>

#include "gui/win32/Win32Backend.h"
#include "platform/win32/Win32Platform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using gui::Bitmap;

constexpr gui::Color kBackground = gui::Rgb(0x12, 0x34, 0x56);

// A 32-bpp top-down memory surface to draw on and read back.
class Canvas {
 public:
  Canvas(int w, int h, gui::Color fill) : w_(w) {
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    bmp_ = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, reinterpret_cast<void**>(&px_),
                              nullptr, 0);
    dc_ = ::CreateCompatibleDC(nullptr);
    old_ = ::SelectObject(dc_, bmp_);
    for (int i = 0; i < w * h; ++i) px_[i] = Bitmap::ToDevice(fill);
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteDC(dc_);
    ::DeleteObject(bmp_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  gui::Color At(int x, int y) const {
    ::GdiFlush();
    return Bitmap::FromDevice(px_[y * w_ + x] & 0xFFFFFF);
  }

 private:
  int w_;
  HBITMAP bmp_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ old_ = nullptr;
  std::uint32_t* px_ = nullptr;
};

gui::Color Drawn(platform::HIcon icon, int w, int h, int x, int y) {
  Canvas c(w, h, kBackground);
  ::DrawIconEx(c.dc(), 0, 0, reinterpret_cast<HICON>(icon), w, h, 0, nullptr, DI_NORMAL);
  return c.At(x, y);
}

// 20 pixels wide, so mask rows need padding and pixels land in every bit.
gui::MaskedImage IconPicture() {
  gui::MaskedImage img;
  img.color = Bitmap(20, 4, gui::kRed);
  img.color.SetPixel(3, 2, gui::kBlue);
  img.mask.assign(20 * 4, 0);
  for (int y = 0; y < 4; ++y) img.mask[y * 20 + 0] = 1;
  img.mask[1 * 20 + 9] = 1;
  img.mask[3 * 20 + 19] = 1;
  return img;
}

TEST(Win32Backend, AnIconShowsItsOpaquePixelsAndLetsTheBackgroundThroughItsMask) {
  gui::Win32Backend backend;
  const platform::HIcon icon = backend.CreateIcon(IconPicture());
  ASSERT_NE(icon, 0u);
  EXPECT_EQ(Drawn(icon, 20, 4, 1, 0), gui::kRed);
  EXPECT_EQ(Drawn(icon, 20, 4, 3, 2), gui::kBlue);
  EXPECT_EQ(Drawn(icon, 20, 4, 19, 0), gui::kRed);
  for (int y = 0; y < 4; ++y) EXPECT_EQ(Drawn(icon, 20, 4, 0, y), kBackground) << y;
  EXPECT_EQ(Drawn(icon, 20, 4, 9, 1), kBackground);
  EXPECT_EQ(Drawn(icon, 20, 4, 9, 0), gui::kRed) << "rows stay apart";
  EXPECT_EQ(Drawn(icon, 20, 4, 19, 3), kBackground);
  backend.DestroyIcon(icon);
}

TEST(Win32Backend, AMaskOfTheWrongSizeGivesAnOpaqueIconAndAnEmptyPictureNone) {
  gui::Win32Backend backend;
  gui::MaskedImage img = IconPicture();
  img.mask.resize(7, 1);
  const platform::HIcon icon = backend.CreateIcon(img);
  ASSERT_NE(icon, 0u);
  EXPECT_EQ(Drawn(icon, 20, 4, 0, 0), gui::kRed);
  backend.DestroyIcon(icon);

  EXPECT_EQ(backend.CreateIcon(gui::MaskedImage{}), 0u);
  backend.DestroyIcon(0);
}

class Win32BackendWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    auto popup = contract::Popup("Backend");
    popup.width = 64;
    popup.height = 48;
    window = std::make_unique<contract::LoggingWindow>(
        p, popup, [this](const platform::Msg& m) -> std::optional<platform::LResult> {
          if (m.message != platform::msg::kPaint) return std::nullopt;
          backend.PresentFrame(m.hwnd, frame);
          return 0;
        });
    ASSERT_NE(window->hwnd(), 0u);
  }

  platform::Win32Platform p;
  gui::Win32Backend backend;
  Bitmap frame{64, 48, gui::kWhite};
  std::unique_ptr<contract::LoggingWindow> window;
};

TEST_F(Win32BackendWindow, AFrameLandsTopDownAndValidatesTheWindow) {
  frame.SetPixel(0, 0, gui::kRed);
  frame.SetPixel(63, 0, gui::kGreen);
  frame.SetPixel(0, 47, gui::kBlue);
  frame.SetPixel(63, 47, gui::kYellow);
  p.ShowWindow(window->hwnd(), platform::kSwShowNoActivate);
  EXPECT_EQ(backend.PaintArea(window->hwnd()), (gui::IRect{0, 0, 64, 48}))
      << "a window just shown asks for all of it";
  contract::PumpPending(p);
  ASSERT_GE(window->Count(platform::msg::kPaint), 1);

  window->ClearLog();
  contract::PumpPending(p);
  EXPECT_EQ(window->Count(platform::msg::kPaint), 0) << "painting validated the window";
  EXPECT_TRUE(backend.PaintArea(window->hwnd()).Empty());

  Canvas c(64, 48, gui::kBlack);
  HDC wdc = ::GetDC(reinterpret_cast<HWND>(window->hwnd()));
  ::BitBlt(c.dc(), 0, 0, 64, 48, wdc, 0, 0, SRCCOPY);
  ::ReleaseDC(reinterpret_cast<HWND>(window->hwnd()), wdc);
  EXPECT_EQ(c.At(0, 0), gui::kRed);
  EXPECT_EQ(c.At(63, 0), gui::kGreen);
  EXPECT_EQ(c.At(0, 47), gui::kBlue);
  EXPECT_EQ(c.At(63, 47), gui::kYellow);
  EXPECT_EQ(c.At(30, 20), gui::kWhite);
}

TEST_F(Win32BackendWindow, AnEmptyFrameStillValidatesTheWindow) {
  frame = Bitmap();
  p.ShowWindow(window->hwnd(), platform::kSwShowNoActivate);
  contract::PumpPending(p);
  window->ClearLog();
  p.InvalidateRect(window->hwnd());
  contract::PumpPending(p);
  EXPECT_EQ(window->Count(platform::msg::kPaint), 1);
}

// Keys queued before the menu opens are read by the menu's own loop; a
// timer ends a menu that ignores them, so a fault fails instead of hanging.
void CALLBACK EndStuckMenu(HWND, UINT, UINT_PTR, DWORD) { ::EndMenu(); }

int ChooseWithKeys(gui::Win32Backend& backend, platform::Hwnd owner, const std::vector<MSG>& keys) {
  const std::vector<gui::MenuEntry> menu = {
      {1, "&Open", false, false, true, {}},
      {0, "", true, false, true, {}},
      {2, "&Settings\tCtrl+S", false, true, true, {}},
      {3, "&Disabled", false, false, false, {}},
      {4, "S&ub", false, false, true, {{5, "&Child", false, false, true, {}}}},
  };
  for (const MSG& k : keys) ::PostMessageA(reinterpret_cast<HWND>(owner), k.message, k.wParam, 0);
  const UINT_PTR guard = ::SetTimer(nullptr, 0, 3000, EndStuckMenu);
  const int chosen = backend.TrackPopupMenu(menu, 120, 130, gui::kTpmRightButton, owner);
  ::KillTimer(nullptr, guard);
  return chosen;
}

MSG Key(WPARAM vk) { return MSG{nullptr, WM_KEYDOWN, vk, 0, 0, {}}; }
MSG Char(char c) { return MSG{nullptr, WM_CHAR, static_cast<WPARAM>(c), 0, 0, {}}; }

TEST_F(Win32BackendWindow, APopupMenuReturnsTheChosenIdOrZero) {
  const platform::Hwnd owner = window->hwnd();
  EXPECT_EQ(ChooseWithKeys(backend, owner, {Key(VK_DOWN), Key(VK_RETURN)}), 1);
  EXPECT_EQ(ChooseWithKeys(backend, owner, {Key(VK_DOWN), Key(VK_DOWN), Key(VK_RETURN)}), 2)
      << "the separator is skipped";
  EXPECT_EQ(ChooseWithKeys(backend, owner, {Char('s')}), 2) << "access keys";
  EXPECT_EQ(ChooseWithKeys(backend, owner, {Char('u'), Key(VK_RETURN)}), 5) << "submenus";
  EXPECT_EQ(ChooseWithKeys(backend, owner, {Key(VK_ESCAPE)}), 0);
  EXPECT_EQ(window->Count(WM_COMMAND), 0) << "the choice is returned, not sent";
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR id, DWORD) {
  if (HWND box = ::FindWindowA(nullptr, "Tavrin contract box")) {
    ::KillTimer(nullptr, id);
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
  }
}

TEST_F(Win32BackendWindow, AMessageBoxShowsItsCaptionAndReturnsTheButton) {
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, AnswerBox);
  EXPECT_EQ(backend.MessageBox(window->hwnd(), "Text", "Tavrin contract box",
                               gui::kMbOk | gui::kMbIconInformation),
            gui::kIdOk);
  ::KillTimer(nullptr, timer);
}

TEST_F(Win32BackendWindow, ANotificationIconIsAddedModifiedAndDeletedOnce) {
  const platform::HIcon icon = backend.CreateIcon(IconPicture());
  platform::NotifyIconData nid;
  nid.hWnd = window->hwnd();
  nid.uID = 1;
  nid.uFlags = platform::kNifMessage | platform::kNifIcon | platform::kNifTip;
  nid.uCallbackMessage = platform::msg::kUser + 5;
  nid.hIcon = icon;
  std::strcpy(nid.szTip, "Tavrin");
  EXPECT_TRUE(p.Shell_NotifyIconA(platform::kNimAdd, nid));
  std::strcpy(nid.szTip, "Tavrin - connected");
  EXPECT_TRUE(p.Shell_NotifyIconA(platform::kNimModify, nid));
  EXPECT_TRUE(p.Shell_NotifyIconA(platform::kNimDelete, nid));
  EXPECT_FALSE(p.Shell_NotifyIconA(platform::kNimDelete, nid));
  backend.DestroyIcon(icon);
}

TEST(Win32Platform, TheProcedureSeesEveryMessageFromCreationToNcDestroy) {
  platform::Win32Platform p;
  std::vector<platform::Msg> log;
  const platform::Hwnd h = p.CreateWindowExA(
      contract::Popup("Routing"),
      [&](platform::Hwnd hwnd, std::uint32_t m, platform::WParam w, platform::LParam l) {
        log.push_back({hwnd, m, w, l});
        return p.DefWindowProcA(hwnd, m, w, l);
      });
  ASSERT_NE(h, 0u);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front().hwnd, h);
  // Sizeable styles get WM_GETMINMAXINFO even before WM_NCCREATE.
  EXPECT_TRUE(log.front().message == WM_NCCREATE || log.front().message == WM_GETMINMAXINFO)
      << log.front().message;
  const auto seen = [&](UINT m) {
    for (const auto& e : log)
      if (e.message == m) return true;
    return false;
  };
  EXPECT_TRUE(seen(WM_NCCREATE));
  EXPECT_TRUE(seen(WM_CREATE));
  ASSERT_TRUE(p.DestroyWindow(h));
  EXPECT_EQ(log.back().message, static_cast<std::uint32_t>(WM_NCDESTROY));
  log.clear();
  EXPECT_EQ(p.SendMessageA(h, WM_USER, 0, 0), 0);
  EXPECT_TRUE(log.empty());
}

TEST(Win32Platform, ARefusedCreationReturnsNoWindow) {
  platform::Win32Platform p;
  int calls = 0;
  const platform::Hwnd h = p.CreateWindowExA(
      contract::Popup("Refused"),
      [&](platform::Hwnd, std::uint32_t, platform::WParam, platform::LParam) -> platform::LResult {
        ++calls;
        return 0;  // 0 for WM_NCCREATE refuses the window
      });
  EXPECT_EQ(h, 0u);
  EXPECT_GE(calls, 1);
}

TEST(Win32Platform, GetVersionReportsAnNtSystem) {
  platform::Win32Platform p;
  platform::OsVersionInfo v;
  ASSERT_TRUE(p.GetVersionExA(&v));
  EXPECT_EQ(v.dwPlatformId, platform::kVerPlatformWin32Nt);
  EXPECT_GE(v.dwMajorVersion, 5u);
  EXPECT_FALSE(p.GetVersionExA(nullptr));
}

}  // namespace
