#include "gui/StdControls.h"

#include <algorithm>
#include <vector>

#include "gui/Application.h"

namespace gui {

using namespace platform;

namespace {

constexpr Color kFace = 0xC8D0D4;       // the system's button face
constexpr Color kShadow = 0x808080;     // its dark edge
constexpr Color kHighlight = 0xFFFFFF;  // its light edge

// A push button's picture (BS_ICON, BM_SETIMAGE and BM_GETIMAGE of IMAGE_ICON).
constexpr std::uint32_t kBsIcon = 0x0040;
constexpr std::uint32_t kBmGetImage = 0x00F6;
constexpr std::uint32_t kBmSetImage = 0x00F7;
constexpr WParam kImageIcon = 1;

void HLine(Bitmap& b, int x0, int x1, int y, Color c) {
  raster::FillRect(b, Intersect(IRect{x0, y, x1, y + 1}, b.Bounds()), c);
}
void VLine(Bitmap& b, int x, int y0, int y1, Color c) {
  raster::FillRect(b, Intersect(IRect{x, y0, x + 1, y1}, b.Bounds()), c);
}

}  // namespace

// ---- WinControl ---------------------------------------------------------------

WinControl::WinControl(DialogForm& owner, std::string name, IRect bounds)
    : owner_(owner), name_(std::move(name)), bounds_(bounds), font_(owner.defaultFont) {
  owner_.Register(this);
}

WinControl::~WinControl() {
  if (handle_ && Sys().IsWindow(handle_)) Sys().DestroyWindow(handle_);
  handle_ = 0;
  owner_.Unregister(this);
}

Platform& WinControl::Sys() const { return owner_.App().Sys(); }

LResult WinControl::Send(std::uint32_t message, WParam wParam, LParam lParam) const {
  return handle_ ? Sys().SendMessageA(handle_, message, wParam, lParam) : 0;
}

std::string WinControl::WindowText() const {
  if (!handle_) return text_;
  const auto length = Send(msg::kGetTextLength);
  if (length <= 0) return {};
  // Bounded: a control's text is at most what its limit lets in. The length
  // may count UTF-16 characters rather than the bytes of UTF-8, each of
  // which is at most three of those.
  std::string text(static_cast<std::size_t>(std::min<LResult>(length, 1 << 20)) * 3 + 1, '\0');
  const int got = Sys().GetWindowTextA(handle_, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

void WinControl::PutWindowText(std::string_view text) {
  if (!handle_) {
    text_ = std::string(text);
    return;
  }
  // The system's text change: an edit notifies its change as for typing.
  const std::string t(text);
  Send(msg::kSetText, 0, reinterpret_cast<LParam>(t.c_str()));
}

void WinControl::SetBounds(int left, int top, int width, int height) {
  bounds_ = {left, top, left + width, top + height};
  if (handle_) {
    const int x = owner_.ToWindow(left), y = owner_.ToWindow(top);
    Sys().SetWindowPos(handle_, 0, x, y, owner_.ToWindow(left + width) - x,
                       owner_.ToWindow(top + height) - y, kSwpNoZOrder | kSwpNoActivate);
  }
}

void WinControl::ApplyVisible() {
  if (!handle_) return;
  const bool show = visible_ && (!page_ || page_->Showing());
  if (show != Sys().IsWindowVisible(handle_))
    Sys().ShowWindow(handle_, show ? kSwShowNoActivate : kSwHide);
}

void WinControl::SetVisible(bool visible) {
  visible_ = visible;
  ApplyVisible();
}

void WinControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (handle_) Sys().EnableWindow(handle_, enabled);
}

void WinControl::SetFocus() {
  if (handle_) Sys().SetFocus(handle_);
}

bool WinControl::Focused() const {
  if (!handle_) return false;
  // The focus may be in the control's own child (a list's text part).
  Hwnd f = Sys().GetFocus();
  for (int i = 0; i < 4 && f; ++i) {
    if (f == handle_) return true;
    if (f == owner_.Handle()) return false;
    f = Sys().GetParent(f);
  }
  return false;
}

void WinControl::SetFont(const ControlFont& font) {
  font_ = font;
  if (!handle_) return;
  fontHandle_ = owner_.FontHandle(font_);
  Send(msg::kSetFont, fontHandle_, 1);
}

void WinControl::MakeWindow() {
  if (handle_ || !owner_.Handle()) return;
  const WindowKind kind = Kind();
  WindowParams p;
  p.className = kind.className;
  p.caption = kind.text.empty() ? text_ : kind.text;
  p.parent = owner_.Handle();
  p.id = id_;
  // Laid out in the form's design, shown at its scale.
  p.left = owner_.ToWindow(bounds_.left);
  p.top = owner_.ToWindow(bounds_.top);
  p.width = owner_.ToWindow(bounds_.right) - p.left;
  p.height = owner_.ToWindow(bounds_.bottom) - p.top;
  p.style = kind.style;
  if (visible_ && (!page_ || page_->Showing())) p.style |= kWsVisible;
  // A group of radio buttons is one stop of Tab, at its first.
  const bool startsGroup = owner_.StartsGroup(this);
  if (tabStop_ && (startsGroup || !dynamic_cast<TRadioButton*>(this))) p.style |= kWsTabStop;
  if (!enabled_) p.style |= kWsDisabled;
  if (startsGroup) p.style |= kWsGroup;
  // Unicode controls: their text is UTF-16 inside the system, so a field's
  // limit counts letters (UTF-16's), where an ANSI edit counts the bytes of
  // UTF-8 (a 254-letter name in Cyrillic would stop at 127).
  handle_ = Sys().CreateWindowExW(p);
  if (!handle_) return;
  fontHandle_ = owner_.FontHandle(font_);
  if (fontHandle_) Send(msg::kSetFont, fontHandle_, 0);
  Created();
}

// ---- TEdit ------------------------------------------------------------------------

TEdit::TEdit(DialogForm& owner, std::string name, IRect bounds)
    : WinControl(owner, std::move(name), bounds) {
  MakeWindow();
}

WinControl::WindowKind TEdit::Kind() const { return {kEditClass, ctl::kEsAutoHScroll, {}}; }

void TEdit::SetMaxLength(int length) {
  maxLength_ = std::max(length, 0);
  Send(ctl::kEmLimitText, static_cast<WParam>(maxLength_), 0);
}

void TEdit::Created() {
  if (maxLength_ > 0) Send(ctl::kEmLimitText, static_cast<WParam>(maxLength_), 0);
}

void TEdit::Command(std::uint16_t code) {
  if (code == ctl::kEnChange && OnChange) OnChange();
}

// ---- TComboBox --------------------------------------------------------------------

TComboBox::TComboBox(DialogForm& owner, std::string name, IRect bounds)
    : WinControl(owner, std::move(name), bounds) {
  MakeWindow();
}

WinControl::WindowKind TComboBox::Kind() const {
  return {kComboBoxClass, ctl::kCbsDropDown | ctl::kCbsAutoHScroll, {}};
}

void TComboBox::Created() {
  for (const std::string& item : items_)
    Send(ctl::kCbAddString, 0, reinterpret_cast<LParam>(item.c_str()));
  if (index_ >= 0)
    Send(ctl::kCbSetCurSel, static_cast<WParam>(index_), 0);
  else if (!text_.empty())
    PutWindowText(text_);
}

void TComboBox::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  index_ = -1;
  if (!Handle()) return;
  Send(ctl::kCbResetContent);
  for (const std::string& item : items_)
    Send(ctl::kCbAddString, 0, reinterpret_cast<LParam>(item.c_str()));
}

void TComboBox::AddItem(std::string_view item) {
  items_.emplace_back(item);
  Send(ctl::kCbAddString, 0, reinterpret_cast<LParam>(items_.back().c_str()));
}

int TComboBox::ItemIndex() const {
  if (!Handle()) return index_;
  return static_cast<int>(Send(ctl::kCbGetCurSel));
}

void TComboBox::SetItemIndex(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) index = -1;
  if (!Handle()) {
    index_ = index;
    text_ = index >= 0 ? items_[static_cast<std::size_t>(index)] : std::string();
    return;
  }
  Send(ctl::kCbSetCurSel, static_cast<WParam>(static_cast<std::intptr_t>(index)), 0);
}

