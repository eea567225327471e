// A small simulated Windows for tests: one machine (SimSystem) that any number
// of simulated program processes (SimProcess) run on. The machine holds what
// Windows holds system-wide: the current user's registry, named mutexes, the
// windows and their z-order, the cursor, the screen, the notification area,
// serial ports and a manual clock. A process holds what dies with it: its
// handles, its message queue and timers, its last error.
//
// It behaves like the system where the program's behaviour depends on it
// (registry value names are case-insensitive but blanks count; queries report
// type, size and ERROR_MORE_DATA; timer messages coalesce; Sleep advances the
// clock without dispatching), and it lets a test set the scene, inject
// failures and look at the outcome.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "platform/memory/SimSerial.h"
#include "raster/Bitmap.h"

namespace platform::memory {

class SimProcess;

struct SimValue {
  std::string name;  // as first written (names compare case-insensitively)
  std::uint32_t type = kRegNone;
  std::vector<std::uint8_t> data;
};

struct SimKey {
  std::string path;              // as first created, e.g. "HKCU\\SOFTWARE\\Omvale Tavrin 2.0.8"
  std::vector<SimValue> values;  // in order of creation
  SimValue* Find(std::string_view name);
};

struct RegistryWrite {
  std::string keyPath;
  std::string valueName;
  std::uint32_t type = kRegNone;
};

struct SimWindow {
  Hwnd hwnd = 0;
  std::uint32_t pid = 0;
  Hwnd parent = 0;
  Hwnd owner = 0;
  std::string className;
  std::string text;
  Rect rect;
  bool visible = false;
  bool topmost = false;
  bool messageOnly = false;
  bool needsPaint = false;
  // Minimised: off the screen at the system's parking place, with the
  // rectangle a restore puts it back to.
  bool iconic = false;
  Rect restoreRect;
  // The DPI awareness it was made with (SimDpi.cpp): the context's own value.
  DpiAwarenessContext awareness = kDpiAwarenessContextPerMonitorAwareV2;
  // A per-monitor aware top-level window's DPI: the last one WM_DPICHANGED
  // told it (its monitor's when it was made), and the place that message
  // suggested, which its lParam points to.
  std::uint32_t dpi = kDefaultDpi;
  Rect dpiSuggested;
  bool dpiChanging = false;      // its WM_DPICHANGED is being handled
  bool hiddenWithOwner = false;  // an owned popup, hidden while its owner is minimised
  WndProc proc;
  HCursor classCursor = 0;  // the shape the default WM_SETCURSOR handling gives
  // A child window: its id and styles; a control of a system class has the
  // state its system procedure keeps (SimControls.cpp).
  int id = 0;
  std::uint32_t style = 0;
  bool enabled = true;
  // Made by CreateWindowExW: a control that keeps and counts its text in
  // UTF-16, and takes WM_CHAR in UTF-16 units.
  bool unicode = false;
  std::shared_ptr<struct SimControl> control;
  gui::Bitmap frame;  // what the window last presented
  // Once hidden: its last frame stays on the screen until then.
  std::uint64_t leavesScreenAt = 0;
};

struct TrayIcon {
  Hwnd hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  HIcon hIcon = 0;
  std::string tip;
  // The balloon shown by the icon (NIF_INFO), until clicked, replaced or
  // taken away.
  bool balloonShown = false;
  std::string balloonTitle, balloonText;
  std::uint32_t balloonFlags = 0;
};

struct ShellExecuteCall {
  Hwnd owner = 0;
  std::string verb;
  std::string file;
  std::string parameters;
  std::string directory;
  int showCmd = 0;
};

// An open MCI device. Positions are in milliseconds, the default time format
// of both the sequencer and wave audio.
struct SimSoundDevice {
  std::uint32_t pid = 0;
  std::string file;
  std::uint32_t mode = 0;  // an MCI mode number (stopped, playing, ...)
  std::uint32_t lengthMs = 0;
  std::uint32_t positionMs = 0;  // while playing: where this play began
  std::uint32_t playToMs = 0;    // while playing: where it ends by itself
  std::uint64_t playStartedAt = 0;
  Hwnd notifyWindow = 0;  // the pending notification of a play, 0 for none
};

// One monitor of the machine, in screen coordinates.
struct SimMonitor {
  Rect rect;
  Rect work;              // the part windows are placed in: the whole rect unless set
  bool primary = false;   // the system's to say: the layout's first monitor
  std::uint32_t dpi = 0;  // its scale in the display settings; 0: the system's DPI
};

// A system-wide shortcut (RegisterHotKey): hwnd 0 posts to the process's
// queue.
struct SimHotkey {
  std::uint32_t pid = 0;
  Hwnd hwnd = 0;
  int id = 0;
  std::uint32_t modifiers = 0;  // MOD_ flags
  std::uint32_t vk = 0;
};

struct InjectedKey {
  std::uint8_t vk = 0;
  std::uint8_t scan = 0;
  std::uint32_t flags = 0;
};

class SimSystem {
 public:
  explicit SimSystem(int screenWidth = 1024, int screenHeight = 768);
  ~SimSystem();
  SimSystem(const SimSystem&) = delete;
  SimSystem& operator=(const SimSystem&) = delete;

