#include "platform/win32/Win32Platform.h"

#include <windows.h>

#include "platform/win32/Dib.h"
#include "platform/win32/WideText.h"
// <shellapi.h> needs the types of <windows.h> before it.
#include <commctrl.h>
#include <mmsystem.h>
#include <setupapi.h>
#include <shellapi.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

namespace platform {
namespace {

// ---- conversions -----------------------------------------------------------

HWND ToHwnd(Hwnd h) { return reinterpret_cast<HWND>(h); }
Hwnd FromHwnd(HWND h) { return reinterpret_cast<Hwnd>(h); }
HANDLE ToHandle(Handle h) { return reinterpret_cast<HANDLE>(h); }
Handle FromHandle(HANDLE h) { return reinterpret_cast<Handle>(h); }

// The boundary spells the predefined roots as their 32-bit values; the 64-bit
// headers define them as sign-extended pointers (HKEY_CURRENT_USER is
// 0xFFFFFFFF80000001 there), so a plain cast would name no key at all.
HKEY ToHkey(HKey k) {
  switch (k) {
    case 0x80000000u: return HKEY_CLASSES_ROOT;
    case kHkeyCurrentUser: return HKEY_CURRENT_USER;
    case 0x80000002u: return HKEY_LOCAL_MACHINE;
    case 0x80000003u: return HKEY_USERS;
    default: return reinterpret_cast<HKEY>(k);
  }
}
HKey FromHkey(HKEY k) { return reinterpret_cast<HKey>(k); }

// A Win32 call's error survives until the caller asks for it: the operation's
// own clean-up (freeing the NUL-terminated copy of a name) runs before this
// object puts the captured value back.
class KeepLastError {
 public:
  KeepLastError() = default;
  KeepLastError(const KeepLastError&) = delete;
  KeepLastError& operator=(const KeepLastError&) = delete;
  ~KeepLastError() { ::SetLastError(error_); }
  void Capture() { error_ = ::GetLastError(); }

 private:
  DWORD error_ = ::GetLastError();
};

// Empty means "not given": the system reads a null pointer as the default
// (verb, working folder) where an empty string would be a real, wrong value.
const char* OrNull(const std::string& s) { return s.empty() ? nullptr : s.c_str(); }

// ---- window procedures -----------------------------------------------------

struct WindowRecord {
  WndProc proc;
  int depth = 0;           // calls into proc in progress (a proc may destroy its own window)
  bool destroyed = false;  // WM_NCDESTROY has been delivered
};

// The record of the window being created on this thread. Some messages
// (WM_GETMINMAXINFO for sizeable styles) precede WM_NCCREATE and its
// lpCreateParams, so the first message to an unbound window of ours claims it.
thread_local WindowRecord* tCreating = nullptr;

[[noreturn]] void FatalInWindowProc(const char* what) {
  char text[512];
  std::snprintf(text, sizeof text, "Tavrin: unhandled exception in a window procedure: %s\n",
                what ? what : "(not a std::exception)");
  std::fputs(text, stderr);
  ::OutputDebugStringA(text);
  std::abort();
}

LRESULT CALLBACK RouteMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  auto* rec = reinterpret_cast<WindowRecord*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!rec && tCreating) {
    rec = tCreating;
    tCreating = nullptr;
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(rec));
  }
  if (!rec) return ::DefWindowProcA(hwnd, message, wParam, lParam);

  LRESULT result = 0;
  ++rec->depth;
  // A C++ exception must not unwind through the system's frames between the
  // message source and this procedure.
  try {
    result = rec->proc ? rec->proc(FromHwnd(hwnd), message, wParam, lParam)
                       : ::DefWindowProcA(hwnd, message, wParam, lParam);
  } catch (const std::exception& e) {
    FatalInWindowProc(e.what());
  } catch (...) {
    FatalInWindowProc(nullptr);
  }
  --rec->depth;

  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    rec->destroyed = true;
  }
  if (rec->destroyed && rec->depth == 0) delete rec;
  return result;
}

// ---- serial line settings ----------------------------------------------------

// platform::Dcb::flags is the DCB's bit-field word, bit for bit.
void ToWin(const Dcb& in, DCB* out) {
  *out = DCB{};
  out->DCBlength = sizeof(DCB);
  out->BaudRate = in.BaudRate;
  const std::uint32_t f = in.flags;
  out->fBinary = (f >> 0) & 1;
  out->fParity = (f >> 1) & 1;
  out->fOutxCtsFlow = (f >> 2) & 1;
  out->fOutxDsrFlow = (f >> 3) & 1;
  out->fDtrControl = (f >> 4) & 3;
  out->fDsrSensitivity = (f >> 6) & 1;
  out->fTXContinueOnXoff = (f >> 7) & 1;
  out->fOutX = (f >> 8) & 1;
  out->fInX = (f >> 9) & 1;
  out->fErrorChar = (f >> 10) & 1;
  out->fNull = (f >> 11) & 1;
  out->fRtsControl = (f >> 12) & 3;
  out->fAbortOnError = (f >> 14) & 1;
  out->XonLim = in.XonLim;
  out->XoffLim = in.XoffLim;
  out->ByteSize = in.ByteSize;
  out->Parity = in.Parity;
  out->StopBits = in.StopBits;
  out->XonChar = in.XonChar;
  out->XoffChar = in.XoffChar;
  out->ErrorChar = in.ErrorChar;
  out->EofChar = in.EofChar;
  out->EvtChar = in.EvtChar;
}

void FromWin(const DCB& in, Dcb* out) {
  out->BaudRate = in.BaudRate;
  out->flags = (std::uint32_t{in.fBinary} << 0) | (std::uint32_t{in.fParity} << 1) |
               (std::uint32_t{in.fOutxCtsFlow} << 2) | (std::uint32_t{in.fOutxDsrFlow} << 3) |
               (std::uint32_t{in.fDtrControl} << 4) | (std::uint32_t{in.fDsrSensitivity} << 6) |
               (std::uint32_t{in.fTXContinueOnXoff} << 7) | (std::uint32_t{in.fOutX} << 8) |
               (std::uint32_t{in.fInX} << 9) | (std::uint32_t{in.fErrorChar} << 10) |
               (std::uint32_t{in.fNull} << 11) | (std::uint32_t{in.fRtsControl} << 12) |
               (std::uint32_t{in.fAbortOnError} << 14);
  out->XonLim = in.XonLim;
  out->XoffLim = in.XoffLim;
  out->ByteSize = in.ByteSize;
  out->Parity = in.Parity;
  out->StopBits = in.StopBits;
  out->XonChar = in.XonChar;
  out->XoffChar = in.XoffChar;
  out->ErrorChar = in.ErrorChar;
  out->EofChar = in.EofChar;
  out->EvtChar = in.EvtChar;
}