void TComboBox::Command(std::uint16_t code) {
  if ((code == ctl::kCbnSelChange || code == ctl::kCbnEditChange) && OnChange) OnChange();
}

// ---- TButton ------------------------------------------------------------------------

TButton::TButton(DialogForm& owner, std::string name, IRect bounds, std::string caption)
    : WinControl(owner, std::move(name), bounds) {
  text_ = std::move(caption);
  MakeWindow();
}

TButton::~TButton() {
  if (icon_) Owner().App().Ui().DestroyIcon(icon_);
}

void TButton::SetGlyph(const MaskedImage& glyph) {
  const platform::HIcon old = icon_;
  icon_ = Owner().App().Ui().CreateIcon(glyph);
  if (Handle()) Send(kBmSetImage, kImageIcon, static_cast<LParam>(icon_));
  if (old) Owner().App().Ui().DestroyIcon(old);
}

platform::HIcon TButton::ShownImage() const {
  return Handle() ? static_cast<platform::HIcon>(Send(kBmGetImage, kImageIcon)) : 0;
}

WinControl::WindowKind TButton::Kind() const {
  return {kButtonClass, ctl::kBsPushButton | (icon_ ? kBsIcon : 0u), {}};
}

void TButton::Created() {
  if (icon_) Send(kBmSetImage, kImageIcon, static_cast<LParam>(icon_));
}

