#include "effects/Show.h"

#include <algorithm>
#include <utility>

#include "effects/Snapshot.h"
#include "effects/tools/Mark.h"
#include "effects/tools/PenRectangle.h"
#include "effects/tools/RevealLine.h"
#include "effects/tools/SpotLaser.h"
#include "effects/tools/ToolCanvas.h"
#include "effects/tools/ZoomMagnifier.h"
#include "gui/Dpi.h"
#include "gui/MediaPlayer.h"

using namespace platform;

namespace {

// The capture reads the screen again while a window that was just hidden
// still shows there: the system takes the window away, and the windows
// under it repaint, on its own time. Bounded: past the bound the last read
// is the picture, since a program that paints slowly under the palette is
// still a better picture than none. The bound is a time, not a count of
// reads: on Windows each 5 ms pause lasts to the clock's next tick, 15.6 ms.
constexpr std::uint32_t kCaptureBoundMs = 195;
constexpr std::uint32_t kCaptureRetryMs = 5;

// Keys of the overlay's own beyond the framework's.
constexpr std::uint16_t kVkDelete = 0x2E;
constexpr std::uint16_t kVkLShift = 0xA0;  // to VK_RMENU (0xA5): left and right modifiers

gui::FormDesign OverlayDesign(Platform& sys) {
  // Maximized: the form covers the primary screen from its corner.
  return {.className = "TForm_Draw",
          .caption = "Form_Draw",
          .left = 0,
          .top = 0,
          .clientWidth = sys.GetSystemMetrics(kSmCxScreen),
          .clientHeight = sys.GetSystemMetrics(kSmCyScreen),
          .stayOnTop = true,
          .keyPreview = true,
          .color = gui::kGray,
          // The audience looks at it: the picture and the tools in the
          // monitor's own pixels, each tool at its own scale.
          .monitorPixels = true};
}

// Whether the window's pixels still stand where it stood: at least half of
// its part in the picture shows exactly what it showed. Other windows in
// front of it can cover part; what shows through is still the window. The
// picture's corner is at origin on the screen.
bool StillShows(const gui::Bitmap& picture, const Point& origin, const LeavingWindow& w) {
  const gui::IRect rect{w.rect.left - origin.x, w.rect.top - origin.y, w.rect.right - origin.x,
                        w.rect.bottom - origin.y};
  const gui::IRect inPicture = gui::Intersect(rect, picture.Bounds());
  if (inPicture.Empty()) return false;
  long long same = 0, total = 0;
  for (int y = inPicture.top; y < inPicture.bottom; ++y)
    for (int x = inPicture.left; x < inPicture.right; ++x) {
      ++total;
      if (picture.Pixel(x, y) == w.pixels.Pixel(x - rect.left, y - rect.top)) ++same;
    }
  return same * 2 >= total;
}

}  // namespace

void OverlayShape::SetPen(int width, gui::Color colour) {
  if (width == penWidth && colour == penColor) return;
  if (Visible()) Damage(BoundsRect());  // where the old pen drew
  penWidth = width;
  penColor = colour;
  if (Visible()) Damage(BoundsRect());
}

void OverlayShape::PaintPart(gui::Bitmap& frame, const gui::IRect& clip) const {
  const gui::IRect area = gui::Intersect(clip, frame.Bounds());
  for (const gui::IRect& band : tools::FrameBands(BoundsRect(), std::max(penWidth, 1))) {
    const gui::IRect part = gui::Intersect(band, area);
    if (!part.Empty()) gui::raster::FillRect(frame, part, penColor);
  }
}

void OverlayShape::Damage(const gui::IRect& bounds) const {
  for (const gui::IRect& band : tools::FrameBands(bounds, std::max(penWidth, 1)))
    if (!band.Empty()) Owner().Damage(band);
}

