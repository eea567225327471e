// The overlay on a machine with two monitors, the second left of and above
// the primary (so its screen coordinates run negative): each show covers
// the monitor the pointer is on (the taskbar's strip too), its picture is
// that monitor's and the tools work in its coordinates; the pointer leaving it leaves the overlay
// in place; a change of the layout closes it; Cursor Reset centres the
// pointer on its own monitor.
#include <gtest/gtest.h>

#include "effects/Dispatcher.h"
#include "tests/support/OverlayDriver.h"

namespace {

using namespace testing_support;
using platform::Point;
using platform::Rect;

constexpr unsigned kZoom = 3, kSpotLight = 5, kRectangle = 7;
constexpr Rect kPrimary{0, 0, 320, 240}, kSecond{-200, -60, 0, 90};

// Each with its taskbar, so that neither's work area is the whole monitor:
// the primary's along its bottom, the second's along its left side.
std::vector<platform::memory::SimMonitor> Layout(const Rect& primary, const Rect& second) {
  return {{primary, {primary.left, primary.top, primary.right, primary.bottom - 40}, true},
          {second, {second.left + 30, second.top, second.right, second.bottom}, false}};
}

class MonitorsTest : public ::testing::Test, protected OverlayDriver {
 protected:
  MonitorsTest() : OverlayDriver(kPrimary.Width(), kPrimary.Height()) {
    sys.SetMonitors(Layout(kPrimary, kSecond));
    h.app.ProcessMessages();
    // Every pixel of the screen tells where it is.
    gui::Bitmap& wall = sys.Wallpaper();
    for (int y = 0; y < wall.Height(); ++y)
      for (int x = 0; x < wall.Width(); ++x)
        wall.SetPixel(x, y, gui::Rgb(x & 0xFF, y & 0xFF, x >> 8));
  }
  // The screen's pixels inside r (screen coordinates).
  gui::Bitmap Part(const gui::Bitmap& screen, const Rect& r) {
    const Rect v = sys.VirtualScreen();
    gui::Bitmap part(r.Width(), r.Height());
    gui::raster::Blit(part, 0, 0, screen,
                      {r.left - v.left, r.top - v.top, r.right - v.left, r.bottom - v.top});
    return part;
  }
  Rect OverlayRect() { return sys.Window(overlay().Handle())->rect; }
  bool OverlayShows() { return sys.Window(overlay().Handle())->visible; }
};

TEST_F(MonitorsTest, EachShowCoversTheMonitorUnderThePointerAndLeavesTheOtherAsItWas) {
  const gui::Bitmap before = sys.Screen();
  for (const auto& [monitor, other] : {std::pair{kSecond, kPrimary}, std::pair{kPrimary, kSecond}})
    for (unsigned code : {kZoom, kSpotLight, effect::kBreakTime, kRectangle}) {
      Open(code, monitor.left + 10, monitor.top + 10);
      ASSERT_TRUE(OverlayShows()) << code;
      EXPECT_EQ(OverlayRect(), monitor) << code;
      EXPECT_EQ(overlay().ScreenWidth, monitor.Width()) << code;
      EXPECT_EQ(overlay().ScreenHeight, monitor.Height()) << code;
      if (code != effect::kBreakTime) {  // the break's field covers its picture
        EXPECT_EQ(ShowPicture(overlay()), Part(before, monitor)) << code;
      }
      EXPECT_EQ(Part(sys.Screen(), other), Part(before, other)) << code;
      Close();
    }
}

TEST_F(MonitorsTest, ToolsWorkInTheOverlaysCoordinatesOnTheirMonitor) {
  const Point origin{kSecond.left, kSecond.top};
  const gui::Bitmap screen = sys.Screen();
  const auto at = [&](int x, int y) { return Part(screen, {x, y, x + 1, y + 1}).Pixel(0, 0); };

  // Zoom: the enlarged area starts at the pointer.
  Open(kZoom, origin.x + 30, origin.y + 20);
  Move(origin.x + 40, origin.y + 25);
  EXPECT_EQ(Shown().Pixel(0, 0), at(origin.x + 40, origin.y + 25));
  Close();

  // Spot Light: the lit box at the pointer shows the monitor's own picture.
  p().Settings.SpotLightStyle = 0;
  p().Settings.SpotLightWidth = 20;
  p().Settings.SpotLightHeight = 10;
  Open(kSpotLight, origin.x + 50, origin.y + 40);
  Move(origin.x + 60, origin.y + 45);
  EXPECT_EQ(Shown().Pixel(65, 50), at(origin.x + 65, origin.y + 50));
  EXPECT_TRUE(Shown().Pixel(58, 50) != at(origin.x + 58, origin.y + 50) ||
              Shown().Pixel(59, 50) != at(origin.x + 59, origin.y + 50))
      << "dimmed beside it";
  Close();

  // Rectangle: the band follows the pointer's place on this monitor.
  Open(kRectangle, origin.x + 10, origin.y + 10);
  Press(false);
  Move(origin.x + 30, origin.y + 25);
  EXPECT_EQ(overlay().Shape1.BoundsRect(), (gui::IRect{10, 10, 30, 25}));
}

TEST_F(MonitorsTest, ThePointerCrossingToTheOtherMonitorLeavesTheOverlayWhereItIs) {
  Open(kZoom, kSecond.left + 10, kSecond.top + 10);
  Move(100, 100);
  EXPECT_EQ(sys.Cursor(), (Point{100, 100}));
  EXPECT_TRUE(OverlayShows());
  EXPECT_EQ(OverlayRect(), kSecond);
}

TEST_F(MonitorsTest, ALayoutChangeClosesTheOverlayAndTheNextShowTakesTheNewMonitor) {
  Open(kZoom, kSecond.left + 10, kSecond.top + 10);
  const Rect moved{320, 0, 480, 120};  // the second monitor now right of the primary
  sys.SetMonitors(Layout(kPrimary, moved));
  h.app.ProcessMessages();
  EXPECT_FALSE(OverlayShows());
  EXPECT_FALSE(p().OverlayVisible);

  Open(kZoom, 400, 60);
  EXPECT_EQ(OverlayRect(), moved);
  EXPECT_EQ(ShowPicture(overlay()), Part(sys.Wallpaper(), moved));
}

TEST_F(MonitorsTest, CursorResetCentresThePointerOnItsOwnMonitor) {
  for (const auto& [from, centre] :
       {std::pair{Point{-190, 80}, Point{-100, 15}}, std::pair{Point{300, 200}, Point{160, 120}},
        // In the gap below the shorter monitor: the nearest.
        std::pair{Point{-190, 200}, Point{-100, 15}}}) {
    sys.PlaceCursor(from);
    h.Main().DispatchEffect(effect::kCursorReset);
    h.app.ProcessMessages();
    EXPECT_EQ(sys.Cursor(), centre) << from.x << "," << from.y;
  }
}

}  // namespace
