// The system's controls on the simulated machine: "BUTTON" (push, check box,
// auto radio, group box), "EDIT" (one line), "COMBOBOX" (an editable
// drop-down: a list and a text part, which is an edit child of its own),
// "msctls_updown32", "SysTabControl32", "msctls_hotkey32" and, a popup of its
// own, "tooltips_class32". Each answers the messages a
// program sends it and notifies its parent as the system's procedures do
// under Wine, which the contract suite holds it to: a check, selection,
// position or text set by the program sends only what the system sends for
// it (a text set on an edit sends EN_UPDATE and EN_CHANGE; BM_SETCHECK,
// CB_SETCURSEL, UDM_SETPOS32 and TCM_SETCURSEL send nothing), the user's
// click or key sends the notifications of a user's choice.
//
// Also the dialog keys (IsDialogMessageW) and the focus, and the entry points
// through which a test acts as the user.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/Utf8.h"
#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace platform::memory {

struct SimControl {
  enum class Kind { Button, Edit, ComboBox, UpDown, Tab, Hotkey, Tooltip };
  Kind kind = Kind::Button;
  HGdiObj font = 0;
  // BUTTON
  bool checked = false;
  Handle image = 0;  // BM_SETIMAGE's picture
  // What the parent answered WM_CTLCOLORSTATIC with when the button last
  // painted (a check or radio button); painted tells whether it has.
  HGdiObj background = 0;
  bool painted = false;
  bool pressed = false;  // a button press (pointer or Space) is under way
  // EDIT: the selection (the caret at its end, byte offsets into the
  // window's UTF-8 text), the most characters, and the start of a letter
  // typed in parts: the first half of one beyond UTF-16's first plane
  // (Unicode), the first bytes of one beyond ASCII (ANSI)
  std::size_t selStart = 0, selEnd = 0;
  std::size_t limit = 30000;
  char16_t highSurrogate = 0;
  std::string leadBytes;
  // COMBOBOX
  std::vector<std::string> items;
  int cursel = -1;
  // Where the list's arrow keys start from when no item is chosen: the item
  // chosen last, or the first whose text begins with what was typed.
  int caret = 0;
  Hwnd edit = 0;
  bool noEditNotify = false;  // the combo itself sets its text part
  // A choice the user made in the list survives the first change typed
  // after it; every later one leaves no item chosen.
  bool keepChoiceOnce = false;
  // msctls_updown32: the system's default range runs from 100 down to 0
  int minVal = 100, maxVal = 0, pos = 0;
  // SysTabControl32
  std::vector<std::string> tabs;
  // msctls_hotkey32: the combination (HKM_GETHOTKEY's word) and the
  // HOTKEYF_ modifiers held while the user types one
  std::uint16_t hotkey = 0;
  std::uint8_t heldModifiers = 0;
  // tooltips_class32: its tools, the one the pointer was last seen over and
  // the one whose tip shows (indexes, -1 for none), and its delays
  struct Tool {
    Hwnd hwnd = 0;
    std::uintptr_t id = 0;
    Rect rect;
    std::string text;
  };
  std::vector<Tool> tools;
  int toolUnder = -1;
  int toolShown = -1;
  bool tipsActive = true;
  std::uint32_t initialMs = 0, reshowMs = 0, autopopMs = 0;
};