TForm_Draw::TForm_Draw(gui::Application& app, Program& program)
    : gui::Form(app, OverlayDesign(app.Sys())),
      Image_Draw(*this, "Image_Draw", {0, 0, ClientWidth(), ClientHeight()}),
      Shape1(*this, "Shape1", {0, 0, 0, 0}),
      LabelMinute(*this, "LabelMinute", {"Times New Roman", 64}, OverlayLabel::Alignment::Left,
                  "9"),
      Labelinteral(*this, "Labelinteral", {"Times New Roman", 48}, OverlayLabel::Alignment::Left,
                   ":"),
      LabelSecond(*this, "LabelSecond", {"Times New Roman", 64}, OverlayLabel::Alignment::Right,
                  "59"),
      Timer1(app, "Timer1", 1000),
      Timer3(app, "Timer3", 50),
      program_(program) {
  Shape1.SetVisible(false);
  for (OverlayLabel* label : {&LabelMinute, &Labelinteral, &LabelSecond}) label->SetVisible(false);
  for (auto& tool : tools_) tool = std::make_unique<OverlayTool>();
  SetTool(1, std::make_unique<tools::MarkTool>(*this, program));
  SetTool(2, std::make_unique<tools::RevealTool>(*this, program));
  SetTool(3, std::make_unique<tools::LineTool>(*this, program));
  SetTool(4, std::make_unique<tools::ZoomTool>(*this, program));
  SetTool(6, std::make_unique<tools::SpotLightTool>(*this, program));
  SetTool(7, std::make_unique<tools::LaserBeamTool>(*this, program));
  SetTool(9, std::make_unique<tools::MagnifierTool>(*this, program));
  SetTool(5, std::make_unique<tools::PenTool>(*this, program));
  SetTool(8, std::make_unique<tools::RectangleTool>(*this, program));

  OnShow = [this] { FormShow(); };
  OnClose = [this](gui::CloseAction& a) { FormClose(a); };
  OnKeyDown = [this](std::uint16_t& key, unsigned shift) { FormKeyDown(key, shift); };
  Image_Draw.OnMouseDown = [this](gui::MouseButton b, unsigned s, int x, int y) {
    Image_DrawMouseDown(b, s, x, y);
  };
  Image_Draw.OnMouseMove = [this](unsigned s, int x, int y) { Image_DrawMouseMove(s, x, y); };
  Image_Draw.OnMouseUp = [this](gui::MouseButton b, unsigned s, int x, int y) {
    Image_DrawMouseUp(b, s, x, y);
  };
  Timer1.OnTimer = [this] { Timer1Timer(); };
  Timer3.OnTimer = [this] { Timer3Timer(); };
  Covered = AreaToCover();
}

TForm_Draw::~TForm_Draw() {
  // The program may end while the overlay shows.
  ReleaseShowObjects();
  ReleaseSurfaces();
}

void TForm_Draw::SetTool(int mode, std::unique_ptr<OverlayTool> tool) {
  if (mode < 1 || mode > 9 || !tool) return;
  if (wholeFrames_) tool->wholeFrames = true;
  tools_[static_cast<std::size_t>(mode - 1)] = std::move(tool);
}

void TForm_Draw::SetWholeFrames(bool whole) {
  wholeFrames_ = whole;
  composeWhole = whole;
  for (auto& tool : tools_) tool->wholeFrames = whole;
}

OverlayTool* TForm_Draw::ToolOf(int mode) {
  if (mode < 1 || mode > 9) return nullptr;
  return tools_[static_cast<std::size_t>(mode - 1)].get();
}

std::int64_t TForm_Draw::Px(std::int64_t designPixels) const {
  return gui::ScaleForDpi(designPixels, Dpi);
}

// ---- the screen's picture ------------------------------------------------------