  // Starts a program process on this machine. The process ends (its handles
  // closed, its mutexes released, its windows destroyed) when the object dies.
  std::unique_ptr<SimProcess> StartProcess();

  // ---- registry (paths are relative to HKEY_CURRENT_USER; a path that
  // begins with "HKEY_LOCAL_MACHINE\\" names a key of the machine's) ----
  bool KeyExists(std::string_view path) const;
  void CreateKey(std::string_view path);
  void DeleteKey(std::string_view path);
  void SetValue(std::string_view path, std::string_view name, std::uint32_t type,
                std::vector<std::uint8_t> data);
  void SetDword(std::string_view path, std::string_view name, std::uint32_t value);
  void SetString(std::string_view path, std::string_view name, std::string_view text,
                 std::uint32_t type = kRegSz);
  void DeleteValue(std::string_view path, std::string_view name);
  const SimValue* Value(std::string_view path, std::string_view name) const;
  std::optional<std::uint32_t> Dword(std::string_view path, std::string_view name) const;
  std::optional<std::string> String(std::string_view path, std::string_view name) const;
  std::vector<std::string> ValueNames(std::string_view path) const;  // in order of creation
  // Failure injection: opening or creating this key fails with access denied;
  // writing a value of this name (in any key) fails with access denied.
  void FailOpenKey(std::string_view path) { failOpen_.insert(Fold(path)); }
  void FailCreateKey(std::string_view path) { failCreate_.insert(Fold(path)); }
  void FailValueWrite(std::string_view name) { failWrite_.insert(Fold(name)); }
  // Every successful value write, in order.
  const std::vector<RegistryWrite>& RegistryWrites() const { return writes_; }
  void ClearRegistryWrites() { writes_.clear(); }

  // ---- clock ----
  // The time since the machine started, exact to the millisecond: when bytes
  // arrive and sounds end, and how long a blocked thread was held.
  std::uint64_t Now() const { return nowMs_; }
  void Advance(std::uint64_t ms) { nowMs_ += ms; }
  // What a program sees of the time. Windows' own clock, unless a program
  // raises the timer resolution (timeBeginPeriod, which costs a laptop's
  // battery), ticks 64 times a second: "The default timer resolution on
  // Windows is 15.6 ms". GetTickCount then steps by 15 or 16 ms, a Sleep
  // shorter than a tick "may sleep for less than the specified length of
  // time" and one "greater than one tick but less than two ... can be
  // anywhere between one and two ticks" (Sleep), and timers and the
  // time-outs of waits expire on the ticks; an I/O completion still wakes
  // its waiting thread at once. The exact clock is Wine's, whose Sleep and
  // timers keep time to about a millisecond; machines start with it.
  enum class Clock { Exact, Windows };
  void UseClock(Clock clock) { clock_ = clock; }
  bool WindowsClock() const { return clock_ == Clock::Windows; }
  // The latest tick at or before t, and the first at or after it (t itself
  // on the exact clock).
  std::uint64_t TickAtOrBefore(std::uint64_t t) const;
  std::uint64_t TickAtOrAfter(std::uint64_t t) const;
  // When a Sleep(ms) begun now ends.
  std::uint64_t SleepEnd(std::uint32_t ms) const;
  // The tick count a program reads now (GetTickCount, before wrapping).
  std::uint64_t TickCount() const { return TickAtOrBefore(nowMs_); }

