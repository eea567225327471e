// Pointer and keyboard input on the simulated machine, and the window
// behaviour that input and system commands set off.
//
// As on the real system, injected input does not reach a window at once: it
// waits in the input queue of the process the window belongs to, behind that
// process's posted messages, and a pointer move that finds another move last
// in that queue replaces it (however many moves were injected, the window
// hears of the latest position once). A button press activates the window it
// lands on when the press is taken from the queue. Mouse messages carry the
// window's client coordinates as they are when taken; the wheel's carry the
// screen position.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace platform::memory {

namespace {

constexpr std::uint8_t kVkLButton = 0x01;
constexpr std::uint8_t kVkRButton = 0x02;
constexpr std::uint8_t kVkMButton = 0x04;

// Where the system parks a minimised top-level window while a shell lists it
// on the taskbar, and the size it has there (what GetWindowRect reports).
constexpr std::int32_t kIconicLeft = -32000;
constexpr std::int32_t kIconicTop = -32000;
constexpr std::int32_t kIconicWidth = 160;
constexpr std::int32_t kIconicHeight = 24;

// No real parent chain is deeper; a longer one would be a loop.
constexpr int kMaxChainLength = 64;

bool IsButtonDown(std::uint32_t message) {
  return message == msg::kLButtonDown || message == msg::kRButtonDown ||
         message == msg::kMButtonDown;
}
bool IsWheel(std::uint32_t message) {
  return message == msg::kMouseWheel || message == msg::kMouseHWheel;
}
bool IsMouse(std::uint32_t message) {
  return message >= msg::kMouseMove && message <= msg::kMouseHWheel;
}

std::int32_t Step(std::int32_t from, std::int32_t by) {
  const std::int64_t to = std::int64_t{from} + by;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      to, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

// ---- where input goes ------------------------------------------------------------

Hwnd SimSystem::HitTest(Point p) const {
  for (Hwnd h : zorder_) {
    const SimWindow* w = Window(h);
    if (!w->visible || !w->rect.Contains(p)) continue;
    // Descend into visible children that contain the point.
    for (Hwnd found = h;;) {
      Hwnd child = 0;
      for (const auto& [ch, cw] : windows_)
        if (cw.parent == found && cw.visible && cw.rect.Contains(p)) child = ch;
      if (!child) return found;
      found = child;
    }
  }
  return desktop_;
}

Hwnd SimSystem::MouseTarget() const { return capture_ ? capture_ : HitTest(cursor_); }

Hwnd SimSystem::TopLevelOf(Hwnd hwnd) const {
  for (int i = 0; i < kMaxChainLength; ++i) {
    const SimWindow* w = Window(hwnd);
    if (!w || !w->parent) return hwnd;
    hwnd = w->parent;
  }
  return hwnd;
}

void SimSystem::QueueMouse(std::uint32_t message, WParam extra) {
  const Hwnd target = MouseTarget();
  const SimWindow* w = Window(target);
  if (!w) return;
  SimProcess* process = Process(w->pid);
  if (IsButtonDown(message)) {
    startMenuOpen_ = false;  // a press anywhere closes the menu
    // The shell's own windows take their clicks at once: the desktop comes
    // to the front.
    if (!process) ActivateByClick(target);
  }
  if (!process) return;
  process->EnqueueInput({target, message, buttons_ | extra, 0, cursor_});
}

void SimSystem::QueueKey(Hwnd target, std::uint32_t message, WParam vk, LParam lParam) {
  const SimWindow* w = Window(target);
  if (!w) return;
  if (SimProcess* process = Process(w->pid))
    process->EnqueueInput({target, message, vk, lParam, cursor_, keysDown_.contains(kVkShift)});
}

// A click makes the top-level window under it the active one and raises it.
// Over the bare desktop the desktop window itself comes to the front, which
// has no caption.
void SimSystem::ActivateByClick(Hwnd target) {
  const Hwnd top = TopLevelOf(target);
  const SimWindow* w = Window(top);
  if (!w) return;
  if (w->pid == 0) {
    Activate(desktop_, kWaClickActive);
    return;
  }
  BringToFront(top);
  Activate(top, kWaClickActive);
}

void SimProcess::EnqueueInput(const InputMessage& m) {
  if (m.message == msg::kMouseMove && !input_.empty() && input_.back().message == msg::kMouseMove) {
    input_.back() = m;
    return;
  }
  input_.push_back(m);
}

bool SimProcess::TakeInput(Msg* out, Hwnd hwnd, bool remove) {
  for (auto it = input_.begin(); it != input_.end(); ++it) {
    if (hwnd && it->hwnd != hwnd) continue;
    const SimWindow* w = sys_.Window(it->hwnd);
    if (!w) continue;  // cannot happen: a window's input goes with it
    Msg m{it->hwnd, it->message, it->wParam, it->lParam};
    if (IsWheel(m.message))
      m.lParam = MakeLParam(it->pt.x, it->pt.y);
    else if (IsMouse(m.message))
      m.lParam = MakeLParam(it->pt.x - w->rect.left, it->pt.y - w->rect.top);
    *out = m;
    if (remove) {
      if (!IsMouse(m.message)) lastKeyShift_ = it->shift;
      input_.erase(it);
      if (IsButtonDown(m.message)) sys_.ActivateByClick(m.hwnd);
      // Before the message itself, the window under the pointer is asked
      // for the pointer's shape; while a window holds the capture, none is.
      if (IsMouse(m.message) && !IsWheel(m.message) && !sys_.capture_)
        SendMessageA(m.hwnd, msg::kSetCursor, m.hwnd, MakeLParam(kHtClient, m.message));
    }
    return true;
  }
  return false;
}

// ---- the operations ------------------------------------------------------------------

bool SimProcess::SetCursorPos(std::int32_t x, std::int32_t y) {
  sys_.PlaceCursor({x, y});
  // The system follows a cursor placement with a move message to the window
  // under the pointer, even when the position did not change.
  sys_.QueueMouse(msg::kMouseMove);
  return true;
}

void SimProcess::mouse_event(std::uint32_t flags, std::int32_t dx, std::int32_t dy,
                             std::uint32_t data) {
  // Relative motion is exact (no acceleration) and stops at the screen's edge.
  if (flags & kMouseEventMove) {
    sys_.PlaceCursor({Step(sys_.cursor_.x, dx), Step(sys_.cursor_.y, dy)});
    sys_.QueueMouse(msg::kMouseMove);
  }
  struct Button {
    std::uint32_t flag;
    WParam mk;
    std::uint8_t vk;
    std::uint32_t message;
    bool down;
  };
  static constexpr Button kButtons[] = {
      {kMouseEventLeftDown, kMkLButton, kVkLButton, msg::kLButtonDown, true},
      {kMouseEventLeftUp, kMkLButton, kVkLButton, msg::kLButtonUp, false},
      {kMouseEventRightDown, kMkRButton, kVkRButton, msg::kRButtonDown, true},
      {kMouseEventRightUp, kMkRButton, kVkRButton, msg::kRButtonUp, false},
      {kMouseEventMiddleDown, kMkMButton, kVkMButton, msg::kMButtonDown, true},
      {kMouseEventMiddleUp, kMkMButton, kVkMButton, msg::kMButtonUp, false},
  };
  for (const Button& b : kButtons) {
    if (!(flags & b.flag)) continue;
    if (b.down) {
      sys_.buttons_ |= b.mk;
      sys_.keysDown_.insert(b.vk);
    } else {
      sys_.buttons_ &= ~b.mk;
      sys_.keysDown_.erase(b.vk);
    }
    sys_.QueueMouse(b.message);
  }
  // The wheel's signed delta travels in the high word of wParam.
  const WParam delta = WParam{static_cast<std::uint16_t>(data & 0xFFFF)} << 16;
  if (flags & kMouseEventWheel) sys_.QueueMouse(msg::kMouseWheel, delta);
  if (flags & kMouseEventHWheel) sys_.QueueMouse(msg::kMouseHWheel, delta);
}

void SimProcess::keybd_event(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
  sys_.KeyEvent(vk, scan, flags);
}

// A key pressed or let go, as the keyboard's driver reports it: first the
// system's shortcuts, then the start menu, then the window with the focus.
void SimSystem::KeyEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
  injectedKeys_.push_back({vk, scan, flags});
  const bool up = flags & kKeyEventKeyUp;
  const bool wasDown = keysDown_.contains(vk);
  const bool altWasDown = keysDown_.contains(kVkMenu);
  const bool ctrlDown = keysDown_.contains(kVkControl);
  if (up)
    keysDown_.erase(vk);
  else
    keysDown_.insert(vk);
  // The generic Alt, Ctrl and Shift keys follow either of their sides.
  if (vk == kVkLMenu || vk == kVkRMenu) {
    if (up)
      keysDown_.erase(kVkMenu);
    else
      keysDown_.insert(kVkMenu);
  }
  if (!up && TakeHotkey(vk, wasDown)) return;
  // An open start menu has the keyboard; Escape closes it.
  if (startMenuOpen_) {
    if (vk == kVkEscape && !up) startMenuOpen_ = false;
    return;
  }
  // With Alt held (and Ctrl not), and for F10 always, a key is a system key.
  // Alt's own release is one only when no other key came since its press:
  // after Alt+F4 it is a plain WM_KEYUP.
  std::uint32_t message = up ? msg::kKeyUp : msg::kKeyDown;
  const bool alt = vk == kVkMenu || vk == kVkLMenu || vk == kVkRMenu;
  if (alt) {
    if (up) {
      if (altWasDown && altAlone_) message = msg::kSysKeyUp;
      altAlone_ = false;
    } else if (!ctrlDown) {
      message = msg::kSysKeyDown;
      altAlone_ = true;
    }
  } else if (vk == kVkControl) {
    if (up && altWasDown) {
      message = msg::kSysKeyUp;
      altAlone_ = false;
    }
  } else if (vk == kVkF10 || (altWasDown && !ctrlDown)) {
    message = up ? msg::kSysKeyUp : msg::kSysKeyDown;
    altAlone_ = false;
  }
  // The repeat count is 1; bit 29 says Alt is held (after this key's own
  // change), bit 30 that the key was down before (always, for a release),
  // bit 31 that it is being released.
  std::uint32_t bits = 1u | (std::uint32_t{scan} << 16);
  if (up)
    bits |= kKeyWasDown | kKeyReleased;
  else if (wasDown)
    bits |= kKeyWasDown;
  if (keysDown_.contains(kVkMenu)) bits |= kKeyAltDown;
  // The Alt key reaches the program as the generic key.
  const WParam wParam = alt ? kVkMenu : vk;
  // Keys go to the window with the focus when it is in the window in front.
  Hwnd target = foreground_;
  if (focus_ && TopLevelOf(focus_) == foreground_) target = focus_;
  if (target) QueueKey(target, message, wParam, static_cast<LParam>(bits));
}

// "If the keystrokes have been registered as a hot key, the system posts
// WM_HOTKEY" to the registering window's thread instead of passing the key
// on; the modifiers held must be exactly the registered ones. With
// MOD_NOREPEAT, "keyboard auto-repeat does not yield multiple hotkey
// notifications" (RegisterHotKey), and the repeats are taken all the same.
bool SimSystem::TakeHotkey(std::uint8_t vk, bool repeat) {
  std::uint32_t held = 0;
  if (keysDown_.contains(kVkMenu)) held |= kModAlt;
  if (keysDown_.contains(kVkControl)) held |= kModControl;
  if (keysDown_.contains(kVkShift)) held |= kModShift;
  if (keysDown_.contains(kVkLWin) || keysDown_.contains(kVkRWin)) held |= kModWin;
  constexpr std::uint32_t kModifierBits = kModAlt | kModControl | kModShift | kModWin;
  for (const SimHotkey& k : hotkeys_) {
    if (k.vk != vk || (k.modifiers & kModifierBits) != held) continue;
    altAlone_ = false;
    if (repeat && (k.modifiers & kModNoRepeat)) return true;
    const Msg m{k.hwnd, kWmHotkey, static_cast<WParam>(static_cast<std::intptr_t>(k.id)),
                MakeLParam(static_cast<std::int32_t>(held), vk)};
    if (SimProcess* p = Process(k.pid)) p->Enqueue(m);
    return true;
  }
  return false;
}

void SimSystem::PressShortcut(std::uint32_t modifiers, std::uint8_t vk) {
  std::vector<std::uint8_t> mods;
  if (modifiers & kModControl) mods.push_back(kVkControl);
  if (modifiers & kModAlt) mods.push_back(kVkMenu);
  if (modifiers & kModShift) mods.push_back(kVkShift);
  if (modifiers & kModWin) mods.push_back(kVkLWin);
  for (std::uint8_t m : mods) KeyEvent(m, 0, 0);
  KeyEvent(vk, 0, 0);
  KeyEvent(vk, 0, kKeyEventKeyUp);
  for (auto it = mods.rbegin(); it != mods.rend(); ++it) KeyEvent(*it, 0, kKeyEventKeyUp);
}

// ---- shortcuts ------------------------------------------------------------------------

namespace {
// The checks both operations make of the window: none (the thread's
// queue), or one of the calling thread's.
long HotkeyWindowError(const SimSystem& sys, Hwnd hwnd, std::uint32_t pid) {
  if (!hwnd) return error::kSuccess;
  const SimWindow* w = sys.Window(hwnd);
  if (!w) return error::kInvalidWindowHandle;
  return w->pid == pid ? error::kSuccess : error::kWindowOfOtherThread;
}
}  // namespace

bool SimProcess::RegisterHotKey(Hwnd hwnd, int id, std::uint32_t modifiers, std::uint32_t vk) {
  if (const long e = HotkeyWindowError(sys_, hwnd, pid_)) return FailBool(e);
  constexpr std::uint32_t kModifierBits = kModAlt | kModControl | kModShift | kModWin;
  SimHotkey* same = nullptr;
  for (SimHotkey& k : sys_.hotkeys_) {
    if (k.vk == vk && (k.modifiers & kModifierBits) == (modifiers & kModifierBits))
      return FailBool(error::kHotkeyAlreadyRegistered);
    if (k.pid == pid_ && k.hwnd == hwnd && k.id == id) same = &k;
  }
  if (!same) same = &sys_.hotkeys_.emplace_back(SimHotkey{pid_, hwnd, id});
  same->modifiers = modifiers;
  same->vk = vk;
  return true;
}

bool SimProcess::UnregisterHotKey(Hwnd hwnd, int id) {
  if (const long e = HotkeyWindowError(sys_, hwnd, pid_)) return FailBool(e);
  const auto erased = std::erase_if(sys_.hotkeys_, [&](const SimHotkey& k) {
    return k.pid == pid_ && k.hwnd == hwnd && k.id == id;
  });
  return erased ? true : FailBool(error::kHotkeyNotRegistered);
}

void SimProcess::TranslateSystemKey(const Msg& m) {
  if (m.message != msg::kSysKeyDown) return;
  char c = 0;
  const WParam vk = m.wParam;
  if (vk >= 'A' && vk <= 'Z')
    c = static_cast<char>(sys_.keysDown_.contains(kVkShift) ? vk : vk - 'A' + 'a');
  else if ((vk >= '0' && vk <= '9') || vk == kVkSpace)
    c = static_cast<char>(vk);
  else if (vk == kVkReturn || vk == kVkEscape || vk == kVkTab || vk == kVkBack)
    c = static_cast<char>(vk);
  if (c) PostMessageA(m.hwnd, msg::kSysChar, static_cast<unsigned char>(c), m.lParam);
}

// The default handling of key messages: Alt+F4 asks the top-level window to
// close, and Alt or F10 pressed and let go alone asks for the keyboard menu.
LResult SimProcess::DefKeyMessage(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
  const bool altHeld = static_cast<std::uint32_t>(lParam) & kKeyAltDown;
  const bool alt = wParam == kVkMenu || wParam == kVkLMenu || wParam == kVkRMenu;
  switch (message) {
    case msg::kKeyDown:
      if (wParam == kVkF10) f10Key_ = true;
      return 0;
    case msg::kSysKeyDown:
      if (altHeld) {
        // A held Alt repeating turns the menu off again.
        menuSysKey_ = alt && !menuSysKey_;
        f10Key_ = false;
        if (wParam == kVkF4) PostMessageA(sys_.TopLevelOf(hwnd), msg::kSysCommand, kScClose, 0);
      } else if (wParam == kVkF10) {
        f10Key_ = true;
      }
      return 0;
    case msg::kSysChar: {
      // Alt and a character: the keyboard menu with that access key. Tab and
      // Escape are the task switcher's, which no window sees.
      menuSysKey_ = false;
      const SimWindow* w = sys_.Window(hwnd);
      if (!w) return 0;
      if (wParam == kVkReturn && w->iconic) {
        PostMessageA(hwnd, msg::kSysCommand, kScRestore, 0);
        return 0;
      }
      if (!altHeld || wParam == 0 || wParam == kVkTab || wParam == kVkEscape) return 0;
      if (wParam == kVkSpace && w->parent) return SendMessageA(w->parent, message, wParam, lParam);
      return SendMessageA(hwnd, msg::kSysCommand, kScKeyMenu, static_cast<LParam>(wParam));
    }
    case msg::kKeyUp:
    case msg::kSysKeyUp: {
      const bool menu = (alt && menuSysKey_) || (wParam == kVkF10 && f10Key_);
      menuSysKey_ = f10Key_ = false;
      if (menu) SendMessageA(sys_.TopLevelOf(hwnd), msg::kSysCommand, kScKeyMenu, 0);
      return 0;
    }
    default: return 0;
  }
}

// ---- system commands ----------------------------------------------------------------

LResult SimProcess::SysCommand(Hwnd hwnd, WParam command) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w || w->messageOnly) return 0;
  switch (command & 0xFFF0) {
    case kScMinimize: {
      if (w->iconic) return 0;
      w->restoreRect = w->rect;
      w->rect = {kIconicLeft, kIconicTop, kIconicLeft + kIconicWidth, kIconicTop + kIconicHeight};
      w->iconic = true;
      // Its owned popups leave the screen with it, and the next window in
      // front becomes the active one.
      bool frontLeft = sys_.foreground_ == hwnd;
      for (auto& [h, owned] : sys_.windows_) {
        if (owned.owner != hwnd || !owned.visible) continue;
        owned.visible = false;
        owned.hiddenWithOwner = true;
        frontLeft = frontLeft || sys_.foreground_ == h;
      }
      if (frontLeft) sys_.FixForeground();
      return 0;
    }
    case kScRestore: {
      if (!w->iconic) return 0;
      w->rect = w->restoreRect;
      w->iconic = false;
      w->needsPaint = w->visible;
      for (auto& [h, owned] : sys_.windows_) {
        if (owned.owner != hwnd || !owned.hiddenWithOwner) continue;
        owned.visible = true;
        owned.needsPaint = true;
        owned.hiddenWithOwner = false;
      }
      sys_.BringToFront(hwnd);
      sys_.Activate(hwnd, kWaActive);
      return 0;
    }
    case kScTaskList:
      sys_.startMenuOpen_ = true;
      ++sys_.startMenuOpenings_;
      return 0;
    case kScClose: return SendMessageA(hwnd, msg::kClose, 0, 0);
    // The program's windows have neither a menu bar nor a window menu: the
    // keyboard menu has nothing to open.
    case kScKeyMenu: return 0;
    default: return 0;
  }
}

}  // namespace platform::memory