void TButton::Command(std::uint16_t code) {
  if (code == ctl::kBnClicked && OnClick) OnClick();
}

// ---- TRadioButton ---------------------------------------------------------------------

TRadioButton::TRadioButton(DialogForm& owner, std::string name, IRect bounds, std::string caption,
                           TGroupBox* group)
    : WinControl(owner, std::move(name), bounds), group_(group) {
  text_ = std::move(caption);
  MakeWindow();
}

WinControl::WindowKind TRadioButton::Kind() const {
  return {kButtonClass, ctl::kBsAutoRadioButton, {}};
}

void TRadioButton::Created() {
  if (checked_) Send(ctl::kBmSetCheck, ctl::kBstChecked, 0);
}

bool TRadioButton::Checked() const {
  if (!Handle()) return checked_;
  return Send(ctl::kBmGetCheck) == static_cast<LResult>(ctl::kBstChecked);
}

void TRadioButton::SetChecked(bool checked) {
  if (checked) {
    // The others of the group go out, hidden ones included.
    for (WinControl* c : Owner().WinControls()) {
      auto* r = dynamic_cast<TRadioButton*>(c);
      if (!r || r == this || r->group_ != group_ || (!group_ && r->Page() != Page())) continue;
      r->checked_ = false;
      r->Send(ctl::kBmSetCheck, ctl::kBstUnchecked, 0);
    }
  }
  checked_ = checked;
  Send(ctl::kBmSetCheck, checked ? ctl::kBstChecked : ctl::kBstUnchecked, 0);
}

void TRadioButton::Command(std::uint16_t code) {
  if (code != ctl::kBnClicked) return;
  checked_ = Checked();
  if (OnClick) OnClick();
}

// ---- TGroupBox ------------------------------------------------------------------------

TGroupBox::TGroupBox(DialogForm& owner, std::string name, IRect bounds, std::string caption)
    : Control(owner, std::move(name), bounds), caption_(std::move(caption)) {}

void TGroupBox::SetCaption(std::string caption) {
  caption_ = std::move(caption);
  Changed();
}

void TGroupBox::Paint(Bitmap& frame) const {
  const IRect& b = BoundsRect();
  const auto& dialog = static_cast<const DialogForm&>(Owner());
  const TextFont font{dialog.defaultFont.face, dialog.defaultFont.height};
  TextExtent extent{0, dialog.defaultFont.height + 2};
  Platform& sys = Owner().App().Sys();
  if (!caption_.empty()) sys.MeasureString(font, caption_, &extent);
  // The etched frame: a dark line with a light one inside, its top through
  // the middle of the caption.
  const int top = b.top + extent.height / 2;
  HLine(frame, b.left, b.right - 1, top, kShadow);
  HLine(frame, b.left + 1, b.right - 2, top + 1, kHighlight);
  HLine(frame, b.left, b.right, b.bottom - 2, kShadow);
  HLine(frame, b.left, b.right, b.bottom - 1, kHighlight);
  VLine(frame, b.left, top, b.bottom - 1, kShadow);
  VLine(frame, b.left + 1, top + 1, b.bottom - 2, kHighlight);
  VLine(frame, b.right - 2, top, b.bottom - 1, kShadow);
  VLine(frame, b.right - 1, top, b.bottom, kHighlight);
  if (caption_.empty()) return;
  raster::FillRect(
      frame,
      Intersect(IRect{b.left + 6, b.top, b.left + 10 + extent.width, b.top + extent.height},
                frame.Bounds()),
      PaintColor(sys, Owner().color));
  sys.DrawString(frame, b.left + 8, b.top, font, caption_, kBlack);
}

