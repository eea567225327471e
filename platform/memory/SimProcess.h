// One simulated program process on a SimSystem: the Platform the program sees.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"
#include "platform/memory/SimSystem.h"

namespace platform::memory {

// Thrown when a SendMessageA goes to a window whose thread takes no more
// messages: on the real system the sender would wait for good. Like
// SerialReadBlocksForever it is no std::exception, so it ends the test.
struct SendMessageBlocksForever {
  Hwnd hwnd = 0;
  std::uint32_t message = 0;
};

// Thrown when the thread asks the system to wait over and over without the
// clock moving: on the real system it would spin a core. No std::exception
// either: it ends the test.
// Thrown when an overlapped operation is started with a record that an
// earlier one, cancelled or not, has not completed with yet: on the real
// system the late completion would write into the new operation's record.
struct OverlappedInUse {
  const void* record = nullptr;
};

struct ThreadSpins {
  int waits = 0;
};

class SimProcess final : public Platform {
 public:
  SimProcess(SimSystem& system, std::uint32_t pid);
  ~SimProcess() override;  // the process ends: handles closed, windows destroyed

  SimSystem& System() { return sys_; }
  std::uint32_t Pid() const { return pid_; }

  // How far WaitMessage may move the clock ahead to reach a timer when the
  // queue is otherwise empty, in total (0: never, so an idle loop ends).
  void SetIdleTimeBudget(std::uint64_t ms) { idleBudgetMs_ = ms; }
  std::uint64_t IdleTimeSpent() const { return idleSpentMs_; }
  // Lets the budget run out when the clock reaches atMs: a loop that waits
  // for messages (or handles) ends there.
  void IdleUntil(std::uint64_t atMs) {
    idleBudgetMs_ = idleSpentMs_ + (atMs > sys_.Now() ? atMs - sys_.Now() : 0);
  }
  // Called when the queue is empty, before any clock advance; returns whether
  // it did something (posted a message, closed a window) worth looking at.
  void SetIdleHook(std::function<bool()> hook) { idleHook_ = std::move(hook); }
  bool HasPendingMessage() const;
  // The process's thread is stuck from now on (a hung program): it never
  // takes a message again. What is sent to its windows from another process
  // is never answered; the system takes the thread for hung once it has
  // taken no message for kHungThreadMs.
  void StopTakingMessages() { takingMessages_ = false; }
  bool TakesMessages() const { return takingMessages_; }
  std::size_t PostedCount() const { return posted_.size(); }
  // How often the thread has asked to wait (WaitMessage, MsgWait...): what
  // its loop cost, in turns.
  std::uint64_t WaitCalls() const { return waitCalls_; }
  // Pointer and keyboard messages waiting to be taken.
  std::size_t InputCount() const { return input_.size(); }

  // RegistryOps
  long RegOpenKeyExA(HKey root, std::string_view subKey, std::uint32_t options,
                     std::uint32_t samDesired, HKey* result) override;
  long RegCreateKeyExA(HKey root, std::string_view subKey, std::uint32_t options,
                       std::uint32_t samDesired, HKey* result, std::uint32_t* disposition) override;
  long RegQueryValueExA(HKey key, std::string_view valueName, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* size) override;
  long RegSetValueExA(HKey key, std::string_view valueName, std::uint32_t type,
                      const std::uint8_t* data, std::uint32_t size) override;
  long RegDeleteValueA(HKey key, std::string_view valueName) override;
  long RegDeleteKeyA(HKey root, std::string_view subKey) override;
  long RegCloseKey(HKey key) override;
  long RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override;

  // ProcessOps
  Handle CreateMutexA(bool initialOwner, std::string_view name) override;
  long GetLastError() override { return lastError_; }
  bool GetVersionExA(OsVersionInfo* info) override;
  std::uint32_t GetModuleFileNameA(char* buffer, std::uint32_t size) override;
  Handle CreateEventA(bool manualReset, bool initialState) override;
  bool SetEvent(Handle event) override;
  bool ResetEvent(Handle event) override;

