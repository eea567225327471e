// The full-screen overlay that the drawing effects and the break countdown
// run on, over a frozen picture of the screen.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Program.h"
#include "effects/UndoHistory.h"
#include "gui/Form.h"
#include "gui/Timer.h"

// What one overlay mode does with the pointer. Every mode starts with this
// inert tool; the drawing tools replace it mode by mode (SetTool).
class OverlayTool {
 public:
  virtual ~OverlayTool() = default;
  // Left (0) and right (1) presses only; LastX and LastY already hold (x, y).
  virtual void MouseDown(gui::MouseButton, unsigned /*shift*/, int /*x*/, int /*y*/) {}
  virtual void MouseMove(unsigned /*shift*/, int /*x*/, int /*y*/) {}
  // A show begins: what a press of the last show left pending goes.
  virtual void ShowBegins() {}
  // An undo, redo or clear changed the tool's drawn layer in areas: what
  // the tool shows from it there is shown again.
  virtual void LayerRestored(const std::vector<gui::IRect>& /*areas*/) {}
  // The window is to be painted: the tool puts the frame it last showed
  // on all of it; false when it has shown none this show.
  virtual bool PaintWindow() { return false; }
  // Compose and show every frame whole, the way the tool's plain scheme
  // reads: the reference the partial frames are held to.
  bool wholeFrames = false;
};

// A window leaving the screen before a capture: where it stood and the
// pixels it showed there. Until those pixels are gone from the screen the
// capture would still contain the window.
struct LeavingWindow {
  gui::IRect rect;
  gui::Bitmap pixels;
};

// The rubber band of the Rectangle tool: a frame in its pen, clear inside.
// Only the frame is drawn, so only the frame changes when the band moves.
class OverlayShape : public gui::Control {
 public:
  using gui::Control::Control;
  int penWidth = 6;
  gui::Color penColor = gui::kGreen;
  void SetPen(int width, gui::Color colour);
  void Paint(gui::Bitmap& frame) const override { PaintPart(frame, frame.Bounds()); }
  void PaintPart(gui::Bitmap& frame, const gui::IRect& clip) const override;

 protected:
  void Damage(const gui::IRect& bounds) const override;
};

// A countdown label: its text in its font and colour on a transparent
// background, through the system's text operation. It sizes itself to its
// text; a right-aligned one keeps its right edge when the text changes width.
class OverlayLabel : public gui::Control {
 public:
  enum class Alignment { Left, Right };
  OverlayLabel(gui::Form& owner, std::string name, platform::TextFont font, Alignment alignment,
               std::string caption);
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  const platform::TextFont& Font() const { return font_; }
  Alignment GetAlignment() const { return alignment_; }
  gui::Color FontColor() const { return fontColor_; }
  void SetFontColor(gui::Color colour);
  // Moves the label's top-left corner; its size stays its text's.
  void SetPosition(int left, int top);
  // The font's character height; the label takes its text's new size from
  // its top-left corner.
  void SetCharHeight(std::int32_t charHeight);
  void Paint(gui::Bitmap& frame) const override { PaintPart(frame, frame.Bounds()); }
  void PaintPart(gui::Bitmap& frame, const gui::IRect& clip) const override;

 private:
  platform::TextExtent Measure(const std::string& text) const;
  platform::TextFont font_;
  Alignment alignment_;
  std::string caption_;
  gui::Color fontColor_ = gui::kBlack;
};

// The form canvas's pen as the Pen mode sets it up.
enum class PenMode { Copy, Mask };
struct CanvasPen {
  int width = 1;
  PenMode mode = PenMode::Copy;
  gui::Color color = gui::kBlack;
};

class TForm_Draw : public gui::Form {
 public:
  TForm_Draw(gui::Application& app, Program& program);
  ~TForm_Draw() override;

  gui::Image Image_Draw;
  OverlayShape Shape1;
  OverlayLabel LabelMinute, Labelinteral, LabelSecond;
  gui::Timer Timer1;  // the countdown's second tick
  gui::Timer Timer3;  // one pointer nudge after each show