  // ---- screen, cursor, windows ----
  // The primary monitor's size, what the screen metrics report.
  int ScreenWidth() const { return monitors_.front().rect.Width(); }
  // The user changes a colour of the scheme (0x00BBGGRR; an index past the
  // system's changes nothing): every top-level window hears of it.
  void SetSysColor(int index, std::uint32_t colour);
  int ScreenHeight() const { return monitors_.front().rect.Height(); }
  // The screen's resolution changes (a projector plugged in, the display
  // settings changed): the desktop takes the new size, the wallpaper keeps
  // its corner, the cursor stays on the screen, and every top-level window
  // (hidden ones too) is sent WM_DISPLAYCHANGE, which its process takes at
  // its next look at its queue. Other windows keep their places and sizes.
  void SetScreenSize(int width, int height);
  // The screen's DPI, as its scale in the display settings makes it (96 at
  // 100 %, 144 at 150 %); the system's DPI too, and every monitor's that has
  // no DPI of its own (SimMonitor::dpi). Set before the program starts, as
  // the system asks a sign-out for a new system DPI.
  void SetDpi(std::uint32_t dpi) { dpi_ = dpi; }
  std::uint32_t Dpi() const { return dpi_; }
  // The effective DPI of monitor index (in the layout's order).
  std::uint32_t MonitorDpi(std::size_t index) const;
  // The monitor holding most of r; for a rectangle on none (or empty), the
  // one nearest its top-left corner.
  std::size_t MonitorOfRect(const Rect& r) const;
  // The awareness each process starts with, which the system takes from the
  // program's manifest: the program's declares per-monitor (version 2).
  void SetStartAwareness(DpiAwarenessContext context) { startAwareness_ = context; }
  // The monitors change to this layout (a projector plugged in beside the
  // laptop's screen): the first is the primary, its corner 0,0; a work area
  // left empty is the monitor's whole rectangle. As SetScreenSize, with the
  // virtual screen (the rectangle round them all) for the screen. The
  // machine starts with one monitor of the constructor's size.
  void SetMonitors(std::vector<SimMonitor> layout);
  const std::vector<SimMonitor>& Monitors() const { return monitors_; }
  Rect VirtualScreen() const;
  // Failure injection: reading the screen (a transfer from the desktop's
  // device context) fails, as on a locked workstation: from the clock's
  // reading `from` on (at once by default).
  void FailScreenReads(bool fail, std::uint64_t from = 0) {
    failScreenReads_ = fail;
    failScreenReadsFrom_ = from;
  }
  bool ScreenReadsFail() const { return failScreenReads_ && nowMs_ >= failScreenReadsFrom_; }
  Point Cursor() const { return cursor_; }
  void PlaceCursor(Point p);  // moves the cursor without any input message
  // A window hidden from now on stays on the screen this much longer, as a
  // compositor shows its last frame until the next one (0: gone at once).
  void SetHideLinger(std::uint64_t ms) { hideLingerMs_ = ms; }
  SimWindow* Window(Hwnd hwnd);
  const SimWindow* Window(Hwnd hwnd) const;
  // Top-level windows, front to back.
  std::vector<Hwnd> ZOrder() const { return zorder_; }
  Hwnd FindWindow(std::string_view className, std::optional<std::string_view> caption = {}) const;
  Hwnd Desktop() const { return desktop_; }
  Hwnd ProgramManager() const { return progman_; }
  // The shell's list of desktop icons: the window found over the bare
  // desktop, inside the shell's view inside "Program Manager".
  Hwnd DesktopListView() const { return listView_; }
  // The taskbar's start menu, opened by the task-list system command and
  // closed by the next button press anywhere.
  bool StartMenuOpen() const { return startMenuOpen_; }
  int StartMenuOpenings() const { return startMenuOpenings_; }
  Hwnd Foreground() const { return foreground_; }
  // The desktop's own picture under all windows, over the virtual screen
  // (its pixel 0,0 at the virtual screen's corner).
  gui::Bitmap& Wallpaper() { return wallpaper_; }
  // The screen as the user sees it: the wallpaper and every visible window's
  // last presented frame, back to front; the virtual screen, as Wallpaper.
  gui::Bitmap Screen() const;

