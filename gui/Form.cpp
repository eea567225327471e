#include "gui/Form.h"

#include "gui/Application.h"
#include "gui/Menu.h"

namespace gui {

using namespace platform;

// ---- controls ----------------------------------------------------------------

Control::Control(Form& owner, std::string name, IRect bounds)
    : owner_(owner), name_(std::move(name)), bounds_(bounds) {
  owner_.AddControl(this);
}

void Control::SetBounds(int left, int top, int width, int height) {
  bounds_ = {left, top, left + width, top + height};
  Changed();
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Changed();
}

void Control::Changed() const { owner_.Invalidate(); }

Image::Image(Form& owner, std::string name, IRect bounds, bool stretchPicture)
    : Control(owner, std::move(name), bounds), stretch(stretchPicture) {}

void Image::SetPicture(const Bitmap& picture) {
  picture_.color = picture;
  picture_.mask.clear();
  Changed();
}

void Image::SetPicture(const MaskedImage& picture) {
  picture_ = picture;
  Changed();
}

void Image::ClearPicture() {
  picture_ = {};
  Changed();
}

void Image::Paint(Bitmap& frame) const {
  if (picture_.color.Empty()) return;
  const IRect& b = BoundsRect();
  if (stretch) {
    raster::StretchMasked(frame, b, picture_);
    return;
  }
  // Unstretched: the picture from the control's corner, cut to its bounds.
  MaskedImage cut;
  const int w = std::min(b.Width(), picture_.color.Width());
  const int h = std::min(b.Height(), picture_.color.Height());
  if (w <= 0 || h <= 0) return;
  cut.color = Bitmap(w, h);
  raster::Blit(cut.color, 0, 0, picture_.color, {0, 0, w, h});
  if (!picture_.mask.empty()) {
    cut.mask.resize(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        cut.mask[static_cast<std::size_t>(y) * w + x] = picture_.Transparent(x, y) ? 1 : 0;
  }
  raster::DrawMasked(frame, b.left, b.top, cut);
}

void Panel::SetColor(Color c) {
  if (color_ == c) return;
  color_ = c;
  Changed();
}

void Panel::Paint(Bitmap& frame) const { raster::FillRect(frame, BoundsRect(), color_); }

// ---- forms ---------------------------------------------------------------------

Form::Form(Application& app, FormDesign design)
    : color(design.color),
      keyPreview(design.keyPreview),
      app_(app),
      design_(std::move(design)),
      left_(design_.left),
      top_(design_.top),
      width_(design_.clientWidth),
      height_(design_.clientHeight),
      stayOnTop_(design_.stayOnTop) {}

Form::~Form() { Destroy(); }

void Form::Destroy() {
  if (!handle_) return;
  app_.Guard([&] {
    if (OnDestroy) OnDestroy();
  });
  const Hwnd h = handle_;
  handle_ = 0;
  app_.Sys().DestroyWindow(h);
}

void Form::Create() {
  WindowParams params;
  params.className = design_.className;
  params.caption = design_.caption;
  params.left = left_;
  params.top = top_;
  params.width = width_;
  params.height = height_;
  params.topmost = stayOnTop_;
  params.toolWindow = true;
  handle_ = app_.Sys().CreateWindowExA(params, [this](Hwnd h, std::uint32_t m, WParam w, LParam l) {
    if (!handle_ && m == msg::kCreate) handle_ = h;  // messages sent while the window is made
    if (h != handle_) return app_.Sys().DefWindowProcA(h, m, w, l);
    try {
      return WndProc(m, w, l);
    } catch (const std::exception& e) {
      app_.HandleException(e);
      return LResult{0};
    }
  });
  app_.Guard([&] {
    if (OnCreate) OnCreate();
  });
  if (design_.visible) Show();
}

void Form::Show() { SetVisible(true); }
void Form::Hide() { SetVisible(false); }

void Form::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  // The show handler runs before the window appears, the hide handler before
  // it goes, so a show handler's changes are in the first frame.
  if (visible) {
    if (OnShow) OnShow();
    app_.Sys().ShowWindow(handle_, kSwShow);
    Invalidate();
  } else {
    if (OnHide) OnHide();
    app_.Sys().ShowWindow(handle_, kSwHide);
  }
}

void Form::Close() {
  CloseAction action = this == app_.MainForm() ? CloseAction::Free : CloseAction::Hide;
  if (OnClose) OnClose(action);
  if (action == CloseAction::None) return;
  if (this == app_.MainForm())
    app_.Terminate();
  else
    Hide();
}

void Form::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (handle_) {
    app_.Sys().SetWindowPos(handle_, 0, left, top, width, height, kSwpNoZOrder | kSwpNoActivate);
    Invalidate();
  }
}

void Form::SetStayOnTop(bool stayOnTop) {
  stayOnTop_ = stayOnTop;
  if (handle_)
    app_.Sys().SetWindowPos(handle_, stayOnTop ? kHwndTopmost : kHwndNoTopmost, 0, 0, 0, 0,
                            kSwpNoMove | kSwpNoSize | kSwpNoActivate);
}

void Form::Invalidate() {
  if (handle_) app_.Sys().InvalidateRect(handle_);
}

Bitmap Form::RenderFrame() const {
  Bitmap frame(width_, height_, color);
  for (const Control* c : controls_)
    if (c->Visible()) c->Paint(frame);
  return frame;
}

