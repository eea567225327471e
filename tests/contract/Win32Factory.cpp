// The contract tests on the real system. The program's process is this test
// process. "Another process" is a real one: a copy of this executable started
// with kChildFlag, which creates mutexes on request and holds them until its
// parent lets it end, so a second creation sees a name held elsewhere and a
// name is free again only once its holders have really exited. Everything
// else a second process does is system-wide already (the registry, registered
// messages) and runs here.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <setupapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/Win32Platform.h"
#include "tests/contract/ContractPlatform.h"

namespace {

using namespace platform;

constexpr char kChildFlag[] = "--contract-process";
constexpr char kEndAtOnceFlag[] = "--contract-end-at-once";

// The child's side: one request per line on stdin, "mutex <owner 0|1> <name>",
// answered by one line "<last error> <handle>". End of input ends the process.
int RunChildProcess() {
  Win32Platform p;
  char line[1024];
  while (std::fgets(line, sizeof line, stdin)) {
    line[std::strcspn(line, "\r\n")] = '\0';
    int owner = 0;
    int nameAt = 0;
    unsigned modifiers = 0, vk = 0;
    int id = 0;
    // "hotkey <id> <modifiers> <vk>": a shortcut of this process's thread,
    // held until it ends; "unhotkey <id>" gives it back. Answered by
    // "<last error> <0|1>".
    if (std::sscanf(line, "hotkey %d %u %u", &id, &modifiers, &vk) == 3) {
      const bool ok = p.RegisterHotKey(0, id, modifiers, vk);
      std::printf("%ld %d\n", ok ? 0L : p.GetLastError(), ok ? 1 : 0);
    } else if (std::sscanf(line, "unhotkey %d", &id) == 1) {
      const bool ok = p.UnregisterHotKey(0, id);
      std::printf("%ld %d\n", ok ? 0L : p.GetLastError(), ok ? 1 : 0);
    } else if (std::sscanf(line, "mutex %d %n", &owner, &nameAt) != 1 || nameAt == 0) {
      std::printf("%ld 0\n", error::kInvalidParameter);
    } else {
      const Handle h = p.CreateMutexA(owner != 0, line + nameAt);
      const long err = p.GetLastError();
      std::printf("%ld %llu\n", err, static_cast<unsigned long long>(h));
    }
    std::fflush(stdout);
  }
  return 0;
}

class OtherProcess final : public Platform {
 public:
  OtherProcess() = default;
  OtherProcess(const OtherProcess&) = delete;
  OtherProcess& operator=(const OtherProcess&) = delete;

  ~OtherProcess() override {
    if (!process_) return;
    ::CloseHandle(toChild_);  // end of input: the child exits, closing its handles
    if (::WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) ::TerminateProcess(process_, 1);
    ::WaitForSingleObject(process_, 10000);
    ::CloseHandle(fromChild_);
    ::CloseHandle(process_);
  }

  Handle CreateMutexA(bool initialOwner, std::string_view name) override {
    long err = ERROR_BROKEN_PIPE;
    unsigned long long handle = 0;
    if (Start()) {
      const std::string request =
          "mutex " + std::to_string(initialOwner ? 1 : 0) + " " + std::string(name) + "\n";
      DWORD written = 0;
      std::string reply;
      const bool answered = ::WriteFile(toChild_, request.data(),
                                        static_cast<DWORD>(request.size()), &written, nullptr) &&
                            ReadLine(&reply) &&
                            std::sscanf(reply.c_str(), "%ld %llu", &err, &handle) == 2;
      if (!answered) {
        err = ERROR_BROKEN_PIPE;
        handle = 0;
      }
    }
    // The caller asks GetLastError next, as with the system's own call.
    ::SetLastError(static_cast<DWORD>(err));
    return static_cast<Handle>(handle);
  }
  // The shortcuts of the other process's thread (hwnd must be 0 there).
  bool RegisterHotKey(Hwnd hwnd, int id, std::uint32_t modifiers, std::uint32_t vk) override {
    if (hwnd) return local_.RegisterHotKey(hwnd, id, modifiers, vk);
    return Ask("hotkey " + std::to_string(id) + " " + std::to_string(modifiers) + " " +
               std::to_string(vk));
  }
  bool UnregisterHotKey(Hwnd hwnd, int id) override {
    if (hwnd) return local_.UnregisterHotKey(hwnd, id);
    return Ask("unhotkey " + std::to_string(id));
  }
  long GetLastError() override { return local_.GetLastError(); }
  bool GetVersionExA(OsVersionInfo* info) override { return local_.GetVersionExA(info); }
  std::uint32_t GetModuleFileNameA(char* buffer, std::uint32_t size) override {
    return local_.GetModuleFileNameA(buffer, size);
  }

