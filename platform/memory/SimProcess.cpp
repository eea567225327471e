#include "platform/memory/SimProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/Utf8.h"

namespace platform::memory {

namespace {
constexpr std::uint32_t kUserTimerMinimum = 10;  // USER_TIMER_MINIMUM
}

SimProcess::SimProcess(SimSystem& system, std::uint32_t pid)
    : sys_(system), pid_(pid), lastTakenMs_(system.Now()) {
  dpiContext_ = system.startAwareness_;
}

SimProcess::~SimProcess() {
  // The system takes back everything the process held. Its windows go without
  // any message, as when a process ends; its tray icons stay behind, as ghosts
  // do in the real notification area until the pointer passes over them.
  std::vector<Hwnd> mine;
  for (const auto& [h, w] : sys_.windows_)
    if (w.pid == pid_) mine.push_back(h);
  for (Hwnd h : mine) sys_.RemoveWindow(h);
  for (auto& [h, k] : handles_) {
    if (k.kind == HandleKind::Mutex) {
      auto it = sys_.mutexes_.find(k.name);
      if (it != sys_.mutexes_.end() && --it->second.handleCount == 0) sys_.mutexes_.erase(it);
    } else if (k.kind == HandleKind::Serial) {
      ReleaseSerial(k);
    }
  }
  std::erase_if(sys_.soundDevices_, [this](const auto& d) { return d.second.pid == pid_; });
  // A clipboard left open is closed; its windows own it no more.
  if (sys_.clipboard_.openPid == pid_) {
    sys_.clipboard_.openPid = 0;
    sys_.clipboard_.openWindow = 0;
  }
  if (std::find(mine.begin(), mine.end(), sys_.clipboard_.owner) != mine.end())
    sys_.clipboard_.owner = 0;
  std::erase_if(sys_.hotkeys_, [this](const SimHotkey& k) { return k.pid == pid_; });
  sys_.processes_.erase(pid_);
}

// ---- registry -------------------------------------------------------------------

const std::string* SimProcess::KeyPath(HKey key) const {
  static const std::string kUserRoot;
  static const std::string kMachineRoot = "HKEY_LOCAL_MACHINE";
  if (key == kHkeyCurrentUser) return &kUserRoot;
  if (key == kHkeyLocalMachine) return &kMachineRoot;
  auto it = keys_.find(key);
  return it == keys_.end() ? nullptr : &it->second.path;
}

long SimProcess::RegOpenKeyExA(HKey root, std::string_view subKey, std::uint32_t, std::uint32_t,
                               HKey* result) {
  const std::string* base = KeyPath(root);
  if (!base || !result) return Fail(error::kInvalidHandle);
  const std::string path = SimSystem::NormalizePath(*base + "\\" + std::string(subKey));
  if (sys_.failOpen_.contains(SimSystem::Fold(path))) return Fail(error::kAccessDenied);
  if (!sys_.FindKey(path)) return Fail(error::kFileNotFound);
  const HKey h = sys_.NewHandle();
  keys_[h] = {path};
  *result = h;
  return error::kSuccess;
}

long SimProcess::RegCreateKeyExA(HKey root, std::string_view subKey, std::uint32_t, std::uint32_t,
                                 HKey* result, std::uint32_t* disposition) {
  const std::string* base = KeyPath(root);
  if (!base || !result) return Fail(error::kInvalidHandle);
  const std::string path = SimSystem::NormalizePath(*base + "\\" + std::string(subKey));
  const std::string folded = SimSystem::Fold(path);
  if (sys_.failCreate_.contains(folded) || sys_.failOpen_.contains(folded))
    return Fail(error::kAccessDenied);
  const bool existed = sys_.FindKey(path) != nullptr;
  sys_.EnsureKey(path);
  if (disposition) *disposition = existed ? kRegOpenedExistingKey : kRegCreatedNewKey;
  const HKey h = sys_.NewHandle();
  keys_[h] = {path};
  *result = h;
  return error::kSuccess;
}

long SimProcess::RegQueryValueExA(HKey key, std::string_view valueName, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) {
  const std::string* path = KeyPath(key);
  if (!path || IsRoot(key)) return Fail(error::kInvalidHandle);
  SimKey* k = sys_.FindKey(*path);
  if (!k) return Fail(error::kInvalidHandle);  // deleted under an open handle
  const SimValue* v = k->Find(valueName);
  if (!v) return Fail(error::kFileNotFound);
  if (data && !size) return Fail(error::kInvalidParameter);
  const auto needed = static_cast<std::uint32_t>(v->data.size());
  if (type) *type = v->type;
  if (data) {
    if (*size < needed) {
      *size = needed;
      return Fail(error::kMoreData);
    }
    std::copy(v->data.begin(), v->data.end(), data);
  }
  if (size) *size = needed;
  return error::kSuccess;
}

long SimProcess::RegSetValueExA(HKey key, std::string_view valueName, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
  const std::string* path = KeyPath(key);
  if (!path || IsRoot(key)) return Fail(error::kInvalidHandle);
  SimKey* k = sys_.FindKey(*path);
  if (!k) return Fail(error::kInvalidHandle);
  if (sys_.failWrite_.contains(SimSystem::Fold(valueName))) return Fail(error::kAccessDenied);
  std::vector<std::uint8_t> bytes;
  if (data) bytes.assign(data, data + size);
  // The system keeps a string in UTF-16, converted from the process's code
  // page (UTF-8, by the program's manifest): what is no UTF-8 there comes
  // back as U+FFFD.
  if (type == kRegSz || type == kRegExpandSz) {
    const std::string text =
        Utf8Repaired({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    bytes.assign(text.begin(), text.end());
  }
  sys_.SetValue(k->path, valueName, type, std::move(bytes));
  sys_.RecordWrite(*k, *k->Find(valueName));
  return error::kSuccess;
}

long SimProcess::RegDeleteValueA(HKey key, std::string_view valueName) {
  const std::string* path = KeyPath(key);
  if (!path || IsRoot(key)) return Fail(error::kInvalidHandle);
  if (!sys_.Value(*path, valueName)) return Fail(error::kFileNotFound);
  sys_.DeleteValue(*path, valueName);
  return error::kSuccess;
}

long SimProcess::RegDeleteKeyA(HKey root, std::string_view subKey) {
  const std::string* base = KeyPath(root);
  if (!base) return Fail(error::kInvalidHandle);
  const std::string path = SimSystem::NormalizePath(*base + "\\" + std::string(subKey));
  if (!sys_.FindKey(path)) return Fail(error::kFileNotFound);
  // Like the system call, only a key without subkeys can go.
  const std::string folded = SimSystem::Fold(path) + "\\";
  for (const auto& [p, k] : sys_.keys_)
    if (p.starts_with(folded)) return Fail(error::kAccessDenied);
  sys_.DeleteKey(path);
  return error::kSuccess;
}

long SimProcess::RegCloseKey(HKey key) {
  if (IsRoot(key)) return error::kSuccess;
  if (keys_.erase(key) == 0) return Fail(error::kInvalidHandle);
  return error::kSuccess;
}

long SimProcess::RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                               std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) {
  const std::string* path = KeyPath(key);
  if (!path || IsRoot(key)) return Fail(error::kInvalidHandle);
  if (!name || !nameSize || (data && !dataSize)) return Fail(error::kInvalidParameter);
  SimKey* k = sys_.FindKey(*path);
  if (!k) return Fail(error::kInvalidHandle);
  if (index >= k->values.size()) return Fail(error::kNoMoreItems);
  const SimValue& v = k->values[index];
  // The name and its terminating zero must fit; the data is as a query
  // reports it.
  if (v.name.size() + 1 > *nameSize) return Fail(error::kMoreData);
  const auto needed = static_cast<std::uint32_t>(v.data.size());
  if (data && *dataSize < needed) {
    *dataSize = needed;
    return Fail(error::kMoreData);
  }
  std::memcpy(name, v.name.c_str(), v.name.size() + 1);
  *nameSize = static_cast<std::uint32_t>(v.name.size());
  if (type) *type = v.type;
  if (data) std::copy(v.data.begin(), v.data.end(), data);
  if (dataSize) *dataSize = needed;
  return error::kSuccess;
}

// ---- processes ----------------------------------------------------------------------

Handle SimProcess::CreateEventA(bool manualReset, bool initialState) {
  const Handle h = nextHandle_ += 4;
  KernelHandle k{HandleKind::Event, {}};
  k.manualReset = manualReset;
  k.signalled = initialState;
  handles_[h] = k;
  return h;
}

SimProcess::KernelHandle* SimProcess::EventHandle(Handle h) {
  auto it = handles_.find(h);
  return it != handles_.end() && it->second.kind == HandleKind::Event ? &it->second : nullptr;
}

bool SimProcess::SetEvent(Handle event) {
  KernelHandle* k = EventHandle(event);
  if (!k) return FailBool(error::kInvalidHandle);
  k->signalled = true;
  return true;
}

bool SimProcess::ResetEvent(Handle event) {
  KernelHandle* k = EventHandle(event);
  if (!k) return FailBool(error::kInvalidHandle);
  k->signalled = false;
  return true;
}

Handle SimProcess::CreateMutexA(bool initialOwner, std::string_view name) {
  auto& m = sys_.mutexes_[std::string(name)];
  const bool existed = m.handleCount > 0;
  ++m.handleCount;
  if (!existed && initialOwner) m.ownerPid = pid_;
  const Handle h = nextHandle_ += 4;
  handles_[h] = {HandleKind::Mutex, std::string(name)};
  lastError_ = existed ? error::kAlreadyExists : error::kSuccess;
  return h;
}

// ---- windows --------------------------------------------------------------------------

Hwnd SimProcess::CreateWindowExA(const WindowParams& params, WndProc proc) {
  const bool unicode = std::exchange(makingUnicode_, false);
  const Hwnd h = sys_.NewHandle();
  SimWindow& w = sys_.windows_[h];
  w.hwnd = h;
  w.unicode = unicode;
  w.pid = pid_;
  w.owner = params.owner;
  w.className = params.className;
  w.text = params.caption;
  w.rect = {params.left, params.top, params.left + params.width, params.top + params.height};
  w.topmost = params.topmost;
  w.messageOnly = params.messageOnly;
  w.proc = std::move(proc);
  w.classCursor = sys_.StandardCursor(kIdcArrow);  // the program's classes use the arrow
  w.awareness = dpiContext_;
  w.dpi = sys_.MonitorDpi(sys_.MonitorOfRect(w.rect));  // a top-level window's: its monitor's
  if (params.parent) {
    // A child: its rectangle kept in screen coordinates, as the system
    // reports it.
    const SimWindow* parent = sys_.Window(params.parent);
    if (!parent) {
      sys_.windows_.erase(h);
      lastError_ = error::kInvalidWindowHandle;
      return 0;
    }
    SimWindow& c = sys_.windows_[h];
    c.parent = params.parent;
    c.awareness = parent->awareness;  // a child is drawn as its parent is
    c.dpi = parent->dpi;
    c.owner = 0;
    c.rect = {parent->rect.left + params.left, parent->rect.top + params.top,
              parent->rect.left + params.left + params.width,
              parent->rect.top + params.top + params.height};
    c.id = params.id;
    c.style = kWsChild | params.style;
    c.visible = params.style & kWsVisible;
    c.needsPaint = c.visible;  // a child made visible paints as it comes
    c.enabled = !(params.style & kWsDisabled);
    if (!c.proc) {
      MakeControl(h);  // a system class: refused when the system has none of that name
      if (!sys_.Window(h)) return 0;
    }
  } else if (!params.messageOnly) {
    if (!w.proc && SimSystem::Fold(params.className) == SimSystem::Fold(kTooltipClass)) {
      // The system's popup control, run by its own procedure.
      w.style = params.style;
      MakeControl(h);
    }
    sys_.BringToFront(h);
  }
  if (SendMessageA(h, msg::kCreate, 0, 0) == -1 && sys_.Window(h)) {
    // The procedure refused its window: it goes again at once, hearing only
    // the last message, and the caller gets no handle.
    SendMessageA(h, msg::kNcDestroy, 0, 0);
    ForgetWindow(h);
    sys_.RemoveWindow(h);
    lastError_ = error::kInvalidWindowHandle;
    return 0;
  }
  return sys_.Window(h) ? h : 0;
}

Hwnd SimProcess::CreateWindowExW(const WindowParams& control) {
  if (!control.parent) {
    lastError_ = error::kInvalidParameter;
    return 0;
  }
  makingUnicode_ = true;
  return CreateWindowExA(control, {});
}

bool SimProcess::DestroyWindow(Hwnd hwnd) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w || w->pid != pid_) return FailBool(error::kInvalidHandle);
  // Windows it owns (and its children) go first, each told as it goes.
  std::vector<Hwnd> owned;
  for (const auto& [h, other] : sys_.windows_)
    if (other.owner == hwnd || other.parent == hwnd) owned.push_back(h);
  for (Hwnd h : owned)
    if (sys_.Window(h)) DestroyWindow(h);
  w = sys_.Window(hwnd);
  if (!w) return true;  // one of them took it along
  if (w->visible) ShowWindow(hwnd, kSwHide);
  SendMessageA(hwnd, msg::kDestroy, 0, 0);
  SendMessageA(hwnd, msg::kNcDestroy, 0, 0);
  ForgetWindow(hwnd);
  sys_.RemoveWindow(hwnd);
  return true;
}