  // WindowOps
  Hwnd CreateWindowExA(const WindowParams& params, WndProc proc) override;
  bool DestroyWindow(Hwnd hwnd) override;
  LResult DefWindowProcA(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) override;
  bool ShowWindow(Hwnd hwnd, int cmdShow) override;
  bool IsWindowVisible(Hwnd hwnd) override;
  bool IsIconic(Hwnd hwnd) override;
  bool SetWindowPos(Hwnd hwnd, Hwnd insertAfter, std::int32_t x, std::int32_t y, std::int32_t cx,
                    std::int32_t cy, std::uint32_t flags) override;
  bool SetWindowTextA(Hwnd hwnd, std::string_view text) override;
  int GetWindowTextA(Hwnd hwnd, char* buffer, int maxCount) override;
  bool GetWindowRect(Hwnd hwnd, Rect* rect) override;
  Hwnd WindowFromPoint(Point p) override;
  Hwnd GetParent(Hwnd hwnd) override;
  Hwnd GetForegroundWindow() override { return sys_.foreground_; }
  bool SetForegroundWindow(Hwnd hwnd) override;
  Hwnd GetDesktopWindow() override { return sys_.desktop_; }
  bool IsWindow(Hwnd hwnd) override { return sys_.Window(hwnd) != nullptr; }
  bool PostMessageA(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) override;
  LResult SendMessageA(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) override;
  LResult SendMessageTimeoutA(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam,
                              std::uint32_t flags, std::uint32_t timeoutMs,
                              std::uintptr_t* result) override;
  std::uint32_t RegisterWindowMessageA(std::string_view name) override;
  bool InvalidateRect(Hwnd hwnd) override;
  bool EnableWindow(Hwnd hwnd, bool enable) override;
  bool IsWindowEnabled(Hwnd hwnd) override;
  Hwnd SetFocus(Hwnd hwnd) override;
  Hwnd GetFocus() override { return sys_.focus_; }
  bool IsDialogMessageW(Hwnd dialog, const Msg& msg) override;
  Hwnd SetCapture(Hwnd hwnd) override;
  bool ReleaseCapture() override;
  Hwnd GetCapture() override { return sys_.capture_; }
  bool PeekMessageW(Msg* msg, Hwnd hwnd, std::uint32_t removeFlags) override;
  LResult DispatchMessageW(const Msg& msg) override;
  void PostQuitMessage(int exitCode) override;
  bool WaitMessage() override;
  std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                            std::uint32_t timeoutMs, std::uint32_t wakeMask,
                                            std::uint32_t flags) override;
  DpiAwarenessContext SetThreadDpiAwarenessContext(DpiAwarenessContext context) override;
  std::uint32_t GetDpiForWindow(Hwnd hwnd) override;
  Hwnd CreateWindowExW(const WindowParams& control) override;
  bool RegisterHotKey(Hwnd hwnd, int id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(Hwnd hwnd, int id) override;

  // TimerOps
  std::uintptr_t SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t elapseMs) override;
  bool KillTimer(Hwnd hwnd, std::uintptr_t id) override;
  void Sleep(std::uint32_t ms) override { sys_.Advance(sys_.SleepEnd(ms) - sys_.Now()); }
  std::uint32_t GetTickCount() override { return static_cast<std::uint32_t>(sys_.TickCount()); }

  // PointerOps
  bool GetCursorPos(Point* p) override;
  bool SetCursorPos(std::int32_t x, std::int32_t y) override;
  HCursor LoadCursorFromFileA(std::string_view fileName) override;
  HCursor LoadCursorA(Handle instance, std::uint32_t id) override;
  HCursor SetCursor(HCursor cursor) override;
  HCursor GetCursor() override { return sys_.currentCursor_; }

