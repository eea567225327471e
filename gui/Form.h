// Forms and their windowless controls.
//
// A form is one top-level system window. Its controls have no windows of
// their own: the form composes them into one frame with the software raster
// and presents it, and routes pointer messages to the control under the
// pointer (or to the control that holds the pointer captured while a button
// is down), in the control's own coordinates.
//
// A control that changes reports the part of the form it changed. The form
// composes just those parts again into the pixels it holds for its window
// and puts them on the screen, in one go after the handler that changed
// them; the system's own paints (a show, an uncovered strip) compose what
// the system asks for. Either way each pixel is what composing the whole
// frame gives.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "raster/Bitmap.h"

namespace gui {

class Application;
class Form;
class PopupMenu;

enum class MouseButton { Left = 0, Right = 1, Middle = 2 };

// Shift state bits of pointer and key events.
inline constexpr unsigned kSsShift = 0x01;
inline constexpr unsigned kSsAlt = 0x02;
inline constexpr unsigned kSsCtrl = 0x04;
inline constexpr unsigned kSsLeft = 0x08;
inline constexpr unsigned kSsRight = 0x10;
inline constexpr unsigned kSsMiddle = 0x20;

// Pointer shapes of the cursor table.
inline constexpr int kCrDefault = 0;
inline constexpr int kCrNone = -1;
inline constexpr int kCrArrow = -2;
inline constexpr int kCrCross = -3;
inline constexpr int kCrIBeam = -4;
inline constexpr int kCrHourGlass = -11;
inline constexpr int kCrNo = -18;
inline constexpr int kCrHandPoint = -21;
inline constexpr int kCrSizeAll = -22;

// Virtual keys the framework looks at.
inline constexpr int kVkShift = 0x10;
inline constexpr int kVkControl = 0x11;
inline constexpr int kVkMenu = 0x12;
inline constexpr int kVkEscape = 0x1B;

// A colour that names one of the user's colour scheme (its GetSysColor
// index in the low byte) instead of being one. It is looked up each time it
// is painted, so a high-contrast or dark scheme shows, also one chosen while
// the program runs: every form paints itself again when the scheme changes.
inline constexpr Color kSystemColorFlag = 0xFF000000;
inline constexpr Color SystemColor(int index) {
  return kSystemColorFlag | static_cast<Color>(index & 0xFF);
}
inline constexpr Color kGrayText = SystemColor(platform::kColorGrayText);
// The colour to paint for c: c itself, or the scheme's colour it names.
Color PaintColor(platform::Platform& sys, Color c);

using NotifyEvent = std::function<void()>;
using MouseEvent = std::function<void(MouseButton, unsigned shift, int x, int y)>;
using MouseMoveEvent = std::function<void(unsigned shift, int x, int y)>;
using KeyEvent = std::function<void(std::uint16_t& key, unsigned shift)>;
using MouseWheelEvent = std::function<void(unsigned shift, int delta, int x, int y, bool& handled)>;

enum class CloseAction { None, Hide, Free };

class Control {
 public:
  Control(Form& owner, std::string name, IRect bounds);
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  Form& Owner() const { return owner_; }
  int Left() const { return bounds_.left; }
  int Top() const { return bounds_.top; }
  int Width() const { return bounds_.Width(); }
  int Height() const { return bounds_.Height(); }
  const IRect& BoundsRect() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  int cursor = kCrDefault;
  // What the system's tooltip says when the pointer rests on the control
  // (empty: nothing). The tip is a window of its own above the form, so
  // it changes none of the form's pixels.
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string hint);

  NotifyEvent OnClick;
  MouseEvent OnMouseDown;
  MouseMoveEvent OnMouseMove;
  MouseEvent OnMouseUp;

  // Draws the control onto the form's frame (form coordinates).
  virtual void Paint(Bitmap& frame) const = 0;
  // Draws the part of the control that lies in clip (form coordinates) and
  // leaves every pixel outside clip as it is. By default the control is
  // painted on a copy of the frame and the part taken from there; controls
  // of large forms draw the part alone.
  virtual void PaintPart(Bitmap& frame, const IRect& clip) const;
  // Whether the control covers every pixel of area with pixels of its own,
  // so that nothing below it shows there.
  virtual bool Opaque(const IRect& /*area*/) const { return false; }

 protected:
  // The whole control changed: its bounds go to the form as damage.
  void Changed() const;
  // The part of the form that a control with these bounds covers, as
  // damage; a control that draws less than its bounds reports less.
  virtual void Damage(const IRect& bounds) const;

 private:
  Form& owner_;
  std::string name_;
  IRect bounds_;
  bool visible_ = true;
  std::string hint_;
};