  // ---- the user at the system's controls (SimControls.cpp) ----
  // Each is real input, queued for the window's process as the pointer and
  // keyboard would queue it; it takes effect as the program takes it.
  // A left click at a point of the window (its own coordinates).
  void ClickWindow(Hwnd hwnd, Point at);
  void ClickWindow(Hwnd hwnd);  // in its middle
  // A click on an up-down's upper or lower arrow.
  void ClickUpDownArrow(Hwnd updown, bool up);
  // A click on a tab of a tab row.
  void ClickTab(Hwnd tabs, int index);
  // The user drops a list down and clicks its item index.
  void ChooseListItem(Hwnd combo, int index);
  // Characters typed on the keyboard, to the window with the focus ('\b'
  // deletes the character before the caret or the selection).
  void TypeText(std::string_view text);
  // A key pressed and let go, with Shift held if asked.
  void PressKey(std::uint8_t vk, bool shift = false);
  Hwnd Focus() const { return focus_; }
  // The user presses a combination: the modifiers (MOD_ flags) go down, the
  // key goes down and up, the modifiers up again, each as the keyboard's
  // input (a shortcut registered for it takes the key).
  void PressShortcut(std::uint32_t modifiers, std::uint8_t vk);
  // The keyboard's input, from whichever program injected it.
  void KeyEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags);
  // The shortcuts registered now, by every process.
  const std::vector<SimHotkey>& Hotkeys() const { return hotkeys_; }
  // The rectangle of a tab of a tab row (its own coordinates).
  Rect TabRect(Hwnd tabs, int index) const;

  // ---- notification area ----
  const std::vector<TrayIcon>& TrayIcons() const { return tray_; }
  const TrayIcon* FindTrayIcon(Hwnd hwnd, std::uint32_t id) const;
  // The shell's reaction to a mouse action on an icon: posts its callback
  // message (wParam = icon id, lParam = the mouse message) to the owner.
  bool ClickTrayIcon(Hwnd hwnd, std::uint32_t id, std::uint32_t mouseMessage);
  // The user clicks the balloon the icon shows: it goes, and the owner is
  // told (callback message, lParam NIN_BALLOONUSERCLICK). False when the
  // icon shows none.
  bool ClickTrayBalloon(Hwnd hwnd, std::uint32_t id);
  // The shell restarting: icons are lost and "TaskbarCreated" is broadcast.
  // (A change of the primary monitor's scale broadcasts it too, the icons
  // kept: SetMonitors.)
  void RestartShell();

  // ---- icons (handles made by the GUI framework's headless backend) ----
  HIcon AddIcon(gui::MaskedImage image);
  void RemoveIcon(HIcon icon);
  const gui::MaskedImage* Icon(HIcon icon) const;

  // ---- serial ports ----
  // A port plugged in now ("COM5"); the port of that name if there is one.
  SimSerialPort& AddSerialPort(std::string_view name, SerialPortSetup setup = {});
  SimSerialPort* SerialPort(std::string_view name);