  // InputOps
  void mouse_event(std::uint32_t flags, std::int32_t dx, std::int32_t dy,
                   std::uint32_t data) override;
  void keybd_event(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) override;

  // ScreenOps
  int GetSystemMetrics(int index) override;
  HMonitor MonitorFromPoint(Point p, std::uint32_t flags) override;
  bool GetMonitorInfoA(HMonitor monitor, MonitorInfo* info) override;
  std::vector<HMonitor> EnumDisplayMonitors() override;
  std::uint32_t GetDpiForMonitor(HMonitor monitor) override;
  int GetSystemMetricsForDpi(int index, std::uint32_t dpi) override;
  std::uint32_t GetSysColor(int index) override;
  HGdiObj CreateFontA(std::int32_t height, std::int32_t weight, std::string_view face) override;
  HGdiObj CreateSolidBrush(std::uint32_t color) override;
  bool DeleteObject(HGdiObj object) override;
  // The fonts and control brushes this process made and has not deleted.
  std::size_t FontCount() const { return fonts_.size(); }
  std::size_t BrushCount() const { return brushes_.size(); }
  // The colour a control of the system's last painted its background in: the
  // brush its parent answered WM_CTLCOLOR* with, or the system's button face
  // when the parent left it to the default handling; nothing before it painted.
  std::optional<std::uint32_t> ControlBackground(Hwnd hwnd) const;
  // The default handling's brush for WM_CTLCOLOR*: the button face.
  static HGdiObj FaceBrush();

  // SerialOps
  Handle CreateFileA(std::string_view fileName, std::uint32_t access, std::uint32_t shareMode,
                     std::uint32_t creation, std::uint32_t attributes) override;
  bool OpenInBackground(Hwnd hwnd, std::uint32_t message, LParam cookie, std::string_view fileName,
                        std::uint32_t access, std::uint32_t shareMode, std::uint32_t creation,
                        std::uint32_t attributes) override;
  bool SetupComm(Handle h, std::uint32_t inQueue, std::uint32_t outQueue) override;
  bool SetCommState(Handle h, const Dcb& dcb) override;
  bool GetCommState(Handle h, Dcb* dcb) override;
  bool SetCommTimeouts(Handle h, const CommTimeouts& timeouts) override;
  bool PurgeComm(Handle h, std::uint32_t flags) override;
  bool ClearCommError(Handle h, std::uint32_t* errors, ComStat* stat) override;
  bool ReadFile(Handle h, void* buffer, std::uint32_t toRead, std::uint32_t* read) override;
  bool ReadFile(Handle h, void* buffer, std::uint32_t toRead, std::uint32_t* read,
                Overlapped* overlapped) override;
  bool SetCommMask(Handle h, std::uint32_t mask) override;
  bool WaitCommEvent(Handle h, std::uint32_t* events, Overlapped* overlapped) override;
  bool GetOverlappedResult(Handle h, Overlapped* overlapped, std::uint32_t* transferred,
                           bool wait) override;
  bool CancelIo(Handle h) override;
  bool CloseHandle(Handle h) override;