// No pointers in the record: the same layout on both architectures.
static_assert(sizeof(DCB) == 28);

// The version-2 ANSI record ends where guidItem begins. Its size follows the
// architecture because the record holds a window and an icon handle: 488
// bytes on 32-bit, 504 on 64-bit (pointer alignment), which is what the 64-bit
// shell expects from a 64-bit caller.
#ifdef _WIN64
static_assert(NOTIFYICONDATAA_V2_SIZE == 504);
#else
static_assert(NOTIFYICONDATAA_V2_SIZE == 488);
#endif
static_assert(sizeof(NotifyIconData::szTip) == sizeof(NOTIFYICONDATAA::szTip));
static_assert(sizeof(NotifyIconData::szInfo) == sizeof(NOTIFYICONDATAA::szInfo));
static_assert(sizeof(NotifyIconData::szInfoTitle) == sizeof(NOTIFYICONDATAA::szInfoTitle));

template <std::size_t N>
void CopyTerminated(char (&dst)[N], const char (&src)[N]) {
  std::memcpy(dst, src, N);
  dst[N - 1] = '\0';
}

}  // namespace

Win32Platform::Win32Platform() {
  // The up-down, the tab row (with the tooltip) and the hot-key field are common controls:
  // their classes exist once registered.
  INITCOMMONCONTROLSEX icc{};
  icc.dwSize = sizeof icc;
  icc.dwICC = ICC_UPDOWN_CLASS | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES | ICC_HOTKEY_CLASS;
  ::InitCommonControlsEx(&icc);
}

// The records of WM_NOTIFY and TCM_INSERTITEMA pass through as they are.
static_assert(sizeof(NmHdr) == sizeof(NMHDR) && offsetof(NmHdr, code) == offsetof(NMHDR, code));
static_assert(sizeof(NmUpDown) == sizeof(NMUPDOWN) &&
              offsetof(NmUpDown, iDelta) == offsetof(NMUPDOWN, iDelta));
static_assert(sizeof(TcItemA) == sizeof(TCITEMA) &&
              offsetof(TcItemA, pszText) == offsetof(TCITEMA, pszText) &&
              offsetof(TcItemA, lParam) == offsetof(TCITEMA, lParam));
static_assert(sizeof(ToolInfoA) == sizeof(TTTOOLINFOA) &&
              offsetof(ToolInfoA, rect) == offsetof(TTTOOLINFOA, rect) &&
              offsetof(ToolInfoA, lpszText) == offsetof(TTTOOLINFOA, lpszText) &&
              kToolInfoASize ==
                  offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM));  // TTTOOLINFOA_V2_SIZE
static_assert(sizeof(RelayedMsg) == sizeof(MSG) &&
              offsetof(RelayedMsg, time) == offsetof(MSG, time) &&
              offsetof(RelayedMsg, pt) == offsetof(MSG, pt));
static_assert(TTM_ADDTOOLA == kTtmAddToolA && TTM_RELAYEVENT == kTtmRelayEvent &&
              TTM_UPDATETIPTEXTA == kTtmUpdateTipTextA && TTM_GETDELAYTIME == kTtmGetDelayTime &&
              TTM_POP == kTtmPop && TTM_NEWTOOLRECTA == kTtmNewToolRectA &&
              TTM_SETDELAYTIME == kTtmSetDelayTime && TTM_GETTOOLCOUNT == kTtmGetToolCount &&
              TTS_NOPREFIX == kTtsNoPrefix && TTDT_INITIAL == kTtdtInitial);
static_assert(static_cast<std::uint32_t>(UDN_DELTAPOS) == ctl::kUdnDeltaPos);
static_assert(static_cast<std::uint32_t>(TCN_SELCHANGE) == ctl::kTcnSelChange);
static_assert(TCM_INSERTITEMA == ctl::kTcmInsertItemA && UDM_SETPOS32 == ctl::kUdmSetPos32);
static_assert(HKM_SETHOTKEY == kHkmSetHotkey && HKM_GETHOTKEY == kHkmGetHotkey &&
              HOTKEYF_ALT == kHotkeyfAlt && MOD_ALT == kModAlt && MOD_SHIFT == kModShift &&
              WM_HOTKEY == kWmHotkey && ERROR_HOTKEY_ALREADY_REGISTERED == 1409);
Win32Platform::~Win32Platform() = default;

// ---- registry ----------------------------------------------------------------

long Win32Platform::RegOpenKeyExA(HKey root, std::string_view subKey, std::uint32_t options,
                                  std::uint32_t samDesired, HKey* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  const std::string path(subKey);
  HKEY key = nullptr;
  const LONG rc = ::RegOpenKeyExA(ToHkey(root), path.c_str(), options, samDesired, &key);
  *result = rc == ERROR_SUCCESS ? FromHkey(key) : 0;
  return rc;
}

long Win32Platform::RegCreateKeyExA(HKey root, std::string_view subKey, std::uint32_t options,
                                    std::uint32_t samDesired, HKey* result,
                                    std::uint32_t* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  const std::string path(subKey);
  HKEY key = nullptr;
  DWORD disp = 0;
  const LONG rc = ::RegCreateKeyExA(ToHkey(root), path.c_str(), 0, nullptr, options, samDesired,
                                    nullptr, &key, &disp);
  *result = rc == ERROR_SUCCESS ? FromHkey(key) : 0;
  if (disposition && rc == ERROR_SUCCESS) *disposition = disp;
  return rc;
}

long Win32Platform::RegQueryValueExA(HKey key, std::string_view valueName, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* size) {
  const std::string name(valueName);
  DWORD t = 0;
  DWORD s = size ? *size : 0;
  const LONG rc = ::RegQueryValueExA(ToHkey(key), name.c_str(), nullptr, type ? &t : nullptr, data,
                                     size ? &s : nullptr);
  if (type && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA)) *type = t;
  if (size && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA)) *size = s;
  return rc;
}

long Win32Platform::RegSetValueExA(HKey key, std::string_view valueName, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) {
  if (!data && size != 0) return ERROR_INVALID_PARAMETER;
  const std::string name(valueName);
  return ::RegSetValueExA(ToHkey(key), name.c_str(), 0, type, data, size);
}

long Win32Platform::RegDeleteValueA(HKey key, std::string_view valueName) {
  const std::string name(valueName);
  return ::RegDeleteValueA(ToHkey(key), name.c_str());
}

long Win32Platform::RegDeleteKeyA(HKey root, std::string_view subKey) {
  const std::string path(subKey);
  return ::RegDeleteKeyA(ToHkey(root), path.c_str());
}

long Win32Platform::RegCloseKey(HKey key) { return ::RegCloseKey(ToHkey(key)); }