bool TForm_Draw::CaptureScreen(const std::vector<LeavingWindow>& leaving) {
  Platform& sys = program_.sys;
  pictured_ = false;
  captureAttempts_ = 0;
  Covered = AreaToCover();
  const Rect& r = Covered;
  // The surfaces of the last show serve this one while the monitor is as
  // it was; for another size or scale they are made anew.
  if (kept_.capture &&
      (kept_.width != r.Width() || kept_.height != r.Height() || kept_.dpi != coveredDpi_))
    ReleaseSurfaces();

  const Hwnd desktop = sys.GetDesktopWindow();
  const Hdc screen = sys.GetWindowDC(desktop);
  if (!screen) return false;
  if (!kept_.capture) {
    kept_.capture = sys.CreateCompatibleDC(screen);
    kept_.captureBitmap = sys.CreateCompatibleBitmap(screen, r.Width(), r.Height());
    kept_.width = r.Width();
    kept_.height = r.Height();
    kept_.dpi = coveredDpi_;
    if (!kept_.capture || !kept_.captureBitmap ||
        !sys.SelectObject(kept_.capture, kept_.captureBitmap))
      ReleaseSurfaces();
  }
  if (kept_.capture) {
    program_.Trace.Mark("capture-setup");
    const std::uint32_t start = sys.GetTickCount();
    for (int attempt = 0;; ++attempt) {
      if (attempt > 0) {
        if (sys.GetTickCount() - start >= kCaptureBoundMs) break;
        sys.Sleep(kCaptureRetryMs);
        program_.Trace.Mark("wait");  // the read before, which found a window still there
      }
      ++captureAttempts_;
      // A read that fails (the workstation locked, the secure desktop up)
      // ends the reading. After good ones the last good one stands, as past
      // the bound: a picture with a window still in it beats none. The
      // failed transfer wrote nothing, so the capture's bitmap still holds
      // that picture.
      if (!sys.BitBlt(kept_.capture, 0, 0, r.Width(), r.Height(), screen, r.left, r.top, kSrcCopy))
        break;
      const gui::Bitmap* picture = sys.MemoryDcPixels(kept_.capture);
      if (!picture) break;
      pictured_ = true;
      const bool clear = std::none_of(leaving.begin(), leaving.end(), [&](const LeavingWindow& w) {
        return StillShows(*picture, {r.left, r.top}, w);
      });
      if (clear) break;
    }
  }
  sys.ReleaseDC(desktop, screen);
  program_.Trace.Mark("capture");
  // Nothing is kept for a screen that cannot be read (a locked workstation).
  if (!pictured_) ReleaseSurfaces();
  return pictured_;
}

const gui::Bitmap* TForm_Draw::ScreenPicture() const {
  return pictured_ ? program_.sys.MemoryDcPixels(kept_.capture) : nullptr;
}

Rect TForm_Draw::AreaToCover() {
  Platform& sys = program_.sys;
  // The monitor the pointer is on as the key comes: where the presenter
  // looks. The primary screen when the system cannot say.
  Point pointer;
  MonitorInfo monitor;
  coveredDpi_ = 0;
  const HMonitor chosen =
      sys.GetCursorPos(&pointer) ? sys.MonitorFromPoint(pointer, kMonitorDefaultToNearest) : 0;
  if (chosen && sys.GetMonitorInfoA(chosen, &monitor) && monitor.monitor.Width() > 0 &&
      monitor.monitor.Height() > 0) {
    // The monitor's own scale. The overlay's window is told its DPI only
    // when the system gets round to it (a hidden window moved onto another
    // monitor may hear it with the show), so its DPI may still be the last
    // monitor's now.
    coveredDpi_ = sys.GetDpiForMonitor(chosen);
    return monitor.monitor;
  }
  return {0, 0, sys.GetSystemMetrics(kSmCxScreen), sys.GetSystemMetrics(kSmCyScreen)};
}