void SimProcess::ForgetWindow(Hwnd hwnd) {
  std::erase_if(timers_, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
  std::erase_if(posted_, [hwnd](const Msg& m) { return m.hwnd == hwnd; });
  std::erase_if(input_, [hwnd](const InputMessage& m) { return m.hwnd == hwnd; });
}

LResult SimProcess::DefWindowProcA(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w) return 0;
  switch (message) {
    case msg::kSetCursor: {
      // A child asks its parent first; a parent that sets a shape ends it.
      if (w->parent && w->parent != sys_.desktop_ &&
          SendMessageA(w->parent, msg::kSetCursor, wParam, lParam))
        return 1;
      // The shape is the class's of the window the pointer is over (wParam),
      // which for a parent asked by its child is the child's.
      const SimWindow* over = sys_.Window(static_cast<Hwnd>(wParam));
      if (!over) over = sys_.Window(hwnd);
      if (!over || LoWordSigned(lParam) != kHtClient || !over->classCursor) return 0;
      SetCursor(over->classCursor);
      return 1;
    }
    case msg::kSysCommand: return SysCommand(hwnd, wParam);
    case msg::kKeyDown:
    case msg::kKeyUp:
    case msg::kSysKeyDown:
    case msg::kSysKeyUp:
    case msg::kSysChar: return DefKeyMessage(hwnd, message, wParam, lParam);
    case msg::kPaint:
      w->needsPaint = false;  // the default handler validates the window
      return 0;
    case msg::kClose: DestroyWindow(hwnd); return 0;
    case msg::kActivate:
      // An activated window takes the keyboard focus itself.
      if ((wParam & 0xFFFF) != kWaInactive && !w->iconic) SetFocus(hwnd);
      return 0;
    case msg::kEraseBkgnd: return 1;
    case msg::kCtlColorStatic: return static_cast<LResult>(FaceBrush());
    default: return 0;
  }
}