// A picture control. With stretching on, the picture fills the control's
// bounds; otherwise it stands at the top-left corner, cut to the bounds. A
// control without a picture draws nothing, so what lies below shows through.
class Image : public Control {
 public:
  Image(Form& owner, std::string name, IRect bounds, bool stretch = false);
  // The control keeps its own copy of the picture.
  void SetPicture(const Bitmap& picture);
  void SetPicture(const MaskedImage& picture);
  // Takes other as the picture and gives back the one it had, without a
  // copy. changed lists where the two differ (picture coordinates); only
  // there is the form composed again. Pictures of different sizes, a
  // stretched control or a masked picture change the whole control.
  void SwapPicture(Bitmap& other, const std::vector<IRect>& changed);
  // Draws on the picture in place: edit takes the picture and returns the
  // part it changed (picture coordinates).
  template <class Edit>
  void EditPicture(Edit edit) {
    PictureChanged(edit(picture_.color));
  }
  void ClearPicture();
  const Bitmap& Picture() const { return picture_.color; }
  bool HasPicture() const { return !picture_.color.Empty(); }
  bool stretch = false;
  void Paint(Bitmap& frame) const override { PaintPart(frame, frame.Bounds()); }
  void PaintPart(Bitmap& frame, const IRect& clip) const override;
  bool Opaque(const IRect& area) const override;

 private:
  void PictureChanged(const IRect& part);
  MaskedImage picture_;
};

// A plain coloured rectangle that other controls stand on.
class Panel : public Control {
 public:
  Panel(Form& owner, std::string name, IRect bounds, Color colour)
      : Control(owner, std::move(name), bounds), color_(colour) {}
  Color color() const { return color_; }
  void SetColor(Color c);
  void Paint(Bitmap& frame) const override { PaintPart(frame, frame.Bounds()); }
  void PaintPart(Bitmap& frame, const IRect& clip) const override;
  bool Opaque(const IRect& area) const override;

 private:
  Color color_;
};

struct FormDesign {
  std::string className;
  std::string caption;
  int left = 0;
  int top = 0;
  int clientWidth = 0;
  int clientHeight = 0;
  bool visible = false;
  bool stayOnTop = false;
  bool keyPreview = false;
  Color color = 0xC8D0D4;  // the system's button-face grey
  // Its controls are laid out in the pixels of the monitor it is on. Every
  // other form is laid out in 96-DPI pixels, and on a monitor of another
  // DPI its window is as much larger, showing its design stretched: its
  // layout holds at every scale.
  bool monitorPixels = false;
};

class Form {
 public:
  Form(Application& app, FormDesign design);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  Application& App() const { return app_; }
  platform::Hwnd Handle() const { return handle_; }
  const std::string& ClassName() const { return design_.className; }

  // Makes the window and runs the creation handler. An exception from the
  // handler is shown in the standard error box and the form lives on; a form
  // designed visible is then shown.
  void Create();
  // Runs the destroy handler while the window still exists, then destroys it.
  void Destroy();

  void Show();
  void Hide();
  // Puts the form above the other windows of its band and in front, with
  // the keyboard: a form already shown but covered comes up again.
  void BringToFront();
  void SetVisible(bool visible);
  bool Visible() const { return visible_; }
  // Asks the creation's close handler; hides the form, or, for the main form,
  // ends the program.
  void Close();

  // The DPI the form's design is shown at: its monitor's for a form laid
  // out in 96-DPI pixels, 96 (as designed) for one in the monitor's own.
  // Sizes, the controls' places and the pointer's are the design's; the
  // window's size is ToWindow of them, its position is in the screen's
  // pixels. Moved onto a monitor of another scale, the form takes that
  // monitor's DPI when the system tells it (WM_DPICHANGED): the window
  // takes the design's size there, and is what one made there would be.
  std::uint32_t Dpi() const { return dpi_; }
  int ToWindow(int designPixels) const;
  int ToDesign(int windowPixels) const;
  // The frame as the window shows it: RenderFrame at the window's size.
  Bitmap RenderWindowFrame() const;
  // Moves the form by a distance the pointer went in its design's pixels.
  void DragBy(int dx, int dy);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Every form is borderless: the client area is the whole window.
  int ClientWidth() const { return width_; }
  int ClientHeight() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  void SetClientWidth(int v) { SetWidth(v); }
  void SetClientHeight(int v) { SetHeight(v); }
  void SetBounds(int left, int top, int width, int height);
  void SetStayOnTop(bool stayOnTop);
  bool StayOnTop() const { return stayOnTop_; }
  const std::string& Caption() const { return design_.caption; }
  // The window a box or chooser opened from this form belongs to: the
  // form's own while it is on the screen, so that the box stands above it
  // (above a stay-on-top form too) and the system keeps the form disabled
  // while the box is up; else the application's.
  platform::Hwnd BoxOwner() const;