  // ---- sound ----
  // A file the media services can play for this long, whatever its content
  // (files added by AddFile are judged by their content).
  void AddSoundFile(std::string_view name, std::uint32_t lengthMs = 1000);
  // Every sound that ends by itself ends now: its device reads stopped.
  void FinishSounds();
  // The files whose sound is heard now (playing and not yet at their end).
  std::vector<std::string> AudibleSounds();
  // Failure injection: every later command of this MCI message number fails
  // with this error (0 lifts it).
  void FailMciCommand(std::uint32_t message, std::uint32_t error);
  const std::map<std::uint32_t, SimSoundDevice>& SoundDevices() const { return soundDevices_; }
  // Files started playing, in order.
  const std::vector<std::string>& PlayedSounds() const { return playedSounds_; }

  // ---- shell, input and version ----
  const std::vector<ShellExecuteCall>& ShellExecutes() const { return shellExecutes_; }
  const std::vector<InjectedKey>& InjectedKeys() const { return injectedKeys_; }
  // Messages posted to the shell's own windows (the desktop and what is on
  // it), which no simulated process runs, in order.
  const std::vector<Msg>& ShellMessages() const { return shellMessages_; }
  bool KeyIsDown(std::uint8_t vk) const { return keysDown_.contains(vk); }
  void SetVersion(OsVersionInfo v) { version_ = v; }
  // Failure injection: a version query with this record size fails with this
  // error (0 lifts it); the sizes are kOsVersionInfoExSize and
  // kOsVersionInfoSize.
  void FailVersionQuery(std::uint32_t recordSize, long error);
  // The shell's result for a name that is no file the system has (and no web
  // address): SE_ERR_FNF unless a test chooses another.
  void SetShellMissingFileResult(std::intptr_t result) { shellMissingResult_ = result; }

  // ---- files ----
  // A file on the system's disk; names compare case-insensitively.
  void AddFile(std::string_view name, std::vector<std::uint8_t> bytes);
  bool FileExists(std::string_view name) const { return files_.contains(Fold(name)); }

  // Folders: the drive's root and the user's folders exist from the start
  // (the user's "Pictures" is C:\\Users\\Presenter\\Pictures). Names compare
  // case-insensitively; a path is given without a trailing backslash.
  void AddDirectory(std::string_view path) { directories_.insert(Fold(path)); }
  bool DirectoryExists(std::string_view path) const { return directories_.contains(Fold(path)); }
  // Takes a folder away with everything in it.
  void RemoveDirectory(std::string_view path);
  // Where a known folder is (it need not exist).
  void SetKnownFolder(const Guid& id, std::string path);
  // Failure injection: making this folder fails with this error.
  void FailCreateDirectory(std::string_view path, long error) {
    failCreateDirectory_[Fold(path)] = error;
  }
  // Space left on the disk: a file that does not fit fails to be written
  // (ERROR_DISK_FULL) and leaves nothing. Unbounded at the start.
  void SetDiskFree(std::uint64_t bytes) { diskFree_ = bytes; }
  // A file's bytes; null when there is none of that name.
  const std::vector<std::uint8_t>* FileBytes(std::string_view name) const;
  // The names of the files directly in a folder, as written, in name order.
  std::vector<std::string> FilesIn(std::string_view folder) const;
  // The local time is at now; the clock runs on from it (GetLocalTime).
  void SetLocalTime(const SystemTime& at) {
    localStart_ = at;
    localStartMs_ = nowMs_;
  }

  // ---- clipboard ----
  // What it holds in a format (null: nothing), as another program would
  // read it, and who owns it and has it open.
  const std::vector<std::uint8_t>* ClipboardData(std::uint32_t format) const;
  Hwnd ClipboardOwner() const { return clipboard_.owner; }
  bool ClipboardOpen() const { return clipboard_.openPid != 0; }

  // Where every program of this system was started from.
  void SetProgramPath(std::string path) { programPath_ = std::move(path); }
  const std::string& ProgramPath() const { return programPath_; }

