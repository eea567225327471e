#include "gui/Form.h"

#include <algorithm>

#include "gui/Application.h"
#include "gui/Dpi.h"
#include "gui/Menu.h"

namespace gui {

using namespace platform;

// ---- controls ----------------------------------------------------------------

namespace {

// The framework's own message: compose and present what changed. Posted
// once per batch of changes, so it comes after the handler that made them
// and before the next input.
constexpr std::uint32_t kComposeMessage = msg::kUser + 0x3A0;

// Past this many separate parts the damage goes as one rectangle.
constexpr std::size_t kMostDamageParts = 32;

long long Area(const IRect& r) { return r.Empty() ? 0 : 1LL * r.Width() * r.Height(); }

IRect Bounding(const IRect& a, const IRect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

}  // namespace

Color PaintColor(platform::Platform& sys, Color c) {
  if ((c & kSystemColorFlag) != kSystemColorFlag) return c;
  return sys.GetSysColor(static_cast<int>(c & 0xFF)) & 0x00FFFFFF;
}

Control::Control(Form& owner, std::string name, IRect bounds)
    : owner_(owner), name_(std::move(name)), bounds_(bounds) {
  owner_.AddControl(this);
}

void Control::SetBounds(int left, int top, int width, int height) {
  const IRect bounds{left, top, left + width, top + height};
  if (bounds == bounds_) return;
  if (visible_) Damage(bounds_);
  bounds_ = bounds;
  if (visible_) Damage(bounds_);
  if (!hint_.empty()) owner_.SyncHints(this);
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Damage(bounds_);
  if (!hint_.empty()) owner_.SyncHints(this);
}

void Control::SetHint(std::string hint) {
  if (hint == hint_) return;
  hint_ = std::move(hint);
  owner_.SyncHints(this);
}

void Control::Changed() const {
  if (visible_) Damage(bounds_);
}

void Control::Damage(const IRect& bounds) const { owner_.Damage(bounds); }

void Control::PaintPart(Bitmap& frame, const IRect& clip) const {
  const IRect part = Intersect(Intersect(bounds_, clip), frame.Bounds());
  if (part.Empty()) return;
  if (part == Intersect(bounds_, frame.Bounds())) {
    Paint(frame);
    return;
  }
  Bitmap copy = frame;
  Paint(copy);
  raster::Blit(frame, part.left, part.top, copy, part);
}

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

void Image::SwapPicture(Bitmap& other, const std::vector<IRect>& changed) {
  const bool sameSize =
      other.Width() == picture_.color.Width() && other.Height() == picture_.color.Height();
  const bool whole = !sameSize || stretch || !picture_.mask.empty();
  std::swap(picture_.color, other);
  picture_.mask.clear();
  if (whole) {
    Changed();
    return;
  }
  for (const IRect& part : changed) PictureChanged(part);
}

void Image::PictureChanged(const IRect& part) {
  if (!Visible() || part.Empty()) return;
  if (stretch) {
    Changed();
    return;
  }
  // Unstretched, the picture stands at the control's corner, cut to it.
  const IRect& b = BoundsRect();
  const IRect moved{part.left + b.left, part.top + b.top, part.right + b.left, part.bottom + b.top};
  const IRect shown = Intersect(moved, b);
  if (!shown.Empty()) Owner().Damage(shown);
}

void Image::ClearPicture() {
  picture_ = {};
  Changed();
}

bool Image::Opaque(const IRect& area) const {
  if (picture_.color.Empty() || !picture_.mask.empty()) return false;
  const IRect& b = BoundsRect();
  // What the picture covers: the control's bounds stretched, or the
  // picture's own size from the corner, cut to the bounds.
  const IRect covered = stretch ? b
                                : Intersect(b, {b.left, b.top, b.left + picture_.color.Width(),
                                                b.top + picture_.color.Height()});
  return Intersect(covered, area) == area && !area.Empty();
}

void Image::PaintPart(Bitmap& frame, const IRect& clip) const {
  if (picture_.color.Empty()) return;
  const IRect& b = BoundsRect();
  const IRect part = Intersect(Intersect(b, clip), frame.Bounds());
  if (part.Empty()) return;
  if (stretch) {
    if (part == Intersect(b, frame.Bounds())) {
      raster::StretchMasked(frame, b, picture_);
      return;
    }
    // A part only: stretched over the control's own pixels, then that part
    // taken. Stretched pictures are the small ones (icons).
    Bitmap own(b.Width(), b.Height());
    raster::Blit(own, 0, 0, frame, b);
    raster::StretchMasked(own, own.Bounds(), picture_);
    raster::Blit(frame, part.left, part.top, own,
                 {part.left - b.left, part.top - b.top, part.right - b.left, part.bottom - b.top});
    return;
  }
  // Unstretched: the picture from the control's corner, cut to its bounds.
  const IRect from =
      Intersect({part.left - b.left, part.top - b.top, part.right - b.left, part.bottom - b.top},
                picture_.color.Bounds());
  if (from.Empty()) return;
  if (picture_.mask.empty()) {
    raster::Blit(frame, from.left + b.left, from.top + b.top, picture_.color, from);
    return;
  }
  for (int y = from.top; y < from.bottom; ++y) {
    const std::uint32_t* src = picture_.color.Row(y);
    std::uint32_t* dst = frame.Row(y + b.top);
    for (int x = from.left; x < from.right; ++x)
      if (!picture_.Transparent(x, y)) dst[x + b.left] = src[x];
  }
}

void Panel::SetColor(Color c) {
  if (color_ == c) return;
  color_ = c;
  Changed();
}

void Panel::PaintPart(Bitmap& frame, const IRect& clip) const {
  raster::FillRect(frame, Intersect(BoundsRect(), clip), PaintColor(Owner().App().Sys(), color_));
}

bool Panel::Opaque(const IRect& area) const {
  return !area.Empty() && Intersect(BoundsRect(), area) == area;
}

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
  // The tooltip, which the window owns, goes with it.
  hintWindow_ = 0;
  hintTools_.clear();
  app_.Sys().DestroyWindow(h);
}

// ---- hints ----------------------------------------------------------------------

void Form::SyncHints(const Control* only) {
  if (!handle_) return;  // Create gives every hint to the tooltip
  Platform& sys = app_.Sys();
  if (!hintWindow_) {
    bool any = false;
    for (const Control* c : controls_) any |= !c->Hint().empty();
    if (!any) return;
    WindowParams params;
    params.className = kTooltipClass;
    params.owner = handle_;
    params.topmost = true;
    // It shows over the palette whether or not the palette is active, and
    // a hint's '&' is a letter, not a mark for the next.
    params.style = kTtsAlwaysTip | kTtsNoPrefix;
    hintWindow_ = sys.CreateWindowExA(params, {});
    if (!hintWindow_) return;  // no hints, as on a system without the control
    only = nullptr;
  }
  for (const Control* c : controls_) {
    if (only && c != only) continue;
    ToolInfoA tool;
    tool.cbSize = kToolInfoASize;
    tool.hwnd = handle_;
    tool.uId = reinterpret_cast<std::uintptr_t>(c);
    // A tool with a changed hint or place is made anew, which takes a tip
    // it shows away: the next rest of the pointer shows the new one.
    const auto had = std::find(hintTools_.begin(), hintTools_.end(), c);
    if (had != hintTools_.end()) {
      sys.SendMessageA(hintWindow_, kTtmDelToolA, 0, reinterpret_cast<LParam>(&tool));
      hintTools_.erase(had);
    }
    if (c->Hint().empty() || !c->Visible()) continue;
    // In the window's pixels, which the relayed pointer is in.
    const IRect& r = c->BoundsRect();
    tool.rect = {ToWindow(r.left), ToWindow(r.top), ToWindow(r.right), ToWindow(r.bottom)};
    std::string text = c->Hint();
    tool.lpszText = text.data();
    if (sys.SendMessageA(hintWindow_, kTtmAddToolA, 0, reinterpret_cast<LParam>(&tool)))
      hintTools_.push_back(c);
  }
}

void Form::RelayToHints(std::uint32_t message, WParam wParam, LParam lParam) {
  RelayedMsg m;
  m.hwnd = handle_;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  Platform& sys = app_.Sys();
  m.time = sys.GetTickCount();
  sys.GetCursorPos(&m.pt);
  sys.SendMessageA(hintWindow_, kTtmRelayEvent, 0, reinterpret_cast<LParam>(&m));
}

void Form::Create() {
  // Every window of the program is in the monitor's own pixels: the system
  // stretches none of them (it would blur them, and Wine 8 shows an unaware
  // window unstretched while telling it the pointer in 96-DPI units). The
  // window, its controls' windows and what its creation handler makes take
  // this awareness.
  const ScopedDpiAwareness awareness(app_.Sys(), kMonitorPixels);
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
    if (!handle_ && m == msg::kCreate) {  // messages sent while the window is made
      handle_ = h;
      // Known before the controls' windows are made, which take their
      // places and faces at the scale.
      if (!design_.monitorPixels) {
        const std::uint32_t dpi = app_.Sys().GetDpiForWindow(h);
        dpi_ = dpi ? dpi : kDefaultDpi;
      }
    }
    if (h != handle_) return app_.Sys().DefWindowProcA(h, m, w, l);
    try {
      return WndProc(m, w, l);
    } catch (const std::exception& e) {
      app_.HandleException(e, BoxOwner());
      return LResult{0};
    }
  });
  if (handle_ && Scaled())
    app_.Sys().SetWindowPos(handle_, 0, 0, 0, ToWindow(width_), ToWindow(height_),
                            kSwpNoMove | kSwpNoZOrder | kSwpNoActivate);
  SyncHints();
  app_.Guard([&] {
    if (OnCreate) OnCreate();
  });
  if (design_.visible) Show();
}