  // DeviceOps: the machine's serial ports that have a device record
  // (SimSerial.cpp)
  Handle SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) override;
  bool SetupDiEnumDeviceInfo(Handle set, std::uint32_t index, SpDevinfoData* device) override;
  bool SetupDiGetDeviceRegistryPropertyA(Handle set, const SpDevinfoData& device,
                                         std::uint32_t property, std::uint32_t* type,
                                         std::uint8_t* buffer, std::uint32_t size,
                                         std::uint32_t* required) override;
  HKey SetupDiOpenDevRegKey(Handle set, const SpDevinfoData& device, std::uint32_t scope,
                            std::uint32_t profile, std::uint32_t keyType,
                            std::uint32_t samDesired) override;
  bool SetupDiDestroyDeviceInfoList(Handle set) override;

  // ShellOps
  bool Shell_NotifyIconA(std::uint32_t message, const NotifyIconData& data) override;
  std::intptr_t ShellExecuteA(Hwnd owner, std::string_view verb, std::string_view file,
                              std::string_view parameters, std::string_view directory,
                              int showCmd) override;

  // ScreenOps: where drawing meets the screen
  bool WindowArea(Hwnd hwnd, Rect* rect, bool* own) override;
  bool IsScreenWindow(Hwnd hwnd) override;
  bool CaptureWindowPixels(Hwnd hwnd, gui::Bitmap& out) override;
  bool CaptureScreenPart(const Rect& part, gui::Bitmap& out) override;
  void PresentWindowPixels(Hwnd hwnd, const gui::Bitmap& pixels, const gui::IRect& area) override;
  // ScreenOps: text, in the simulated face (SimText.cpp)
  bool MeasureString(const TextFont& font, std::string_view text, TextExtent* extent) override;
  bool DrawString(gui::Bitmap& target, std::int32_t x, std::int32_t y, const TextFont& font,
                  std::string_view text, gui::Color colour) override;

  // SoundOps
  std::uint32_t mciSendCommandA(std::uint32_t device, std::uint32_t message, std::uint32_t flags,
                                MciOpenParms& params) override;
  std::uint32_t mciSendCommandA(std::uint32_t device, std::uint32_t message, std::uint32_t flags,
                                MciPlayParms& params) override;
  std::uint32_t mciSendCommandA(std::uint32_t device, std::uint32_t message, std::uint32_t flags,
                                MciGenericParms& params) override;
  std::uint32_t mciSendCommandA(std::uint32_t device, std::uint32_t message, std::uint32_t flags,
                                MciStatusParms& params) override;
  bool mciGetErrorStringA(std::uint32_t error, char* buffer, std::uint32_t size) override;

  // FileOps, ClipboardOps (SimFiles.cpp)
  void GetLocalTime(SystemTime* time) override;
  HResult SHGetKnownFolderPath(const Guid& folderId, std::uint32_t flags, Handle token,
                               std::string* path) override;
  bool CreateDirectoryW(std::string_view path) override;
  HResult SavePngFile(std::string_view path, const gui::Bitmap& pixels) override;
  bool OpenClipboard(Hwnd owner) override;
  bool CloseClipboard() override;
  bool EmptyClipboard() override;
  Handle SetClipboardData(std::uint32_t format, const std::vector<std::uint8_t>& data) override;
  bool GetClipboardData(std::uint32_t format, std::vector<std::uint8_t>* data) override;
  Hwnd GetClipboardOwner() override { return sys_.clipboard_.owner; }
  Hwnd GetOpenClipboardWindow() override { return sys_.clipboard_.openWindow; }

 private:
  SimSoundDevice* SoundDevice(std::uint32_t device);
  friend class SimSystem;

  // The system's control procedures (SimControls.cpp).
  void MakeControl(Hwnd hwnd);
  LResult ControlProc(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam);
  LResult ButtonProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam, LParam lParam);
  LResult EditProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam, LParam lParam);
  LResult ComboProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam, LParam lParam);
  LResult UpDownProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam, LParam lParam);
  LResult TabProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam, LParam lParam);
  LResult HotkeyProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam, LParam lParam);
  LResult TooltipProc(Hwnd hwnd, SimWindow& w, std::uint32_t message, WParam wParam, LParam lParam);
  static void TooltipDelays(SimControl& c, WParam which, std::uint16_t ms);
  int TooltipToolUnderPointer(const SimWindow& tip, bool toShow);
  void TooltipShow(Hwnd hwnd);
  void TooltipHide(Hwnd hwnd);
  void TooltipToolChanged(Hwnd hwnd, int before);
  void NotifyParent(Hwnd hwnd, std::uint16_t code);
  void EditReplace(Hwnd hwnd, std::string_view with, bool notify);
  void CheckAutoRadio(Hwnd hwnd);
  void ChooseTab(Hwnd hwnd, int index);
  void ComboSelect(Hwnd combo, int index, bool byUser);
  // Dialog navigation: the next control that takes Tab, and the next of a group.
  Hwnd NextTabItem(Hwnd dialog, Hwnd from, bool previous);
  Hwnd NextGroupItem(Hwnd from, bool previous);
  bool NavigableChild(Hwnd hwnd) const;
  std::map<HGdiObj, std::string> fonts_;
  std::map<HGdiObj, std::uint32_t> brushes_;  // CreateSolidBrush's, by colour
  HGdiObj nextFont_ = 0x7A000;
  bool lastKeyShift_ = false;  // Shift was held for the key message taken last
  // The default key handling's memory: Alt, or F10, pressed with nothing
  // after it yet (its release opens the keyboard menu).
  bool menuSysKey_ = false;
  bool f10Key_ = false;

  struct Timer {
    Hwnd hwnd = 0;
    std::uintptr_t id = 0;
    std::uint32_t period = 0;
    std::uint64_t due = 0;
  };
  struct KeyHandle {
    std::string path;  // folded, normalised
  };
  enum class HandleKind { Mutex, Serial, Event };
  // A WaitCommEvent, or a read waiting for its bytes, that has not
  // completed yet.
  struct CommWait {
    std::uint32_t* events = nullptr;  // null: a read
    Overlapped* overlapped = nullptr;
    std::uint64_t arrivalsBefore = 0;   // the port's count of received bytes when it began
    std::uint64_t endsAt = UINT64_MAX;  // when it ends by itself
    std::uint8_t* buffer = nullptr;     // a read's
    std::uint32_t toRead = 0;
  };
  struct KernelHandle {
    KernelHandle() = default;
    KernelHandle(HandleKind k, std::string n, std::uint64_t g = 0)
        : kind(k), name(std::move(n)), generation(g) {}
    HandleKind kind = HandleKind::Mutex;
    std::string name;              // mutex name or serial port name
    std::uint64_t generation = 0;  // serial: the plugging-in of the port it was opened on
    bool overlapped = false;       // serial: opened with kFileFlagOverlapped
    std::uint32_t commMask = 0;    // serial: SetCommMask's
    std::optional<CommWait> wait;  // serial: a comm-event wait
    std::optional<CommWait> read;  // serial: a read waiting for its bytes
    bool manualReset = false;      // event
    bool signalled = false;        // event
  };
  // An overlapped record's status while its operation runs (STATUS_PENDING).
  static constexpr std::uintptr_t kStatusPending = 0x103;
  // Completes the comm waits whose event has happened (or whose port has
  // gone): the record gets its status, its event is signalled.
  void SettleCommWaits();
  void CompleteCommWait(KernelHandle& k, std::uint32_t events, long error);
  void CompleteRead(KernelHandle& k, long error);
  KernelHandle* EventHandle(Handle h);
  // An operation ended by a cancel (a purge, CancelIo, a new mask, a close),
  // as the port's driver ends it: now, later, or never.
  void Cancelled(KernelHandle& k, bool wait, long error);
  // Operations cancelled and not yet completed, off their handles.
  struct Orphan {
    CommWait op;
    std::string port;
    std::uint64_t generation = 0;
    std::uint64_t at = UINT64_MAX;  // when its driver completes it
    long error = 0;
  };
  std::vector<Orphan> orphans_;
  // Opens on threads of their own: each ends at its time with the open and
  // the post.
  struct BackgroundOpen {
    Hwnd hwnd = 0;
    std::uint32_t message = 0;
    LParam cookie = 0;
    std::string name;
    std::uint32_t attributes = 0;
    std::uint64_t at = 0;
  };
  std::vector<BackgroundOpen> opens_;
  void SettleOpens();
  std::uint64_t NextOpen() const;
  Handle OpenPort(std::string_view fileName, std::uint32_t attributes);
  void CompleteOrphan(Orphan& o);
  // Fails loudly when a new operation is given a record still in flight.
  void CheckRecordFree(const Overlapped* record) const;
  // When the earliest byte a pending comm wait waits for arrives (UINT64_MAX: none).
  std::uint64_t NextCommArrival();

  long Fail(long error) {
    lastError_ = error;
    return error;
  }
  bool FailBool(long error) {
    lastError_ = error;
    return false;
  }
  const std::string* KeyPath(HKey key) const;
  static bool IsRoot(HKey key) { return key == kHkeyCurrentUser || key == kHkeyLocalMachine; }
  // The port a device of one of this process's sets stands for; null if the
  // set or the device is not one.
  SimSerialPort* SetDevice(Handle set, const SpDevinfoData& device);
  SimSerialPort* Port(Handle h);
  bool SerialLive(Handle h);  // false once the port it was opened on vanished
  void ReleaseSerial(const KernelHandle& k);
  Timer* DueTimer();
  void Enqueue(const Msg& m) { posted_.push_back(m); }
  // Messages the system sent to this process's windows from outside: each
  // goes to its window's procedure at the process's next look at its queue,
  // before anything posted, and never comes out of the queue itself.
  void DeliverSent();
  void ForgetWindow(Hwnd hwnd);

  // An input message as it waits: mouse messages keep the screen point, and
  // their client coordinates are worked out when the message is taken.
  struct InputMessage {
    Hwnd hwnd = 0;
    std::uint32_t message = 0;
    WParam wParam = 0;
    LParam lParam = 0;  // keyboard messages only
    Point pt;
    bool shift = false;  // keyboard messages: Shift held as it was queued
  };
  void EnqueueInput(const InputMessage& m);
  bool TakeInput(Msg* out, Hwnd hwnd, bool remove);
  LResult SysCommand(Hwnd hwnd, WParam command);
  LResult DefKeyMessage(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam);
  // What the message loop's translation does with a system key that has a
  // character: it posts WM_SYSCHAR with the same lParam.
  void TranslateSystemKey(const Msg& m);

  SimSystem& sys_;
  std::uint32_t pid_;
  long lastError_ = 0;
  // The thread's DPI awareness (SimDpi.cpp); a window's procedure runs with
  // its window's.
  DpiAwarenessContext dpiContext_;
  bool makingUnicode_ = false;  // the window being made is CreateWindowExW's
  // A length of the screen as the thread is told it: in 96-DPI units for an
  // unaware thread.
  int ScreenLength(int pixels) const;
  // A shown per-monitor aware top-level window that now lies mostly on a
  // monitor of another DPI is sent WM_DPICHANGED (SimDpi.cpp).
  void FollowMonitorDpi(Hwnd hwnd);
  std::deque<Msg> posted_;
  std::deque<Msg> sent_;
  std::deque<InputMessage> input_;
  bool quit_ = false;
  int quitCode_ = 0;
  std::vector<Timer> timers_;
  std::map<HKey, KeyHandle> keys_;
  std::map<Handle, KernelHandle> handles_;
  std::map<Handle, std::vector<std::uint32_t>> deviceSets_;  // DevInst numbers, as taken
  Handle nextHandle_ = 0x100;
  bool takingMessages_ = true;
  std::uint64_t lastTakenMs_ = 0;  // when the thread last asked for a message
  std::uint64_t idleBudgetMs_ = 0;
  std::uint64_t idleSpentMs_ = 0;
  std::function<bool()> idleHook_;
  // Waits asked for since the clock last moved (SpinCheck).
  static constexpr int kSpinLimit = 100'000;
  void SpinCheck();
  std::uint64_t waitCalls_ = 0;
  std::uint64_t spinSince_ = 0;
  int spinWaits_ = 0;
};

}  // namespace platform::memory