bool SimProcess::ShowWindow(Hwnd hwnd, int cmdShow) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w) return FailBool(error::kInvalidHandle);
  const bool was = w->visible;
  if (w->parent) {
    // A child shows and hides with no activation of its own.
    w->visible = cmdShow != kSwHide;
    if (w->visible) {
      w->style |= kWsVisible;
      w->needsPaint = true;
    } else {
      w->style &= ~kWsVisible;
      if (sys_.focus_ == hwnd) sys_.focus_ = 0;
    }
    return was;
  }
  if (w->messageOnly) {
    // Its style changes, but a window without a place on the screen is
    // never visible, painted or activated.
    w->visible = cmdShow != kSwHide;
    return was;
  }
  if (w->iconic && (cmdShow == kSwShowNormal || cmdShow == kSwRestore)) {
    SysCommand(hwnd, kScRestore);
    return was;
  }
  if (cmdShow == kSwHide) {
    if (w->visible) w->leavesScreenAt = sys_.Now() + sys_.hideLingerMs_;
    w->visible = false;
    if (sys_.foreground_ == hwnd) sys_.FixForeground();
  } else {
    w->visible = true;
    w->needsPaint = true;
    if (cmdShow != kSwShowNoActivate && !w->messageOnly) {
      sys_.BringToFront(hwnd);
      sys_.Activate(hwnd, kWaActive);
    }
    FollowMonitorDpi(hwnd);
  }
  return was;
}