  void FormShow();
  void FormClose(gui::CloseAction& action);
  void FormKeyDown(std::uint16_t& key, unsigned shift);
  // Ctrl+Z, Ctrl+Y (or Ctrl+Shift+Z) and Delete on the overlay: the last
  // step drawn in this show taken back, brought again, or everything drawn
  // cleared back to the frozen picture (one step). False when there was
  // nothing to do.
  bool UndoStep();
  bool RedoStep();
  bool ClearDrawing();
  void Image_DrawMouseDown(gui::MouseButton button, unsigned shift, int x, int y);
  void Image_DrawMouseMove(unsigned shift, int x, int y);
  void Image_DrawMouseUp(gui::MouseButton button, unsigned shift, int x, int y);
  void Timer1Timer();
  void Timer3Timer();
  // The break screen on the show's picture (mode 13), and the end of the
  // break when the countdown has run out.
  void SetUpBreakScreen();
  void EndBreak();
  // The window the program's boxes belong to: the overlay while it shows,
  // since it stays on top of every other window and an owned window is
  // always above its owner (the box, the presenter's click on its OK
  // included); else 0, the application window.
  platform::Hwnd BoxOwner() const { return Visible() ? Handle() : 0; }
  // Sets the pointer to its own position: the overlay then receives a move
  // at the unchanged point and the tool repaints.
  void NudgePointer();
  // Readies CaptureSurface (the capture itself), WorkSurface1 and
  // WorkSurface2; the work surfaces asked for start as copies of the
  // capture, the others hold whatever the last show left.
  void ShowDrawFunction(bool work1, bool work2);

  // Takes the screen's picture that the next show starts from, once the
  // leaving windows are gone from the screen, or the last good read when
  // they would not go within the bound or a later read failed. False only
  // when the screen could not be read at all: the next show then has no
  // picture. Also settles Covered.
  bool CaptureScreen(const std::vector<LeavingWindow>& leaving);
  // The capture's pixels, in the capture's own bitmap (CaptureSurface's);
  // null when the last capture failed.
  const gui::Bitmap* ScreenPicture() const;
  // Lets go of the surfaces kept from show to show; the next show makes
  // them again. Done when the monitor's size or DPI changed, at a change of
  // the screen's resolution and at the end.
  void ReleaseSurfaces();
  // Reads of the screen the last capture took (1 when nothing had to leave).
  int CaptureAttempts() const { return captureAttempts_; }

  // Installs the tool of an overlay mode (1-9).
  void SetTool(int mode, std::unique_ptr<OverlayTool> tool);
  // Every frame of every tool composed and shown whole, and every change
  // of the form painted whole: the plain scheme, for comparisons.
  void SetWholeFrames(bool whole);
  // Counts the shows: a tool sees from it that a new show began.
  std::uint64_t ShowSerial() const { return showSerial_; }
  // A tool tells that it has just put a frame on every pixel of the window.
  void WindowCovered() { ++windowCovers_; }

  // The part of the screen the show covers, in screen coordinates: the
  // monitor the pointer is on, asked of the system as each show begins, so
  // a change of resolution or layout since the last one is followed. The
  // form, Image_Draw, ScreenWidth, ScreenHeight and DesktopRect all follow
  // from it; the tools work in the form's coordinates, so to them this
  // monitor is the screen.
  platform::Rect Covered;

  // Overlay state the tools share.
  std::int32_t ScreenWidth = 0, ScreenHeight = 0;
  // The DPI of the monitor the show covers, asked of the system for that
  // monitor as each show begins. The tools' sizes are designed in pixels at
  // 96 DPI; Px gives one in the show's pixels, so a tool looks the same size
  // at any scale (and is exactly its design at 96).
  std::uint32_t Dpi = platform::kDefaultDpi;
  std::int64_t Px(std::int64_t designPixels) const;
  platform::Rect DesktopRect;
  std::optional<gui::Bitmap> CleanImage, WorkImage;
  platform::Hwnd DesktopWindow = 0;
  platform::Hdc DesktopDC = 0, OverlayWindowDC = 0;
  platform::Hdc CaptureSurface = 0, WorkSurface1 = 0, WorkSurface2 = 0;
  platform::Point PointerPos;
  std::int32_t LastX = 0, LastY = 0;
  bool PenDown = false;
  int RectanglePhase = 0;
  bool RectangleDragging = false;
  int RectanglePenWidth = 0;  // 0 draws a one-pixel line
  CanvasPen canvasPen;
  // What this show's clicks left on the picture, step by step: the layer of
  // the mode (DrawnLayer) before each step.
  UndoHistory History;
  // The countdown; program-wide, so a show's values stay until the next one.
  std::int32_t CountdownMinutes = 10, CountdownSeconds = 59;
  // The mark cursor loaded for each MarkChoice, kept for the run.
  std::array<platform::HCursor, 3> markCursors{};

