#include "platform/memory/SimSystem.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

#include "platform/memory/SimProcess.h"

namespace platform::memory {

SimValue* SimKey::Find(std::string_view name) {
  for (SimValue& v : values)
    if (v.name.size() == name.size() &&
        std::equal(v.name.begin(), v.name.end(), name.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        }))
      return &v;
  return nullptr;
}

namespace {
// The standard shapes the system has, by IDC_ id; their handles are fixed,
// shared by every process.
constexpr std::uint32_t kStandardCursorIds[] = {
    kIdcArrow, kIdcIBeam,   kIdcWait, kIdcCross, 32516 /* up arrow */,     32642, 32643, 32644,
    32645,     kIdcSizeAll, kIdcNo,   kIdcHand,  32650 /* app starting */, 32651 /* help */};
constexpr HCursor kStandardCursorBase = 0x8000;
}  // namespace

HCursor SimSystem::StandardCursor(std::uint32_t id) const {
  for (std::size_t i = 0; i < std::size(kStandardCursorIds); ++i)
    if (kStandardCursorIds[i] == id) return kStandardCursorBase + i;
  return 0;
}

std::uint32_t SimSystem::StandardCursorId(HCursor cursor) const {
  if (cursor < kStandardCursorBase || cursor >= kStandardCursorBase + std::size(kStandardCursorIds))
    return 0;
  return kStandardCursorIds[cursor - kStandardCursorBase];
}

SimSystem::SimSystem(int screenWidth, int screenHeight)
    : monitors_{{{0, 0, screenWidth, screenHeight}, {0, 0, screenWidth, screenHeight}, true}},
      wallpaper_(screenWidth, screenHeight, gui::Rgb(0, 128, 128)) {
  // The desktop window itself, and the shell's "Program Manager" window that
  // covers it, with its view and the view's list of icons inside: the chain
  // a program meets over the bare desktop.
  currentCursor_ = StandardCursor(kIdcArrow);
  desktop_ = NewHandle();
  SimWindow& d = windows_[desktop_];
  d.hwnd = desktop_;
  d.className = "#32769";
  d.rect = {0, 0, screenWidth, screenHeight};
  d.visible = true;

  progman_ = NewHandle();
  SimWindow& p = windows_[progman_];
  p.hwnd = progman_;
  p.className = "Progman";
  p.text = "Program Manager";
  p.rect = {0, 0, screenWidth, screenHeight};
  p.visible = true;
  zorder_.push_back(progman_);
  const auto addChild = [&](Hwnd parent, const char* className, const char* text) {
    const Hwnd h = NewHandle();
    SimWindow& c = windows_[h];
    c.hwnd = h;
    c.parent = parent;
    c.className = className;
    c.text = text;
    c.rect = {0, 0, screenWidth, screenHeight};
    c.visible = true;
    return h;
  };
  defView_ = addChild(progman_, "SHELLDLL_DefView", "");
  listView_ = addChild(defView_, "SysListView32", "FolderView");
  cursor_ = {screenWidth / 2, screenHeight / 2};
  // The scheme Wine starts with (COLOR_SCROLLBAR to COLOR_INFOBK).
  const std::uint32_t scheme[] = {
      0xFFFFFF, 0x956F25, 0xFA9632, 0x808080, 0xFFFFFF, 0xFFFFFF, 0x9E9E9E, 0x000000, 0x000000,
      0x000000, 0xFFFFFF, 0xFFFFFF, 0x808080, 0xFA9630, 0xFFFFFF, 0xF5F5F5, 0xA6A6A6, 0xA6A6A6,
      0x000000, 0xC8C8C8, 0xFFFFFF, 0x6A6A6A, 0xE3E3E3, 0x000000, 0xFFFFFF};
  for (int i = 0; i < static_cast<int>(std::size(scheme)); ++i) sysColors_[i] = scheme[i];
}

SimSystem::~SimSystem() = default;