void TForm_Draw::ReleaseSurfaces() {
  Platform& sys = program_.sys;
  // The contexts go first, so each object below is free as it is deleted
  // and goes at once. (Deleted while a context still held it, it would only
  // be marked, and go when the context lets it go.)
  for (Hdc dc : {kept_.capture, kept_.work1, kept_.work2})
    if (dc) sys.DeleteDC(dc);
  for (HGdiObj object :
       {kept_.captureBitmap, kept_.work1Bitmap, kept_.work2Bitmap, kept_.dimBrush, kept_.dimBitmap})
    if (object) sys.DeleteObject(object);
  kept_ = {};
  pictured_ = false;
}

// The screen's picture takes the place of a picture on the clipboard: a
// show without one cannot load it.
bool TForm_Draw::LoadPicture(std::optional<gui::Bitmap>& target) {
  const gui::Bitmap* picture = ScreenPicture();
  if (!picture) return false;
  target = *picture;
  program_.Trace.Mark("picture-copy");
  return true;
}

bool TForm_Draw::LoadImageDraw() {
  const gui::Bitmap* picture = ScreenPicture();
  if (!picture) return false;
  Image_Draw.SetPicture(*picture);
  program_.Trace.Mark("image-draw");
  return true;
}

void TForm_Draw::PaintCleanImage() {
  // The form's canvas shows through Image_Draw's picture: the form is
  // composed from its controls, and Image_Draw covers all of it.
  if (!CleanImage) return;
  const gui::IRect into{0, 0, DesktopRect.Width(), DesktopRect.Height()};
  if (into.Empty()) return;
  if (CleanImage->Bounds() == into) {  // the usual case: nothing to stretch
    Image_Draw.SetPicture(*CleanImage);
    program_.Trace.Mark("clean-paint");
    return;
  }
  gui::Bitmap painted(into.Width(), into.Height(), color);
  gui::raster::StretchBlit(painted, into, *CleanImage, CleanImage->Bounds());
  Image_Draw.SetPicture(painted);
  program_.Trace.Mark("clean-paint");
}

// ---- show ---------------------------------------------------------------------------

void TForm_Draw::FormShow() {
  const TSettings& s = program_.Settings;
  program_.Trace.Mark("to-show");
  ++showSerial_;
  CleanImage.emplace();
  WorkImage.emplace();
  // The screen as the capture found it, for the window and every tool: one
  // rectangle, so the picture, the window and the tools' extent agree.
  SetBounds(Covered.left, Covered.top, Covered.Width(), Covered.Height());
  Image_Draw.SetBounds(0, 0, Covered.Width(), Covered.Height());
  DesktopRect = Covered;
  ScreenWidth = Covered.Width();
  ScreenHeight = Covered.Height();
  // The window's DPI only where the monitor's cannot be had.
  Dpi = coveredDpi_ ? coveredDpi_ : program_.sys.GetDpiForWindow(Handle());
  if (Dpi == 0) Dpi = kDefaultDpi;
  // A stroke or a pin the last show was closed in the middle of ends there.
  PenDown = false;
  History.Reset(ScreenWidth, ScreenHeight);
  for (auto& tool : tools_) tool->ShowBegins();
  program_.Trace.Mark("bounds");

  bool loaded = true;
  switch (program_.OverlayMode) {
    case 1:  // Mark
      if (!(loaded = LoadImageDraw())) break;
      SetUpMarkCursor();
      break;
    case 2:  // Reveal
    case 3:  // Line
      // Image_Draw too (PaintCleanImage), so the first frame shows this
      // show's screen.
      if (!(loaded = LoadPicture(CleanImage) && LoadPicture(WorkImage))) break;
      PaintCleanImage();
      Image_Draw.cursor = gui::kCrNone;
      break;
    case 4:  // Zoom: every frame comes from the capture
      // Zoom, Spot Light, Laser Beam and the Magnifier paint the window
      // with their own frames (PaintToolFrame): Image_Draw's picture is
      // loaded only should one have none to show.
      if (!(loaded = pictured_)) break;
      ShowDrawFunction(false, false);
      Image_Draw.cursor = gui::kCrHandPoint;
      break;
    case 5:  // Pen
      if (!(loaded = LoadImageDraw())) break;
      Image_Draw.cursor = gui::kCrDefault;
      cursor = gui::kCrDefault;
      canvasPen = {tools::PenTool::CanvasWidthFor(s.PenSize, Dpi), PenMode::Mask, s.PenColor};
      break;
    case 6:  // Spot Light: the first frame starts all dark
      if (!(loaded = pictured_)) break;
      Image_Draw.cursor = gui::kCrNone;
      ShowDrawFunction(false, false);
      DimWorkSurface();
      break;
    case 7:  // Laser Beam: the dots on the first, restored from the capture
      if (!(loaded = pictured_)) break;
      Image_Draw.cursor = gui::kCrNone;
      ShowDrawFunction(true, false);
      break;
    case 9:  // Magnifier: the live lens on the first, the pinned ones on the second
      if (!(loaded = pictured_)) break;
      Image_Draw.cursor = gui::kCrNone;
      ShowDrawFunction(true, true);
      break;
    case 8:  // Rectangle
      RectanglePhase = 0;
      RectangleDragging = false;
      Shape1.SetBounds(Shape1.Left(), Shape1.Top(), 0, 0);
      if (!(loaded = LoadImageDraw())) break;
      Image_Draw.cursor = gui::kCrDefault;
      cursor = gui::kCrDefault;
      Shape1.SetPen(tools::RectangleTool::OutlineWidth(*this), s.RectangleColor);
      break;
    case 13:  // Break Time
      if (!(loaded = LoadImageDraw())) break;
      SetUpBreakScreen();
      break;
    default: break;
  }
  program_.Trace.Mark("setup");
  if (!loaded) return;  // no picture: the window shows, nothing is prepared
  // The nudge that draws the tool's first frame comes as soon as the
  // show's first frame is painted (see WndProc); the timer, restarted for
  // this show, is its bound should no paint come.
  Timer3.SetEnabled(false);
  Timer3.SetEnabled(true);
}