bool SimProcess::IsWindowVisible(Hwnd hwnd) {
  const SimWindow* w = sys_.Window(hwnd);
  return w && w->visible && !w->messageOnly;
}

bool SimProcess::IsIconic(Hwnd hwnd) {
  const SimWindow* w = sys_.Window(hwnd);
  return w && w->iconic;
}

bool SimProcess::SetWindowPos(Hwnd hwnd, Hwnd insertAfter, std::int32_t x, std::int32_t y,
                              std::int32_t cx, std::int32_t cy, std::uint32_t flags) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w) return FailBool(error::kInvalidHandle);
  Rect r = w->rect;
  if (const SimWindow* parent = w->parent ? sys_.Window(w->parent) : nullptr) {
    x += parent->rect.left;  // a child's place is in its parent's coordinates
    y += parent->rect.top;
  }
  if (!(flags & kSwpNoMove)) {
    r.right += x - r.left;
    r.bottom += y - r.top;
    r.left = x;
    r.top = y;
  }
  if (!(flags & kSwpNoSize)) {
    r.right = r.left + std::max(cx, 0);
    r.bottom = r.top + std::max(cy, 0);
  }
  if (r.Width() != w->rect.Width() || r.Height() != w->rect.Height()) w->needsPaint = true;
  // Its children move with it.
  const std::int32_t dx = r.left - w->rect.left, dy = r.top - w->rect.top;
  if (dx || dy) {
    std::vector<Hwnd> moving{hwnd};
    for (std::size_t i = 0; i < moving.size() && i < 4096; ++i)
      for (auto& [h, c] : sys_.windows_)
        if (c.parent == moving[i]) {
          c.rect = {c.rect.left + dx, c.rect.top + dy, c.rect.right + dx, c.rect.bottom + dy};
          moving.push_back(h);
        }
  }
  w = sys_.Window(hwnd);
  w->rect = r;
  if (!(flags & kSwpNoZOrder) && !w->parent) {
    if (insertAfter == kHwndTopmost) w->topmost = true;
    if (insertAfter == kHwndNoTopmost) w->topmost = false;
    sys_.BringToFront(hwnd);
  }
  if (!w->parent) FollowMonitorDpi(hwnd);
  return true;
}

bool SimProcess::SetWindowTextA(Hwnd hwnd, std::string_view text) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w) return FailBool(error::kInvalidHandle);
  if (w->control) {
    const std::string t(text);
    return SendMessageA(hwnd, msg::kSetText, 0, reinterpret_cast<LParam>(t.c_str())) != 0;
  }
  w->text = std::string(text);
  return true;
}

int SimProcess::GetWindowTextA(Hwnd hwnd, char* buffer, int maxCount) {
  const SimWindow* w = sys_.Window(hwnd);
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = '\0';
  if (!w) return 0;
  if (w->control)
    return static_cast<int>(SendMessageA(hwnd, msg::kGetText, static_cast<WParam>(maxCount),
                                         reinterpret_cast<LParam>(buffer)));
  const int n = std::min(static_cast<int>(w->text.size()), maxCount - 1);
  std::memcpy(buffer, w->text.data(), static_cast<std::size_t>(n));
  buffer[n] = '\0';
  return n;
}

bool SimProcess::GetWindowRect(Hwnd hwnd, Rect* rect) {
  const SimWindow* w = sys_.Window(hwnd);
  if (!w || !rect) return FailBool(error::kInvalidHandle);
  *rect = w->rect;
  return true;
}