void Form::Paint() {
  Bitmap frame = RenderFrame();
  const IRect painted = app_.Ui().PresentFrame(handle_, frame);
  // The paint covers what the window's contexts drew only where it reached
  // the screen (the system clips it to what needed painting), so the held
  // pixels stay what the screen shows.
  if (Bitmap* held = app_.Sys().WindowSurface(handle_)) {
    if (painted == frame.Bounds() && held->Bounds() == frame.Bounds())
      *held = std::move(frame);
    else
      raster::Blit(*held, painted.left, painted.top, frame, painted);
  }
}

Control* Form::ControlAt(int x, int y) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it)
    if ((*it)->Visible() && (*it)->BoundsRect().Contains(x, y)) return *it;
  return nullptr;
}

unsigned Form::ShiftState(WParam mouseKeys) const {
  unsigned s = 0;
  Backend& ui = app_.Ui();
  if (ui.KeyPressed(kVkShift)) s |= kSsShift;
  if (ui.KeyPressed(kVkControl)) s |= kSsCtrl;
  if (ui.KeyPressed(kVkMenu)) s |= kSsAlt;
  if (mouseKeys & kMkLButton) s |= kSsLeft;
  if (mouseKeys & kMkRButton) s |= kSsRight;
  if (mouseKeys & kMkMButton) s |= kSsMiddle;
  return s;
}

void Form::MouseDown(MouseButton button, WParam wParam, int x, int y) {
  Control* target = ControlAt(x, y);
  if (!captured_ && !formCaptured_) {
    // Moves and the release go to whoever got the press, also outside it.
    app_.Sys().SetCapture(handle_);
    captured_ = target;
    formCaptured_ = target == nullptr;
  }
  Control* c = captured_;
  if (c && c->OnMouseDown) c->OnMouseDown(button, ShiftState(wParam), x - c->Left(), y - c->Top());
}

void Form::MouseUp(MouseButton button, WParam wParam, int x, int y) {
  Control* c = captured_ ? captured_ : (formCaptured_ ? nullptr : ControlAt(x, y));
  const bool stillHeld = wParam & (kMkLButton | kMkRButton | kMkMButton);
  if (!stillHeld) {
    captured_ = nullptr;
    formCaptured_ = false;
    if (app_.Sys().GetCapture() == handle_) app_.Sys().ReleaseCapture();
  }
  if (c) {
    if (c->OnMouseUp) c->OnMouseUp(button, ShiftState(wParam), x - c->Left(), y - c->Top());
    // A click is a left press and release over the same control.
    if (button == MouseButton::Left && c->Visible() && c->BoundsRect().Contains(x, y) && c->OnClick)
      c->OnClick();
  }
  if (button == MouseButton::Right && popupMenu) {
    Point p;
    app_.Sys().GetCursorPos(&p);
    popupMenu->Popup(p.x, p.y);
  }
}

void Form::MouseMove(WParam wParam, int x, int y) {
  Control* c = captured_ ? captured_ : (formCaptured_ ? nullptr : ControlAt(x, y));
  if (c && c->OnMouseMove) c->OnMouseMove(ShiftState(wParam), x - c->Left(), y - c->Top());
}

void Form::KeyDown(std::uint16_t key) {
  Backend& ui = app_.Ui();
  ShortCut pressed{key, ui.KeyPressed(kVkControl), ui.KeyPressed(kVkShift), ui.KeyPressed(kVkMenu)};
  if (popupMenu) {
    if (MenuItem* item = popupMenu->FindShortCut(pressed)) {
      item->Click();
      return;
    }
  }
  if (OnKeyDown) {
    unsigned shift =
        (pressed.shift ? kSsShift : 0) | (pressed.ctrl ? kSsCtrl : 0) | (pressed.alt ? kSsAlt : 0);
    OnKeyDown(key, shift);
  }
}

LResult Form::WndProc(std::uint32_t message, WParam wParam, LParam lParam) {
  const int x = LoWordSigned(lParam);
  const int y = HiWordSigned(lParam);
  switch (message) {
    case msg::kPaint: Paint(); return 0;
    case msg::kEraseBkgnd: return 1;
    case msg::kClose: Close(); return 0;
    case msg::kLButtonDown: MouseDown(MouseButton::Left, wParam, x, y); return 0;
    case msg::kRButtonDown: MouseDown(MouseButton::Right, wParam, x, y); return 0;
    case msg::kMButtonDown: MouseDown(MouseButton::Middle, wParam, x, y); return 0;
    case msg::kLButtonUp: MouseUp(MouseButton::Left, wParam, x, y); return 0;
    case msg::kRButtonUp: MouseUp(MouseButton::Right, wParam, x, y); return 0;
    case msg::kMButtonUp: MouseUp(MouseButton::Middle, wParam, x, y); return 0;
    case msg::kMouseMove: MouseMove(wParam, x, y); return 0;
    case msg::kCaptureChanged:
      captured_ = nullptr;
      formCaptured_ = false;
      return 0;
    case msg::kMouseWheel: {
      bool handled = false;
      if (OnMouseWheel)
        OnMouseWheel(ShiftState(wParam & 0xFFFF), static_cast<std::int16_t>(wParam >> 16), x, y,
                     handled);
      return 0;
    }
    case msg::kKeyDown:
    case msg::kSysKeyDown: KeyDown(static_cast<std::uint16_t>(wParam)); return 0;
    default: return app_.Sys().DefWindowProcA(handle_, message, wParam, lParam);
  }
}

}  // namespace gui