// ---- TUpDown ------------------------------------------------------------------------------

TUpDown::TUpDown(DialogForm& owner, std::string name, IRect bounds)
    : WinControl(owner, std::move(name), bounds) {
  tabStop_ = false;
  MakeWindow();
}

WinControl::WindowKind TUpDown::Kind() const {
  return {kUpDownClass, ctl::kUdsArrowKeys | (wrap_ ? ctl::kUdsWrap : 0u), {}};
}

void TUpDown::Created() {
  Send(ctl::kUdmSetRange32, static_cast<WParam>(static_cast<std::intptr_t>(min_)), max_);
  Send(ctl::kUdmSetPos32, 0, position_);
}

void TUpDown::SetRange(int min, int max) {
  min_ = min;
  max_ = max;
  position_ = std::clamp(position_, std::min(min, max), std::max(min, max));
  Send(ctl::kUdmSetRange32, static_cast<WParam>(static_cast<std::intptr_t>(min_)), max_);
}

int TUpDown::Position() const {
  if (!Handle()) return position_;
  return static_cast<int>(Send(ctl::kUdmGetPos32));
}

void TUpDown::SetPosition(int position) {
  position_ = std::clamp(position, std::min(min_, max_), std::max(min_, max_));
  Send(ctl::kUdmSetPos32, 0, position_);
}

void TUpDown::SetWrap(bool wrap) { wrap_ = wrap; }

LResult TUpDown::Notify(const NmHdr& header, LParam lParam) {
  if (header.code == ctl::kUdnDeltaPos)
    lastDelta_ = reinterpret_cast<const NmUpDown*>(lParam)->iDelta;
  return 0;  // the move goes ahead
}

void TUpDown::Scroll(std::uint16_t code, std::int16_t) {
  if (code != ctl::kSbThumbPosition) return;
  position_ = Position();
  if (OnClick) OnClick(lastDelta_ >= 0 ? UpDownButton::Up : UpDownButton::Down);
}

// ---- TPageControl and TTabSheet ------------------------------------------------------------

class TPageControl::Tabs final : public WinControl {
 public:
  Tabs(TPageControl& pages, DialogForm& owner, IRect bounds)
      : WinControl(owner, pages.Name() + ".Tabs", bounds), pages_(pages) {
    MakeWindow();
  }
  void Insert(int index, const std::string& caption) {
    std::string text = caption;
    TcItemA item;
    item.mask = ctl::kTcifText;
    item.pszText = text.data();
    Send(ctl::kTcmInsertItemA, static_cast<WParam>(index), reinterpret_cast<LParam>(&item));
  }
  void Select(int index) { Send(ctl::kTcmSetCurSel, static_cast<WParam>(index), 0); }

 protected:
  WindowKind Kind() const override { return {kTabControlClass, 0, {}}; }
  void Created() override {
    for (TTabSheet* page : pages_.pages_) Insert(page->PageIndex(), page->Caption());
    Select(pages_.active_);
  }
  LResult Notify(const NmHdr& header, LParam) override {
    if (header.code == ctl::kTcnSelChange)
      pages_.UserChose(static_cast<int>(Send(ctl::kTcmGetCurSel)));
    return 0;  // TCN_SELCHANGING: the change may go ahead
  }

 private:
  TPageControl& pages_;
};

TPageControl::TPageControl(DialogForm& owner, std::string name, IRect bounds)
    : Control(owner, std::move(name), bounds) {
  tabs_ = std::make_unique<Tabs>(
      *this, owner, IRect{bounds.left, bounds.top, bounds.right, bounds.top + tabHeight_ + 2});
}

TPageControl::~TPageControl() = default;

TTabSheet* TPageControl::ActivePage() const {
  return active_ >= 0 && active_ < static_cast<int>(pages_.size())
             ? pages_[static_cast<std::size_t>(active_)]
             : nullptr;
}

IRect TPageControl::PageArea() const {
  const IRect& b = BoundsRect();
  return {b.left + 4, b.top + tabHeight_ + 4, b.right - 4, b.bottom - 4};
}