void TForm_Draw::SetUpMarkCursor() {
  // A stored MarkChoice is not range-checked: outside the three marks there
  // is no cursor file, and the pointer stays the standard arrow.
  const std::optional<std::size_t> choice = TableIndex(program_.Settings.MarkChoice, 3);
  if (!choice) {
    Image_Draw.cursor = gui::kCrDefault;
    cursor = gui::kCrDefault;
    return;
  }
  HCursor& loaded = markCursors[*choice];
  // Loaded once a run: each load makes a new cursor object. A missing file
  // is tried again at the next show.
  if (!loaded) loaded = tools::LoadMarkCursor(program_.sys, CursorFileNames[*choice]);
  Image_Draw.cursor = gui::kCrCross;
  cursor = gui::kCrCross;
  UseMarkCursor();
}

void TForm_Draw::UseMarkCursor() {
  const std::optional<std::size_t> choice = TableIndex(program_.Settings.MarkChoice, 3);
  App().SetCursor(gui::kCrCross, choice ? markCursors[*choice] : 0);
  UpdateCursor();
}

void TForm_Draw::ShowDrawFunction(bool work1, bool work2) {
  Platform& sys = program_.sys;
  DesktopWindow = sys.GetDesktopWindow();
  const std::int32_t w = DesktopRect.Width(), h = DesktopRect.Height();

  OverlayWindowDC = sys.GetWindowDC(Handle());
  DesktopDC = sys.GetWindowDC(DesktopWindow);
  shown_.surfaces = true;
  shown_.window = Handle();

  // The grab is the capture the show started from, taken before the
  // overlay appeared: the screen is not read a second time, nor the
  // capture copied. Only read from.
  CaptureSurface = kept_.capture;
  for (auto [dc, bitmap] :
       {std::pair{&kept_.work1, &kept_.work1Bitmap}, std::pair{&kept_.work2, &kept_.work2Bitmap}}) {
    if (*dc) continue;
    *bitmap = sys.CreateCompatibleBitmap(CaptureSurface, w, h);
    *dc = sys.CreateCompatibleDC(CaptureSurface);
    sys.SelectObject(*dc, *bitmap);
  }
  WorkSurface1 = kept_.work1;
  WorkSurface2 = kept_.work2;
  program_.Trace.Mark("work-surfaces");
  for (auto [surface, wanted] : {std::pair{WorkSurface1, work1}, std::pair{WorkSurface2, work2}})
    if (wanted) sys.BitBlt(surface, 0, 0, w, h, CaptureSurface, 0, 0, kSrcCopy);
  program_.Trace.Mark("work-copies");
}