long Win32Platform::RegEnumValueA(HKey key, std::uint32_t index, char* name,
                                  std::uint32_t* nameSize, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* dataSize) {
  if (!name || !nameSize) return ERROR_INVALID_PARAMETER;
  DWORD n = *nameSize;
  DWORD t = 0;
  DWORD s = dataSize ? *dataSize : 0;
  const LONG rc = ::RegEnumValueA(ToHkey(key), index, name, &n, nullptr, type ? &t : nullptr, data,
                                  dataSize ? &s : nullptr);
  if (rc == ERROR_SUCCESS) *nameSize = n;
  if (type && rc == ERROR_SUCCESS) *type = t;
  if (dataSize && (rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA)) *dataSize = s;
  return rc;
}

// ---- process -------------------------------------------------------------------

Handle Win32Platform::CreateEventA(bool manualReset, bool initialState) {
  return FromHandle(
      ::CreateEventA(nullptr, manualReset ? TRUE : FALSE, initialState ? TRUE : FALSE, nullptr));
}

bool Win32Platform::SetEvent(Handle event) { return ::SetEvent(ToHandle(event)) != FALSE; }

bool Win32Platform::ResetEvent(Handle event) { return ::ResetEvent(ToHandle(event)) != FALSE; }

Handle Win32Platform::CreateMutexA(bool initialOwner, std::string_view name) {
  KeepLastError keep;
  const std::string n(name);
  // An empty name is an unnamed mutex, as a null name would be.
  HANDLE h = ::CreateMutexA(nullptr, initialOwner ? TRUE : FALSE, OrNull(n));
  keep.Capture();
  return h ? FromHandle(h) : 0;
}

long Win32Platform::GetLastError() { return static_cast<long>(::GetLastError()); }

// Read in UTF-16 and handed on in UTF-8: whole on any system, also one
// that ignores the manifest's code page and would give "?" for a letter of
// the folder's name its own code page lacks.
std::uint32_t Win32Platform::GetModuleFileNameA(char* buffer, std::uint32_t size) {
  KeepLastError keep;
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = 0;
  // A path may be longer than MAX_PATH; the system says so by filling the
  // buffer to its end.
  while ((n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
             path.size() &&
         path.size() < 32768)
    path.resize(path.size() * 2);
  keep.Capture();
  if (n == 0 || !buffer || size == 0) return 0;
  path.resize(n);
  const std::string utf8 = Utf8Of(path);
  // As the system does with a short buffer: filled to its end with no
  // terminating zero, and its size given back.
  if (utf8.size() >= size) {
    std::memcpy(buffer, utf8.data(), size);
    ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    keep.Capture();
    return size;
  }
  std::memcpy(buffer, utf8.data(), utf8.size() + 1);
  return static_cast<std::uint32_t>(utf8.size());
}

bool Win32Platform::GetVersionExA(OsVersionInfo* info) {
  if (!info) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  static_assert(sizeof(OSVERSIONINFOEXA) == kOsVersionInfoExSize);
  static_assert(sizeof(OSVERSIONINFOA) == kOsVersionInfoSize);
  // The record is always big enough for the extended form; the size the
  // caller names is what the system sees, so a system that rejects the
  // extended form (or any other size) fails the call as it would.
  OSVERSIONINFOEXA ex{};
  ex.dwOSVersionInfoSize = info->dwOSVersionInfoSize;
  // Recent headers mark GetVersionExA deprecated; the program reports the
  // version the system chooses to tell it, which is exactly this call's job.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  const BOOL ok = ::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&ex));
#pragma GCC diagnostic pop
  if (!ok) return false;
  info->dwMajorVersion = ex.dwMajorVersion;
  info->dwMinorVersion = ex.dwMinorVersion;
  info->dwBuildNumber = ex.dwBuildNumber;
  info->dwPlatformId = ex.dwPlatformId;
  return true;
}

// ---- windows -------------------------------------------------------------------

bool Win32Platform::EnsureClass(const std::string& className) {
  if (classes_.count(className)) return true;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = 0;  // no CS_DBLCLKS: a second click arrives as a second button-down
  wc.lpfnWndProc = RouteMessage;
  wc.hInstance = ::GetModuleHandleA(nullptr);
  wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = nullptr;  // every window paints its whole surface itself
  wc.lpszClassName = className.c_str();
  // Another platform instance in this process may have registered the class
  // already; it routes through the same procedure.
  if (!::RegisterClassExA(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  classes_.insert(className);
  return true;
}

Hwnd Win32Platform::CreateWindowExA(const WindowParams& window, WndProc proc) {
  KeepLastError keep;
  if (window.parent && !proc) {
    // A control of the system's class, run by the system's procedure.
    const HWND control = ::CreateWindowExA(0, window.className.c_str(), window.caption.c_str(),
                                           WS_CHILD | window.style, window.left, window.top,
                                           window.width, window.height, ToHwnd(window.parent),
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(window.id)),
                                           ::GetModuleHandleA(nullptr), nullptr);
    keep.Capture();
    return FromHwnd(control);
  }
  if (!proc && window.className == kTooltipClass) {
    // The system's tooltip: a popup of its own class and procedure, owned
    // by the window whose tools it shows.
    const HWND tip = ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, window.caption.c_str(),
                                       WS_POPUP | window.style, CW_USEDEFAULT, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, ToHwnd(window.owner), nullptr,
                                       ::GetModuleHandleA(nullptr), nullptr);
    keep.Capture();
    return FromHwnd(tip);
  }
  if (!EnsureClass(window.className)) {
    keep.Capture();
    return 0;
  }
  auto rec = std::make_unique<WindowRecord>();
  rec->proc = std::move(proc);

  DWORD exStyle = 0;
  if (window.toolWindow) exStyle |= WS_EX_TOOLWINDOW;
  if (window.topmost) exStyle |= WS_EX_TOPMOST;
  // For a popup the "parent" argument is its owner. Its children are left
  // out of what it paints: they draw themselves.
  HWND parent = window.messageOnly ? HWND_MESSAGE : ToHwnd(window.owner);
  DWORD style = WS_POPUP | WS_CLIPCHILDREN;
  HMENU menu = nullptr;
  if (window.parent) {
    parent = ToHwnd(window.parent);
    style = WS_CHILD | WS_CLIPSIBLINGS | window.style;
    menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(window.id));
  }

  WindowRecord* const outer = tCreating;  // a procedure may create windows while being created
  tCreating = rec.get();
  const HWND hwnd = ::CreateWindowExA(exStyle, window.className.c_str(), window.caption.c_str(),
                                      style, window.left, window.top, window.width, window.height,
                                      parent, menu, ::GetModuleHandleA(nullptr), nullptr);
  keep.Capture();
  const bool claimed = tCreating != rec.get();
  tCreating = outer;
  // Once a window has claimed the record it is freed after WM_NCDESTROY, also
  // when creation fails after the first message.
  if (claimed) rec.release();
  return FromHwnd(hwnd);
}