int Form::ToWindow(int designPixels) const {
  return static_cast<int>(ScaleForDpi(designPixels, dpi_));
}

int Form::ToDesign(int windowPixels) const {
  if (!Scaled()) return windowPixels;
  // The design pixel the window pixel lies in.
  const std::int64_t scaled = static_cast<std::int64_t>(windowPixels) * kDefaultDpi;
  return static_cast<int>(scaled >= 0 ? scaled / dpi_ : -((-scaled + dpi_ - 1) / dpi_));
}

void Form::DpiChanged(std::uint32_t dpi, const Rect* suggested) {
  // A form in its monitor's own pixels (the overlay) covers the monitor it
  // was put on at the size it was given; each show takes its DPI itself.
  if (design_.monitorPixels || !handle_ || dpi == 0) return;
  dpi_ = dpi;
  designFrame_ = {};
  // At the suggested corner, at the design's size at the new scale: the
  // suggested size but for rounding, and what a window made at this DPI
  // would have.
  if (suggested) {
    left_ = suggested->left;
    top_ = suggested->top;
  }
  app_.Sys().SetWindowPos(handle_, 0, left_, top_, ToWindow(width_), ToWindow(height_),
                          kSwpNoZOrder | kSwpNoActivate);
  ScaleChanged();
  SyncHints();  // the tools' places, at the new scale
  Invalidate();
}