void TForm_Draw::DimWorkSurface() {
  Platform& sys = program_.sys;
  if (!kept_.dimBrush) {
    kept_.dimBitmap = sys.CreateBitmap(8, 8, 1, 1, DimPattern.data());
    kept_.dimBrush = sys.CreatePatternBrush(kept_.dimBitmap);
  }
  sys.SelectObject(WorkSurface1, kept_.dimBrush);
  // The capture AND the pattern: the checkerboard's 0 bits turn black.
  sys.BitBlt(WorkSurface1, 0, 0, DesktopRect.Width(), DesktopRect.Height(), CaptureSurface, 0, 0,
             kMergeCopy);
  program_.Trace.Mark("dim");
}

// ---- close --------------------------------------------------------------------------

void TForm_Draw::FormClose(gui::CloseAction&) {
  // No pauses around the hide: the window goes with the thread's next wait,
  // and a pause here would only hold up the screen's return and the
  // device's next packets.
  gui::TMediaPlayer* player = program_.MainPlayer;
  if (player && player->Mode() == gui::TMPModes::mpPlaying && program_.BreakSoundStarted) {
    player->Stop();
    player->Close();
    program_.BreakSoundStarted = false;
  }
  program_.Trace.End();  // a show closed before the pointer moved
  Timer1.SetEnabled(false);
  for (gui::Control* c :
       std::initializer_list<gui::Control*>{&LabelMinute, &LabelSecond, &Labelinteral, &Shape1})
    c->SetVisible(false);
  Hide();
  ReleaseShowObjects();
  SetStayOnTop(false);
  if (gui::Form* main = App().MainForm()) main->Show();
}

void TForm_Draw::ReleaseShowObjects() {
  Platform& sys = program_.sys;
  CleanImage.reset();
  WorkImage.reset();
  History.Reset(0, 0);
  // The window contexts go back with each show; the surfaces stay.
  if (shown_.surfaces) {
    if (DesktopDC) sys.ReleaseDC(DesktopWindow, DesktopDC);
    if (OverlayWindowDC) sys.ReleaseDC(shown_.window, OverlayWindowDC);
  }
  WorkSurface1 = WorkSurface2 = CaptureSurface = 0;
  DesktopDC = OverlayWindowDC = 0;
  shown_ = {};
}

// ---- keys, pointer, timers -----------------------------------------------------

LResult TForm_Draw::WndProc(std::uint32_t message, WParam wParam, LParam lParam) {
  if (message == msg::kDisplayChange) {
    if (Visible()) {
      std::uint16_t esc = gui::kVkEscape;
      FormKeyDown(esc, 0);
    }
    // The surfaces are the old screen's size; the memory goes back now
    // rather than at the next show.
    if (!Visible()) ReleaseSurfaces();
  }
  if (message == msg::kPaint && Visible() && ToolPaintsWindow()) {
    PaintToolFrame();
    return 0;
  }
  const LResult result = gui::Form::WndProc(message, wParam, lParam);
  // The show's picture is on the screen: the tool draws its first frame
  // over it now rather than a timer's period later.
  if (message == msg::kPaint && Visible() && Timer3.Enabled()) {
    program_.Trace.Mark("first-paint");
    if (!FirstToolFrame()) Timer3Timer();
    program_.Trace.Mark("nudge");
  }
  return result;
}