namespace {

using Kind = SimControl::Kind;

// A push button's picture: the styles that make room for one, the messages
// that give and read it, and its two kinds.
constexpr std::uint32_t kBsIcon = 0x0040;
constexpr std::uint32_t kBsBitmap = 0x0080;
constexpr std::uint32_t kBmGetImage = 0x00F6;
constexpr std::uint32_t kBmSetImage = 0x00F7;
constexpr WParam kImageBitmap = 0;
constexpr WParam kImageIcon = 1;

// The brush the default handling of WM_CTLCOLOR* answers with: the
// system's button face (the classic grey), a stock object never deleted.
constexpr HGdiObj kFaceBrush = 0x7A001;
constexpr std::uint32_t kFaceColor = 0xC8D0D4;

constexpr int kComboEditId = 1001;  // the text part's id, as the system's
// A private message of the simulated system: the user's choice in a list,
// posted so that it takes effect in order with the rest of the input.
constexpr std::uint32_t kUserChoice = 0x006E;
constexpr int kTabRowHeight = 20;

std::string Utf8Of(char32_t letter) {
  std::string out;
  if (letter < 0x80) {
    out += static_cast<char>(letter);
  } else if (letter < 0x800) {
    out += static_cast<char>(0xC0 | (letter >> 6));
    out += static_cast<char>(0x80 | (letter & 0x3F));
  } else if (letter < 0x10000) {
    out += static_cast<char>(0xE0 | (letter >> 12));
    out += static_cast<char>(0x80 | ((letter >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (letter & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (letter >> 18));
    out += static_cast<char>(0x80 | ((letter >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((letter >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (letter & 0x3F));
  }
  return out;
}

std::size_t NextChar(std::string_view text, std::size_t at) {
  if (at >= text.size()) return text.size();
  do ++at;
  while (at < text.size() && IsUtf8Continuation(text[at]));
  return at;
}
std::size_t PreviousChar(std::string_view text, std::size_t at) {
  if (at == 0) return 0;
  do --at;
  while (at > 0 && IsUtf8Continuation(text[at]));
  return at;
}

std::string Fold(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return out;
}

std::uint32_t ButtonType(const SimWindow& w) { return w.style & ctl::kBsTypeMask; }
bool IsRadio(const SimWindow& w) {
  return w.control && w.control->kind == Kind::Button && ButtonType(w) == ctl::kBsAutoRadioButton;
}
const char* Text(LParam l) { return reinterpret_cast<const char*>(l); }

// An edit counts its text, its limit and its places in the characters of
// the kind it was made: "For ANSI text, this is the number of bytes; for
// Unicode text, this is the number of characters" (EM_LIMITTEXT's
// documentation), the characters being UTF-16's, which a letter beyond its
// first plane takes two of. The program's ANSI text is UTF-8.
std::size_t Units(std::string_view utf8, bool unicode) {
  if (!unicode) return utf8.size();
  std::size_t n = 0;
  for (const char c : utf8)
    if (!IsUtf8Continuation(c)) n += (static_cast<unsigned char>(c) >= 0xF0) ? 2 : 1;
  return n;
}
// The byte offset of a place counted in units, at most the text's end.
std::size_t ByteOffset(std::string_view utf8, std::size_t units, bool unicode) {
  if (!unicode) return std::min(units, utf8.size());
  std::size_t at = 0;
  while (at < utf8.size() && units > 0) {
    const std::size_t next = NextChar(utf8, at);
    const std::size_t width = Units(utf8.substr(at, next - at), true);
    if (width > units) break;
    units -= width;
    at = next;
  }
  return at;
}

// WM_GETTEXT into the caller's buffer: at most size - 1 characters and a zero.
LResult CopyOut(const std::string& text, WParam size, LParam buffer) {
  char* out = reinterpret_cast<char*>(buffer);
  if (!out || size == 0) return 0;
  const std::size_t n = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<LResult>(n);
}

}  // namespace

// ---- making and routing ---------------------------------------------------------

void SimProcess::MakeControl(Hwnd hwnd) {
  SimWindow* w = sys_.Window(hwnd);
  const std::string cls = Fold(w->className);
  auto c = std::make_shared<SimControl>();
  if (cls == "button") {
    c->kind = Kind::Button;
  } else if (cls == "edit") {
    c->kind = Kind::Edit;
    w->classCursor = sys_.StandardCursor(kIdcIBeam);
  } else if (cls == "combobox") {
    c->kind = Kind::ComboBox;
  } else if (cls == "msctls_updown32") {
    c->kind = Kind::UpDown;
  } else if (cls == "systabcontrol32") {
    c->kind = Kind::Tab;
  } else if (cls == "msctls_hotkey32") {
    c->kind = Kind::Hotkey;
  } else if (cls == "tooltips_class32") {
    c->kind = Kind::Tooltip;
    TooltipDelays(*c, kTtdtAutomatic, 0);
  } else {
    // No such class on the system.
    sys_.windows_.erase(hwnd);
    lastError_ = 1407;  // ERROR_CANNOT_FIND_WND_CLASS
    return;
  }
  w->control = c;
  if (c->kind == Kind::Edit) {
    c->selStart = c->selEnd = 0;
  }
  if (c->kind == Kind::ComboBox) {
    // The text part: an edit child filling the combo but for its button.
    const Rect r = w->rect;
    WindowParams e;
    e.className = "Edit";
    e.parent = hwnd;
    e.id = kComboEditId;
    e.left = 3;
    e.top = 3;
    e.width = std::max(0, r.Width() - 3 - 20);
    e.height = std::max(0, std::min(r.Height(), 21) - 6);
    e.style = kWsVisible | ctl::kEsAutoHScroll;
    e.caption = w->text;
    w->text.clear();
    // The text part is made as the list was (a Unicode list's is Unicode).
    c->edit = w->unicode ? CreateWindowExW(e) : CreateWindowExA(e, {});
  }
}

void SimProcess::NotifyParent(Hwnd hwnd, std::uint16_t code) {
  const SimWindow* w = sys_.Window(hwnd);
  if (!w || !w->parent) return;
  SendMessageA(w->parent, msg::kCommand, MakeWParam(static_cast<std::uint16_t>(w->id), code),
               static_cast<LParam>(hwnd));
}

LResult SimProcess::ControlProc(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w || !w->control) return 0;
  SimControl& c = *w->control;
  switch (message) {
    case msg::kSetFont: c.font = wParam; return 0;
    case msg::kGetFont: return static_cast<LResult>(c.font);
    case msg::kSetCursor: return DefWindowProcA(hwnd, message, wParam, lParam);
    default: break;
  }
  switch (c.kind) {
    case Kind::Button: return ButtonProc(hwnd, *w, message, wParam, lParam);
    case Kind::Edit: return EditProc(hwnd, *w, message, wParam, lParam);
    case Kind::ComboBox: return ComboProc(hwnd, *w, message, wParam, lParam);
    case Kind::UpDown: return UpDownProc(hwnd, *w, message, wParam, lParam);
    case Kind::Tab: return TabProc(hwnd, *w, message, wParam, lParam);
    case Kind::Hotkey: return HotkeyProc(hwnd, *w, message, wParam, lParam);
    case Kind::Tooltip: return TooltipProc(hwnd, *w, message, wParam, lParam);
  }
  return 0;
}

// Text messages every control answers alike.
namespace {
bool PlainText(SimWindow& w, std::uint32_t message, WParam wParam, LParam lParam, LResult* r) {
  switch (message) {
    case msg::kSetText:
      w.text = lParam ? Text(lParam) : "";
      *r = 1;
      return true;
    case msg::kGetText: *r = CopyOut(w.text, wParam, lParam); return true;
    case msg::kGetTextLength: *r = static_cast<LResult>(w.text.size()); return true;
    default: return false;
  }
}
}  // namespace

// ---- BUTTON -----------------------------------------------------------------------

void SimProcess::CheckAutoRadio(Hwnd hwnd) {
  // The others of its group, as far as the group reaches visible and enabled
  // buttons, are unchecked.
  Hwnd sibling = hwnd;
  for (int i = 0; i < 256; ++i) {
    sibling = NextGroupItem(sibling, false);
    if (!sibling || sibling == hwnd) break;
    const SimWindow* s = sys_.Window(sibling);
    if (s && IsRadio(*s)) SendMessageA(sibling, ctl::kBmSetCheck, ctl::kBstUnchecked, 0);
  }
}

LResult SimProcess::ButtonProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam,
                               LParam lParam) {
  SimControl& c = *w.control;
  const std::uint32_t type = ButtonType(w);
  const auto click = [&] {
    // What a completed press does: an auto button changes its check, then
    // the parent hears of the click.
    if (type == ctl::kBsAutoCheckBox)
      SendMessageA(hwnd, ctl::kBmSetCheck, c.checked ? ctl::kBstUnchecked : ctl::kBstChecked, 0);
    if (type == ctl::kBsAutoRadioButton) {
      SendMessageA(hwnd, ctl::kBmSetCheck, ctl::kBstChecked, 0);
      CheckAutoRadio(hwnd);
    }
    NotifyParent(hwnd, ctl::kBnClicked);
  };
  LResult r = 0;
  if (PlainText(w, message, wParam, lParam, &r)) return r;
  switch (message) {
    case msg::kGetDlgCode:
      if (type == ctl::kBsGroupBox) return ctl::kDlgcStatic;
      if (type == ctl::kBsAutoRadioButton) return ctl::kDlgcButton | ctl::kDlgcRadioButton;
      if (type == ctl::kBsDefPushButton) return ctl::kDlgcButton | ctl::kDlgcDefPushButton;
      if (type == ctl::kBsPushButton) return ctl::kDlgcButton | ctl::kDlgcUndefPushButton;
      return ctl::kDlgcButton;
    case ctl::kBmGetCheck: return c.checked ? 1 : 0;
    case kBmSetImage: {
      // Only a button made for pictures takes one, and only of its kind.
      const std::uint32_t kind = w.style & (kBsBitmap | kBsIcon);
      if (!((kind == kBsBitmap && wParam == kImageBitmap) ||
            (kind == kBsIcon && wParam == kImageIcon)))
        return 0;
      const Handle old = c.image;
      c.image = static_cast<Handle>(lParam);
      return static_cast<LResult>(old);
    }
    case kBmGetImage: return static_cast<LResult>(c.image);
    case msg::kPaint:
      // A check or radio button fills its background with what its parent
      // answers. (The simulated controls draw no pixels, so there is no
      // device context to hand on.)
      if (type == ctl::kBsAutoRadioButton || type == ctl::kBsAutoCheckBox) {
        const auto brush = static_cast<HGdiObj>(
            SendMessageA(w.parent, msg::kCtlColorStatic, 0, static_cast<LParam>(hwnd)));
        if (SimWindow* again = sys_.Window(hwnd)) {
          again->control->background = brush;
          again->control->painted = true;
        }
      }
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case ctl::kBmSetCheck: {
      if (type != ctl::kBsAutoRadioButton && type != ctl::kBsAutoCheckBox) return 0;
      // Only this button: the others of its group stay as they are.
      c.checked = wParam == ctl::kBstChecked;
      return 0;
    }
    case ctl::kBmClick:
      SendMessageA(hwnd, msg::kLButtonDown, 0, 0);
      SendMessageA(hwnd, msg::kLButtonUp, 0, 0);
      return 0;
    case msg::kLButtonDown:
      if (type == ctl::kBsGroupBox) return 0;
      SetFocus(hwnd);
      SetCapture(hwnd);
      if (SimWindow* again = sys_.Window(hwnd)) again->control->pressed = true;
      return 0;
    case msg::kLButtonUp: {
      if (!c.pressed) return 0;
      c.pressed = false;
      const Point at{LoWordSigned(lParam), HiWordSigned(lParam)};
      const bool inside = Rect{0, 0, w.rect.Width(), w.rect.Height()}.Contains(at);
      if (sys_.capture_ == hwnd) sys_.capture_ = 0;
      if (inside) click();
      return 0;
    }
    case msg::kKeyDown:
      if (wParam == kVkSpace && type != ctl::kBsGroupBox) c.pressed = true;
      return 0;
    case msg::kKeyUp:
      if (wParam == kVkSpace && c.pressed) {
        c.pressed = false;
        click();
      }
      return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

// ---- EDIT ---------------------------------------------------------------------------

void SimProcess::EditReplace(Hwnd hwnd, std::string_view with, bool notify) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w) return;
  SimControl& c = *w->control;
  const std::size_t from = std::min(c.selStart, c.selEnd), to = std::max(c.selStart, c.selEnd);
  std::string text = w->text;
  const std::size_t kept =
      Units(text, w->unicode) - Units(text.substr(from, to - from), w->unicode);
  const std::size_t room = c.limit > kept ? c.limit - kept : 0;
  // What fits, never part of a letter.
  std::size_t fits = ByteOffset(with, room, w->unicode);
  while (fits > 0 && fits < with.size() && IsUtf8Continuation(with[fits])) --fits;
  const std::string_view put = with.substr(0, fits);
  text.replace(from, to - from, put);
  const bool changed = text != w->text;
  const bool refused = put.size() < with.size();
  w->text = std::move(text);
  c.selStart = c.selEnd = from + put.size();
  // What the limit refuses is told first; the replacement is a change then,
  // even of nothing.
  if (refused && notify) NotifyParent(hwnd, ctl::kEnMaxText);
  if ((changed || refused) && notify) {
    NotifyParent(hwnd, ctl::kEnUpdate);
    NotifyParent(hwnd, ctl::kEnChange);
  }
}

LResult SimProcess::EditProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam,
                             LParam lParam) {
  SimControl& c = *w.control;
  const auto clampSel = [&] {
    c.selStart = std::min(c.selStart, w.text.size());
    c.selEnd = std::min(c.selEnd, w.text.size());
  };
  switch (message) {
    case msg::kSetText: {
      std::string t = lParam ? Text(lParam) : "";
      w.text = std::move(t);
      c.selStart = c.selEnd = 0;
      // Set by the program or the user, a new text is a change.
      NotifyParent(hwnd, ctl::kEnUpdate);
      NotifyParent(hwnd, ctl::kEnChange);
      return 1;
    }
    case msg::kGetText: return CopyOut(w.text, wParam, lParam);
    case msg::kGetTextLength: return static_cast<LResult>(w.text.size());
    case msg::kGetDlgCode: return ctl::kDlgcWantChars | ctl::kDlgcHasSetSel | ctl::kDlgcWantArrows;
    case ctl::kEmLimitText: c.limit = wParam == 0 ? 0x7FFFFFFE : wParam; return 0;
    case ctl::kEmSetSel: {
      const auto pos = [&](LParam v) {
        return v < 0 ? w.text.size() : ByteOffset(w.text, static_cast<std::size_t>(v), w.unicode);
      };
      c.selStart = pos(static_cast<LParam>(static_cast<std::intptr_t>(wParam)));
      c.selEnd = pos(lParam);
      return 0;
    }
    case ctl::kEmGetSel: {
      clampSel();
      const auto units = [&](std::size_t at) {
        return static_cast<std::int32_t>(Units(std::string_view(w.text).substr(0, at), w.unicode));
      };
      return static_cast<LResult>(
          MakeLParam(units(std::min(c.selStart, c.selEnd)), units(std::max(c.selStart, c.selEnd))));
    }
    case ctl::kEmReplaceSel:
      clampSel();
      EditReplace(hwnd, lParam ? Text(lParam) : "", true);
      return 0;
    case msg::kChar: {
      clampSel();
      if (wParam == '\b') {
        if (c.selStart == c.selEnd) c.selStart = PreviousChar(w.text, c.selStart);
        EditReplace(hwnd, "", true);
      } else if (!w.unicode) {
        // A byte of the code page: a letter beyond ASCII comes as its bytes
        // and goes in whole, or not at all.
        const char ch = static_cast<char>(wParam);
        if (wParam >= 0x80) {
          if (!IsUtf8Continuation(ch)) c.leadBytes.clear();  // a letter begins
          if (!c.leadBytes.empty() || !IsUtf8Continuation(ch)) c.leadBytes += ch;
          const auto lead = static_cast<unsigned char>(c.leadBytes.empty() ? 0 : c.leadBytes[0]);
          const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
          if (c.leadBytes.size() == length) {
            const std::string letter = std::exchange(c.leadBytes, {});
            if (Utf8Repaired(letter) == letter) EditReplace(hwnd, letter, true);
          }
        } else if (wParam >= 0x20) {
          c.leadBytes.clear();
          EditReplace(hwnd, std::string_view(&ch, 1), true);
        }
      } else {
        const auto unit = static_cast<char16_t>(wParam);
        if (unit >= 0xD800 && unit < 0xDC00) {
          c.highSurrogate = unit;  // the letter comes whole with its second half
        } else if (unit >= 0x20) {
          char32_t letter = unit;
          if (unit >= 0xDC00 && unit < 0xE000)
            letter = c.highSurrogate
                         ? 0x10000 + ((c.highSurrogate - 0xD800) << 10) + (unit - 0xDC00)
                         : 0xFFFD;
          c.highSurrogate = 0;
          EditReplace(hwnd, Utf8Of(letter), true);
        }
      }
      return 0;
    }
    case msg::kKeyDown:
      clampSel();
      // A drop-down list's text part hands the list keys to its list.
      if ((wParam == kVkUp || wParam == kVkDown) && w.parent) {
        const SimWindow* parent = sys_.Window(w.parent);
        if (parent && parent->control && parent->control->kind == Kind::ComboBox) {
          const SimControl& list = *parent->control;
          const int cur = list.cursel;
          const int count = static_cast<int>(list.items.size());
          // With no item chosen, either arrow takes the caret's item.
          const int next = cur < 0             ? std::clamp(list.caret, 0, count - 1)
                           : wParam == kVkDown ? std::min(cur + 1, count - 1)
                                               : std::max(cur - 1, 0);
          if (count > 0 && next != cur) ComboSelect(w.parent, next, true);
          return 0;
        }
      }
      if (wParam == kVkLeft) c.selStart = c.selEnd = PreviousChar(w.text, c.selEnd);
      if (wParam == kVkRight) c.selStart = c.selEnd = NextChar(w.text, c.selEnd);
      if (wParam == 0x2E /* Delete */) {
        if (c.selStart == c.selEnd) c.selEnd = NextChar(w.text, c.selEnd);
        EditReplace(hwnd, "", true);
      }
      return 0;
    case msg::kSetFocus: NotifyParent(hwnd, ctl::kEnSetFocus); return 0;
    case msg::kKillFocus: NotifyParent(hwnd, ctl::kEnKillFocus); return 0;
    case msg::kLButtonDown: SetFocus(hwnd); return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

// ---- COMBOBOX --------------------------------------------------------------------------

void SimProcess::ComboSelect(Hwnd combo, int index, bool byUser) {
  SimWindow* w = sys_.Window(combo);
  if (!w) return;
  SimControl& c = *w->control;
  c.cursel = index >= 0 && index < static_cast<int>(c.items.size()) ? index : -1;
  if (c.cursel >= 0) c.caret = c.cursel;
  if (byUser) c.keepChoiceOnce = true;
  // The text part shows the item; the combo hears no edit change from it.
  const std::string text = c.cursel >= 0 ? c.items[static_cast<std::size_t>(c.cursel)] : "";
  const Hwnd edit = c.edit;
  c.noEditNotify = true;
  SendMessageA(edit, msg::kSetText, 0, reinterpret_cast<LParam>(text.c_str()));
  if (SimWindow* again = sys_.Window(combo)) again->control->noEditNotify = false;
  if (SimWindow* e = sys_.Window(edit)) {
    e->control->selStart = 0;
    e->control->selEnd = e->text.size();
  }
  if (byUser) NotifyParent(combo, ctl::kCbnSelChange);
}

LResult SimProcess::ComboProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam,
                              LParam lParam) {
  SimControl& c = *w.control;
  const Hwnd edit = c.edit;
  switch (message) {
    case msg::kSetText:
      // The program's text for the text part is no edit change at all: the
      // parent hears nothing and the chosen item stays chosen.
      c.noEditNotify = true;
      SendMessageA(edit, msg::kSetText, 0, lParam);
      if (SimWindow* again = sys_.Window(hwnd)) again->control->noEditNotify = false;
      return 1;
    case msg::kGetText:
    case msg::kGetTextLength: return SendMessageA(edit, message, wParam, lParam);
    case msg::kGetDlgCode: return ctl::kDlgcWantChars | ctl::kDlgcWantArrows;
    case msg::kSetFocus: SetFocus(edit); return 0;
    case msg::kLButtonDown: SetFocus(edit); return 0;
    case ctl::kCbAddString:
      c.items.emplace_back(lParam ? Text(lParam) : "");
      return static_cast<LResult>(c.items.size() - 1);
    case ctl::kCbResetContent:
      c.items.clear();
      c.cursel = -1;
      return 1;
    case ctl::kCbGetCount: return static_cast<LResult>(c.items.size());
    case ctl::kCbGetCurSel: return c.cursel;
    case ctl::kCbSetCurSel: {
      // An index past the items changes nothing; -1 chooses none.
      const auto index = static_cast<int>(static_cast<std::intptr_t>(wParam));
      if (index < -1 || index >= static_cast<int>(c.items.size())) return ctl::kCbErr;
      ComboSelect(hwnd, index, false);
      return index >= 0 ? index : ctl::kCbErr;
    }
    case ctl::kCbGetLbTextLen: {
      if (wParam >= c.items.size()) return ctl::kCbErr;
      return static_cast<LResult>(c.items[wParam].size());
    }
    case ctl::kCbGetLbText: {
      if (wParam >= c.items.size() || !lParam) return ctl::kCbErr;
      std::memcpy(reinterpret_cast<char*>(lParam), c.items[wParam].c_str(),
                  c.items[wParam].size() + 1);
      return static_cast<LResult>(c.items[wParam].size());
    }
    case kUserChoice: {
      // The list dropped down, the item clicked, the list closed.
      const auto index = static_cast<int>(wParam);
      NotifyParent(hwnd, ctl::kCbnDropDown);
      if (!sys_.Window(hwnd)) return 0;
      if (index >= 0 && index < static_cast<int>(c.items.size())) {
        ComboSelect(hwnd, index, false);
        c.keepChoiceOnce = true;  // the user's choice, told below
        NotifyParent(hwnd, ctl::kCbnSelEndOk);
      }
      NotifyParent(hwnd, ctl::kCbnCloseUp);
      if (index >= 0 && index < static_cast<int>(c.items.size()))
        NotifyParent(hwnd, ctl::kCbnSelChange);
      return 0;
    }
    case msg::kCommand: {
      // From the text part.
      if (static_cast<Hwnd>(lParam) != edit) return 0;
      const auto code = static_cast<std::uint16_t>(wParam >> 16);
      if (c.noEditNotify) return 0;
      if (code == ctl::kEnUpdate) NotifyParent(hwnd, ctl::kCbnEditUpdate);
      if (code == ctl::kEnChange) {
        // Typed text chooses no item (but for the grace after a choice), and
        // the caret goes to the first item the text begins.
        if (c.keepChoiceOnce) {
          c.keepChoiceOnce = false;
        } else {
          c.cursel = -1;
          c.caret = 0;
          const SimWindow* e = sys_.Window(edit);
          const std::string typed = e ? Fold(e->text) : std::string();
          for (std::size_t i = 0; i < c.items.size() && !typed.empty(); ++i)
            if (Fold(c.items[i]).starts_with(typed)) {
              c.caret = static_cast<int>(i);
              break;
            }
        }
        NotifyParent(hwnd, ctl::kCbnEditChange);
      }
      if (code == ctl::kEnSetFocus) NotifyParent(hwnd, ctl::kCbnSetFocus);
      if (code == ctl::kEnKillFocus) NotifyParent(hwnd, ctl::kCbnKillFocus);
      return 0;
    }
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

// ---- msctls_updown32 ---------------------------------------------------------------------

LResult SimProcess::UpDownProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam,
                               LParam lParam) {
  SimControl& c = *w.control;
  const bool inverted = c.maxVal < c.minVal;
  const int lo = std::min(c.minVal, c.maxVal), hi = std::max(c.minVal, c.maxVal);
  switch (message) {
    case msg::kGetDlgCode: return 0;
    case ctl::kUdmSetRange32:
      c.minVal = static_cast<int>(static_cast<std::intptr_t>(wParam));
      c.maxVal = static_cast<int>(lParam);
      c.pos = std::clamp(c.pos, std::min(c.minVal, c.maxVal), std::max(c.minVal, c.maxVal));
      return 0;
    case ctl::kUdmGetRange32:
      if (wParam) *reinterpret_cast<int*>(wParam) = c.minVal;
      if (lParam) *reinterpret_cast<int*>(lParam) = c.maxVal;
      return 0;
    case ctl::kUdmSetPos32: {
      const int before = c.pos;
      c.pos = std::clamp(static_cast<int>(lParam), lo, hi);
      return before;
    }
    case ctl::kUdmGetPos32:
      if (lParam) *reinterpret_cast<int*>(lParam) = 0;
      return c.pos;
    case msg::kLButtonDown: {
      // The upper half is the up arrow: towards the range's maximum.
      const bool up = HiWordSigned(lParam) < w.rect.Height() / 2;
      int delta = (up ? 1 : -1) * (inverted ? -1 : 1);
      NmUpDown n;
      n.hdr = {hwnd, static_cast<std::uintptr_t>(w.id), ctl::kUdnDeltaPos};
      n.iPos = c.pos;
      n.iDelta = delta;
      const Hwnd parent = w.parent;
      SetCapture(hwnd);
      if (!SendMessageA(parent, msg::kNotify, static_cast<WParam>(w.id),
                        reinterpret_cast<LParam>(&n))) {
        SimWindow* again = sys_.Window(hwnd);
        if (!again) return 0;
        SimControl& s = *again->control;
        delta = n.iDelta;
        const int to = s.pos + delta;
        if (to > hi || to < lo) {
          if (again->style & ctl::kUdsWrap)
            s.pos = to > hi ? lo : hi;
          else
            s.pos = to > hi ? hi : lo;
        } else {
          s.pos = to;
        }
      }
      const SimWindow* again = sys_.Window(hwnd);
      if (!again) return 0;
      // Sent in any case, at an end too.
      SendMessageA(
          parent, msg::kVScroll,
          MakeWParam(ctl::kSbThumbPosition, static_cast<std::uint16_t>(again->control->pos)),
          static_cast<LParam>(hwnd));
      return 0;
    }
    case msg::kLButtonUp:
      if (sys_.capture_ != hwnd) return 0;
      sys_.capture_ = 0;
      SendMessageA(w.parent, msg::kVScroll,
                   MakeWParam(ctl::kSbEndScroll, static_cast<std::uint16_t>(c.pos)),
                   static_cast<LParam>(hwnd));
      return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

// ---- SysTabControl32 ----------------------------------------------------------------------

Rect SimSystem::TabRect(Hwnd tabs, int index) const {
  const SimWindow* w = Window(tabs);
  if (!w || !w->control || index < 0 || index >= static_cast<int>(w->control->tabs.size()))
    return {};
  // The simulated row: tabs side by side from the left, 6 pixels a
  // character and 12 of margin each.
  int left = 2;
  for (int i = 0; i < index; ++i)
    left += 6 * static_cast<int>(w->control->tabs[static_cast<std::size_t>(i)].size()) + 12;
  const int width =
      6 * static_cast<int>(w->control->tabs[static_cast<std::size_t>(index)].size()) + 12;
  return {left, 2, left + width, kTabRowHeight};
}

void SimProcess::ChooseTab(Hwnd hwnd, int index) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w || index == w->control->cursel) return;
  const Hwnd parent = w->parent;
  NmHdr n{hwnd, static_cast<std::uintptr_t>(w->id), ctl::kTcnSelChanging};
  if (SendMessageA(parent, msg::kNotify, static_cast<WParam>(w->id), reinterpret_cast<LParam>(&n)))
    return;  // the parent keeps the page
  w = sys_.Window(hwnd);
  if (!w) return;
  w->control->cursel = index;
  n.code = ctl::kTcnSelChange;
  SendMessageA(parent, msg::kNotify, static_cast<WParam>(w->id), reinterpret_cast<LParam>(&n));
}

LResult SimProcess::TabProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam,
                            LParam lParam) {
  SimControl& c = *w.control;
  LResult r = 0;
  if (message != msg::kSetText && PlainText(w, message, wParam, lParam, &r)) return r;
  const int count = static_cast<int>(c.tabs.size());
  switch (message) {
    case msg::kGetDlgCode: return ctl::kDlgcWantArrows | ctl::kDlgcWantChars;
    case ctl::kTcmGetItemCount: return count;
    case ctl::kTcmInsertItemA: {
      const auto* item = reinterpret_cast<const TcItemA*>(lParam);
      if (!item) return -1;
      const std::size_t at = std::min<std::size_t>(wParam, c.tabs.size());
      c.tabs.insert(c.tabs.begin() + static_cast<std::ptrdiff_t>(at),
                    (item->mask & ctl::kTcifText) && item->pszText ? item->pszText : "");
      if (c.tabs.size() == 1)
        c.cursel = 0;  // the first tab is the chosen one
      else if (c.cursel >= static_cast<int>(at))
        ++c.cursel;
      return static_cast<LResult>(at);
    }
    case ctl::kTcmDeleteAllItems:
      c.tabs.clear();
      c.cursel = -1;
      return 1;
    case ctl::kTcmGetCurSel: return c.cursel;
    case ctl::kTcmGetItemRect: {
      const Rect r = sys_.TabRect(hwnd, static_cast<int>(wParam));
      if (r.Width() <= 0 || !lParam) return 0;
      *reinterpret_cast<Rect*>(lParam) = r;
      return 1;
    }
    case ctl::kTcmSetCurSel: {
      const auto index = static_cast<int>(static_cast<std::intptr_t>(wParam));
      if (index < 0 || index >= count) return -1;
      const int before = c.cursel;
      c.cursel = index;
      return before;
    }
    case msg::kLButtonDown: {
      const Point at{LoWordSigned(lParam), HiWordSigned(lParam)};
      SetFocus(hwnd);
      for (int i = 0; i < count; ++i)
        if (sys_.TabRect(hwnd, i).Contains(at)) {
          ChooseTab(hwnd, i);
          break;
        }
      return 0;
    }
    case msg::kKeyDown:
      if (wParam == kVkLeft && c.cursel > 0) ChooseTab(hwnd, c.cursel - 1);
      if (wParam == kVkRight && c.cursel + 1 < count) ChooseTab(hwnd, c.cursel + 1);
      return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

// ---- msctls_hotkey32 ------------------------------------------------------------------------

// As the system's control under Wine: every key pressed on it first empties
// the combination; a modifier adds itself to those held, any other key
// makes the combination of the held modifiers and that key, each change of
// either telling the parent EN_CHANGE; Return, Tab, Space, Delete, Escape
// and Backspace leave it empty and tell nothing (Tab goes on to the
// dialog). HKM_SETHOTKEY tells nothing either.
LResult SimProcess::HotkeyProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam,
                               LParam lParam) {
  SimControl& c = *w.control;
  const auto modifierOf = [](WParam vk) -> std::uint8_t {
    if (vk == kVkShift) return kHotkeyfShift;
    if (vk == kVkControl) return kHotkeyfControl;
    if (vk == kVkMenu) return kHotkeyfAlt;
    return 0;
  };
  switch (message) {
    case msg::kGetDlgCode: return ctl::kDlgcWantChars | ctl::kDlgcWantArrows;
    case kHkmSetHotkey: c.hotkey = static_cast<std::uint16_t>(wParam); return 0;
    case kHkmGetHotkey: return c.hotkey;
    case msg::kLButtonDown: SetFocus(hwnd); return 0;
    case msg::kKeyDown:
    case msg::kSysKeyDown: {
      if (!w.enabled) return 0;
      const std::uint16_t before = c.hotkey;
      const std::uint8_t beforeMods = c.heldModifiers;
      c.hotkey = 0;
      // These empty it without a word and go on (Tab to the dialog).
      if (wParam == kVkReturn || wParam == kVkTab || wParam == kVkSpace ||
          wParam == 0x2E /* VK_DELETE */ || wParam == kVkEscape || wParam == kVkBack)
        return DefWindowProcA(hwnd, message, wParam, lParam);
      if (const std::uint8_t m = modifierOf(wParam))
        c.heldModifiers |= m;
      else
        c.hotkey = static_cast<std::uint16_t>(c.heldModifiers << 8 | (wParam & 0xFF));
      if (c.hotkey != before || c.heldModifiers != beforeMods) NotifyParent(hwnd, ctl::kEnChange);
      return 0;
    }
    case msg::kKeyUp:
    case msg::kSysKeyUp: {
      const std::uint8_t m = modifierOf(wParam);
      if (!m) return DefWindowProcA(hwnd, message, wParam, lParam);
      const std::uint8_t beforeMods = c.heldModifiers;
      c.heldModifiers = static_cast<std::uint8_t>(c.heldModifiers & ~m);
      if (c.heldModifiers != beforeMods) NotifyParent(hwnd, ctl::kEnChange);
      return 0;
    }
    case msg::kKillFocus: c.heldModifiers = 0; return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

// ---- tooltips_class32 -----------------------------------------------------------------------

// As the system's control under Wine: a move relayed onto a tool from
// outside every tool starts the initial delay, a move within it starts it
// again until the tip has shown (so the pointer must rest), and from one
// tool to another the reshow delay; once the delay ends with the pointer
// still on that tool, the tip shows below the pointer. A shown tip goes
// when a relayed move leaves its tool, a relayed button goes down or up,
// the autopop time passes (a move within the tool starts it again), or,
// as the tip looks at where the pointer is every 100 ms, the pointer left
// the tool without a relayed move (it left the window).
namespace {
constexpr std::uintptr_t kTipTimerShow = 1;
constexpr std::uintptr_t kTipTimerPop = 2;
constexpr std::uintptr_t kTipTimerLeave = 3;
constexpr std::uint32_t kTipLeavePollMs = 100;
// The double-click time, which sets the delays by default: the system's
// 500 ms, which the simulated user never changes.
constexpr std::uint32_t kDoubleClickMs = 500;
// The system puts the tip below the pointer's shape.
constexpr std::int32_t kTipBelowPointer = 20;

int ToolAt(const SimControl& c, Hwnd hwnd, Point client) {
  for (std::size_t i = 0; i < c.tools.size(); ++i)
    if (c.tools[i].hwnd == hwnd && c.tools[i].rect.Contains(client)) return static_cast<int>(i);
  return -1;
}
int FindTool(const SimControl& c, const ToolInfoA* info) {
  if (!info) return -1;
  for (std::size_t i = 0; i < c.tools.size(); ++i)
    if (c.tools[i].hwnd == info->hwnd && c.tools[i].id == info->uId) return static_cast<int>(i);
  return -1;
}
// A text pointer, or a resource id or the callback marker, which give none
// here.
std::string ToolText(const char* text) {
  const auto value = reinterpret_cast<std::uintptr_t>(text);
  if (value < 0x10000 || value == static_cast<std::uintptr_t>(-1)) return {};
  return text;
}
}  // namespace

// TTM_SETDELAYTIME: the low word is the time. The documentation gives -1
// as the way back to the default; Wine 8 reads the word unsigned (65535
// ms), and restores the default, which follows the double-click time, for
// TTDT_AUTOMATIC with 0. TTDT_AUTOMATIC sets the others from the initial.
void SimProcess::TooltipDelays(SimControl& c, WParam which, std::uint16_t ms) {
  switch (which) {
    case kTtdtAutomatic: {
      const std::uint32_t initial = ms == 0 ? kDoubleClickMs : ms;
      c.initialMs = initial;
      c.reshowMs = initial / 5;
      c.autopopMs = initial * 10;
      break;
    }
    case kTtdtInitial: c.initialMs = ms; break;
    case kTtdtReshow: c.reshowMs = ms; break;
    case kTtdtAutopop: c.autopopMs = ms; break;
    default: break;
  }
}

// The tool under the pointer now, found as the pointer's window sees it.
// Without TTS_ALWAYSTIP a tip shows only while its tool's window is active.
int SimProcess::TooltipToolUnderPointer(const SimWindow& tip, bool toShow) {
  Point p;
  GetCursorPos(&p);
  const SimWindow* under = sys_.Window(WindowFromPoint(p));
  if (!under) return -1;
  if (toShow && !(tip.style & kTtsAlwaysTip) && sys_.TopLevelOf(under->hwnd) != sys_.Foreground())
    return -1;
  return ToolAt(*tip.control, under->hwnd, {p.x - under->rect.left, p.y - under->rect.top});
}

void SimProcess::TooltipShow(Hwnd hwnd) {
  SimWindow* w = sys_.Window(hwnd);
  SimControl& c = *w->control;
  if (c.toolUnder < 0) return;
  const std::string text = c.tools[static_cast<std::size_t>(c.toolUnder)].text;
  if (text.empty()) return;  // nothing to show
  c.toolShown = c.toolUnder;
  w->text = text;
  Point p;
  GetCursorPos(&p);
  // The box fits the text in the system's tooltip font with its margins.
  TextExtent extent{6 * static_cast<std::int32_t>(Units(text, true)), 13};
  MeasureString({"Tahoma", 11, kFwNormal}, text, &extent);
  SetWindowPos(hwnd, kHwndTopmost, p.x, p.y + kTipBelowPointer, extent.width + 8, extent.height + 4,
               kSwpNoActivate);
  ShowWindow(hwnd, kSwShowNoActivate);
  SetTimer(hwnd, kTipTimerPop, c.autopopMs);
  SetTimer(hwnd, kTipTimerLeave, kTipLeavePollMs);
}

void SimProcess::TooltipHide(Hwnd hwnd) {
  SimWindow* w = sys_.Window(hwnd);
  SimControl& c = *w->control;
  KillTimer(hwnd, kTipTimerPop);
  if (c.toolShown < 0) return;
  c.toolShown = -1;
  ShowWindow(hwnd, kSwHide);
}

// The pointer went from the tool it was over to another, or to none.
void SimProcess::TooltipToolChanged(Hwnd hwnd, int before) {
  SimControl& c = *sys_.Window(hwnd)->control;
  if (c.toolUnder == before) return;
  if (before >= 0) {
    TooltipHide(hwnd);
    KillTimer(hwnd, kTipTimerLeave);
  }
  if (c.toolUnder >= 0 && c.tipsActive)
    SetTimer(hwnd, kTipTimerShow, before < 0 ? c.initialMs : c.reshowMs);
}

LResult SimProcess::TooltipProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam,
                                LParam lParam) {
  SimControl& c = *w.control;
  const auto* info = reinterpret_cast<const ToolInfoA*>(lParam);
  switch (message) {
    case kTtmActivate:
      c.tipsActive = wParam != 0;
      if (!c.tipsActive) TooltipHide(hwnd);
      return 0;
    case kTtmSetDelayTime:
      TooltipDelays(c, wParam, static_cast<std::uint16_t>(lParam & 0xFFFF));
      return 0;
    case kTtmGetDelayTime:
      if (wParam == kTtdtInitial) return c.initialMs;
      if (wParam == kTtdtReshow) return c.reshowMs;
      if (wParam == kTtdtAutopop) return c.autopopMs;
      return 0;
    case kTtmAddToolA:
      if (!info) return 0;
      c.tools.push_back({info->hwnd, info->uId, info->rect, ToolText(info->lpszText)});
      return 1;
    case kTtmDelToolA: {
      const int tool = FindTool(c, info);
      if (tool < 0) return 0;
      TooltipHide(hwnd);
      KillTimer(hwnd, kTipTimerLeave);
      c.tools.erase(c.tools.begin() + tool);
      c.toolUnder = -1;
      return 0;
    }
    case kTtmNewToolRectA:
      if (const int tool = FindTool(c, info); tool >= 0)
        c.tools[static_cast<std::size_t>(tool)].rect = info->rect;
      return 0;
    case kTtmUpdateTipTextA:
      if (const int tool = FindTool(c, info); tool >= 0) {
        c.tools[static_cast<std::size_t>(tool)].text = ToolText(info->lpszText);
        // A shown tip is shown again, with its tool's text now.
        if (c.toolShown >= 0) {
          c.toolUnder = c.toolShown;
          TooltipShow(hwnd);
          if (SimWindow* again = sys_.Window(hwnd);
              again && again->control->tools[static_cast<std::size_t>(c.toolUnder)].text.empty())
            TooltipHide(hwnd);
        }
      }
      return 0;
    case kTtmGetToolCount: return static_cast<LResult>(c.tools.size());
    case kTtmPop: TooltipHide(hwnd); return 0;
    case kTtmRelayEvent: {
      const auto* relayed = reinterpret_cast<const RelayedMsg*>(lParam);
      if (!relayed) return 0;
      switch (relayed->message) {
        case msg::kLButtonDown:
        case msg::kLButtonUp:
        case msg::kRButtonDown:
        case msg::kRButtonUp:
        case msg::kMButtonDown:
        case msg::kMButtonUp: TooltipHide(hwnd); break;
        case msg::kMouseMove: {
          const int before = c.toolUnder;
          c.toolUnder = ToolAt(c, relayed->hwnd,
                               {LoWordSigned(relayed->lParam), HiWordSigned(relayed->lParam)});
          if (c.toolUnder != before) {
            TooltipToolChanged(hwnd, before);
          } else if (c.toolShown >= 0) {
            SetTimer(hwnd, kTipTimerPop, c.autopopMs);
          } else if (c.toolUnder >= 0 && c.tipsActive) {
            // Not shown yet: the pointer must rest the whole delay.
            SetTimer(hwnd, kTipTimerShow, c.initialMs);
          }
          break;
        }
        default: break;
      }
      return 0;
    }
    case msg::kTimer:
      if (wParam == kTipTimerShow) {
        KillTimer(hwnd, kTipTimerShow);
        const int before = c.toolUnder;
        c.toolUnder = TooltipToolUnderPointer(w, true);
        if (c.toolUnder == before) TooltipShow(hwnd);
      } else if (wParam == kTipTimerPop) {
        TooltipHide(hwnd);
      } else if (wParam == kTipTimerLeave) {
        const int before = c.toolUnder;
        c.toolUnder = TooltipToolUnderPointer(w, false);
        if (c.toolUnder != before) TooltipToolChanged(hwnd, before);
      }
      return 0;
    case msg::kGetText:
    case msg::kGetTextLength: {
      LResult r = 0;
      PlainText(w, message, wParam, lParam, &r);
      return r;
    }
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

// ---- focus and enabling -------------------------------------------------------------------

Hwnd SimProcess::SetFocus(Hwnd hwnd) {
  const Hwnd before = sys_.focus_;
  if (hwnd) {
    const SimWindow* w = sys_.Window(hwnd);
    if (!w || w->pid != pid_) {
      lastError_ = error::kInvalidWindowHandle;
      return 0;
    }
  }
  if (hwnd == before) return before;
  sys_.focus_ = hwnd;
  if (before && sys_.Window(before)) SendMessageA(before, msg::kKillFocus, hwnd, 0);
  if (hwnd && sys_.Window(hwnd) && sys_.focus_ == hwnd)
    SendMessageA(hwnd, msg::kSetFocus, before, 0);
  return before;
}

bool SimProcess::EnableWindow(Hwnd hwnd, bool enable) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w) return false;
  const bool wasDisabled = !w->enabled;
  if (wasDisabled == !enable) return wasDisabled;
  w->enabled = enable;
  if (enable)
    w->style &= ~kWsDisabled;
  else
    w->style |= kWsDisabled;
  if (!enable && sys_.focus_ == hwnd) sys_.focus_ = 0;
  SendMessageA(hwnd, msg::kEnable, enable ? 1 : 0, 0);
  return wasDisabled;
}

bool SimProcess::IsWindowEnabled(Hwnd hwnd) {
  const SimWindow* w = sys_.Window(hwnd);
  return w && w->enabled;
}

// ---- fonts ------------------------------------------------------------------------------------

HGdiObj SimProcess::CreateFontA(std::int32_t height, std::int32_t, std::string_view face) {
  if (height < -kMaxCharHeight || height > kMaxCharHeight) return 0;
  const HGdiObj h = nextFont_ += 4;
  fonts_[h] = std::string(face);
  return h;
}

HGdiObj SimProcess::CreateSolidBrush(std::uint32_t color) {
  const HGdiObj h = nextFont_ += 4;
  brushes_[h] = color & 0xFFFFFF;
  return h;
}

HGdiObj SimProcess::FaceBrush() { return kFaceBrush; }

std::optional<std::uint32_t> SimProcess::ControlBackground(Hwnd hwnd) const {
  const SimWindow* w = sys_.Window(hwnd);
  if (!w || !w->control || !w->control->painted) return std::nullopt;
  // No brush of the parent's (none, or not one of the system's): the
  // button takes the default handling's, as the system's does.
  const auto it = brushes_.find(w->control->background);
  return it != brushes_.end() ? it->second : kFaceColor;
}

bool SimProcess::DeleteObject(HGdiObj object) {
  if (fonts_.erase(object) || brushes_.erase(object)) return true;
  return ScreenOps::DeleteObject(object);
}

// ---- dialog keys ------------------------------------------------------------------------------

bool SimProcess::NavigableChild(Hwnd hwnd) const {
  const SimWindow* w = sys_.Window(hwnd);
  return w && w->visible && w->enabled;
}

Hwnd SimProcess::NextTabItem(Hwnd dialog, Hwnd from, bool previous) {
  std::vector<Hwnd> order;  // the dialog's children in creation order
  for (const auto& [h, w] : sys_.windows_)
    if (w.parent == dialog) order.push_back(h);
  // The focus may sit in a control's own child (a drop-down list's text part).
  while (from && sys_.Window(from) && sys_.Window(from)->parent != dialog)
    from = sys_.Window(from)->parent;
  const auto n = static_cast<int>(order.size());
  if (n == 0) return 0;
  int at = -1;
  for (int i = 0; i < n; ++i)
    if (order[static_cast<std::size_t>(i)] == from) at = i;
  for (int step = 1; step <= n; ++step) {
    const int i =
        at < 0 ? (previous ? n - step : step - 1) : ((at + (previous ? -step : step)) % n + n) % n;
    const Hwnd h = order[static_cast<std::size_t>(i)];
    if (NavigableChild(h) && (sys_.Window(h)->style & kWsTabStop)) return h;
  }
  return 0;
}

Hwnd SimProcess::NextGroupItem(Hwnd from, bool previous) {
  const SimWindow* w = sys_.Window(from);
  if (!w || !w->parent) return 0;
  std::vector<Hwnd> order;
  for (const auto& [h, s] : sys_.windows_)
    if (s.parent == w->parent) order.push_back(h);
  const auto pos =
      static_cast<std::size_t>(std::find(order.begin(), order.end(), from) - order.begin());
  // The group: from the last WS_GROUP at or before the control to the next one.
  std::size_t first = pos;
  while (first > 0 && !(sys_.Window(order[first])->style & kWsGroup)) --first;
  std::size_t end = pos + 1;
  while (end < order.size() && !(sys_.Window(order[end])->style & kWsGroup)) ++end;
  const std::size_t size = end - first;
  for (std::size_t step = 1; step < size + 1; ++step) {
    const std::size_t i = first + (previous ? (pos - first + size - step % size) % size
                                            : (pos - first + step) % size);
    if (NavigableChild(order[i])) return order[i];
  }
  return 0;
}

bool SimProcess::IsDialogMessageW(Hwnd dialog, const Msg& m) {
  if (!sys_.Window(dialog) || !m.hwnd) return false;
  Hwnd up = m.hwnd;
  for (int i = 0; i < 64 && up && up != dialog; ++i) {
    const SimWindow* w = sys_.Window(up);
    up = w ? w->parent : 0;
  }
  if (up != dialog) return false;
  if (m.message == msg::kKeyDown) {
    const LResult code = SendMessageA(m.hwnd, msg::kGetDlgCode, m.wParam, 0);
    if (m.wParam == kVkTab && !(code & ctl::kDlgcWantTab)) {
      const Hwnd next = NextTabItem(dialog, sys_.focus_ == dialog ? 0 : sys_.focus_, lastKeyShift_);
      if (next) {
        if (SendMessageA(next, msg::kGetDlgCode, 0, 0) & ctl::kDlgcHasSetSel)
          SendMessageA(next, ctl::kEmSetSel, 0, -1);
        SetFocus(next);
      }
      return true;
    }
    const bool arrow =
        m.wParam == kVkLeft || m.wParam == kVkUp || m.wParam == kVkRight || m.wParam == kVkDown;
    if (arrow && !(code & ctl::kDlgcWantArrows)) {
      const Hwnd next = NextGroupItem(m.hwnd, m.wParam == kVkLeft || m.wParam == kVkUp);
      if (next && SendMessageA(next, msg::kGetDlgCode, m.wParam, 0) ==
                      (ctl::kDlgcButton | ctl::kDlgcRadioButton)) {
        SetFocus(next);
        const SimWindow* n = sys_.Window(next);
        if (n && IsRadio(*n) && !n->control->checked) SendMessageA(next, ctl::kBmClick, 1, 0);
      }
      return true;
    }
  }
  DispatchMessageW(m);
  return true;
}

// ---- the user -----------------------------------------------------------------------------------

void SimSystem::ClickWindow(Hwnd hwnd, Point at) {
  const SimWindow* w = Window(hwnd);
  if (!w) return;
  PlaceCursor({w->rect.left + at.x, w->rect.top + at.y});
  QueueMouse(msg::kMouseMove);
  buttons_ |= kMkLButton;
  QueueMouse(msg::kLButtonDown);
  buttons_ &= ~kMkLButton;
  QueueMouse(msg::kLButtonUp);
}

void SimSystem::ClickWindow(Hwnd hwnd) {
  const SimWindow* w = Window(hwnd);
  if (w) ClickWindow(hwnd, {w->rect.Width() / 2, w->rect.Height() / 2});
}

void SimSystem::ClickUpDownArrow(Hwnd updown, bool up) {
  const SimWindow* w = Window(updown);
  if (w)
    ClickWindow(updown,
                {w->rect.Width() / 2, up ? w->rect.Height() / 4 : w->rect.Height() * 3 / 4});
}

void SimSystem::ClickTab(Hwnd tabs, int index) {
  const Rect r = TabRect(tabs, index);
  if (r.Width() > 0) ClickWindow(tabs, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

void SimSystem::ChooseListItem(Hwnd combo, int index) {
  Post(combo, kUserChoice, static_cast<WParam>(index), 0);
}

void SimSystem::TypeText(std::string_view text) {
  const SimWindow* w = Window(focus_);
  if (!w) return;
  // "The WM_CHAR message uses UTF-16 code units in its wParam if the Unicode
  // version of the RegisterClass function was used to register the window
  // class. Otherwise, the system provides characters in the current process
  // code page" (WM_CHAR's documentation): UTF-8's bytes here.
  if (!w->unicode) {
    for (char ch : text) QueueKey(focus_, msg::kChar, static_cast<unsigned char>(ch), 1);
    return;
  }
  const std::string whole = Utf8Repaired(text);
  for (std::size_t at = 0; at < whole.size();) {
    const std::size_t next = NextChar(whole, at);
    const auto lead = static_cast<unsigned char>(whole[at]);
    const std::size_t n = next - at;
    char32_t letter = n == 1 ? lead : lead & (0xFF >> (n + 1));
    for (std::size_t i = at + 1; i < next; ++i)
      letter = (letter << 6) | (static_cast<unsigned char>(whole[i]) & 0x3F);
    if (letter >= 0x10000) {
      QueueKey(focus_, msg::kChar, 0xD800 + ((letter - 0x10000) >> 10), 1);
      QueueKey(focus_, msg::kChar, 0xDC00 + ((letter - 0x10000) & 0x3FF), 1);
    } else {
      QueueKey(focus_, msg::kChar, letter, 1);
    }
    at = next;
  }
}

void SimSystem::PressKey(std::uint8_t vk, bool shift) {
  const Hwnd target = focus_ && TopLevelOf(focus_) == foreground_ ? focus_ : foreground_;
  if (!target) return;
  if (shift) keysDown_.insert(kVkShift);
  QueueKey(target, msg::kKeyDown, vk, 1);
  QueueKey(target, msg::kKeyUp, vk, static_cast<LParam>(0xC0000001u));
  if (shift) keysDown_.erase(kVkShift);
}

}  // namespace platform::memory