void Form::DragBy(int dx, int dy) {
  SetBounds(left_ + ToWindow(dx), top_ + ToWindow(dy), width_, height_);
}

namespace {

// The window's pixels in part from the design's frame: each samples the
// design at its own centre, blending the four nearest design pixels, as a
// system stretches the windows it scales. A part gives the pixels the
// whole frame gives there.
void StretchSmooth(Bitmap& window, const IRect& part, const Bitmap& design) {
  const IRect area = Intersect(part, window.Bounds());
  if (area.Empty() || design.Empty()) return;
  const double sx = static_cast<double>(design.Width()) / window.Width();
  const double sy = static_cast<double>(design.Height()) / window.Height();
  const auto axis = [](int i, double scale, int size, int& a, int& b, int& weight) {
    const double v = std::clamp((i + 0.5) * scale - 0.5, 0.0, size - 1.0);
    a = static_cast<int>(v);
    b = std::min(a + 1, size - 1);
    weight = static_cast<int>((v - a) * 256 + 0.5);  // of b, in 256ths
  };
  for (int y = area.top; y < area.bottom; ++y) {
    int y0, y1, wy;
    axis(y, sy, design.Height(), y0, y1, wy);
    for (int x = area.left; x < area.right; ++x) {
      int x0, x1, wx;
      axis(x, sx, design.Width(), x0, x1, wx);
      const Color c00 = design.Pixel(x0, y0), c10 = design.Pixel(x1, y0);
      const Color c01 = design.Pixel(x0, y1), c11 = design.Pixel(x1, y1);
      Color out = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const auto ch = [shift](Color c) { return static_cast<int>((c >> shift) & 0xFF); };
        const int top = ch(c00) * (256 - wx) + ch(c10) * wx;
        const int bottom = ch(c01) * (256 - wx) + ch(c11) * wx;
        const int v = (top * (256 - wy) + bottom * wy + (1 << 15)) >> 16;
        out |= static_cast<Color>(v) << shift;
      }
      window.SetPixel(x, y, out);
    }
  }
}

}  // namespace