  // The rest acts on system-wide state, so this process may do it itself.
  long RegOpenKeyExA(HKey root, std::string_view subKey, std::uint32_t options,
                     std::uint32_t samDesired, HKey* result) override {
    return local_.RegOpenKeyExA(root, subKey, options, samDesired, result);
  }
  long RegCreateKeyExA(HKey root, std::string_view subKey, std::uint32_t options,
                       std::uint32_t samDesired, HKey* result,
                       std::uint32_t* disposition) override {
    return local_.RegCreateKeyExA(root, subKey, options, samDesired, result, disposition);
  }
  long RegQueryValueExA(HKey key, std::string_view valueName, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* size) override {
    return local_.RegQueryValueExA(key, valueName, type, data, size);
  }
  long RegSetValueExA(HKey key, std::string_view valueName, std::uint32_t type,
                      const std::uint8_t* data, std::uint32_t size) override {
    return local_.RegSetValueExA(key, valueName, type, data, size);
  }
  long RegDeleteValueA(HKey key, std::string_view valueName) override {
    return local_.RegDeleteValueA(key, valueName);
  }
  long RegDeleteKeyA(HKey root, std::string_view subKey) override {
    return local_.RegDeleteKeyA(root, subKey);
  }
  long RegCloseKey(HKey key) override { return local_.RegCloseKey(key); }
  long RegEnumValueA(HKey key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override {
    return local_.RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
  }
  Hwnd CreateWindowExA(const WindowParams& popup, WndProc proc) override {
    return local_.CreateWindowExA(popup, std::move(proc));
  }
  bool DestroyWindow(Hwnd h) override { return local_.DestroyWindow(h); }
  LResult DefWindowProcA(Hwnd h, std::uint32_t m, WParam w, LParam l) override {
    return local_.DefWindowProcA(h, m, w, l);
  }
  bool ShowWindow(Hwnd h, int cmd) override { return local_.ShowWindow(h, cmd); }
  bool IsWindowVisible(Hwnd h) override { return local_.IsWindowVisible(h); }
  bool IsIconic(Hwnd h) override { return local_.IsIconic(h); }
  bool SetWindowPos(Hwnd h, Hwnd after, std::int32_t x, std::int32_t y, std::int32_t cx,
                    std::int32_t cy, std::uint32_t flags) override {
    return local_.SetWindowPos(h, after, x, y, cx, cy, flags);
  }
  bool SetWindowTextA(Hwnd h, std::string_view t) override { return local_.SetWindowTextA(h, t); }
  int GetWindowTextA(Hwnd h, char* b, int n) override { return local_.GetWindowTextA(h, b, n); }
  bool GetWindowRect(Hwnd h, Rect* r) override { return local_.GetWindowRect(h, r); }
  Hwnd WindowFromPoint(Point pt) override { return local_.WindowFromPoint(pt); }
  Hwnd GetParent(Hwnd h) override { return local_.GetParent(h); }
  Hwnd GetForegroundWindow() override { return local_.GetForegroundWindow(); }
  bool SetForegroundWindow(Hwnd h) override { return local_.SetForegroundWindow(h); }
  Hwnd GetDesktopWindow() override { return local_.GetDesktopWindow(); }
  bool IsWindow(Hwnd h) override { return local_.IsWindow(h); }
  bool PostMessageA(Hwnd h, std::uint32_t m, WParam w, LParam l) override {
    return local_.PostMessageA(h, m, w, l);
  }
  LResult SendMessageA(Hwnd h, std::uint32_t m, WParam w, LParam l) override {
    return local_.SendMessageA(h, m, w, l);
  }
  LResult SendMessageTimeoutA(Hwnd h, std::uint32_t m, WParam w, LParam l, std::uint32_t flags,
                              std::uint32_t timeoutMs, std::uintptr_t* result) override {
    return local_.SendMessageTimeoutA(h, m, w, l, flags, timeoutMs, result);
  }
  std::uint32_t RegisterWindowMessageA(std::string_view n) override {
    return local_.RegisterWindowMessageA(n);
  }
  bool InvalidateRect(Hwnd h) override { return local_.InvalidateRect(h); }
  bool EnableWindow(Hwnd h, bool e) override { return local_.EnableWindow(h, e); }
  bool IsWindowEnabled(Hwnd h) override { return local_.IsWindowEnabled(h); }
  Hwnd SetFocus(Hwnd h) override { return local_.SetFocus(h); }
  Hwnd GetFocus() override { return local_.GetFocus(); }
  bool IsDialogMessageW(Hwnd d, const Msg& m) override { return local_.IsDialogMessageW(d, m); }
  HGdiObj CreateFontA(std::int32_t h, std::int32_t w, std::string_view f) override {
    return local_.CreateFontA(h, w, f);
  }
  HGdiObj CreateSolidBrush(std::uint32_t c) override { return local_.CreateSolidBrush(c); }
  Hwnd SetCapture(Hwnd h) override { return local_.SetCapture(h); }
  bool ReleaseCapture() override { return local_.ReleaseCapture(); }
  Hwnd GetCapture() override { return local_.GetCapture(); }
  bool PeekMessageW(Msg* m, Hwnd h, std::uint32_t f) override {
    return local_.PeekMessageW(m, h, f);
  }
  LResult DispatchMessageW(const Msg& m) override { return local_.DispatchMessageW(m); }
  void PostQuitMessage(int code) override { local_.PostQuitMessage(code); }
  bool WaitMessage() override { return local_.WaitMessage(); }
  std::uint32_t MsgWaitForMultipleObjectsEx(std::uint32_t n, const Handle* h, std::uint32_t ms,
                                            std::uint32_t mask, std::uint32_t flags) override {
    return local_.MsgWaitForMultipleObjectsEx(n, h, ms, mask, flags);
  }
  Handle CreateEventA(bool manual, bool initial) override {
    return local_.CreateEventA(manual, initial);
  }
  bool SetEvent(Handle e) override { return local_.SetEvent(e); }
  bool ResetEvent(Handle e) override { return local_.ResetEvent(e); }
  DpiAwarenessContext SetThreadDpiAwarenessContext(DpiAwarenessContext c) override {
    return local_.SetThreadDpiAwarenessContext(c);
  }
  std::uint32_t GetDpiForWindow(Hwnd h) override { return local_.GetDpiForWindow(h); }
  Hwnd CreateWindowExW(const WindowParams& control) override {
    return local_.CreateWindowExW(control);
  }
  std::uintptr_t SetTimer(Hwnd h, std::uintptr_t id, std::uint32_t ms) override {
    return local_.SetTimer(h, id, ms);
  }
  bool KillTimer(Hwnd h, std::uintptr_t id) override { return local_.KillTimer(h, id); }
  void Sleep(std::uint32_t ms) override { local_.Sleep(ms); }
  std::uint32_t GetTickCount() override { return local_.GetTickCount(); }
  bool GetCursorPos(Point* pt) override { return local_.GetCursorPos(pt); }
  bool SetCursorPos(std::int32_t x, std::int32_t y) override { return local_.SetCursorPos(x, y); }
  HCursor LoadCursorFromFileA(std::string_view f) override { return local_.LoadCursorFromFileA(f); }
  HCursor LoadCursorA(Handle i, std::uint32_t id) override { return local_.LoadCursorA(i, id); }
  HCursor SetCursor(HCursor c) override { return local_.SetCursor(c); }
  HCursor GetCursor() override { return local_.GetCursor(); }
  void mouse_event(std::uint32_t f, std::int32_t dx, std::int32_t dy, std::uint32_t d) override {
    local_.mouse_event(f, dx, dy, d);
  }
  void keybd_event(std::uint8_t vk, std::uint8_t scan, std::uint32_t f) override {
    local_.keybd_event(vk, scan, f);
  }
  int GetSystemMetrics(int i) override { return local_.GetSystemMetrics(i); }
  std::uint32_t GetSysColor(int i) override { return local_.GetSysColor(i); }
  bool MeasureString(const TextFont& f, std::string_view t, TextExtent* e) override {
    return local_.MeasureString(f, t, e);
  }
  bool DrawString(gui::Bitmap& b, std::int32_t x, std::int32_t y, const TextFont& f,
                  std::string_view t, gui::Color c) override {
    return local_.DrawString(b, x, y, f, t, c);
  }
  Handle CreateFileA(std::string_view n, std::uint32_t a, std::uint32_t s, std::uint32_t c,
                     std::uint32_t attr) override {
    return local_.CreateFileA(n, a, s, c, attr);
  }
  bool OpenInBackground(Hwnd w, std::uint32_t m, LParam k, std::string_view n, std::uint32_t a,
                        std::uint32_t s, std::uint32_t c, std::uint32_t attr) override {
    return local_.OpenInBackground(w, m, k, n, a, s, c, attr);
  }
  bool SetupComm(Handle h, std::uint32_t in, std::uint32_t out) override {
    return local_.SetupComm(h, in, out);
  }
  bool SetCommState(Handle h, const Dcb& d) override { return local_.SetCommState(h, d); }
  bool GetCommState(Handle h, Dcb* d) override { return local_.GetCommState(h, d); }
  bool SetCommTimeouts(Handle h, const CommTimeouts& t) override {
    return local_.SetCommTimeouts(h, t);
  }
  bool PurgeComm(Handle h, std::uint32_t f) override { return local_.PurgeComm(h, f); }
  bool ClearCommError(Handle h, std::uint32_t* e, ComStat* s) override {
    return local_.ClearCommError(h, e, s);
  }
  bool ReadFile(Handle h, void* b, std::uint32_t n, std::uint32_t* r) override {
    return local_.ReadFile(h, b, n, r);
  }
  bool ReadFile(Handle h, void* b, std::uint32_t n, std::uint32_t* r, Overlapped* o) override {
    return local_.ReadFile(h, b, n, r, o);
  }
  bool SetCommMask(Handle h, std::uint32_t m) override { return local_.SetCommMask(h, m); }
  bool WaitCommEvent(Handle h, std::uint32_t* e, Overlapped* o) override {
    return local_.WaitCommEvent(h, e, o);
  }
  bool GetOverlappedResult(Handle h, Overlapped* o, std::uint32_t* n, bool wait) override {
    return local_.GetOverlappedResult(h, o, n, wait);
  }
  bool CancelIo(Handle h) override { return local_.CancelIo(h); }
  bool CloseHandle(Handle h) override { return local_.CloseHandle(h); }
  Handle SetupDiGetClassDevsA(const Guid& g, std::uint32_t flags) override {
    return local_.SetupDiGetClassDevsA(g, flags);
  }
  bool SetupDiEnumDeviceInfo(Handle set, std::uint32_t i, SpDevinfoData* d) override {
    return local_.SetupDiEnumDeviceInfo(set, i, d);
  }
  bool SetupDiGetDeviceRegistryPropertyA(Handle set, const SpDevinfoData& d, std::uint32_t prop,
                                         std::uint32_t* type, std::uint8_t* buffer,
                                         std::uint32_t size, std::uint32_t* required) override {
    return local_.SetupDiGetDeviceRegistryPropertyA(set, d, prop, type, buffer, size, required);
  }
  HKey SetupDiOpenDevRegKey(Handle set, const SpDevinfoData& d, std::uint32_t scope,
                            std::uint32_t profile, std::uint32_t keyType,
                            std::uint32_t sam) override {
    return local_.SetupDiOpenDevRegKey(set, d, scope, profile, keyType, sam);
  }
  bool SetupDiDestroyDeviceInfoList(Handle set) override {
    return local_.SetupDiDestroyDeviceInfoList(set);
  }
  bool Shell_NotifyIconA(std::uint32_t m, const NotifyIconData& d) override {
    return local_.Shell_NotifyIconA(m, d);
  }
  std::intptr_t ShellExecuteA(Hwnd o, std::string_view v, std::string_view f, std::string_view p,
                              std::string_view d, int s) override {
    return local_.ShellExecuteA(o, v, f, p, d, s);
  }
  std::uint32_t mciSendCommandA(std::uint32_t d, std::uint32_t m, std::uint32_t f,
                                MciOpenParms& p) override {
    return local_.mciSendCommandA(d, m, f, p);
  }
  std::uint32_t mciSendCommandA(std::uint32_t d, std::uint32_t m, std::uint32_t f,
                                MciPlayParms& p) override {
    return local_.mciSendCommandA(d, m, f, p);
  }
  std::uint32_t mciSendCommandA(std::uint32_t d, std::uint32_t m, std::uint32_t f,
                                MciGenericParms& p) override {
    return local_.mciSendCommandA(d, m, f, p);
  }
  std::uint32_t mciSendCommandA(std::uint32_t d, std::uint32_t m, std::uint32_t f,
                                MciStatusParms& p) override {
    return local_.mciSendCommandA(d, m, f, p);
  }
  bool CaptureWindowPixels(Hwnd h, gui::Bitmap& out) override {
    return local_.CaptureWindowPixels(h, out);
  }
  bool CaptureScreenPart(const Rect& part, gui::Bitmap& out) override {
    return local_.CaptureScreenPart(part, out);
  }
  void PresentWindowPixels(Hwnd h, const gui::Bitmap& pixels, const gui::IRect& area) override {
    local_.PresentWindowPixels(h, pixels, area);
  }
  bool WindowArea(Hwnd h, Rect* rect, bool* own) override {
    return local_.WindowArea(h, rect, own);
  }
  bool IsScreenWindow(Hwnd h) override { return local_.IsScreenWindow(h); }
  HMonitor MonitorFromPoint(Point pt, std::uint32_t flags) override {
    return local_.MonitorFromPoint(pt, flags);
  }
  bool GetMonitorInfoA(HMonitor m, MonitorInfo* info) override {
    return local_.GetMonitorInfoA(m, info);
  }
  std::vector<HMonitor> EnumDisplayMonitors() override { return local_.EnumDisplayMonitors(); }
  std::uint32_t GetDpiForMonitor(HMonitor m) override { return local_.GetDpiForMonitor(m); }
  int GetSystemMetricsForDpi(int i, std::uint32_t dpi) override {
    return local_.GetSystemMetricsForDpi(i, dpi);
  }
  bool mciGetErrorStringA(std::uint32_t e, char* b, std::uint32_t n) override {
    return local_.mciGetErrorStringA(e, b, n);
  }
  void GetLocalTime(SystemTime* t) override { local_.GetLocalTime(t); }
  HResult SHGetKnownFolderPath(const Guid& id, std::uint32_t flags, Handle token,
                               std::string* path) override {
    return local_.SHGetKnownFolderPath(id, flags, token, path);
  }
  bool CreateDirectoryW(std::string_view path) override { return local_.CreateDirectoryW(path); }
  HResult SavePngFile(std::string_view path, const gui::Bitmap& pixels) override {
    return local_.SavePngFile(path, pixels);
  }
  bool OpenClipboard(Hwnd owner) override { return local_.OpenClipboard(owner); }
  bool CloseClipboard() override { return local_.CloseClipboard(); }
  bool EmptyClipboard() override { return local_.EmptyClipboard(); }
  Handle SetClipboardData(std::uint32_t format, const std::vector<std::uint8_t>& data) override {
    return local_.SetClipboardData(format, data);
  }
  bool GetClipboardData(std::uint32_t format, std::vector<std::uint8_t>* data) override {
    return local_.GetClipboardData(format, data);
  }
  Hwnd GetClipboardOwner() override { return local_.GetClipboardOwner(); }
  Hwnd GetOpenClipboardWindow() override { return local_.GetOpenClipboardWindow(); }

 private:
  // One request to the child; its answer "<last error> <0|1>" becomes this
  // call's result and last error.
  bool Ask(const std::string& what) {
    long err = ERROR_BROKEN_PIPE;
    int ok = 0;
    if (Start()) {
      const std::string request = what + "\n";
      DWORD written = 0;
      std::string reply;
      if (!(::WriteFile(toChild_, request.data(), static_cast<DWORD>(request.size()), &written,
                        nullptr) &&
            ReadLine(&reply) && std::sscanf(reply.c_str(), "%ld %d", &err, &ok) == 2)) {
        err = ERROR_BROKEN_PIPE;
        ok = 0;
      }
    }
    ::SetLastError(static_cast<DWORD>(err));
    return ok != 0;
  }

  bool Start() {
    if (process_) return true;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE childIn = nullptr, childOut = nullptr;
    if (!::CreatePipe(&childIn, &toChild_, &inherit, 0)) return false;
    if (!::CreatePipe(&fromChild_, &childOut, &inherit, 0)) {
      ::CloseHandle(childIn);
      ::CloseHandle(toChild_);
      return false;
    }
    // Only the child's ends are inherited: a later child holding a copy of
    // this one's input would keep it from ever seeing end of input.
    ::SetHandleInformation(toChild_, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(fromChild_, HANDLE_FLAG_INHERIT, 0);

    char exe[MAX_PATH];
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string commandLine = std::string("\"") + exe + "\" " + kChildFlag;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = childIn;
    si.hStdOutput = childOut;
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    const BOOL started = ::CreateProcessA(exe, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                          nullptr, nullptr, &si, &pi);
    ::CloseHandle(childIn);
    ::CloseHandle(childOut);
    if (!started) {
      ::CloseHandle(toChild_);
      ::CloseHandle(fromChild_);
      return false;
    }
    ::CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    return true;
  }

  bool ReadLine(std::string* line) {
    char c;
    DWORD got = 0;
    while (::ReadFile(fromChild_, &c, 1, &got, nullptr) && got == 1) {
      if (c == '\n') return true;
      if (c != '\r') line->push_back(c);
    }
    return false;
  }

  Win32Platform local_;
  HANDLE process_ = nullptr;
  HANDLE toChild_ = nullptr;
  HANDLE fromChild_ = nullptr;
};

}  // namespace

std::unique_ptr<platform::Platform> MakeContractPlatform() {
  return std::make_unique<platform::Win32Platform>();
}

std::unique_ptr<platform::Platform> MakeSecondProcess() { return std::make_unique<OtherProcess>(); }

bool ChangeSystemColor(int index, std::uint32_t colour) {
  const INT element = index;
  const COLORREF value = colour;
  return ::SetSysColors(1, &element, &value) != FALSE;
}

bool TypeLetters(const std::string& text) {
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  std::vector<INPUT> in;
  for (const wchar_t unit : wide)
    for (const DWORD up : {DWORD{0}, DWORD{KEYEVENTF_KEYUP}}) {
      INPUT k{};
      k.type = INPUT_KEYBOARD;
      k.ki.wScan = unit;
      k.ki.dwFlags = KEYEVENTF_UNICODE | up;
      in.push_back(k);
    }
  return in.empty() ||
         ::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size();
}

bool RunningUnderWine() {
  return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

namespace {
// The window is made on a thread of its own, which then waits on an event
// and never asks for a message until the object goes.
class Win32HungWindow final : public ContractHungWindow {
 public:
  Win32HungWindow() {
    ready_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    release_ = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = ::CreateThread(nullptr, 0, &Run, this, 0, nullptr);
    if (thread_) ::WaitForSingleObject(ready_, 10000);
  }
  ~Win32HungWindow() override {
    ::SetEvent(release_);
    if (thread_) {
      ::WaitForSingleObject(thread_, 10000);
      ::CloseHandle(thread_);
    }
    ::CloseHandle(ready_);
    ::CloseHandle(release_);
  }
  platform::Hwnd Handle() const override { return reinterpret_cast<platform::Hwnd>(hwnd_); }

 private:
  static DWORD WINAPI Run(void* self) {
    auto* w = static_cast<Win32HungWindow*>(self);
    w->hwnd_ = ::CreateWindowExA(0, "STATIC", "Hung", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    ::SetEvent(w->ready_);
    ::WaitForSingleObject(w->release_, INFINITE);
    if (w->hwnd_) ::DestroyWindow(w->hwnd_);
    return 0;
  }
  HANDLE ready_ = nullptr;
  HANDLE release_ = nullptr;
  HANDLE thread_ = nullptr;
  HWND hwnd_ = nullptr;
};
}  // namespace

std::unique_ptr<ContractHungWindow> MakeHungWindow() { return std::make_unique<Win32HungWindow>(); }

namespace {
class SystemGdi final : public ContractGdi {
 public:
  std::uintptr_t CreateMemoryDc() override {
    return reinterpret_cast<std::uintptr_t>(::CreateCompatibleDC(nullptr));
  }
  bool DeleteDc(std::uintptr_t dc) override { return ::DeleteDC(reinterpret_cast<HDC>(dc)); }
  std::uintptr_t Create(Kind kind) override {
    HGDIOBJ made = nullptr;
    if (kind == Kind::Bitmap) {
      HDC screen = ::GetDC(nullptr);
      made = ::CreateCompatibleBitmap(screen, 8, 8);
      ::ReleaseDC(nullptr, screen);
    } else if (kind == Kind::Pen) {
      made = ::CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    } else {
      const WORD rows[8] = {0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0};
      HBITMAP pattern = ::CreateBitmap(8, 8, 1, 1, rows);
      made = ::CreatePatternBrush(pattern);
      ::DeleteObject(pattern);
    }
    return reinterpret_cast<std::uintptr_t>(made);
  }
  std::uintptr_t Select(std::uintptr_t dc, std::uintptr_t object) override {
    return reinterpret_cast<std::uintptr_t>(
        ::SelectObject(reinterpret_cast<HDC>(dc), reinterpret_cast<HGDIOBJ>(object)));
  }
  bool Delete(std::uintptr_t object) override {
    return ::DeleteObject(reinterpret_cast<HGDIOBJ>(object));
  }
};
}  // namespace

std::unique_ptr<ContractGdi> MakeSystemGdi() { return std::make_unique<SystemGdi>(); }

bool ChangeScreenSize(int width, int height) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  return ::ChangeDisplaySettingsExA(nullptr, &mode, nullptr, CDS_FULLSCREEN, nullptr) ==
         DISP_CHANGE_SUCCESSFUL;
}

bool ArrangeMonitors(const std::vector<platform::Rect>&, const std::vector<std::uint32_t>&) {
  return false;
}

std::string MakeContractFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  char temp[MAX_PATH];
  const DWORD n = ::GetTempPathA(MAX_PATH, temp);
  std::string folder = n > 0 && n < MAX_PATH ? std::string(temp, n) : std::string(".\\");
  folder += "tavrin-contract";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string path = folder + "\\" + name;
  HANDLE f = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(f);
  }
  return path;
}

bool WriteUtf16String(const std::string& keyPath, const std::string& name,
                      const std::u16string& text) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
    return false;
  const std::wstring wideName(name.begin(), name.end());  // names of ASCII letters
  const std::wstring data(text.begin(), text.end());
  const LONG rc = ::RegSetValueExW(key, wideName.c_str(), 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(data.c_str()),
                                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

ContractProgram ExistingProgram() {
  char exe[MAX_PATH];
  ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  return {exe, kEndAtOnceFlag};
}

namespace {

// The Unix path p as this system reaches it: through drive Z:, with the
// "\\?\" prefix so that a last component that looks like a device name
// ("com2.in") is not taken for that device.
std::string UnixPathForWindows(const std::string& p) {
  std::string s = "\\\\?\\Z:";
  for (char c : p) s += c == '/' ? '\\' : c;
  return s;
}

std::string Environment(const char* name) {
  char value[2048];
  const DWORD n = ::GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

bool WriteUnixFile(const std::string& unixPath, const std::vector<std::uint8_t>& bytes) {
  HANDLE f = ::CreateFileA(UnixPathForWindows(unixPath).c_str(), GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(f);
  return ok && written == bytes.size();
}

// A shell loop that waits up to three seconds for a test to hold; its status
// says whether it did.
std::string WaitOnHost(const std::string& test) {
  return "i=0; while ! [ " + test + " ] && [ $i -lt 300 ]; do sleep 0.01; i=$((i+1)); done; [ " +
         test + " ]";
}

bool UnixFileExists(const std::string& unixPath) {
  return ::GetFileAttributesA(UnixPathForWindows(unixPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs a shell script on the host (Wine starts Unix programs as they are)
// and waits for it by a marker file that it leaves when it succeeds, since a
// Unix process gives no handle to wait on. False if it failed or took more
// than five seconds.
bool RunOnHost(const std::string& folder, const std::string& script) {
  const std::string marker = folder + "/host-done";
  ::DeleteFileA(UnixPathForWindows(marker).c_str());
  // Wine splits the command line by Windows rules: one double-quoted
  // argument, its own quotes escaped.
  std::string command = "/bin/sh -c \"";
  for (char c : "(" + script + ") && echo > \"" + marker + "\"") {
    if (c == '"') command += '\\';
    command += c;
  }
  command += '"';
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA("Z:\\bin\\sh", command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &si, &pi))
    return false;
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  for (int i = 0; i < 500 && !UnixFileExists(marker); ++i) ::Sleep(10);
  return UnixFileExists(marker);
}

// A port of the fixture (COM1, COM2: its bytes go into the pty end the suite
// names), or one of the test's own: a pty pair started here, behind a port
// name of the prefix, that vanishes when its pair is ended.
class PtySerialDevice final : public ContractSerialDevice {
 public:
  PtySerialDevice(int number, std::string input, std::string folder)
      : number_(number), input_(std::move(input)), folder_(std::move(folder)) {}
  ~PtySerialDevice() override {
    if (folder_.empty()) return;
    Vanish();
    RunOnHost(folder_, "rm -f \"" + Link() + "\"");
  }
  std::string Path() const override { return "\\\\.\\COM" + std::to_string(number_); }
  bool Send(const std::vector<std::uint8_t>& bytes) override {
    return WriteUnixFile(input_, bytes);
  }
  // The pair's pty ends are no files this system can look at, so the host
  // waits for them to come and go.
  bool Vanish() override {
    if (folder_.empty()) return false;
    const std::string pidFile = "\"" + folder_ + "/pair.pid\"";
    return RunOnHost(folder_, "if [ -f " + pidFile + " ]; then kill $(cat " + pidFile +
                                  "); rm -f " + pidFile + "; fi; " +
                                  WaitOnHost("! -e \"" + input_ + "\""));
  }
  bool Return() override {
    if (folder_.empty()) return false;
    const std::string dev = folder_ + "/pair-dev";
    return RunOnHost(folder_, "socat pty,raw,echo=0,link=\"" + dev + "\" pty,raw,echo=0,link=\"" +
                                  input_ + "\" </dev/null >/dev/null 2>&1 & echo $! > \"" +
                                  folder_ + "/pair.pid\"; " + WaitOnHost("-e \"" + input_ + "\"") +
                                  " && ln -sfn \"" + dev + "\" \"" + Link() + "\"");
  }

 private:
  std::string Link() const {
    return Environment("WINEPREFIX") + "/dosdevices/com" + std::to_string(number_);
  }
  int number_;
  std::string input_;
  std::string folder_;  // empty for a port of the fixture
};

}  // namespace

std::unique_ptr<ContractSerialDevice> MakeSerialDevice(int number) {
  if (number == 1 || number == 2) {
    const std::string input = Environment(number == 1 ? "TAVRIN_COM1_IN" : "TAVRIN_COM2_IN");
    if (input.empty()) return nullptr;
    return std::make_unique<PtySerialDevice>(number, input, "");
  }
  const std::string suite = Environment("TAVRIN_WINE_SUITE");
  if (number < 3 || number > 9 || suite.empty() || Environment("WINEPREFIX").empty())
    return nullptr;
  const std::string folder = suite + "/contract-port" + std::to_string(number);
  if (!::CreateDirectoryA(UnixPathForWindows(folder).c_str(), nullptr) &&
      ::GetLastError() != ERROR_ALREADY_EXISTS)
    return nullptr;
  auto device = std::make_unique<PtySerialDevice>(number, folder + "/pair-in", folder);
  if (!device->Return()) return nullptr;
  return device;
}

namespace {
// A device record of the test's own in the system's set-up data, as a serial
// driver's installation makes one.
class SetupPortRecord final : public ContractPortRecord {
 public:
  ~SetupPortRecord() override {
    if (set_ == INVALID_HANDLE_VALUE) return;
    Remove();
    ::SetupDiDestroyDeviceInfoList(set_);
  }
  bool Make(int number, const std::string& friendlyName) {
    static const GUID kPorts = {
        0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
    set_ = ::SetupDiCreateDeviceInfoList(&kPorts, nullptr);
    if (set_ == INVALID_HANDLE_VALUE) return false;
    device_.cbSize = sizeof device_;
    if (!::SetupDiCreateDeviceInfoA(set_, "TAVRINCONTRACT", &kPorts, nullptr, nullptr,
                                    DICD_GENERATE_ID, &device_) ||
        !::SetupDiRegisterDeviceInfo(set_, &device_, 0, nullptr, nullptr, nullptr))
      return false;
    made_ = true;
    if (!::SetupDiSetDeviceRegistryPropertyA(set_, &device_, SPDRP_FRIENDLYNAME,
                                             reinterpret_cast<const BYTE*>(friendlyName.c_str()),
                                             static_cast<DWORD>(friendlyName.size() + 1)))
      return false;
    HKEY key =
        ::SetupDiCreateDevRegKeyA(set_, &device_, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
    if (key == INVALID_HANDLE_VALUE) return false;
    const std::string port = "COM" + std::to_string(number);
    const LONG rc =
        ::RegSetValueExA(key, "PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                         static_cast<DWORD>(port.size() + 1));
    ::RegCloseKey(key);
    return rc == ERROR_SUCCESS;
  }
  bool Remove() override {
    if (!made_) return true;
    made_ = false;
    return ::SetupDiRemoveDevice(set_, &device_) != FALSE;
  }

 private:
  HDEVINFO set_ = INVALID_HANDLE_VALUE;
  SP_DEVINFO_DATA device_{};
  bool made_ = false;
};
}  // namespace

std::unique_ptr<ContractPortRecord> MakePortRecord(int number, const std::string& friendlyName) {
  auto record = std::make_unique<SetupPortRecord>();
  if (!record->Make(number, friendlyName)) return nullptr;
  return record;
}

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], kChildFlag) == 0) return RunChildProcess();
  if (argc == 2 && std::strcmp(argv[1], kEndAtOnceFlag) == 0) return 0;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
