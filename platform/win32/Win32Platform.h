// The platform on the real system: each operation is the Win32 call of the
// same name with the boundary's plain types converted to the system's own.
// This header stays free of <windows.h> so that the entry point can create
// the platform without the system's macros leaking into the program.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "platform/Platform.h"

namespace platform {

class Win32Platform final : public Platform {
 public:
  Win32Platform();
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

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
  long GetLastError() override;
  bool GetVersionExA(OsVersionInfo* info) override;
  std::uint32_t GetModuleFileNameA(char* buffer, std::uint32_t size) override;
  Handle CreateEventA(bool manualReset, bool initialState) override;
  bool SetEvent(Handle event) override;
  bool ResetEvent(Handle event) override;

  // WindowOps
  Hwnd CreateWindowExA(const WindowParams& window, WndProc proc) override;
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
  Hwnd GetForegroundWindow() override;
  bool SetForegroundWindow(Hwnd hwnd) override;
  Hwnd GetDesktopWindow() override;
  bool IsWindow(Hwnd hwnd) override;
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
  Hwnd GetFocus() override;
  bool IsDialogMessageW(Hwnd dialog, const Msg& msg) override;
  Hwnd SetCapture(Hwnd hwnd) override;
  bool ReleaseCapture() override;
  Hwnd GetCapture() override;
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
  void Sleep(std::uint32_t ms) override;
  std::uint32_t GetTickCount() override;

  // PointerOps
  bool GetCursorPos(Point* p) override;
  bool SetCursorPos(std::int32_t x, std::int32_t y) override;
  HCursor LoadCursorFromFileA(std::string_view fileName) override;
  HCursor LoadCursorA(Handle instance, std::uint32_t id) override;
  HCursor SetCursor(HCursor cursor) override;
  HCursor GetCursor() override;

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

  // DeviceOps
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
  // ScreenOps: text through GDI (Win32Text.cpp)
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

  // FileOps, ClipboardOps (Win32Files.cpp)
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
  Hwnd GetClipboardOwner() override;
  Hwnd GetOpenClipboardWindow() override;

 private:
  bool EnsureClass(const std::string& className);

  std::set<std::string> classes_;    // window classes this instance has registered
  std::set<HGdiObj> systemObjects_;  // the system's fonts and brushes this instance made

  // The last message PeekMessageW returned, so that dispatching it hands the
  // system the time and cursor position it was queued with.
  Msg lastPeeked_;
  std::uint32_t lastPeekedTime_ = 0;
  Point lastPeekedPos_;
};

}  // namespace platform