IRect Form::WindowPart(const IRect& designPart) const {
  if (!Scaled()) return designPart;
  // A design pixel reaches the window pixels whose samples fall within one
  // pixel of it.
  const auto low = [&](int v) { return static_cast<int>(ScaleForDpi(v - 1, dpi_)) - 1; };
  const auto high = [&](int v) { return static_cast<int>(ScaleForDpi(v + 1, dpi_)) + 1; };
  return Intersect(
      {low(designPart.left), low(designPart.top), high(designPart.right), high(designPart.bottom)},
      {0, 0, ToWindow(width_), ToWindow(height_)});
}

Bitmap Form::RenderWindowFrame() const {
  Bitmap frame = RenderFrame();
  if (!Scaled()) return frame;
  Bitmap window(ToWindow(width_), ToWindow(height_));
  StretchSmooth(window, window.Bounds(), frame);
  return window;
}

platform::Hwnd Form::BoxOwner() const {
  return handle_ && app_.Sys().IsWindowVisible(handle_) ? handle_ : app_.Handle();
}

void Form::Show() { SetVisible(true); }
void Form::Hide() { SetVisible(false); }

void Form::BringToFront() {
  if (!handle_ || !visible_) return;
  app_.Sys().SetWindowPos(handle_, kHwndTop, 0, 0, 0, 0, kSwpNoMove | kSwpNoSize);
  app_.Sys().SetForegroundWindow(handle_);
}

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
    app_.Sys().SetWindowPos(handle_, 0, left, top, ToWindow(width), ToWindow(height),
                            kSwpNoZOrder | kSwpNoActivate);
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
  if (!handle_) return;
  app_.Sys().InvalidateRect(handle_);
  // The paint that comes composes everything.
  if (visible_) damage_.clear();
}

void Form::Damage(const IRect& area) {
  const IRect part = Intersect(area, {0, 0, width_, height_});
  if (!handle_ || !visible_ || part.Empty()) return;
  if (composeWhole) {
    Invalidate();
    return;
  }
  // A part that holds another, or that joins it into a rectangle no larger
  // than the two, goes in with it; the rest stay apart, so that two small
  // changes far from each other do not compose the screen between them.
  IRect joined = part;
  for (std::size_t i = 0; i < damage_.size();) {
    const IRect both = Bounding(damage_[i], joined);
    if (Area(both) <= Area(damage_[i]) + Area(joined) - Area(Intersect(damage_[i], joined))) {
      joined = both;
      damage_.erase(damage_.begin() + static_cast<std::ptrdiff_t>(i));
      i = 0;  // the larger rectangle may now take in one already passed
      continue;
    }
    ++i;
  }
  damage_.push_back(joined);
  if (damage_.size() > kMostDamageParts) {
    IRect all = damage_.front();
    for (const IRect& r : damage_) all = Bounding(all, r);
    damage_.assign(1, all);
  }
  if (!composePosted_) composePosted_ = app_.Sys().PostMessageA(handle_, kComposeMessage, 0, 0);
}