Hwnd Win32Platform::CreateWindowExW(const WindowParams& control) {
  KeepLastError keep;
  HWND made = nullptr;
  if (!control.parent) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
  } else {
    made = ::CreateWindowExW(0, WideOf(control.className).c_str(), WideOf(control.caption).c_str(),
                             WS_CHILD | control.style, control.left, control.top, control.width,
                             control.height, ToHwnd(control.parent),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
                             ::GetModuleHandleW(nullptr), nullptr);
  }
  keep.Capture();
  return FromHwnd(made);
}

bool Win32Platform::DestroyWindow(Hwnd hwnd) { return ::DestroyWindow(ToHwnd(hwnd)) != FALSE; }

LResult Win32Platform::DefWindowProcA(Hwnd hwnd, std::uint32_t message, WParam wParam,
                                      LParam lParam) {
  return ::DefWindowProcA(ToHwnd(hwnd), message, wParam, lParam);
}

bool Win32Platform::ShowWindow(Hwnd hwnd, int cmdShow) {
  return ::ShowWindow(ToHwnd(hwnd), cmdShow) != FALSE;
}

bool Win32Platform::IsWindowVisible(Hwnd hwnd) { return ::IsWindowVisible(ToHwnd(hwnd)) != FALSE; }

bool Win32Platform::IsIconic(Hwnd hwnd) { return ::IsIconic(ToHwnd(hwnd)) != FALSE; }

bool Win32Platform::SetWindowPos(Hwnd hwnd, Hwnd insertAfter, std::int32_t x, std::int32_t y,
                                 std::int32_t cx, std::int32_t cy, std::uint32_t flags) {
  return ::SetWindowPos(ToHwnd(hwnd), ToHwnd(insertAfter), x, y, cx, cy, flags) != FALSE;
}

bool Win32Platform::SetWindowTextA(Hwnd hwnd, std::string_view text) {
  const std::string t(text);
  return ::SetWindowTextA(ToHwnd(hwnd), t.c_str()) != FALSE;
}

int Win32Platform::GetWindowTextA(Hwnd hwnd, char* buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  return ::GetWindowTextA(ToHwnd(hwnd), buffer, maxCount);
}

bool Win32Platform::GetWindowRect(Hwnd hwnd, Rect* rect) {
  RECT r;
  if (!rect || !::GetWindowRect(ToHwnd(hwnd), &r)) return false;
  *rect = {r.left, r.top, r.right, r.bottom};
  return true;
}

Hwnd Win32Platform::WindowFromPoint(Point p) {
  return FromHwnd(::WindowFromPoint(POINT{p.x, p.y}));
}

Hwnd Win32Platform::GetParent(Hwnd hwnd) { return FromHwnd(::GetParent(ToHwnd(hwnd))); }

Hwnd Win32Platform::GetForegroundWindow() { return FromHwnd(::GetForegroundWindow()); }

bool Win32Platform::SetForegroundWindow(Hwnd hwnd) {
  return ::SetForegroundWindow(ToHwnd(hwnd)) != FALSE;
}

Hwnd Win32Platform::GetDesktopWindow() { return FromHwnd(::GetDesktopWindow()); }

bool Win32Platform::IsWindow(Hwnd hwnd) { return ::IsWindow(ToHwnd(hwnd)) != FALSE; }

bool Win32Platform::PostMessageA(Hwnd hwnd, std::uint32_t message, WParam wParam, LParam lParam) {
  return ::PostMessageA(ToHwnd(hwnd), message, wParam, lParam) != FALSE;
}

LResult Win32Platform::SendMessageA(Hwnd hwnd, std::uint32_t message, WParam wParam,
                                    LParam lParam) {
  return ::SendMessageA(ToHwnd(hwnd), message, wParam, lParam);
}

LResult Win32Platform::SendMessageTimeoutA(Hwnd hwnd, std::uint32_t message, WParam wParam,
                                           LParam lParam, std::uint32_t flags,
                                           std::uint32_t timeoutMs, std::uintptr_t* result) {
  DWORD_PTR answer = 0;
  const LRESULT sent =
      ::SendMessageTimeoutA(ToHwnd(hwnd), message, wParam, lParam, flags, timeoutMs, &answer);
  if (result) *result = answer;
  return sent;
}

std::uint32_t Win32Platform::RegisterWindowMessageA(std::string_view name) {
  KeepLastError keep;
  const std::string n(name);
  const UINT id = ::RegisterWindowMessageA(n.c_str());
  keep.Capture();
  return id;
}

bool Win32Platform::InvalidateRect(Hwnd hwnd) {
  // No background brush, so there is nothing to erase.
  return ::InvalidateRect(ToHwnd(hwnd), nullptr, FALSE) != FALSE;
}

bool Win32Platform::EnableWindow(Hwnd hwnd, bool enable) {
  return ::EnableWindow(ToHwnd(hwnd), enable ? TRUE : FALSE) != FALSE;
}

bool Win32Platform::IsWindowEnabled(Hwnd hwnd) { return ::IsWindowEnabled(ToHwnd(hwnd)) != FALSE; }

Hwnd Win32Platform::SetFocus(Hwnd hwnd) { return FromHwnd(::SetFocus(ToHwnd(hwnd))); }

Hwnd Win32Platform::GetFocus() { return FromHwnd(::GetFocus()); }

bool Win32Platform::IsDialogMessageW(Hwnd dialog, const Msg& msg) {
  MSG m{};
  m.hwnd = ToHwnd(msg.hwnd);
  m.message = msg.message;
  m.wParam = msg.wParam;
  m.lParam = msg.lParam;
  m.time = static_cast<DWORD>(::GetMessageTime());
  const DWORD pos = ::GetMessagePos();
  m.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
  return ::IsDialogMessageW(ToHwnd(dialog), &m) != FALSE;
}

Hwnd Win32Platform::SetCapture(Hwnd hwnd) { return FromHwnd(::SetCapture(ToHwnd(hwnd))); }

bool Win32Platform::ReleaseCapture() { return ::ReleaseCapture() != FALSE; }

Hwnd Win32Platform::GetCapture() { return FromHwnd(::GetCapture()); }

bool Win32Platform::PeekMessageW(Msg* msg, Hwnd hwnd, std::uint32_t removeFlags) {
  MSG m;
  if (!::PeekMessageW(&m, ToHwnd(hwnd), 0, 0, removeFlags)) return false;
  lastPeeked_ = {FromHwnd(m.hwnd), m.message, m.wParam, m.lParam};
  lastPeekedTime_ = m.time;
  lastPeekedPos_ = {m.pt.x, m.pt.y};
  if (msg) *msg = lastPeeked_;
  return true;
}