void TPageControl::AddPage(TTabSheet* page) {
  page->index_ = static_cast<int>(pages_.size());
  pages_.push_back(page);
  tabs_->Insert(page->index_, page->Caption());
  if (pages_.size() == 1) tabs_->Select(0);
}

void TPageControl::SetActivePageIndex(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size())) return;
  active_ = index;
  tabs_->Select(index);
  ShowActive();
}

void TPageControl::SetActivePage(TTabSheet& page) {
  if (&page.PageControl() == this) SetActivePageIndex(page.PageIndex());
}

void TPageControl::UserChose(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size()) || index == active_) return;
  active_ = index;
  ShowActive();
  if (OnChange) OnChange();
}

void TPageControl::ShowActive() {
  // The sheet going out first, so that the one coming in is not covered.
  for (TTabSheet* page : pages_)
    if (page->index_ != active_) page->Apply(false);
  if (TTabSheet* page = ActivePage()) page->Apply(true);
}

void TPageControl::Paint(Bitmap& frame) const {
  // The body below the tabs: the face with a raised edge.
  const IRect& b = BoundsRect();
  const IRect body{b.left, b.top + tabHeight_, b.right, b.bottom};
  raster::FillRect(frame, Intersect(body, frame.Bounds()), kFace);
  HLine(frame, body.left, body.right - 1, body.top, kHighlight);
  VLine(frame, body.left, body.top, body.bottom - 1, kHighlight);
  HLine(frame, body.left, body.right, body.bottom - 1, kBlack);
  VLine(frame, body.right - 1, body.top, body.bottom, kBlack);
  HLine(frame, body.left + 1, body.right - 1, body.bottom - 2, kShadow);
  VLine(frame, body.right - 2, body.top + 1, body.bottom - 1, kShadow);
}

TTabSheet::TTabSheet(TPageControl& pages, std::string name, std::string caption)
    : pages_(pages), name_(std::move(name)), caption_(std::move(caption)) {
  pages_.AddPage(this);
}

void TTabSheet::Add(WinControl& control) {
  control.page_ = this;
  windowed_.push_back(&control);
  control.ApplyVisible();
}

void TTabSheet::Add(Control& control) {
  windowless_.push_back(&control);
  control.SetVisible(Showing());
}

void TTabSheet::Apply(bool showing) {
  for (WinControl* c : windowed_) c->ApplyVisible();
  for (Control* c : windowless_) c->SetVisible(showing);
}

// ---- DialogForm ------------------------------------------------------------------------------

DialogForm::DialogForm(Application& app, FormDesign design) : Form(app, std::move(design)) {
  app.AddDialog(this);
}

DialogForm::~DialogForm() {
  App().RemoveDialog(this);
  for (const MadeFont& f : fonts_) App().Sys().DeleteObject(f.handle);
  if (background_) App().Sys().DeleteObject(background_);
}

HGdiObj DialogForm::BackgroundBrush() {
  if (!background_) background_ = App().Sys().CreateSolidBrush(kFace);
  return background_;
}

void DialogForm::Register(WinControl* control) {
  control->id_ = nextId_++;
  winControls_.push_back(control);
}

void DialogForm::Unregister(WinControl* control) { std::erase(winControls_, control); }

bool DialogForm::StartsGroup(const WinControl* control) const {
  const auto* radio = dynamic_cast<const TRadioButton*>(control);
  if (!radio) return true;
  const auto it = std::find(winControls_.begin(), winControls_.end(), control);
  if (it == winControls_.begin() || it == winControls_.end()) return true;
  const auto* before = dynamic_cast<const TRadioButton*>(*(it - 1));
  return !before || before->group_ != radio->group_;
}

bool DialogForm::HoldsWindow(Hwnd hwnd) const {
  // A list's text part is the list's child.
  for (int depth = 0; hwnd && depth < 4; ++depth, hwnd = App().Sys().GetParent(hwnd))
    if (FindWinControl(hwnd)) return true;
  return false;
}

WinControl* DialogForm::FindWinControl(Hwnd hwnd) const {
  if (!hwnd) return nullptr;
  for (WinControl* c : winControls_)
    if (c->Handle() == hwnd) return c;
  return nullptr;
}

void DialogForm::MakeWindows() {
  for (WinControl* c : std::vector<WinControl*>(winControls_)) c->MakeWindow();
}