void SimSystem::SetSysColor(int index, std::uint32_t colour) {
  const auto it = sysColors_.find(index);
  if (it == sysColors_.end()) return;
  it->second = colour & 0xFFFFFF;
  // Sent at once, hidden windows included, as the system broadcasts it.
  std::vector<std::pair<Hwnd, std::uint32_t>> tops;
  for (const auto& [h, w] : windows_)
    if (!w.parent && !w.messageOnly && w.pid != 0) tops.emplace_back(h, w.pid);
  for (const auto& [h, pid] : tops)
    if (SimProcess* p = Process(pid); p && Window(h))
      p->SendMessageA(h, msg::kSysColorChange, 0, 0);
}

std::unique_ptr<SimProcess> SimSystem::StartProcess() {
  const std::uint32_t pid = nextPid_++;
  auto p = std::make_unique<SimProcess>(*this, pid);
  processes_[pid] = p.get();
  return p;
}

SimProcess* SimSystem::Process(std::uint32_t pid) const {
  auto it = processes_.find(pid);
  return it == processes_.end() ? nullptr : it->second;
}

// ---- registry ---------------------------------------------------------------

std::string SimSystem::Fold(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Key paths are kept relative to HKEY_CURRENT_USER, separators single, no
// leading or trailing separator.
std::string SimSystem::NormalizePath(std::string_view path) {
  std::string out;
  for (char c : path) {
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

SimKey* SimSystem::FindKey(std::string_view path) {
  auto it = keys_.find(Fold(NormalizePath(path)));
  return it == keys_.end() ? nullptr : &it->second;
}

const SimKey* SimSystem::FindKey(std::string_view path) const {
  auto it = keys_.find(Fold(NormalizePath(path)));
  return it == keys_.end() ? nullptr : &it->second;
}

SimKey& SimSystem::EnsureKey(std::string_view path) {
  const std::string norm = NormalizePath(path);
  // Creating a key creates the keys above it, as the system does.
  for (std::size_t pos = 0;; ++pos) {
    pos = norm.find('\\', pos);
    const std::string prefix = norm.substr(0, pos);
    auto& k = keys_[Fold(prefix)];
    if (k.path.empty()) k.path = prefix;
    if (pos == std::string::npos) return k;
  }
}

bool SimSystem::KeyExists(std::string_view path) const { return FindKey(path) != nullptr; }
void SimSystem::CreateKey(std::string_view path) { EnsureKey(path); }

void SimSystem::DeleteKey(std::string_view path) {
  const std::string folded = Fold(NormalizePath(path));
  for (auto it = keys_.begin(); it != keys_.end();) {
    if (it->first == folded || it->first.starts_with(folded + "\\"))
      it = keys_.erase(it);
    else
      ++it;
  }
}

void SimSystem::SetValue(std::string_view path, std::string_view name, std::uint32_t type,
                         std::vector<std::uint8_t> data) {
  SimKey& key = EnsureKey(path);
  if (SimValue* v = key.Find(name)) {
    v->type = type;
    v->data = std::move(data);
  } else {
    key.values.push_back({std::string(name), type, std::move(data)});
  }
}

void SimSystem::SetDword(std::string_view path, std::string_view name, std::uint32_t value) {
  std::vector<std::uint8_t> bytes(4);
  std::memcpy(bytes.data(), &value, 4);
  SetValue(path, name, kRegDword, std::move(bytes));
}

void SimSystem::SetString(std::string_view path, std::string_view name, std::string_view text,
                          std::uint32_t type) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  SetValue(path, name, type, std::move(bytes));
}

void SimSystem::DeleteValue(std::string_view path, std::string_view name) {
  SimKey* key = FindKey(path);
  if (!key) return;
  SimValue* v = key->Find(name);
  if (!v) return;
  key->values.erase(key->values.begin() + (v - key->values.data()));
}

const SimValue* SimSystem::Value(std::string_view path, std::string_view name) const {
  const SimKey* key = FindKey(path);
  return key ? const_cast<SimKey*>(key)->Find(name) : nullptr;
}

std::optional<std::uint32_t> SimSystem::Dword(std::string_view path, std::string_view name) const {
  const SimValue* v = Value(path, name);
  if (!v || v->type != kRegDword || v->data.size() != 4) return std::nullopt;
  std::uint32_t out = 0;
  std::memcpy(&out, v->data.data(), 4);
  return out;
}

std::optional<std::string> SimSystem::String(std::string_view path, std::string_view name) const {
  const SimValue* v = Value(path, name);
  if (!v || (v->type != kRegSz && v->type != kRegExpandSz)) return std::nullopt;
  std::string s(v->data.begin(), v->data.end());
  if (auto nul = s.find('\0'); nul != std::string::npos) s.resize(nul);
  return s;
}

std::vector<std::string> SimSystem::ValueNames(std::string_view path) const {
  std::vector<std::string> names;
  if (const SimKey* key = FindKey(path))
    for (const SimValue& v : key->values) names.push_back(v.name);
  return names;
}

void SimSystem::RecordWrite(const SimKey& key, const SimValue& v) {
  writes_.push_back({key.path, v.name, v.type});
}

// ---- clock ----------------------------------------------------------------------

namespace {
// Windows' clock ticks every 15.625 ms; tick k is at k * 15625 / 1000 ms
// (0, 15, 31, 46, 62, ...), so the tick count steps by 15 or 16.
constexpr std::uint64_t kTickMicros = 15625;
std::uint64_t TickTime(std::uint64_t k) { return k * kTickMicros / 1000; }
// The number of the latest tick at or before t.
std::uint64_t TickIndex(std::uint64_t t) { return ((t + 1) * 1000 - 1) / kTickMicros; }
}  // namespace

std::uint64_t SimSystem::TickAtOrBefore(std::uint64_t t) const {
  return clock_ == Clock::Windows ? TickTime(TickIndex(t)) : t;
}

std::uint64_t SimSystem::TickAtOrAfter(std::uint64_t t) const {
  if (clock_ != Clock::Windows || t == 0 || t == UINT64_MAX) return t;
  return TickTime(TickIndex(t - 1) + 1);
}

std::uint64_t SimSystem::SleepEnd(std::uint32_t ms) const {
  if (clock_ != Clock::Windows || ms == 0) return nowMs_ + ms;
  // The sleep counts whole ticks: as many as ms takes, the first of them
  // the one under way.
  const std::uint64_t ticks = (std::uint64_t{ms} * 1000 + kTickMicros - 1) / kTickMicros;
  return TickTime(TickIndex(nowMs_) + ticks);
}

// ---- windows ------------------------------------------------------------------

SimWindow* SimSystem::Window(Hwnd hwnd) {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : &it->second;
}

const SimWindow* SimSystem::Window(Hwnd hwnd) const {
  auto it = windows_.find(hwnd);
  return it == windows_.end() ? nullptr : &it->second;
}

Hwnd SimSystem::FindWindow(std::string_view className,
                           std::optional<std::string_view> caption) const {
  for (const auto& [h, w] : windows_)
    if (w.className == className && (!caption || w.text == *caption)) return h;
  return 0;
}

// "An owned window is always above its owner in the z-order": a window
// owned by a topmost one is in the topmost band with it, whatever its own
// style says.
bool SimSystem::InTopmostBand(const SimWindow& w) const {
  const SimWindow* o = &w;
  for (int depth = 0; o && depth < 64; ++depth, o = o->owner ? Window(o->owner) : nullptr)
    if (o->topmost) return true;
  return false;
}

void SimSystem::BringToFront(Hwnd hwnd) {
  const SimWindow* w = Window(hwnd);
  if (!w || w->parent || w->messageOnly || hwnd == desktop_) return;
  std::erase(zorder_, hwnd);
  // Topmost windows stay above the others: a window goes in front of its band.
  auto pos = zorder_.begin();
  if (!InTopmostBand(*w))
    while (pos != zorder_.end() && InTopmostBand(*Window(*pos))) ++pos;
  zorder_.insert(pos, hwnd);
  // Its owned windows come along in front of it, in the order they had.
  std::vector<Hwnd> owned;
  for (Hwnd h : zorder_)
    if (Window(h)->owner == hwnd) owned.push_back(h);
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) BringToFront(*it);
}

void SimSystem::RemoveWindow(Hwnd hwnd) {
  // A window's shortcuts go with it.
  std::erase_if(hotkeys_, [hwnd](const SimHotkey& k) { return k.hwnd == hwnd; });
  std::erase(zorder_, hwnd);
  windows_.erase(hwnd);
  if (capture_ == hwnd) capture_ = 0;
  if (focus_ == hwnd) focus_ = 0;
  if (foreground_ == hwnd) FixForeground();
}

// After the foreground window hides or goes, the next visible program window
// in z-order takes its place; with none, nothing is in front.
void SimSystem::FixForeground() {
  Hwnd next = 0;
  for (Hwnd h : zorder_) {
    const SimWindow* w = Window(h);
    if (h != progman_ && w->visible && !w->iconic && w->pid != 0) {
      next = h;
      break;
    }
  }
  Activate(next, kWaActive);
}

void SimSystem::Activate(Hwnd next, std::uint16_t how) {
  const Hwnd before = foreground_;
  if (before == next) return;
  foreground_ = next;
  const auto tell = [&](Hwnd h, std::uint16_t state, Hwnd other) {
    const SimWindow* w = Window(h);
    SimProcess* p = w ? Process(w->pid) : nullptr;
    if (p && !w->messageOnly)
      p->SendMessageA(h, msg::kActivate, MakeWParam(state, w->iconic ? 1 : 0),
                      static_cast<LParam>(other));
  };
  tell(before, kWaInactive, next);
  if (foreground_ != next) return;  // its handler moved it on
  tell(next, how, before);
  const SimWindow* w = Window(next);
  SimProcess* p = w ? Process(w->pid) : nullptr;
  if (!p || foreground_ != next || w->iconic) return;
  for (Hwnd f = focus_; f; f = Window(f) ? Window(f)->parent : 0)
    if (f == next) return;
  p->SetFocus(next);
}

void SimSystem::PlaceCursor(Point p) {
  // Wine keeps the pointer inside the virtual screen, gaps between monitors
  // of unequal height included.
  const Rect v = VirtualScreen();
  cursor_ = {std::clamp(p.x, v.left, v.right - 1), std::clamp(p.y, v.top, v.bottom - 1)};
}

gui::Bitmap SimSystem::Screen() const {
  gui::Bitmap screen = wallpaper_;
  const Rect v = VirtualScreen();
  for (auto it = zorder_.rbegin(); it != zorder_.rend(); ++it) {
    const SimWindow* w = Window(*it);
    const bool lingers = !w->visible && nowMs_ < w->leavesScreenAt;
    if ((!w->visible && !lingers) || w->frame.Empty() || *it == progman_) continue;
    gui::raster::Blit(screen, w->rect.left - v.left, w->rect.top - v.top, w->frame,
                      {0, 0, w->rect.Width(), w->rect.Height()});
  }
  return screen;
}

void SimSystem::SetScreenSize(int width, int height) {
  std::vector<SimMonitor> layout = monitors_;
  layout.front().rect = layout.front().work = {0, 0, width, height};
  SetMonitors(std::move(layout));
}

void SimSystem::SetMonitors(std::vector<SimMonitor> layout) {
  if (layout.empty()) return;
  const Rect before = VirtualScreen();
  const std::uint32_t primaryDpiBefore = MonitorDpi(0);
  for (SimMonitor& m : layout) {
    m.rect.right = std::max(m.rect.right, m.rect.left + 1);
    m.rect.bottom = std::max(m.rect.bottom, m.rect.top + 1);
    if (m.work.Width() <= 0 || m.work.Height() <= 0) m.work = m.rect;
    m.primary = &m == &layout.front();
  }
  monitors_ = std::move(layout);
  const Rect primary = monitors_.front().rect;
  const int width = primary.Width(), height = primary.Height();
  // The desktop window is the primary monitor's; the shell's windows on it too.
  for (Hwnd h : {desktop_, progman_, defView_, listView_}) windows_[h].rect = primary;
  // The wallpaper keeps what stood at each point of the screen.
  const Rect v = VirtualScreen();
  gui::Bitmap wallpaper(v.Width(), v.Height(), gui::Rgb(0, 128, 128));
  gui::raster::Blit(wallpaper, before.left - v.left, before.top - v.top, wallpaper_);
  wallpaper_ = std::move(wallpaper);
  PlaceCursor(cursor_);
  // 32 bits per pixel, as the system reports a true-colour screen; the size
  // is the primary's.
  const LParam size = static_cast<LParam>((static_cast<std::uint32_t>(height) << 16) |
                                          static_cast<std::uint32_t>(width));
  for (const auto& [h, w] : windows_)
    if (w.parent == 0 && !w.messageOnly && h != desktop_)
      if (SimProcess* p = Process(w.pid)) p->sent_.push_back({h, msg::kDisplayChange, 32, size});
  // A shown window whose monitor has another scale now (the scale changed,
  // or the layout put another monitor where it stands) hears its new DPI.
  for (auto& [h, w] : windows_)
    if (w.parent == 0 && w.visible && !w.messageOnly && h != desktop_ && TakeMonitorDpi(w))
      if (SimProcess* p = Process(w.pid))
        p->sent_.push_back({h, msg::kDpiChanged, static_cast<WParam>(w.dpi) * 0x10001,
                            reinterpret_cast<LParam>(&w.dpiSuggested)});
  // The taskbar lies on the primary monitor and is made anew at its new
  // scale (Windows 10 on). As at any creation of the taskbar, "it registers
  // a message with the TaskbarCreated string and then broadcasts this
  // message to all top-level windows" (the taskbar's documentation); unlike
  // a restart of the shell, the icons stay, so a NIM_ADD of one fails, and
  // a program that only adds its icon again keeps it at the old size (as
  // programs doing so were reported to).
  if (MonitorDpi(0) != primaryDpiBefore) BroadcastTaskbarCreated();
}

void SimSystem::Post(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
  const SimWindow* w = Window(hwnd);
  if (!w) return;
  if (SimProcess* p = Process(w->pid))
    p->Enqueue({hwnd, message, wParam, lParam});
  else if (w->pid == 0)
    shellMessages_.push_back({hwnd, message, wParam, lParam});
}

// ---- notification area ----------------------------------------------------------

const TrayIcon* SimSystem::FindTrayIcon(Hwnd hwnd, std::uint32_t id) const {
  for (const TrayIcon& t : tray_)
    if (t.hWnd == hwnd && t.uID == id) return &t;
  return nullptr;
}

bool SimSystem::ClickTrayIcon(Hwnd hwnd, std::uint32_t id, std::uint32_t mouseMessage) {
  const TrayIcon* t = FindTrayIcon(hwnd, id);
  if (!t || !(t->uFlags & kNifMessage) || !Window(hwnd)) return false;
  Post(hwnd, t->uCallbackMessage, id, static_cast<LParam>(mouseMessage));
  return true;
}

bool SimSystem::ClickTrayBalloon(Hwnd hwnd, std::uint32_t id) {
  auto it = std::find_if(tray_.begin(), tray_.end(),
                         [&](const TrayIcon& t) { return t.hWnd == hwnd && t.uID == id; });
  if (it == tray_.end() || !it->balloonShown) return false;
  it->balloonShown = false;
  if ((it->uFlags & kNifMessage) && Window(hwnd))
    Post(hwnd, it->uCallbackMessage, id, kNinBalloonUserClick);
  return true;
}

void SimSystem::RestartShell() {
  tray_.clear();
  BroadcastTaskbarCreated();
}

void SimSystem::BroadcastTaskbarCreated() {
  auto it = registeredMessages_.find(Fold("TaskbarCreated"));
  if (it == registeredMessages_.end()) return;
  for (Hwnd h : zorder_)
    if (Window(h)->pid != 0) Post(h, it->second, 0, 0);
}

// ---- icons (serial ports: SimSerial.cpp) ------------------------------------------

HIcon SimSystem::AddIcon(gui::MaskedImage image) {
  const HIcon h = NewHandle();
  icons_[h] = std::move(image);
  return h;
}

void SimSystem::RemoveIcon(HIcon icon) { icons_.erase(icon); }

const gui::MaskedImage* SimSystem::Icon(HIcon icon) const {
  auto it = icons_.find(icon);
  return it == icons_.end() ? nullptr : &it->second;
}

}  // namespace platform::memory