LResult Win32Platform::DispatchMessageW(const Msg& msg) {
  MSG m{};
  m.hwnd = ToHwnd(msg.hwnd);
  m.message = msg.message;
  m.wParam = msg.wParam;
  m.lParam = msg.lParam;
  const bool peeked = msg.hwnd == lastPeeked_.hwnd && msg.message == lastPeeked_.message &&
                      msg.wParam == lastPeeked_.wParam && msg.lParam == lastPeeked_.lParam;
  if (peeked) {
    m.time = lastPeekedTime_;
    m.pt = {lastPeekedPos_.x, lastPeekedPos_.y};
  } else {
    m.time = static_cast<DWORD>(::GetMessageTime());
    const DWORD pos = ::GetMessagePos();
    m.pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
  }
  // Turns key-downs into WM_CHAR for the procedures that read characters.
  ::TranslateMessage(&m);
  return ::DispatchMessageW(&m);
}

void Win32Platform::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

bool Win32Platform::WaitMessage() { return ::WaitMessage() != FALSE; }

std::uint32_t Win32Platform::MsgWaitForMultipleObjectsEx(std::uint32_t count, const Handle* handles,
                                                         std::uint32_t timeoutMs,
                                                         std::uint32_t wakeMask,
                                                         std::uint32_t flags) {
  HANDLE list[MAXIMUM_WAIT_OBJECTS - 1];
  if (count > std::size(list)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  for (std::uint32_t i = 0; i < count; ++i) list[i] = ToHandle(handles[i]);
  return ::MsgWaitForMultipleObjectsEx(count, list, timeoutMs, wakeMask, flags);
}

// ---- DPI ---------------------------------------------------------------------------

namespace {

// Per-window DPI came with Windows 10 (1607): looked up at run time, so the
// program still starts where user32 has neither call.
template <class Fn>
Fn User32Function(const char* name) {
  const HMODULE user32 = ::GetModuleHandleA("user32.dll");
  return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)))
                : nullptr;
}

}  // namespace

DpiAwarenessContext Win32Platform::SetThreadDpiAwarenessContext(DpiAwarenessContext context) {
  using Fn = HANDLE(WINAPI*)(HANDLE);
  static const Fn set = User32Function<Fn>("SetThreadDpiAwarenessContext");
  if (!set) return 0;
  return reinterpret_cast<DpiAwarenessContext>(set(reinterpret_cast<HANDLE>(context)));
}

namespace {

// One DPI for the whole system: the screen's.
std::uint32_t SystemDpi() {
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<std::uint32_t>(dpi) : kDefaultDpi;
}

}  // namespace

std::uint32_t Win32Platform::GetDpiForWindow(Hwnd hwnd) {
  using Fn = UINT(WINAPI*)(HWND);
  static const Fn get = User32Function<Fn>("GetDpiForWindow");
  if (get) return get(ToHwnd(hwnd));
  if (!::IsWindow(ToHwnd(hwnd))) return 0;
  return SystemDpi();
}

bool Win32Platform::RegisterHotKey(Hwnd hwnd, int id, std::uint32_t modifiers, std::uint32_t vk) {
  return ::RegisterHotKey(ToHwnd(hwnd), id, modifiers, vk) != FALSE;
}

bool Win32Platform::UnregisterHotKey(Hwnd hwnd, int id) {
  return ::UnregisterHotKey(ToHwnd(hwnd), id) != FALSE;
}

std::uint32_t Win32Platform::GetDpiForMonitor(HMonitor monitor) {
  // Each monitor's own DPI came with Windows 8.1, in shcore, which older
  // systems lack: loaded at run time, and kept for the process's life.
  using Fn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const Fn get = [] {
    const HMODULE shcore = ::LoadLibraryA("shcore.dll");
    return shcore ? reinterpret_cast<Fn>(
                        reinterpret_cast<void (*)()>(::GetProcAddress(shcore, "GetDpiForMonitor")))
                  : nullptr;
  }();
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!::GetMonitorInfoA(reinterpret_cast<HMONITOR>(monitor), &mi)) return 0;
  constexpr int kMdtEffectiveDpi = 0;
  UINT x = 0, y = 0;
  if (get && SUCCEEDED(get(reinterpret_cast<HMONITOR>(monitor), kMdtEffectiveDpi, &x, &y)) && x)
    return x;
  return SystemDpi();
}

int Win32Platform::GetSystemMetricsForDpi(int index, std::uint32_t dpi) {
  using Fn = int(WINAPI*)(int, UINT);
  static const Fn get = User32Function<Fn>("GetSystemMetricsForDpi");
  if (get) return get(index, dpi);
  return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

// ---- timers ----------------------------------------------------------------------

std::uintptr_t Win32Platform::SetTimer(Hwnd hwnd, std::uintptr_t id, std::uint32_t elapseMs) {
  // No callback: expiries arrive as WM_TIMER through the window's queue.
  return ::SetTimer(ToHwnd(hwnd), id, elapseMs, nullptr);
}

bool Win32Platform::KillTimer(Hwnd hwnd, std::uintptr_t id) {
  return ::KillTimer(ToHwnd(hwnd), id) != FALSE;
}

void Win32Platform::Sleep(std::uint32_t ms) { ::Sleep(ms); }

std::uint32_t Win32Platform::GetTickCount() { return ::GetTickCount(); }

// ---- pointer and input -------------------------------------------------------------

bool Win32Platform::GetCursorPos(Point* p) {
  POINT pt;
  if (!p || !::GetCursorPos(&pt)) return false;
  *p = {pt.x, pt.y};
  return true;
}

bool Win32Platform::SetCursorPos(std::int32_t x, std::int32_t y) {
  return ::SetCursorPos(x, y) != FALSE;
}

HCursor Win32Platform::LoadCursorFromFileA(std::string_view fileName) {
  KeepLastError keep;
  const std::wstring f = WideOf(fileName);
  HCURSOR c = ::LoadCursorFromFileW(f.c_str());
  keep.Capture();
  return reinterpret_cast<HCursor>(c);
}

HCursor Win32Platform::LoadCursorA(Handle instance, std::uint32_t id) {
  KeepLastError keep;
  HCURSOR c = ::LoadCursorA(reinterpret_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(id));
  keep.Capture();
  return reinterpret_cast<HCursor>(c);
}

HCursor Win32Platform::SetCursor(HCursor cursor) {
  return reinterpret_cast<HCursor>(::SetCursor(reinterpret_cast<HCURSOR>(cursor)));
}

HCursor Win32Platform::GetCursor() { return reinterpret_cast<HCursor>(::GetCursor()); }

void Win32Platform::mouse_event(std::uint32_t flags, std::int32_t dx, std::int32_t dy,
                                std::uint32_t data) {
  // Relative motion is a signed value carried in the unsigned parameters.
  ::mouse_event(flags, static_cast<DWORD>(dx), static_cast<DWORD>(dy), data, 0);
}

void Win32Platform::keybd_event(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
  ::keybd_event(vk, scan, flags, 0);
}

int Win32Platform::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

HMonitor Win32Platform::MonitorFromPoint(Point p, std::uint32_t flags) {
  return reinterpret_cast<HMonitor>(::MonitorFromPoint(POINT{p.x, p.y}, flags));
}

bool Win32Platform::GetMonitorInfoA(HMonitor monitor, MonitorInfo* info) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!info || !::GetMonitorInfoA(reinterpret_cast<HMONITOR>(monitor), &mi)) return false;
  const auto rect = [](const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; };
  *info = {rect(mi.rcMonitor), rect(mi.rcWork), mi.dwFlags};
  return true;
}