HGdiObj DialogForm::FontHandle(const ControlFont& font) {
  for (const MadeFont& f : fonts_)
    if (f.font == font) return f.handle;
  // The face at the form's scale, as its controls' places are. "MS Sans
  // Serif" is a bitmap face of a few fixed sizes, which text at another
  // scale would snap to: there its outline twin takes its place.
  const bool bitmapFace = font.face == "MS Sans Serif" && Dpi() != kDefaultDpi;
  const HGdiObj h = App().Sys().CreateFontA(
      -std::clamp(ToWindow(font.height), kMinCharHeight, kMaxCharHeight), font.bold ? 700 : 400,
      bitmapFace ? "Microsoft Sans Serif" : font.face);
  if (h) fonts_.push_back({font, h});
  return h;
}

void DialogForm::ScaleChanged() {
  // The controls take their places and faces at the new scale, the same
  // steps as when they were made; the faces of the old scale go once no
  // control holds them.
  std::vector<MadeFont> old;
  old.swap(fonts_);
  for (WinControl* c : winControls_) {
    c->SetBounds(c->Left(), c->Top(), c->Width(), c->Height());
    if (!c->handle_) continue;
    c->fontHandle_ = FontHandle(c->font_);
    c->Send(msg::kSetFont, c->fontHandle_, 1);
  }
  for (const MadeFont& f : old) App().Sys().DeleteObject(f.handle);
}

LResult DialogForm::WndProc(std::uint32_t message, WParam wParam, LParam lParam) {
  switch (message) {
    case msg::kCreate: {
      const LResult r = Form::WndProc(message, wParam, lParam);
      MakeWindows();
      return r;
    }
    case msg::kCommand:
      // From a control; IDOK and IDCANCEL of the dialog keys come without one.
      if (WinControl* c = FindWinControl(static_cast<Hwnd>(lParam)))
        c->Command(static_cast<std::uint16_t>(wParam >> 16));
      return 0;
    case msg::kNotify: {
      const auto* header = reinterpret_cast<const NmHdr*>(lParam);
      if (!header) return 0;
      if (WinControl* c = FindWinControl(header->hwndFrom)) return c->Notify(*header, lParam);
      return 0;
    }
    case msg::kCtlColorStatic:
      if (FindWinControl(static_cast<Hwnd>(lParam))) {
        if (const HGdiObj brush = BackgroundBrush()) return static_cast<LResult>(brush);
      }
      break;
    case msg::kVScroll:
      if (WinControl* c = FindWinControl(static_cast<Hwnd>(lParam))) {
        c->Scroll(static_cast<std::uint16_t>(wParam & 0xFFFF),
                  static_cast<std::int16_t>(wParam >> 16));
        return 0;
      }
      break;
    case msg::kActivate: {
      Platform& sys = App().Sys();
      if ((wParam & 0xFFFF) == kWaInactive) {
        const Hwnd focus = sys.GetFocus();
        if (HoldsWindow(focus)) savedFocus_ = focus;
        break;
      }
      // The default handling would give the keyboard to the form itself.
      if (savedFocus_ && HoldsWindow(savedFocus_) && sys.IsWindowVisible(savedFocus_) &&
          sys.IsWindowEnabled(savedFocus_) && !sys.IsIconic(Handle())) {
        sys.SetFocus(savedFocus_);
        return 0;
      }
      break;
    }
    case msg::kDestroy:
      // The system takes the children with the form.
      for (WinControl* c : winControls_) c->handle_ = 0;
      break;
    default: break;
  }
  return Form::WndProc(message, wParam, lParam);
}

// ---- THotKey -----------------------------------------------------------------------

THotKey::THotKey(DialogForm& owner, std::string name, IRect bounds)
    : WinControl(owner, std::move(name), bounds) {
  MakeWindow();
}

WinControl::WindowKind THotKey::Kind() const { return {kHotkeyClass, 0, {}}; }

void THotKey::Created() { Send(kHkmSetHotkey, word_, 0); }

std::uint16_t THotKey::Hotkey() const {
  return Handle() ? static_cast<std::uint16_t>(Send(kHkmGetHotkey) & 0xFFFF) : word_;
}

void THotKey::SetHotkey(std::uint16_t word) {
  word_ = word;
  Send(kHkmSetHotkey, word, 0);
}

void THotKey::Command(std::uint16_t code) {
  if (code == ctl::kEnChange && OnChange) OnChange();
}

}  // namespace gui