Hwnd SimProcess::WindowFromPoint(Point p) { return sys_.HitTest(p); }

Hwnd SimProcess::GetParent(Hwnd hwnd) {
  const SimWindow* w = sys_.Window(hwnd);
  if (!w) return 0;
  return w->parent ? w->parent : w->owner;
}

bool SimProcess::SetForegroundWindow(Hwnd hwnd) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w || w->messageOnly) return false;
  sys_.BringToFront(hwnd);
  sys_.Activate(hwnd, kWaActive);
  return true;
}

bool SimProcess::PostMessageA(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
  if (!sys_.Window(hwnd)) return FailBool(error::kInvalidHandle);
  sys_.Post(hwnd, message, wParam, lParam);
  return true;
}

LResult SimProcess::SendMessageA(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w) return 0;
  if (w->pid != pid_) {
    const SimProcess* owner = sys_.Process(w->pid);
    if (owner && !owner->takingMessages_) {
      std::fprintf(stderr,
                   "simulated SendMessageA of message 0x%x waits forever: the thread of its "
                   "window takes no messages\n",
                   message);
      throw SendMessageBlocksForever{hwnd, message};
    }
  }
  if (!w->proc && w->control) return ControlProc(hwnd, message, wParam, lParam);
  if (!w->proc) return DefWindowProcA(hwnd, message, wParam, lParam);
  const WndProc proc = w->proc;  // the window may go while its proc runs
  // The procedure runs with its window's awareness; the caller's comes back.
  const DpiAwarenessContext caller = dpiContext_;
  if (w->pid == pid_) dpiContext_ = w->awareness;
  struct Restore {
    DpiAwarenessContext& context;
    DpiAwarenessContext saved;
    ~Restore() { context = saved; }
  } restore{dpiContext_, caller};
  return proc(hwnd, message, wParam, lParam);
}

LResult SimProcess::SendMessageTimeoutA(Hwnd hwnd, std::uint32_t message, WParam wParam,
                                        LParam lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                                        std::uintptr_t* result) {
  if (result) *result = 0;
  const SimWindow* w = sys_.Window(hwnd);
  if (!w) return FailBool(error::kInvalidWindowHandle);
  const SimProcess* owner = sys_.Process(w->pid);
  if (w->pid != pid_ && owner && !owner->takingMessages_) {
    const bool hung = sys_.Now() - owner->lastTakenMs_ >= kHungThreadMs;
    if (!(flags & kSmtoAbortIfHung) || !hung) sys_.Advance(timeoutMs);
    return FailBool(error::kTimeout);
  }
  const LResult answer = SendMessageA(hwnd, message, wParam, lParam);
  if (result) *result = static_cast<std::uintptr_t>(answer);
  return 1;
}

std::uint32_t SimProcess::RegisterWindowMessageA(std::string_view name) {
  if (name.empty()) return 0;
  auto [it, fresh] = sys_.registeredMessages_.try_emplace(SimSystem::Fold(name), 0);
  if (fresh) it->second = sys_.nextRegisteredMessage_++;
  return it->second;
}

bool SimProcess::InvalidateRect(Hwnd hwnd) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w) return false;
  w->needsPaint = true;
  return true;
}

Hwnd SimProcess::SetCapture(Hwnd hwnd) {
  const Hwnd before = sys_.capture_;
  if (sys_.Window(hwnd)) sys_.capture_ = hwnd;
  return before;
}

bool SimProcess::ReleaseCapture() {
  const Hwnd before = sys_.capture_;
  sys_.capture_ = 0;
  if (before) SendMessageA(before, msg::kCaptureChanged, 0, 0);
  return true;
}

// Messages come in the system's order: posted ones first, then the quit
// request, then input, then paint, then timers (a timer only shows up in an
// idle queue).
SimProcess::Timer* SimProcess::DueTimer() {
  Timer* best = nullptr;
  // A timer expires at the first tick of the clock at or after its due time.
  const std::uint64_t tick = sys_.TickCount();
  for (Timer& t : timers_)
    if (t.due <= tick && (!best || t.due < best->due)) best = &t;
  return best;
}

bool SimProcess::HasPendingMessage() const {
  sys_.SettleSounds();
  if (!sent_.empty() || !posted_.empty() || quit_ || !input_.empty()) return true;
  for (const auto& [h, w] : sys_.windows_)
    if (w.pid == pid_ && w.visible && w.needsPaint) return true;
  const std::uint64_t tick = sys_.TickCount();
  for (const Timer& t : timers_)
    if (t.due <= tick) return true;
  return false;
}

void SimProcess::DeliverSent() {
  while (!sent_.empty()) {
    const Msg m = sent_.front();
    sent_.pop_front();
    SendMessageA(m.hwnd, m.message, m.wParam, m.lParam);
  }
}