namespace {

// The system's calling convention, which a lambda does not have on 32-bit x86.
BOOL CALLBACK AddMonitor(HMONITOR m, HDC, LPRECT, LPARAM list) {
  reinterpret_cast<std::vector<HMonitor>*>(list)->push_back(reinterpret_cast<HMonitor>(m));
  return TRUE;
}

}  // namespace

std::vector<HMonitor> Win32Platform::EnumDisplayMonitors() {
  std::vector<HMonitor> monitors;
  ::EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

std::uint32_t Win32Platform::GetSysColor(int index) { return ::GetSysColor(index) & 0x00FFFFFF; }

HGdiObj Win32Platform::CreateFontA(std::int32_t height, std::int32_t weight,
                                   std::string_view face) {
  const std::string f(face);
  HFONT font =
      ::CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, f.c_str());
  if (!font) return 0;
  const auto h = reinterpret_cast<HGdiObj>(font);
  systemObjects_.insert(h);
  return h;
}

HGdiObj Win32Platform::CreateSolidBrush(std::uint32_t color) {
  HBRUSH brush = ::CreateSolidBrush(color);
  if (!brush) return 0;
  const auto h = reinterpret_cast<HGdiObj>(brush);
  systemObjects_.insert(h);
  return h;
}

bool Win32Platform::DeleteObject(HGdiObj object) {
  // The fonts and brushes for controls are the system's; every other object
  // is the raster's.
  if (systemObjects_.erase(object))
    return ::DeleteObject(reinterpret_cast<HGDIOBJ>(object)) != FALSE;
  return ScreenOps::DeleteObject(object);
}

// ---- serial port ---------------------------------------------------------------------

Handle Win32Platform::CreateFileA(std::string_view fileName, std::uint32_t access,
                                  std::uint32_t shareMode, std::uint32_t creation,
                                  std::uint32_t attributes) {
  KeepLastError keep;
  const std::string f(fileName);
  HANDLE h = ::CreateFileA(f.c_str(), access, shareMode, nullptr, creation, attributes, nullptr);
  keep.Capture();
  return FromHandle(h);  // INVALID_HANDLE_VALUE is kInvalidHandleValue
}

namespace {
struct BackgroundOpen {
  HWND hwnd;
  UINT message;
  LPARAM cookie;
  std::string name;
  DWORD access, shareMode, creation, attributes;
};

// The worker does nothing but the open and the post: every other part of
// the port's life stays on the window's thread.
DWORD WINAPI OpenThread(LPVOID parameter) {
  const std::unique_ptr<BackgroundOpen> open(static_cast<BackgroundOpen*>(parameter));
  HANDLE h = ::CreateFileA(open->name.c_str(), open->access, open->shareMode, nullptr,
                           open->creation, open->attributes, nullptr);
  if (!::PostMessageA(open->hwnd, open->message, reinterpret_cast<WPARAM>(h), open->cookie) &&
      h != INVALID_HANDLE_VALUE)
    ::CloseHandle(h);
  return 0;
}
}  // namespace

bool Win32Platform::OpenInBackground(Hwnd hwnd, std::uint32_t message, LParam cookie,
                                     std::string_view fileName, std::uint32_t access,
                                     std::uint32_t shareMode, std::uint32_t creation,
                                     std::uint32_t attributes) {
  auto* open = new BackgroundOpen{ToHwnd(hwnd), message,   cookie,   std::string(fileName),
                                  access,       shareMode, creation, attributes};
  HANDLE thread = ::CreateThread(nullptr, 0, OpenThread, open, 0, nullptr);
  if (!thread) {
    delete open;
    return false;
  }
  ::CloseHandle(thread);
  return true;
}

bool Win32Platform::SetupComm(Handle h, std::uint32_t inQueue, std::uint32_t outQueue) {
  return ::SetupComm(ToHandle(h), inQueue, outQueue) != FALSE;
}

bool Win32Platform::SetCommState(Handle h, const Dcb& dcb) {
  DCB d;
  ToWin(dcb, &d);
  return ::SetCommState(ToHandle(h), &d) != FALSE;
}

bool Win32Platform::GetCommState(Handle h, Dcb* dcb) {
  DCB d{};
  d.DCBlength = sizeof d;
  if (!dcb || !::GetCommState(ToHandle(h), &d)) return false;
  FromWin(d, dcb);
  return true;
}

bool Win32Platform::SetCommTimeouts(Handle h, const CommTimeouts& timeouts) {
  COMMTIMEOUTS t{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                 timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                 timeouts.WriteTotalTimeoutConstant};
  return ::SetCommTimeouts(ToHandle(h), &t) != FALSE;
}

bool Win32Platform::PurgeComm(Handle h, std::uint32_t flags) {
  return ::PurgeComm(ToHandle(h), flags) != FALSE;
}

bool Win32Platform::ClearCommError(Handle h, std::uint32_t* errors, ComStat* stat) {
  DWORD e = 0;
  COMSTAT s{};
  if (!::ClearCommError(ToHandle(h), &e, &s)) return false;
  if (errors) *errors = e;
  if (stat) *stat = {s.cbInQue, s.cbOutQue};
  return true;
}

bool Win32Platform::ReadFile(Handle h, void* buffer, std::uint32_t toRead, std::uint32_t* read) {
  DWORD got = 0;
  const BOOL ok = ::ReadFile(ToHandle(h), buffer, toRead, &got, nullptr);
  if (read) *read = got;
  return ok != FALSE;
}

namespace {
static_assert(sizeof(Overlapped) == sizeof(OVERLAPPED));
static_assert(offsetof(Overlapped, Internal) == offsetof(OVERLAPPED, Internal));
static_assert(offsetof(Overlapped, Offset) == offsetof(OVERLAPPED, Offset));
static_assert(offsetof(Overlapped, hEvent) == offsetof(OVERLAPPED, hEvent));
// The record the system fills in while the operation runs: it is the
// caller's own, not a copy.
OVERLAPPED* ToWin(Overlapped* o) { return reinterpret_cast<OVERLAPPED*>(o); }
}  // namespace

bool Win32Platform::ReadFile(Handle h, void* buffer, std::uint32_t toRead, std::uint32_t* read,
                             Overlapped* overlapped) {
  DWORD got = 0;
  const BOOL ok = ::ReadFile(ToHandle(h), buffer, toRead, &got, ToWin(overlapped));
  if (read) *read = ok ? got : 0;
  return ok != FALSE;
}