  // ---- cursors ----
  // A cursor loaded from a file: the size of its picture and its hot spot.
  struct SimCursor {
    int width = 0, height = 0;
    Point hotSpot;
  };
  // Null for a handle LoadCursorFromFileA did not give.
  const SimCursor* LoadedCursor(HCursor cursor) const {
    const auto it = cursors_.find(cursor);
    return it == cursors_.end() ? nullptr : &it->second;
  }
  // The shared handle of a standard shape (an IDC_ id), 0 for an id the
  // system has no shape for.
  HCursor StandardCursor(std::uint32_t id) const;
  // The pointer's shape now: a standard one, one loaded from a file, or 0
  // when the pointer is hidden. The arrow when the machine starts.
  HCursor CurrentCursor() const { return currentCursor_; }
  bool PointerHidden() const { return currentCursor_ == 0; }
  bool IsCursor(HCursor cursor) const {
    return cursors_.contains(cursor) || StandardCursorId(cursor) != 0;
  }
  // The IDC_ id of a standard shape's handle, 0 for any other handle.
  std::uint32_t StandardCursorId(HCursor cursor) const;

 private:
  friend class SimProcess;
  friend class SimSerialPort;

  // Tells every top-level window that the machine's devices changed.
  void BroadcastDeviceChange();
  // Posts "TaskbarCreated" to every top-level window, as a new taskbar does.
  void BroadcastTaskbarCreated();
  // Whether the per-monitor aware top-level window now lies mostly on a
  // monitor of another DPI than the one it was last told; if so, takes that
  // DPI and the place suggested with it (SimDpi.cpp).
  bool TakeMonitorDpi(SimWindow& w);
  static std::string Fold(std::string_view s);
  static std::string NormalizePath(std::string_view path);
  SimKey* FindKey(std::string_view path);
  const SimKey* FindKey(std::string_view path) const;
  SimKey& EnsureKey(std::string_view path);
  void RecordWrite(const SimKey& key, const SimValue& v);

  SimProcess* Process(std::uint32_t pid) const;
  void Post(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam);
  Hwnd NewHandle() { return nextHandle_ += 4; }
  void BringToFront(Hwnd hwnd);
  bool InTopmostBand(const SimWindow& w) const;
  void RemoveWindow(Hwnd hwnd);
  // Pointer and keyboard input (SimInput.cpp). Input goes to the queue of
  // the process whose window it is for, behind that process's posted
  // messages; successive pointer moves there merge into one.
  Hwnd HitTest(Point p) const;  // the deepest visible window at p
  Hwnd MouseTarget() const;     // the capture, else the window under the cursor
  Hwnd TopLevelOf(Hwnd hwnd) const;
  void QueueMouse(std::uint32_t message, WParam extra = 0);
  void QueueKey(Hwnd target, std::uint32_t message, WParam vk, LParam lParam);
  // A key going down that a shortcut holds: WM_HOTKEY is posted, and the
  // key goes no further.
  bool TakeHotkey(std::uint8_t vk, bool repeat);
  void ActivateByClick(Hwnd target);
  // The window in front (the active one) changes to next: the one going out
  // hears WM_ACTIVATE first, then next, and next's process gives it the
  // keyboard focus unless its handling kept the focus inside it already.
  void Activate(Hwnd next, std::uint16_t how);
  void FixForeground();
  // Sounds that reached their end by now read stopped and post their
  // notification; the media services run whenever anything looks at them.
  void SettleSounds();
  // When the next sound of this process ends by itself (UINT64_MAX: none).
  std::uint64_t NextSoundEnd(std::uint32_t pid) const;
  void EndPlay(SimSoundDevice& d, std::uint32_t device, WParam outcome);