  Color color;
  bool keyPreview = false;
  PopupMenu* popupMenu = nullptr;
  // The form's own pointer shape, where the control under the pointer has
  // none (kCrDefault) of its own or there is no control.
  int cursor = kCrDefault;

  NotifyEvent OnCreate;
  NotifyEvent OnShow;
  NotifyEvent OnHide;
  NotifyEvent OnDestroy;
  std::function<void(CloseAction&)> OnClose;
  KeyEvent OnKeyDown;
  MouseWheelEvent OnMouseWheel;

  // After a shape changed: the pointer shows it at once when it is over the
  // form, as the system would show it at the pointer's next message.
  void UpdateCursor();

  // The whole window is painted again when the system next asks.
  void Invalidate();
  // Part of the form changed: composed again and presented after the
  // handler running now (form coordinates).
  void Damage(const IRect& area);
  // Every change repaints the whole window, the plain way: the reference
  // that the composition of the changed parts is held to.
  bool composeWhole = false;
  // The form's picture as it stands: its colour, then each visible control.
  Bitmap RenderFrame() const;
  // The same drawn over frame, which has the form's size.
  void RenderInto(Bitmap& frame) const;
  // The same for the part area of frame only, every other pixel left.
  void Compose(Bitmap& frame, const IRect& area) const;
  // Puts the frame on the screen as far as the system asks, validating the
  // window, and into the same part of the window's held pixels (which its
  // window device contexts draw on): what the form does for WM_PAINT.
  void Paint();
  // WM_PAINT drawn through the window's own device contexts: draw puts the
  // window's whole picture on it and says so, or returns false and the
  // form's controls are painted instead, in the same paint.
  void PaintThrough(const std::function<bool()>& draw);
  const std::vector<Control*>& Controls() const { return controls_; }
  // The system's tooltip window of the controls' hints; 0 until one has a
  // hint while the window exists.
  platform::Hwnd HintWindow() const { return hintWindow_; }

 protected:
  // Every message to the form's window passes here first; a form that must
  // see a message before the framework does overrides this and calls the
  // base for the default route.
  virtual platform::LResult WndProc(std::uint32_t message, platform::WParam wParam,
                                    platform::LParam lParam);
  // The form's DPI changed: what it holds at the old scale is made again
  // at the new one (Dpi() is the new one already).
  virtual void ScaleChanged() {}

 private:
  friend class Control;
  void DpiChanged(std::uint32_t dpi, const platform::Rect* suggested);
  void AddControl(Control* c) { controls_.push_back(c); }
  Control* ControlAt(int x, int y) const;
  // The window's held pixels when they are the form's own, unscaled and at
  // its size; null otherwise.
  Bitmap* HeldAtFormSize();
  unsigned ShiftState(platform::WParam mouseKeys) const;
  void MouseDown(MouseButton button, platform::WParam wParam, int x, int y);
  void MouseUp(MouseButton button, platform::WParam wParam, int x, int y);
  void MouseMove(platform::WParam wParam, int x, int y);
  // WM_SETCURSOR over the form's own client area: the shape of the control
  // under the pointer, else the form's, from the application's cursor table.
  bool SetCursorShape();
  // The menu's shortcuts, then the key handler; true when one took the key.
  bool KeyDown(std::uint16_t key);
  // Composes the damage into the window's held pixels and presents it.
  void PresentDamage();
  // Gives the tooltip the control's hint where the control is now (every
  // control's when null), making the tooltip when the first hint comes.
  void SyncHints(const Control* only = nullptr);
  void RelayToHints(std::uint32_t message, platform::WParam wParam, platform::LParam lParam);
  bool Scaled() const { return dpi_ != platform::kDefaultDpi; }
  // A part of the design and the part of the window its pixels reach.
  IRect WindowPart(const IRect& designPart) const;

  Application& app_;
  FormDesign design_;
  platform::Hwnd handle_ = 0;
  int left_, top_, width_, height_;
  std::uint32_t dpi_ = platform::kDefaultDpi;
  Bitmap designFrame_;  // a scaled form's frame at its design's size
  bool visible_ = false;
  bool stayOnTop_ = false;
  std::vector<Control*> controls_;
  platform::Hwnd hintWindow_ = 0;
  std::vector<const Control*> hintTools_;  // the controls the tooltip has a tool of
  Control* captured_ = nullptr;            // the control that got the button down
  bool formCaptured_ = false;
  std::vector<IRect> damage_;  // changed since the last composition
  bool composePosted_ = false;
};

}  // namespace gui