bool Win32Platform::SetCommMask(Handle h, std::uint32_t mask) {
  return ::SetCommMask(ToHandle(h), mask) != FALSE;
}

bool Win32Platform::WaitCommEvent(Handle h, std::uint32_t* events, Overlapped* overlapped) {
  static_assert(sizeof(DWORD) == sizeof(std::uint32_t));
  return ::WaitCommEvent(ToHandle(h), reinterpret_cast<DWORD*>(events), ToWin(overlapped)) != FALSE;
}

bool Win32Platform::GetOverlappedResult(Handle h, Overlapped* overlapped,
                                        std::uint32_t* transferred, bool wait) {
  DWORD n = 0;
  const BOOL ok = ::GetOverlappedResult(ToHandle(h), ToWin(overlapped), &n, wait ? TRUE : FALSE);
  if (transferred) *transferred = n;
  return ok != FALSE;
}

bool Win32Platform::CancelIo(Handle h) { return ::CancelIo(ToHandle(h)) != FALSE; }

bool Win32Platform::CloseHandle(Handle h) { return ::CloseHandle(ToHandle(h)) != FALSE; }

// ---- device set-up data --------------------------------------------------------------------

namespace {
GUID ToGuid(const Guid& g) {
  GUID out;
  out.Data1 = g.Data1;
  out.Data2 = g.Data2;
  out.Data3 = g.Data3;
  std::memcpy(out.Data4, g.Data4, sizeof out.Data4);
  return out;
}
Guid FromGuid(const GUID& g) {
  Guid out;
  out.Data1 = g.Data1;
  out.Data2 = g.Data2;
  out.Data3 = g.Data3;
  std::memcpy(out.Data4, g.Data4, sizeof out.Data4);
  return out;
}
// The system keeps its own reference in Reserved: it goes back as it came.
SP_DEVINFO_DATA ToDevinfo(const SpDevinfoData& d) {
  SP_DEVINFO_DATA out{};
  out.cbSize = sizeof out;
  out.ClassGuid = ToGuid(d.ClassGuid);
  out.DevInst = d.DevInst;
  out.Reserved = d.Reserved;
  return out;
}
}  // namespace

Handle Win32Platform::SetupDiGetClassDevsA(const Guid& classGuid, std::uint32_t flags) {
  const GUID guid = ToGuid(classGuid);
  return FromHandle(::SetupDiGetClassDevsA(&guid, nullptr, nullptr, flags));
}

bool Win32Platform::SetupDiEnumDeviceInfo(Handle set, std::uint32_t index, SpDevinfoData* device) {
  if (!device) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  SP_DEVINFO_DATA d{};
  d.cbSize = sizeof d;
  if (!::SetupDiEnumDeviceInfo(ToHandle(set), index, &d)) return false;
  device->ClassGuid = FromGuid(d.ClassGuid);
  device->DevInst = d.DevInst;
  device->Reserved = d.Reserved;
  return true;
}

bool Win32Platform::SetupDiGetDeviceRegistryPropertyA(Handle set, const SpDevinfoData& device,
                                                      std::uint32_t property, std::uint32_t* type,
                                                      std::uint8_t* buffer, std::uint32_t size,
                                                      std::uint32_t* required) {
  SP_DEVINFO_DATA d = ToDevinfo(device);
  DWORD t = 0;
  DWORD needed = 0;
  const BOOL ok =
      ::SetupDiGetDeviceRegistryPropertyA(ToHandle(set), &d, property, &t, buffer, size, &needed);
  if (type) *type = t;
  if (required) *required = needed;
  return ok != FALSE;
}

HKey Win32Platform::SetupDiOpenDevRegKey(Handle set, const SpDevinfoData& device,
                                         std::uint32_t scope, std::uint32_t profile,
                                         std::uint32_t keyType, std::uint32_t samDesired) {
  SP_DEVINFO_DATA d = ToDevinfo(device);
  const HKEY key = ::SetupDiOpenDevRegKey(ToHandle(set), &d, scope, profile, keyType, samDesired);
  return key == INVALID_HANDLE_VALUE ? kInvalidHandleValue : FromHkey(key);
}

bool Win32Platform::SetupDiDestroyDeviceInfoList(Handle set) {
  return ::SetupDiDestroyDeviceInfoList(ToHandle(set)) != FALSE;
}

// ---- shell -------------------------------------------------------------------------------

bool Win32Platform::Shell_NotifyIconA(std::uint32_t message, const NotifyIconData& data) {
  NOTIFYICONDATAA nid{};
  // The size names the record's version: the shell reads the version-2
  // fields and nothing past them.
  nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
  nid.hWnd = ToHwnd(data.hWnd);
  nid.uID = data.uID;
  nid.uFlags = data.uFlags;
  nid.uCallbackMessage = data.uCallbackMessage;
  nid.hIcon = reinterpret_cast<HICON>(data.hIcon);
  CopyTerminated(nid.szTip, data.szTip);
  nid.dwState = data.dwState;
  nid.dwStateMask = data.dwStateMask;
  CopyTerminated(nid.szInfo, data.szInfo);
  nid.uTimeout = data.uTimeoutOrVersion;
  CopyTerminated(nid.szInfoTitle, data.szInfoTitle);
  nid.dwInfoFlags = data.dwInfoFlags;
  return ::Shell_NotifyIconA(message, &nid) != FALSE;
}

std::intptr_t Win32Platform::ShellExecuteA(Hwnd owner, std::string_view verb, std::string_view file,
                                           std::string_view parameters, std::string_view directory,
                                           int showCmd) {
  KeepLastError keep;
  const std::string v(verb), f(file), p(parameters), d(directory);
  HINSTANCE r = ::ShellExecuteA(ToHwnd(owner), OrNull(v), f.c_str(), OrNull(p), OrNull(d), showCmd);
  keep.Capture();
  // Values above 32 mean success; the rest are the old error numbers.
  return reinterpret_cast<std::intptr_t>(r);
}

// ---- screen --------------------------------------------------------------------