bool SimProcess::PeekMessageW(Msg* out, Hwnd hwnd, std::uint32_t removeFlags) {
  const bool remove = removeFlags & kPmRemove;
  lastTakenMs_ = sys_.Now();
  SettleOpens();
  DeliverSent();
  sys_.SettleSounds();
  for (auto it = posted_.begin(); it != posted_.end(); ++it) {
    if (hwnd && it->hwnd != hwnd) continue;
    *out = *it;
    if (remove) posted_.erase(it);
    return true;
  }
  if (quit_ && !hwnd) {
    *out = {0, msg::kQuit, static_cast<WParam>(quitCode_), 0};
    if (remove) quit_ = false;
    return true;
  }
  if (TakeInput(out, hwnd, remove)) return true;
  for (const auto& [h, w] : sys_.windows_) {
    if (w.pid == pid_ && w.visible && w.needsPaint && (!hwnd || h == hwnd)) {
      *out = {h, msg::kPaint, 0, 0};  // stays until the window is validated
      return true;
    }
  }
  if (Timer* t = DueTimer(); t && (!hwnd || t->hwnd == hwnd)) {
    *out = {t->hwnd, msg::kTimer, t->id, 0};
    // However many periods went by, one message stands for them all, and
    // the timer keeps its beat: the next message is due at the first period
    // boundary after this one is taken, not a whole period after it.
    if (remove && t->due <= sys_.Now())
      t->due += ((sys_.Now() - t->due) / t->period + 1) * t->period;
    return true;
  }
  return false;
}

LResult SimProcess::DispatchMessageW(const Msg& m) {
  if (!m.hwnd) return 0;
  TranslateSystemKey(m);
  return SendMessageA(m.hwnd, m.message, m.wParam, m.lParam);
}

void SimProcess::PostQuitMessage(int exitCode) {
  quit_ = true;
  quitCode_ = exitCode;
}

void SimProcess::SpinCheck() {
  ++waitCalls_;
  if (sys_.Now() != spinSince_) {
    spinSince_ = sys_.Now();
    spinWaits_ = 0;
  } else if (++spinWaits_ > kSpinLimit) {
    std::fprintf(stderr, "simulated process %u: %d waits without the clock moving\n", pid_,
                 kSpinLimit);
    throw ThreadSpins{kSpinLimit};
  }
}

bool SimProcess::WaitMessage() {
  SpinCheck();
  SettleOpens();
  if (HasPendingMessage()) return true;
  if (idleHook_ && idleHook_() && HasPendingMessage()) return true;
  if (HasPendingMessage()) return true;
  std::uint64_t next = UINT64_MAX;
  for (const Timer& t : timers_) next = std::min(next, sys_.TickAtOrAfter(t.due));
  next = std::min(next, sys_.NextSoundEnd(pid_));  // its notification is on the way
  next = std::min(next, NextOpen());               // and an open's
  if (next == UINT64_MAX) return false;
  const std::uint64_t step = next - sys_.Now();
  if (idleSpentMs_ + step > idleBudgetMs_) return false;
  idleSpentMs_ += step;
  sys_.Advance(step);
  return true;
}

std::uint32_t SimProcess::MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                                      std::uint32_t timeoutMs,
                                                      std::uint32_t wakeMask, std::uint32_t) {
  for (std::uint32_t i = 0; i < count; ++i) {
    const KernelHandle* k = handles_.contains(handles[i]) ? &handles_[handles[i]] : nullptr;
    if (!k || k->kind != HandleKind::Event) {
      lastError_ = error::kInvalidHandle;
      return kWaitFailed;
    }
  }
  // A time-out, like a timer, expires on a tick of the clock.
  const std::uint64_t deadline = timeoutMs == kInfinite ? UINT64_MAX
                                 : timeoutMs == 0
                                     ? sys_.Now()
                                     : sys_.TickAtOrAfter(sys_.Now() + std::uint64_t{timeoutMs});
  // Waits that never look at the queue are the thread blocked, not a loop
  // idling: they take their time whatever the idle budget says.
  const bool blocked = wakeMask == 0;
  SpinCheck();
  for (;;) {
    SettleCommWaits();
    SettleOpens();
    for (std::uint32_t i = 0; i < count; ++i) {
      KernelHandle& k = handles_[handles[i]];
      if (k.kind == HandleKind::Event && k.signalled) {
        if (!k.manualReset) k.signalled = false;
        return kWaitObject0 + i;
      }
    }
    if (wakeMask && HasPendingMessage()) return kWaitObject0 + count;
    if (sys_.Now() >= deadline) return kWaitTimeout;
    if (wakeMask && idleHook_ && idleHook_()) continue;
    // The clock moves to whatever comes first: a timer, a sound's end, a
    // byte a comm wait is waiting for, the time-out.
    std::uint64_t next = std::min(deadline, NextCommArrival());
    if (wakeMask) {
      for (const Timer& t : timers_) next = std::min(next, sys_.TickAtOrAfter(t.due));
      next = std::min(next, sys_.NextSoundEnd(pid_));
      next = std::min(next, NextOpen());
    }
    if (next == UINT64_MAX) {
      if (blocked) throw SerialReadBlocksForever{"(a wait on handles nothing can signal)", 0, 0};
      return kWaitFailed;
    }
    const std::uint64_t step = next - std::min(next, sys_.Now());
    if (!blocked) {
      if (idleSpentMs_ + step > idleBudgetMs_) return kWaitFailed;
      idleSpentMs_ += step;
    }
    sys_.Advance(step);
  }
}