  std::vector<SimMonitor> monitors_;  // the primary first
  bool failScreenReads_ = false;
  std::uint64_t failScreenReadsFrom_ = 0;
  std::uint32_t dpi_ = kDefaultDpi;
  DpiAwarenessContext startAwareness_ = kDpiAwarenessContextPerMonitorAwareV2;
  std::uint64_t nowMs_ = 0;
  Clock clock_ = Clock::Exact;
  Point cursor_;
  std::uint64_t hideLingerMs_ = 0;
  std::uint32_t buttons_ = 0;  // MK_ bits of the buttons held
  Hwnd nextHandle_ = 0x10000;
  Hwnd desktop_ = 0;
  Hwnd progman_ = 0;
  Hwnd defView_ = 0;
  Hwnd listView_ = 0;
  bool startMenuOpen_ = false;
  int startMenuOpenings_ = 0;
  Hwnd foreground_ = 0;
  Hwnd capture_ = 0;
  std::map<int, std::uint32_t> sysColors_;  // the scheme: Wine's defaults at the start
  Hwnd focus_ = 0;
  std::map<Hwnd, SimWindow> windows_;
  std::vector<Hwnd> zorder_;  // top-level, front to back
  gui::Bitmap wallpaper_;

  std::map<std::string, SimKey> keys_;  // by folded normalised path
  std::set<std::string> failOpen_, failCreate_, failWrite_;
  std::vector<RegistryWrite> writes_;

  struct MutexObject {
    std::uint32_t handleCount = 0;
    std::uint32_t ownerPid = 0;
  };
  std::map<std::string, MutexObject> mutexes_;  // by exact name (names are case-sensitive)

  std::map<std::string, std::uint32_t> registeredMessages_;  // by folded name
  std::uint32_t nextRegisteredMessage_ = 0xC000;

  std::vector<TrayIcon> tray_;
  std::map<HIcon, gui::MaskedImage> icons_;
  std::vector<std::unique_ptr<SimSerialPort>> serialPorts_;
  std::vector<ShellExecuteCall> shellExecutes_;
  struct SimFile {
    std::vector<std::uint8_t> bytes;
    std::optional<std::uint32_t> soundLengthMs;  // set by AddSoundFile
  };
  std::map<std::string, SimFile> files_;  // by folded name
  std::set<std::string> directories_{"c:", "c:\\users", "c:\\users\\presenter",
                                     "c:\\users\\presenter\\pictures"};  // folded
  std::map<std::string, long> failCreateDirectory_;
  std::vector<std::pair<Guid, std::string>> knownFolders_{
      {kFolderIdPictures, "C:\\Users\\Presenter\\Pictures"}};
  std::uint64_t diskFree_ = UINT64_MAX;
  std::map<std::string, std::string> fileNames_;  // folded -> as written
  SystemTime localStart_{2026, 12, 4, 10, 14, 3, 22, 0};
  std::uint64_t localStartMs_ = 0;  // the clock's reading at localStart_
  struct Clipboard {
    std::uint32_t openPid = 0;  // the process whose thread has it open
    Hwnd openWindow = 0;
    Hwnd owner = 0;
    std::map<std::uint32_t, std::vector<std::uint8_t>> data;
  } clipboard_;
  std::map<HCursor, SimCursor> cursors_;
  std::string programPath_ = "C:\\Program Files\\Tavrin\\tavrin.exe";
  HCursor nextCursor_ = 0x9000;
  HCursor currentCursor_ = 0;                           // the arrow, set by the constructor
  std::map<std::uint32_t, std::uint32_t> mciFailures_;  // message -> error
  std::map<std::uint32_t, long> versionFailures_;       // record size -> error
  std::intptr_t shellMissingResult_ = kSeErrFileNotFound;
  std::map<std::uint32_t, SimSoundDevice> soundDevices_;
  std::uint32_t nextSoundDevice_ = 1;
  std::vector<std::string> playedSounds_;
  std::vector<InjectedKey> injectedKeys_;
  std::vector<Msg> shellMessages_;
  std::set<std::uint8_t> keysDown_;
  std::vector<SimHotkey> hotkeys_;
  bool altAlone_ = false;  // Alt pressed and no other key since: its release is a system key
  OsVersionInfo version_{5, 1, 2600, kVerPlatformWin32Nt};

  std::uint32_t nextPid_ = 100;
  std::map<std::uint32_t, SimProcess*> processes_;
};

}  // namespace platform::memory