bool TForm_Draw::ToolPaintsWindow() const {
  const int mode = program_.OverlayMode;
  return shown_.surfaces && (mode == 4 || mode == 6 || mode == 7 || mode == 9);
}

void TForm_Draw::PaintToolFrame() {
  // The frozen picture is not put on the screen only to be covered at once
  // by the tool's frame, nor the tool's frame covered by it when the window
  // is uncovered later.
  const bool first = Timer3.Enabled();
  bool nudge = false;
  PaintThrough([&] {
    const std::uint64_t covers = windowCovers_;
    if (first)
      nudge = !FirstToolFrame();
    else if (OverlayTool* tool = ToolOf(program_.OverlayMode))
      tool->PaintWindow();
    if (windowCovers_ != covers) return true;
    // No frame of the tool's (the pointer on another monitor, a setting
    // outside its table): the frozen picture, which only this needs. Loaded
    // once a show: a change of the picture may ask for another paint.
    if (std::exchange(pictureShow_, showSerial_) != showSerial_) LoadImageDraw();
    return false;
  });
  if (!first) return;
  program_.Trace.Mark("first-paint");
  if (nudge) Timer3Timer();
  program_.Trace.Mark("nudge");
}

bool TForm_Draw::FirstToolFrame() {
  // The tools that compose on the surfaces draw the same frame for the
  // same point again, so their first one needs no move from the system:
  // the nudge's move would only come back through the window system (a
  // round trip to the X server under Wine). Reveal and Line show at each
  // move what the move before prepared, and keep the nudge.
  if (!ToolPaintsWindow()) return false;
  Platform& sys = program_.sys;
  Point at;
  Rect r;
  if (!sys.GetCursorPos(&at) || !sys.GetWindowRect(Handle(), &r)) return false;
  const int x = ToDesign(at.x - r.left), y = ToDesign(at.y - r.top);
  // A pointer on another monitor: the nudge, which goes where it is.
  if (!Image_Draw.BoundsRect().Contains(x, y)) return false;
  Timer3.SetEnabled(false);
  // The shape the tool shows the pointer in, as the move would have set it.
  UpdateCursor();
  Image_DrawMouseMove(0, x, y);
  return true;
}

void TForm_Draw::FormKeyDown(std::uint16_t& key, unsigned shift) {
  if (OverlayKey(key, shift)) {
    key = 0;
    return;
  }
  if (key == gui::kVkEscape) Close();
  // Any other key, Esc or not: the dispatcher no longer counts the overlay
  // as its own, so the next overlay key starts a new show.
  program_.OverlayVisible = false;
}

bool TForm_Draw::OverlayKey(std::uint16_t key, unsigned shift) {
  // The modifiers come down first, each a key of its own: they must not end
  // the show's ownership before the key they go with arrives.
  if (key == gui::kVkShift || key == gui::kVkControl || key == gui::kVkMenu ||
      (key >= kVkLShift && key <= kVkRMenu))
    return true;
  // Ctrl+Alt is AltGr on many layouts, where it types letters.
  if (shift & gui::kSsAlt) return false;
  if (!(shift & gui::kSsCtrl)) {
    if (key != kVkDelete) return false;
    ClearDrawing();
    return true;
  }
  switch (key) {
    case 'Z':
      if (shift & gui::kSsShift)
        RedoStep();
      else
        UndoStep();
      return true;
    case 'Y': RedoStep(); return true;
    // Saves and copies what shows; the show goes on as it was.
    case 'S': snapshot::SaveShown(program_, *this); return true;
    case 'C': snapshot::CopyShown(program_, *this); return true;
    default: return false;
  }
}