  static constexpr std::array<const char*, 3> CursorFileNames = {"Ok.ico", "Wrong.ico",
                                                                 "circle.ico"};
  // A checkerboard: eight 16-bit rows of 55 00 / AA 00.
  static constexpr std::array<std::uint8_t, 16> DimPattern = {0x55, 0x00, 0xAA, 0x00, 0x55, 0x00,
                                                              0xAA, 0x00, 0x55, 0x00, 0xAA, 0x00,
                                                              0x55, 0x00, 0xAA, 0x00};

 protected:
  // A change of the screen's resolution closes a shown overlay as Esc does:
  // its picture and its size are the old screen's.
  platform::LResult WndProc(std::uint32_t message, platform::WParam wParam,
                            platform::LParam lParam) override;

 private:
  // What one show borrowed; its close gives back exactly this, whatever
  // mode the overlay has been switched to meanwhile.
  struct ShowObjects {
    bool surfaces = false;      // the window contexts of ShowDrawFunction
    platform::Hwnd window = 0;  // the overlay's window its context belongs to
  };
  // What shows keep from one to the next while the monitor they cover keeps
  // its size and DPI: the capture's memory context and bitmap (the
  // screen's picture and CaptureSurface), the work surfaces once a show
  // needed them, and the dimming's pattern and brush. Making a screen-sized
  // bitmap clears it, as much work as a copy of the screen.
  struct Surfaces {
    std::int32_t width = 0, height = 0;
    std::uint32_t dpi = 0;
    platform::Hdc capture = 0, work1 = 0, work2 = 0;
    platform::HGdiObj captureBitmap = 0, work1Bitmap = 0, work2Bitmap = 0;
    platform::HGdiObj dimBitmap = 0, dimBrush = 0;
  };

  // The monitor the pointer is on, and its DPI in coveredDpi_ (0 when the
  // system cannot say).
  platform::Rect AreaToCover();
  bool LoadPicture(std::optional<gui::Bitmap>& target);
  bool LoadImageDraw();
  void PaintCleanImage();
  void SetUpMarkCursor();
  // At the show's first paint: the tool's first frame drawn at the
  // pointer without the nudge. False for a tool that needs the nudge.
  bool FirstToolFrame();
  // Whether the mode's tool paints the window itself: the tools that
  // compose their frames on the surfaces, once they are ready.
  bool ToolPaintsWindow() const;
  // WM_PAINT for such a tool: its frame (at the show's first paint, the
  // first one, at the pointer) as the paint, the frozen picture only when
  // it has none.
  void PaintToolFrame();
  // Puts the cursor of the current mark in the cursor table's cross-hair
  // entry, which the form and Image_Draw show; no cursor empties it.
  void UseMarkCursor();
  // WorkSurface1 as the capture dimmed, composed in one transfer.
  void DimWorkSurface();
  void ReleaseShowObjects();
  OverlayTool* ToolOf(int mode);
  // The keys that keep the overlay and its state: handled here, true.
  bool OverlayKey(std::uint16_t key, unsigned shift);
  // Runs change(layer, frozen, changed) on the pixels the mode's tool draws
  // its steps on (the window's for Mark and Pen, Image_Draw's picture for
  // Rectangle, the pinned layer for Magnifier) and the frozen picture they
  // started from, then shows the areas it changed. False for a mode that
  // draws no steps, or when change does.
  template <class Change>
  bool ChangeLayer(Change change);

  Program& program_;
  Surfaces kept_;
  bool pictured_ = false;  // the capture's bitmap holds this show's picture
  std::uint32_t coveredDpi_ = 0;
  int captureAttempts_ = 0;
  ShowObjects shown_;
  std::array<std::unique_ptr<OverlayTool>, 9> tools_;
  std::uint64_t showSerial_ = 0;
  std::uint64_t windowCovers_ = 0;  // frames that covered the whole window
  std::uint64_t pictureShow_ = 0;   // the show Image_Draw's picture was loaded for
  bool wholeFrames_ = false;
};