namespace {

// The desktop window's own rectangle is the primary monitor's; the screen
// its context reads is every monitor's.
RECT VirtualScreen() {
  const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN), y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {x, y, x + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
          y + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool AreaOf(HWND window, RECT* r) {
  if (window == ::GetDesktopWindow()) {
    *r = VirtualScreen();
    return true;
  }
  return ::GetWindowRect(window, r) != FALSE;
}

}  // namespace

bool Win32Platform::IsScreenWindow(Hwnd hwnd) { return ToHwnd(hwnd) == ::GetDesktopWindow(); }

bool Win32Platform::WindowArea(Hwnd hwnd, Rect* rect, bool* own) {
  HWND window = ToHwnd(hwnd);
  RECT r;
  if (!rect || !own || !AreaOf(window, &r)) return false;
  *rect = {r.left, r.top, r.right, r.bottom};
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  *own = window != ::GetDesktopWindow() && pid == ::GetCurrentProcessId();
  return true;
}

namespace {

// The pixels of a device context's rectangle at x,y of w by h, written over
// out when it has that size; out stays as it was when the read fails.
bool ReadPixels(HDC source, int x, int y, int w, int h, gui::Bitmap& out) {
  if (w <= 0 || h <= 0) {
    out = gui::Bitmap(0, 0);
    return true;
  }
  HDC memory = ::CreateCompatibleDC(source);
  BITMAPINFO bi = TopDown32(w, h);
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(source, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = dib && bits;
  if (ok) {
    HGDIOBJ old = ::SelectObject(memory, dib);
    ok = ::BitBlt(memory, 0, 0, w, h, source, x, y, SRCCOPY) != FALSE;
    ::GdiFlush();
    if (ok && (out.Width() != w || out.Height() != h)) out = gui::Bitmap(w, h);
    if (ok)
      for (int row = 0; row < h; ++row) {
        const auto* in =
            static_cast<const std::uint32_t*>(bits) + static_cast<std::size_t>(row) * w;
        std::uint32_t* dst = out.Row(row);
        for (int col = 0; col < w; ++col) dst[col] = in[col] & 0x00FFFFFF;
      }
    ::SelectObject(memory, old);
    ::DeleteObject(dib);
  }
  ::DeleteDC(memory);
  return ok;
}

}  // namespace

bool Win32Platform::CaptureWindowPixels(Hwnd hwnd, gui::Bitmap& out) {
  HWND window = ToHwnd(hwnd);
  RECT r;
  if (!AreaOf(window, &r)) return false;
  const int w = r.right - r.left, h = r.bottom - r.top;
  // The desktop window's context is the screen, other programs' windows too,
  // in screen coordinates; a window's has its own.
  if (window == ::GetDesktopWindow()) {
    HDC screen = ::GetDC(nullptr);
    const bool ok = ReadPixels(screen, r.left, r.top, w, h, out);
    ::ReleaseDC(nullptr, screen);
    return ok;
  }
  HDC source = ::GetWindowDC(window);
  const bool ok = ReadPixels(source, 0, 0, w, h, out);
  ::ReleaseDC(window, source);
  return ok;
}

bool Win32Platform::CaptureScreenPart(const Rect& part, gui::Bitmap& out) {
  HDC screen = ::GetDC(nullptr);
  if (!screen) return false;
  const bool ok = ReadPixels(screen, part.left, part.top, part.Width(), part.Height(), out);
  ::ReleaseDC(nullptr, screen);
  return ok;
}

void Win32Platform::PresentWindowPixels(Hwnd hwnd, const gui::Bitmap& pixels,
                                        const gui::IRect& area) {
  const gui::IRect part = gui::Intersect(area, pixels.Bounds());
  if (part.Empty()) return;
  HWND window = ToHwnd(hwnd);
  const bool desktop = window == ::GetDesktopWindow();
  HDC dc = desktop ? ::GetDC(nullptr) : ::GetWindowDC(window);
  if (!dc) return;
  // The part's rows as a picture of their own, the surface's whole width:
  // then the part is that picture's full height, and only its column offset
  // needs saying.
  BITMAPINFO bi = TopDown32(pixels.Width(), part.Height());
  const RECT screen = desktop ? VirtualScreen() : RECT{};
  ::SetDIBitsToDevice(dc, part.left + screen.left, part.top + screen.top,
                      static_cast<DWORD>(part.Width()), static_cast<DWORD>(part.Height()),
                      part.left, 0, 0, static_cast<UINT>(part.Height()), pixels.Row(part.top), &bi,
                      DIB_RGB_COLORS);
  ::ReleaseDC(desktop ? nullptr : window, dc);
}

// ---- sound --------------------------------------------------------------------

std::uint32_t Win32Platform::mciSendCommandA(std::uint32_t device, std::uint32_t message,
                                             std::uint32_t flags, MciOpenParms& params) {
  MCI_OPEN_PARMSA p{};
  p.dwCallback = params.dwCallback;
  // An empty type or element is no name at all: the system then picks the
  // device from the element's file.
  p.lpstrDeviceType = params.lpstrDeviceType.empty() ? nullptr : params.lpstrDeviceType.c_str();
  p.lpstrElementName = params.lpstrElementName.c_str();
  const MCIERROR rc = ::mciSendCommandA(device, message, flags, reinterpret_cast<DWORD_PTR>(&p));
  params.wDeviceID = p.wDeviceID;
  return static_cast<std::uint32_t>(rc);
}

std::uint32_t Win32Platform::mciSendCommandA(std::uint32_t device, std::uint32_t message,
                                             std::uint32_t flags, MciPlayParms& params) {
  MCI_PLAY_PARMS p{};
  p.dwCallback = params.dwCallback;
  p.dwFrom = params.dwFrom;
  p.dwTo = params.dwTo;
  return static_cast<std::uint32_t>(
      ::mciSendCommandA(device, message, flags, reinterpret_cast<DWORD_PTR>(&p)));
}

std::uint32_t Win32Platform::mciSendCommandA(std::uint32_t device, std::uint32_t message,
                                             std::uint32_t flags, MciGenericParms& params) {
  if (message == MCI_SEEK) {
    // A seek to the start or the end needs no target, but the device is
    // given the whole seek record all the same.
    MCI_SEEK_PARMS seek{};
    seek.dwCallback = params.dwCallback;
    return static_cast<std::uint32_t>(
        ::mciSendCommandA(device, message, flags, reinterpret_cast<DWORD_PTR>(&seek)));
  }
  MCI_GENERIC_PARMS p{};
  p.dwCallback = params.dwCallback;
  return static_cast<std::uint32_t>(
      ::mciSendCommandA(device, message, flags, reinterpret_cast<DWORD_PTR>(&p)));
}

std::uint32_t Win32Platform::mciSendCommandA(std::uint32_t device, std::uint32_t message,
                                             std::uint32_t flags, MciStatusParms& params) {
  MCI_STATUS_PARMS p{};
  p.dwCallback = params.dwCallback;
  p.dwItem = params.dwItem;
  p.dwTrack = params.dwTrack;
  const MCIERROR rc = ::mciSendCommandA(device, message, flags, reinterpret_cast<DWORD_PTR>(&p));
  params.dwReturn = p.dwReturn;
  return static_cast<std::uint32_t>(rc);
}

bool Win32Platform::mciGetErrorStringA(std::uint32_t error, char* buffer, std::uint32_t size) {
  return ::mciGetErrorStringA(error, buffer, size) != FALSE;
}

}  // namespace platform