template <class Change>
bool TForm_Draw::ChangeLayer(Change change) {
  // A stroke still being drawn ends as a step of its own first.
  PenDown = false;
  History.EndStep();
  Platform& sys = program_.sys;
  std::vector<gui::IRect> changed;
  bool done = false;
  switch (program_.OverlayMode) {
    case 1:  // Mark
    case 5:  // Pen
      // Stamps and strokes are on the window only, over Image_Draw's picture.
      if (gui::Bitmap* window = sys.WindowSurface(Handle())) {
        done = change(*window, Image_Draw.Picture(), changed);
        for (const gui::IRect& r : changed) sys.PresentWindowPixels(Handle(), *window, r);
      }
      break;
    case 8: {  // Rectangle: fixed boxes are in Image_Draw's picture
      const gui::Bitmap* frozen = ScreenPicture();
      if (!frozen || !Image_Draw.HasPicture()) break;
      Image_Draw.EditPicture([&](gui::Bitmap& picture) {
        done = change(picture, *frozen, changed);
        return gui::IRect{};
      });
      for (const gui::IRect& r : changed) Image_Draw.EditPicture([&](gui::Bitmap&) { return r; });
      break;
    }
    case 9: {  // Magnifier: pinned lenses are on WorkSurface2
      gui::Bitmap* pinned = sys.MemoryDcPixels(WorkSurface2);
      const gui::Bitmap* grab = sys.MemoryDcPixels(CaptureSurface);
      if (!pinned || !grab) break;
      done = change(*pinned, *grab, changed);
      if (done) ToolOf(9)->LayerRestored(changed);
      break;
    }
    default: break;
  }
  return done;
}

bool TForm_Draw::UndoStep() {
  return ChangeLayer([&](gui::Bitmap& layer, const gui::Bitmap&, std::vector<gui::IRect>& changed) {
    return History.Undo(layer, changed);
  });
}

bool TForm_Draw::RedoStep() {
  return ChangeLayer(
      [&](gui::Bitmap& layer, const gui::Bitmap& frozen, std::vector<gui::IRect>& changed) {
        return History.Redo(layer, frozen, changed);
      });
}

bool TForm_Draw::ClearDrawing() {
  return ChangeLayer(
      [&](gui::Bitmap& layer, const gui::Bitmap& frozen, std::vector<gui::IRect>& changed) {
        return History.Clear(layer, frozen, changed);
      });
}

void TForm_Draw::Image_DrawMouseDown(gui::MouseButton button, unsigned shift, int x, int y) {
  LastX = x;
  LastY = y;
  if (button != gui::MouseButton::Left && button != gui::MouseButton::Right) return;
  if (OverlayTool* tool = ToolOf(program_.OverlayMode)) tool->MouseDown(button, shift, x, y);
  // The Mark tool's right click chose the next mark: its cursor shows at
  // the pointer's next message.
  if (program_.OverlayMode == 1) UseMarkCursor();
}

void TForm_Draw::Image_DrawMouseMove(unsigned shift, int x, int y) {
  // Before the show's first paint a tool that paints the window draws
  // nothing: the paint draws its first frame where the pointer is then.
  // (Under Wine a window that appears under the pointer hears of a move
  // before its first paint.)
  if (Timer3.Enabled() && ToolPaintsWindow()) return;
  if (OverlayTool* tool = ToolOf(program_.OverlayMode)) tool->MouseMove(shift, x, y);
  // The tool's first frame (the nudge's move) ends the show's trace.
  program_.Trace.Mark("first-move");
  program_.Trace.End();
}

void TForm_Draw::Image_DrawMouseUp(gui::MouseButton, unsigned, int, int) {
  PenDown = false;
  // A stroke is one step, from its press to its release.
  History.EndStep();
}

void TForm_Draw::NudgePointer() {
  Platform& sys = program_.sys;
  sys.GetCursorPos(&PointerPos);
  sys.SetCursorPos(PointerPos.x, PointerPos.y);
}

void TForm_Draw::Timer3Timer() {
  NudgePointer();
  Timer3.SetEnabled(false);
}