void Form::Compose(Bitmap& frame, const IRect& area) const {
  const IRect part = Intersect(area, frame.Bounds());
  if (part.Empty()) return;
  // Nothing below the topmost control that covers the part shows there.
  std::size_t first = 0;
  bool covered = false;
  for (std::size_t i = controls_.size(); i-- > 0 && !covered;) {
    const Control* c = controls_[i];
    if (c->Visible() && c->Opaque(part)) {
      first = i;
      covered = true;
    }
  }
  if (!covered) raster::FillRect(frame, part, PaintColor(app_.Sys(), color));
  for (std::size_t i = first; i < controls_.size(); ++i) {
    const Control* c = controls_[i];
    if (c->Visible() && !Intersect(c->BoundsRect(), part).Empty()) c->PaintPart(frame, part);
  }
}

Bitmap Form::RenderFrame() const {
  Bitmap frame(width_, height_, PaintColor(app_.Sys(), color));
  for (const Control* c : controls_)
    if (c->Visible()) c->Paint(frame);
  return frame;
}

void Form::RenderInto(Bitmap& frame) const {
  // Under a control that covers the whole frame the form's colour never
  // shows.
  const bool covered = std::any_of(controls_.begin(), controls_.end(), [&](const Control* c) {
    return c->Visible() && c->Opaque(frame.Bounds());
  });
  if (!covered) frame.Fill(PaintColor(app_.Sys(), color));
  for (const Control* c : controls_)
    if (c->Visible()) c->Paint(frame);
}

Bitmap* Form::HeldAtFormSize() {
  Bitmap* held = app_.Sys().WindowSurface(handle_);
  return !Scaled() && held && held->Bounds() == IRect{0, 0, width_, height_} ? held : nullptr;
}

void Form::Paint() {
  const IRect whole{0, 0, width_, height_};
  if (Bitmap* held = HeldAtFormSize(); held && app_.Ui().PaintArea(handle_) == whole) {
    // The paint covers the whole window: the frame is composed in the
    // window's held pixels themselves, no frame of the window's size made
    // for it.
    RenderInto(*held);
    // Should the system take less after all, the rest goes on the window
    // too, so that the held pixels stay what the screen shows.
    if (app_.Ui().PresentFrame(handle_, *held) != whole)
      app_.Sys().PresentWindowPixels(handle_, *held, whole);
    damage_.clear();
    return;
  }
  Bitmap* held = app_.Sys().WindowSurface(handle_);
  Bitmap frame = RenderFrame();
  if (Scaled()) {
    designFrame_ = frame;
    Bitmap window(ToWindow(width_), ToWindow(height_));
    StretchSmooth(window, window.Bounds(), designFrame_);
    frame = std::move(window);
  }
  const IRect painted = app_.Ui().PresentFrame(handle_, frame);
  // The paint covers what the window's contexts drew only where it reached
  // the screen (the system clips it to what needed painting), so the held
  // pixels stay what the screen shows.
  if (held) {
    if (painted == frame.Bounds() && held->Bounds() == frame.Bounds())
      *held = std::move(frame);
    else
      raster::Blit(*held, painted.left, painted.top, frame, painted);
  }
  // What the paint put on the screen is composed already.
  std::erase_if(damage_, [&](const IRect& r) {
    const IRect reached = WindowPart(r);
    return Intersect(reached, painted) == reached;
  });
}

void Form::PaintThrough(const std::function<bool()>& draw) {
  Bitmap* held = HeldAtFormSize();
  const IRect whole{0, 0, width_, height_};
  if (!held) {
    // What the window's contexts draw on is not the form's size yet.
    Paint();
    return;
  }
  app_.Ui().PaintThrough(handle_, [&] {
    if (draw()) return;
    RenderInto(*held);
    app_.Sys().PresentWindowPixels(handle_, *held, whole);
  });
  damage_.clear();
}