// ---- timers ------------------------------------------------------------------------------

std::uintptr_t SimProcess::SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t elapseMs) {
  if (hwnd && !sys_.Window(hwnd)) return FailBool(error::kInvalidHandle);
  if (!hwnd) id = 0x7FFF + timers_.size() + 1;
  const std::uint32_t period = std::max(elapseMs, kUserTimerMinimum);
  for (Timer& t : timers_)
    if (t.hwnd == hwnd && t.id == id) {
      t.period = period;
      t.due = sys_.Now() + period;
      return id ? id : 1;
    }
  timers_.push_back({hwnd, id, period, sys_.Now() + period});
  return id ? id : 1;
}

bool SimProcess::KillTimer(Hwnd hwnd, std::uintptr_t id) {
  const auto before = timers_.size();
  std::erase_if(timers_, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  // A WM_TIMER already in the queue is not taken back by the system either,
  // but ours are made on demand, so none is left.
  return timers_.size() != before;
}

// ---- pointer and input ----------------------------------------------------------------------

bool SimProcess::GetCursorPos(Point* p) {
  if (!p) return false;
  *p = sys_.cursor_;
  return true;
}

std::uint32_t SimProcess::GetModuleFileNameA(char* buffer, std::uint32_t size) {
  const std::string& path = sys_.programPath_;
  if (!buffer || size == 0) return 0;
  // As Wine does: a path that does not fit fills the whole buffer with no
  // terminating zero, and the length returned is the buffer's size.
  if (path.size() >= size) {
    std::copy_n(path.data(), size, buffer);
    return size;
  }
  std::copy_n(path.data(), path.size(), buffer);
  buffer[path.size()] = '\0';
  return static_cast<std::uint32_t>(path.size());
}

HCursor SimProcess::LoadCursorFromFileA(std::string_view fileName) {
  const auto file = sys_.files_.find(SimSystem::Fold(fileName));
  if (file == sys_.files_.end()) {
    lastError_ = error::kFileNotFound;
    return 0;
  }
  // An icon or cursor file: a six-byte header (0, type 1 or 2, count), then
  // sixteen-byte entries. The first entry is the one taken; a cursor file
  // keeps the hot spot where an icon file has its planes and bit count, and
  // an icon loaded as a cursor has it in the middle.
  const std::vector<std::uint8_t>& b = file->second.bytes;
  auto u16 = [&](std::size_t at) { return static_cast<unsigned>(b[at] | b[at + 1] << 8); };
  auto u32 = [&](std::size_t at) {
    return std::uint32_t{u16(at)} | std::uint32_t{u16(at + 2)} << 16;
  };
  const bool header = b.size() >= 22 && u16(0) == 0 && (u16(2) == 1 || u16(2) == 2) && u16(4) >= 1;
  if (!header || std::uint64_t{u32(18)} + u32(14) > b.size() || u32(14) == 0) {
    lastError_ = error::kInvalidParameter;
    return 0;
  }
  SimSystem::SimCursor c;
  c.width = b[6] ? b[6] : 256;
  c.height = b[7] ? b[7] : 256;
  c.hotSpot = u16(2) == 2
                  ? Point{static_cast<std::int32_t>(u16(10)), static_cast<std::int32_t>(u16(12))}
                  : Point{c.width / 2, c.height / 2};
  const HCursor h = sys_.nextCursor_++;
  sys_.cursors_[h] = c;
  return h;
}

HCursor SimProcess::LoadCursorA(Handle instance, std::uint32_t id) {
  // The program's executable holds no cursor resources.
  const HCursor c = instance ? 0 : sys_.StandardCursor(id);
  if (!c) lastError_ = error::kResourceNameNotFound;
  return c;
}

HCursor SimProcess::SetCursor(HCursor cursor) {
  if (cursor && !sys_.IsCursor(cursor)) {
    lastError_ = error::kInvalidCursorHandle;
    return 0;
  }
  const HCursor before = sys_.currentCursor_;
  sys_.currentCursor_ = cursor;
  return before;
}

// SetCursorPos, mouse_event and keybd_event: SimInput.cpp.

std::uint32_t SimProcess::GetSysColor(int index) {
  const auto it = sys_.sysColors_.find(index);
  return it != sys_.sysColors_.end() ? it->second : 0;
}

// GetSystemMetrics and the monitors: SimMonitors.cpp.

bool SimProcess::WindowArea(Hwnd hwnd, Rect* rect, bool* own) {
  const SimWindow* w = sys_.Window(hwnd);
  if (!w || !rect || !own) return false;
  *rect = hwnd == sys_.desktop_ ? sys_.VirtualScreen() : w->rect;
  *own = w->pid == pid_;
  return true;
}

bool SimProcess::IsScreenWindow(Hwnd hwnd) { return hwnd == sys_.desktop_; }

bool SimProcess::CaptureWindowPixels(Hwnd hwnd, gui::Bitmap& out) {
  if (hwnd == sys_.desktop_) {
    if (sys_.ScreenReadsFail()) return false;
    out = sys_.Screen();
    return true;
  }
  const SimWindow* w = sys_.Window(hwnd);
  if (!w) return false;
  out = gui::Bitmap(w->rect.Width(), w->rect.Height(), gui::kBlack);
  gui::raster::Blit(out, 0, 0, w->frame);
  return true;
}

bool SimProcess::CaptureScreenPart(const Rect& part, gui::Bitmap& out) {
  if (sys_.ScreenReadsFail()) return false;
  const Rect v = sys_.VirtualScreen();
  const int w = std::max(part.Width(), 0), h = std::max(part.Height(), 0);
  // Written over in place at the same size; the part is within the screen,
  // so every pixel is the screen's.
  if (out.Width() != w || out.Height() != h) out = gui::Bitmap(w, h, gui::kBlack);
  gui::raster::Blit(
      out, 0, 0, sys_.Screen(),
      {part.left - v.left, part.top - v.top, part.right - v.left, part.bottom - v.top});
  return true;
}

void SimProcess::PresentWindowPixels(Hwnd hwnd, const gui::Bitmap& pixels, const gui::IRect& area) {
  SimWindow* w = sys_.Window(hwnd);
  if (!w) return;
  if (hwnd == sys_.desktop_) {
    gui::raster::Blit(sys_.wallpaper_, area.left, area.top, pixels, area);
    return;
  }
  // A hidden window has nothing on the screen to draw on.
  if (!w->visible) return;
  if (w->frame.Width() != w->rect.Width() || w->frame.Height() != w->rect.Height())
    w->frame.SetSize(w->rect.Width(), w->rect.Height());
  gui::raster::Blit(w->frame, area.left, area.top, pixels, area);
}

// ---- handles (the serial port operations are in SimSerial.cpp) -------------------------

bool SimProcess::CloseHandle(Handle h) {
  auto it = handles_.find(h);
  if (it == handles_.end()) return FailBool(error::kInvalidHandle);
  if (it->second.kind == HandleKind::Serial) {
    if (it->second.wait) Cancelled(it->second, true, error::kOperationAborted);
    if (it->second.read) Cancelled(it->second, false, error::kOperationAborted);
    ReleaseSerial(it->second);
  } else if (it->second.kind == HandleKind::Mutex) {
    auto m = sys_.mutexes_.find(it->second.name);
    if (m != sys_.mutexes_.end() && --m->second.handleCount == 0) sys_.mutexes_.erase(m);
  }
  handles_.erase(it);
  return true;
}

// ---- shell ------------------------------------------------------------------------------------

namespace {
// NIF_INFO: "To display the balloon notification, specify NIF_INFO and
// provide text in szInfo. To remove a balloon notification, specify
// NIF_INFO and provide an empty string through szInfo."
void TakeBalloon(TrayIcon& icon, const NotifyIconData& data) {
  icon.balloonText = std::string(data.szInfo, strnlen(data.szInfo, sizeof data.szInfo));
  icon.balloonTitle =
      std::string(data.szInfoTitle, strnlen(data.szInfoTitle, sizeof data.szInfoTitle));
  icon.balloonFlags = data.dwInfoFlags;
  icon.balloonShown = !icon.balloonText.empty();
}
}  // namespace

bool SimProcess::Shell_NotifyIconA(std::uint32_t message, const NotifyIconData& data) {
  auto& tray = sys_.tray_;
  auto it = std::find_if(tray.begin(), tray.end(), [&](const TrayIcon& t) {
    return t.hWnd == data.hWnd && t.uID == data.uID;
  });
  if (!sys_.Window(data.hWnd)) return false;  // the shell needs a live owner window
  switch (message) {
    case kNimAdd: {
      if (it != tray.end()) return false;
      TrayIcon t;
      t.hWnd = data.hWnd;
      t.uID = data.uID;
      t.uFlags = data.uFlags;
      if (data.uFlags & kNifMessage) t.uCallbackMessage = data.uCallbackMessage;
      if (data.uFlags & kNifIcon) t.hIcon = data.hIcon;
      if (data.uFlags & kNifTip)
        t.tip = std::string(data.szTip, strnlen(data.szTip, sizeof data.szTip));
      if (data.uFlags & kNifInfo) TakeBalloon(t, data);
      tray.push_back(t);
      return true;
    }
    case kNimModify:
      if (it == tray.end()) return false;
      if (data.uFlags & kNifMessage) it->uCallbackMessage = data.uCallbackMessage;
      if (data.uFlags & kNifIcon) it->hIcon = data.hIcon;
      if (data.uFlags & kNifTip)
        it->tip = std::string(data.szTip, strnlen(data.szTip, sizeof data.szTip));
      if (data.uFlags & kNifInfo) TakeBalloon(*it, data);
      return true;
    case kNimDelete:
      if (it == tray.end()) return false;
      tray.erase(it);
      return true;
    default: return false;
  }
}

// ShellExecuteA, GetVersionExA and the media services: SimMedia.cpp.

}  // namespace platform::memory