void Form::PresentDamage() {
  composePosted_ = false;
  std::vector<IRect> parts;
  parts.swap(damage_);
  if (!handle_ || !visible_ || parts.empty()) return;
  Bitmap* held = app_.Sys().WindowSurface(handle_);
  if (!held || held->Width() != ToWindow(width_) || held->Height() != ToWindow(height_) ||
      (Scaled() && (designFrame_.Width() != width_ || designFrame_.Height() != height_))) {
    // The window's pixels are not the form's size yet: the system's paint
    // composes them whole.
    Invalidate();
    return;
  }
  if (!Scaled()) {
    for (const IRect& part : parts) Compose(*held, part);
    for (const IRect& part : parts) app_.Sys().PresentWindowPixels(handle_, *held, part);
    return;
  }
  for (const IRect& part : parts) Compose(designFrame_, part);
  for (const IRect& part : parts) {
    const IRect reached = WindowPart(part);
    StretchSmooth(*held, reached, designFrame_);
    app_.Sys().PresentWindowPixels(handle_, *held, reached);
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

bool Form::SetCursorShape() {
  Point at;
  Rect r;
  if (!app_.Sys().GetCursorPos(&at) || !app_.Sys().GetWindowRect(handle_, &r)) return false;
  int shape = kCrDefault;
  if (const Control* c = ControlAt(ToDesign(at.x - r.left), ToDesign(at.y - r.top)))
    shape = c->cursor;
  if (shape == kCrDefault) shape = cursor;
  app_.Sys().SetCursor(app_.Cursor(shape));
  return true;
}

void Form::UpdateCursor() {
  Point at;
  if (!handle_ || !visible_ || !app_.Sys().GetCursorPos(&at)) return;
  if (app_.Sys().WindowFromPoint(at) == handle_) SetCursorShape();
}

bool Form::KeyDown(std::uint16_t key) {
  Backend& ui = app_.Ui();
  ShortCut pressed{key, ui.KeyPressed(kVkControl), ui.KeyPressed(kVkShift), ui.KeyPressed(kVkMenu)};
  if (popupMenu) {
    if (MenuItem* item = popupMenu->FindShortCut(pressed)) {
      item->Click();
      return true;
    }
  }
  if (OnKeyDown) {
    unsigned shift =
        (pressed.shift ? kSsShift : 0) | (pressed.ctrl ? kSsCtrl : 0) | (pressed.alt ? kSsAlt : 0);
    OnKeyDown(key, shift);
    // A handler that takes the key for itself sets it to 0.
    if (key == 0) return true;
  }
  return false;
}

LResult Form::WndProc(std::uint32_t message, WParam wParam, LParam lParam) {
  // The pointer's client coordinates in the design's pixels.
  const int x = ToDesign(LoWordSigned(lParam));
  const int y = ToDesign(HiWordSigned(lParam));
  if (hintWindow_ &&
      (message == msg::kMouseMove || message == msg::kLButtonDown || message == msg::kLButtonUp ||
       message == msg::kRButtonDown || message == msg::kRButtonUp || message == msg::kMButtonDown ||
       message == msg::kMButtonUp))
    RelayToHints(message, wParam, lParam);
  switch (message) {
    case msg::kPaint: Paint(); return 0;
    case kComposeMessage: PresentDamage(); return 0;
    case msg::kEraseBkgnd: return 1;
    // The user's colour scheme changed: the colours that name it, again.
    case msg::kSysColorChange: Invalidate(); return 0;
    case msg::kDpiChanged:
      DpiChanged(static_cast<std::uint32_t>(wParam & 0xFFFF),
                 reinterpret_cast<const Rect*>(lParam));
      return 0;
    case msg::kClose: Close(); return 0;
    case msg::kSetCursor:
      // Over a child window of the system's, or outside the client area,
      // the system decides.
      if (wParam == handle_ && LoWordSigned(lParam) == kHtClient && SetCursorShape()) return 1;
      return app_.Sys().DefWindowProcA(handle_, message, wParam, lParam);
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
        // The wheel's point is the pointer's on the screen.
        OnMouseWheel(ShiftState(wParam & 0xFFFF), static_cast<std::int16_t>(wParam >> 16),
                     LoWordSigned(lParam), HiWordSigned(lParam), handled);
      return 0;
    }
    // A key the form does not take goes on to the system, which gives the
    // system keys their meaning: Alt+F4 closes the window as its own close
    // does (WM_SYSCOMMAND SC_CLOSE, then WM_CLOSE).
    case msg::kKeyDown:
    case msg::kSysKeyDown:
      if (KeyDown(static_cast<std::uint16_t>(wParam))) return 0;
      return app_.Sys().DefWindowProcA(handle_, message, wParam, lParam);
    default: return app_.Sys().DefWindowProcA(handle_, message, wParam, lParam);
  }
}

}  // namespace gui
