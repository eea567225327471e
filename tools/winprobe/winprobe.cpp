// winprobe: a small Wine-side helper for the end-to-end tests.
//
// The tests drive the program from Linux with X tools, but several things are
// only visible from inside Wine: window classes and captions, window
// rectangles of zero size, message box texts and icons, and Wine's own idea of
// the cursor position (which xdotool over the bare root does not update).
//
// Output is one "key=value ..." line per window, with the caption always last
// because it may contain blanks. Every wait is bounded by a timeout given in
// milliseconds. Exit status: 0 found/done, 1 not found or timed out, 2 usage.

#include <fcntl.h>
#include <io.h>
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include "tools/winprobe/ProbeTiming.h"
// after windows.h
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

std::string narrow(const wchar_t* w) {
  if (!w || !*w) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
  return s;
}

// Line breaks would split one record over several lines of output.
std::string oneLine(std::string s) {
  std::string out;
  for (char c : s) {
    if (c == '\r') continue;
    if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string className(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 256);
  return narrow(buf);
}

// GetWindowText does not ask a window of another process; WM_GETTEXT does,
// which matters for controls such as tooltips that answer with their current
// text rather than a caption.
std::string windowText(HWND h) {
  wchar_t buf[1024] = {};
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(h, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG,
                           1000, &got)) {
    GetWindowTextW(h, buf, 1024);
  }
  buf[1023] = 0;
  return narrow(buf);
}

std::string caption(HWND h) {
  wchar_t buf[1024] = {};
  InternalGetWindowText(h, buf, 1024);
  return narrow(buf);
}

void printWindow(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  std::printf("hwnd=0x%llx pid=%lu visible=%d x=%ld y=%ld w=%ld h=%ld class=%s caption=%s\n",
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(h)),
              static_cast<unsigned long>(pid), IsWindowVisible(h) ? 1 : 0, r.left, r.top,
              r.right - r.left, r.bottom - r.top, oneLine(className(h)).c_str(),
              oneLine(caption(h)).c_str());
}

struct Filter {
  const char* cls = nullptr;      // nullptr or "*": any class
  const char* caption = nullptr;  // nullptr: any caption
  bool visibleOnly = false;
};

bool matches(HWND h, const Filter& f) {
  if (f.visibleOnly && !IsWindowVisible(h)) return false;
  if (f.cls && std::strcmp(f.cls, "*") != 0 && _stricmp(className(h).c_str(), f.cls) != 0)
    return false;
  if (f.caption && caption(h) != f.caption) return false;
  return true;
}

struct EnumContext {
  const Filter* filter;
  std::vector<HWND> found;
};

// A named callback: the 32-bit build needs its stdcall convention, which a
// lambda cannot carry.
BOOL CALLBACK collectMatch(HWND h, LPARAM p) {
  auto* c = reinterpret_cast<EnumContext*>(p);
  if (matches(h, *c->filter)) c->found.push_back(h);
  return TRUE;
}

std::vector<HWND> topLevel(const Filter& f) {
  EnumContext ctx{&f, {}};
  EnumWindows(collectMatch, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

std::vector<HWND> children(HWND parent, const char* cls) {
  std::vector<HWND> found;
  for (HWND c = FindWindowExW(parent, nullptr, nullptr, nullptr); c;
       c = FindWindowExW(parent, c, nullptr, nullptr)) {
    if (!cls || _stricmp(className(c).c_str(), cls) == 0) found.push_back(c);
  }
  return found;
}

long parseLong(const char* s) { return std::strtol(s, nullptr, 0); }

// Polls until pred() holds or the timeout runs out; 50 ms steps keep the probe
// cheap while the program under test starts.
template <typename Pred>
bool waitFor(long timeoutMs, Pred pred) {
  DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (static_cast<long>(GetTickCount() - start) >= timeoutMs) return false;
    Sleep(50);
  }
}

int usage() {
  std::fputs(
      "usage: winprobe <command> ...\n"
      "  list-windows [class]                     every top-level window (class '*': any)\n"
      "  find-window <class> [caption]            first match, visible or not\n"
      "  wait-window <class> <ms> [caption]       wait until a match exists\n"
      "  wait-visible <class> <ms> [caption]      wait until a visible match exists\n"
      "  wait-gone <class> <ms> [caption]         wait until no match exists\n"
      "  wait-hidden <class> <ms> [caption]       wait until no visible match exists\n"
      "  window-text <hwnd>                       text a window answers to WM_GETTEXT\n"
      "  messagebox <caption|*> <ms> [--dismiss]  wait for a #32770 box, print it, maybe OK it\n"
      "  setcursor <x> <y> | getcursor | screen | monitors\n"
      "  cursor-shape                             hidden, or shown and the cursor's handle\n"
      "  click <x> <y> [left|right]               move there and click by injected input\n"
      "  serial-read <COMn> <ms> [bytes]          open the port, print what arrives, as hex\n"
      "  hold <ms>                                keep the Wine session alive for a while\n"
      "  target <caption> <x> <y> <w> <h> <ms>    a test window; prints what reaches it\n"
      "  window-state <hwnd>                      iconic=, foreground=, visible=\n"
      "  window-ties <hwnd>                       owner=, topmost=, enabled=\n"
      "  above <hwnd> <hwnd>                      1 if the first is above the second\n"
      "  syscolor <index> [0xRRGGBB]              a colour of the scheme; change it to another\n"
      "  set-text <hwnd> <text>                   WM_SETTEXT\n"
      "  foreground                               the window in front\n"
      "  activate <hwnd>                          bring a window to the front\n"
      "  show-window <hwnd> <SW_ number>          ShowWindow from outside\n"
      "  buttons                                  which pointer buttons Wine holds down\n"
      "  window-at <x> <y>                        WindowFromPoint and its top caption\n"
      "  key <vk>                                 press and release a key (injected)\n"
      "  mci-error <code>                         the system's text for an MCI error\n"
      "  wait-cursor <x> <y> <ms>                 wait until the cursor is at x,y\n"
      "  latency <port> <samples> move | key <letter> <class> | <seconds> stream\n"
      "                                           bytes written into a port wired to the "
      "program's\n"
      "                                           until the pointer moves (or the window\n"
      "                                           of class shows); median and p99 in ms\n"
      "  children <hwnd>                          every window inside it, with ids and texts\n"
      "  focus <hwnd>                             the focus of the thread owning the window\n"
      "  chord <vk>...                            keys held together, let go in reverse\n"
      "  send <hwnd> <msg> [wparam] [lparam]      a message without pointers; its result\n"
      "  display <w> <h>                          change the screen's resolution, as the\n"
      "                                           display settings do\n"
      "  mirror <x> <y> <w> <h> <ms>              a window there showing what the screen\n"
      "                                           showed there as it opened\n"
      "  dpi [hwnd]                               system= the screen's DPI; window= the\n"
      "                                           DPI the window is drawn for\n"
      "  captions <hwnd> [dpi] [face] [height]    whether its buttons' and labels' captions\n"
      "                                           fit them in face (height at 96 DPI), at\n"
      "                                           its DPI or laid out at dpi\n"
      "  type-chars <hwnd> <text>                 the text's UTF-16 characters posted as\n"
      "                                           WM_CHAR, as a keyboard's reach the queue\n",
      stderr);
  return 2;
}

int cmdList(int argc, char** argv) {
  Filter f;
  f.cls = argc > 0 ? argv[0] : nullptr;
  for (HWND h : topLevel(f)) printWindow(h);
  return 0;
}

int cmdFind(int argc, char** argv) {
  if (argc < 1) return usage();
  Filter f{argv[0], argc > 1 ? argv[1] : nullptr, false};
  auto found = topLevel(f);
  if (found.empty()) return 1;
  printWindow(found.front());
  return 0;
}

int cmdWait(int argc, char** argv, bool visibleOnly) {
  if (argc < 2) return usage();
  Filter f{argv[0], argc > 2 ? argv[2] : nullptr, visibleOnly};
  std::vector<HWND> found;
  if (!waitFor(parseLong(argv[1]), [&] { return !(found = topLevel(f)).empty(); })) {
    std::fprintf(stderr, "winprobe: no window of class %s within %s ms\n", argv[0], argv[1]);
    return 1;
  }
  printWindow(found.front());
  return 0;
}

int cmdWaitGone(int argc, char** argv, bool visibleOnly) {
  if (argc < 2) return usage();
  Filter f{argv[0], argc > 2 ? argv[2] : nullptr, visibleOnly};
  if (!waitFor(parseLong(argv[1]), [&] { return topLevel(f).empty(); })) {
    std::fprintf(stderr, "winprobe: window of class %s still there after %s ms\n", argv[0],
                 argv[1]);
    return 1;
  }
  return 0;
}

int cmdWindowText(int argc, char** argv) {
  if (argc < 1) return usage();
  HWND h = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(argv[0], nullptr, 0)));
  if (!IsWindow(h)) return 1;
  std::printf("%s\n", oneLine(windowText(h)).c_str());
  return 0;
}

// A 32-bit top-down DIB section of w by h pixels selected into a memory DC.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bmp = nullptr;
  HGDIOBJ old = nullptr;
  DWORD* px = nullptr;
  int w, h;
  Canvas(int width, int height) : w(width), h(height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    px = static_cast<DWORD*>(bits);
    if (bmp) old = SelectObject(dc, bmp);
  }
  ~Canvas() {
    if (old) SelectObject(dc, old);
    if (bmp) DeleteObject(bmp);
    DeleteDC(dc);
  }
  std::vector<DWORD> pixels() {
    GdiFlush();
    return px ? std::vector<DWORD>(px, px + w * h) : std::vector<DWORD>{};
  }
};

std::vector<DWORD> captureScreen(const RECT& r) {
  Canvas c(r.right - r.left, r.bottom - r.top);
  HDC screen = GetDC(nullptr);
  BitBlt(c.dc, 0, 0, c.w, c.h, screen, r.left, r.top, SRCCOPY);
  ReleaseDC(nullptr, screen);
  return c.pixels();
}

// Icon handles of another process cannot be drawn or inspected here, so the
// icon a box shows is recognised by its picture: the stock icons are drawn on
// the box's own background and compared with what the screen shows.
bool looksLike(const std::vector<DWORD>& seen, int w, int h, LPCWSTR stockId) {
  if (seen.empty()) return false;
  Canvas c(w, h);
  if (!c.px) return false;
  std::fill(c.px, c.px + w * h, seen.front());  // the static's corner: background
  DrawIconEx(c.dc, 0, 0, LoadIconW(nullptr, stockId), w, h, 0, nullptr, DI_NORMAL);
  auto drawn = c.pixels();
  int off = 0;
  for (size_t i = 0; i < drawn.size(); ++i) {
    for (int shift = 0; shift < 24; shift += 8) {
      int a = static_cast<int>((drawn[i] >> shift) & 0xff);
      int b = static_cast<int>((seen[i] >> shift) & 0xff);
      if (std::abs(a - b) > 16) {
        ++off;
        break;
      }
    }
  }
  return off <= w * h / 50;
}

std::string iconName(HWND dialog) {
  HWND iconStatic = nullptr;
  for (HWND s : children(dialog, "Static")) {
    if ((GetWindowLongW(s, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(s)) {
      iconStatic = s;
      break;
    }
  }
  if (!iconStatic) return "none";
  RECT r{};
  GetWindowRect(iconStatic, &r);
  const struct {
    LPCWSTR id;
    const char* name;
  } stock[] = {{IDI_HAND, "stop"},
               {IDI_EXCLAMATION, "warning"},
               {IDI_ASTERISK, "information"},
               {IDI_QUESTION, "question"}};
  std::string name = "other";
  // The box may not have painted yet when it first shows.
  waitFor(2000, [&] {
    auto seen = captureScreen(r);
    if (!seen.empty() &&
        std::all_of(seen.begin(), seen.end(), [&](DWORD p) { return p == seen.front(); })) {
      name = "none";  // an empty icon control
      return false;
    }
    for (const auto& s : stock) {
      if (looksLike(seen, r.right - r.left, r.bottom - r.top, s.id)) {
        name = s.name;
        return true;
      }
    }
    return false;
  });
  return name;
}

int cmdMessageBox(int argc, char** argv) {
  if (argc < 2) return usage();
  bool dismiss = argc > 2 && std::strcmp(argv[2], "--dismiss") == 0;
  Filter f{"#32770", std::strcmp(argv[0], "*") == 0 ? nullptr : argv[0], true};
  std::vector<HWND> found;
  if (!waitFor(parseLong(argv[1]), [&] { return !(found = topLevel(f)).empty(); })) {
    std::fprintf(stderr, "winprobe: no box captioned \"%s\" within %s ms\n", argv[0], argv[1]);
    return 1;
  }
  HWND box = found.front();
  DWORD pid = 0;
  GetWindowThreadProcessId(box, &pid);
  std::printf("hwnd=0x%llx\npid=%lu\ncaption=%s\n",
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(box)),
              static_cast<unsigned long>(pid), oneLine(caption(box)).c_str());
  for (HWND s : children(box, "Static")) {
    if ((GetWindowLongW(s, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) continue;
    std::string t = windowText(s);
    if (!t.empty()) std::printf("text=%s\n", oneLine(t).c_str());
  }
  std::printf("icon=%s\n", iconName(box).c_str());
  std::string buttons;
  HWND ok = nullptr;
  for (HWND b : children(box, "Button")) {
    if (!IsWindowVisible(b)) continue;
    if (!buttons.empty()) buttons += ",";
    buttons += windowText(b);
    if (GetDlgCtrlID(b) == IDOK) ok = b;
  }
  std::printf("buttons=%s\n", oneLine(buttons).c_str());
  std::fflush(stdout);
  if (dismiss) {
    // A box with a single OK button answers IDOK; the button's own click
    // notification is what the dialog procedure reacts to.
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    if (!waitFor(5000, [&] { return !IsWindow(box); })) {
      std::fprintf(stderr, "winprobe: box did not close after OK\n");
      return 1;
    }
  }
  return 0;
}

int cmdSetCursor(int argc, char** argv) {
  if (argc < 2) return usage();
  return SetCursorPos(static_cast<int>(parseLong(argv[0])), static_cast<int>(parseLong(argv[1])))
             ? 0
             : 1;
}

int cmdGetCursor() {
  POINT p{};
  if (!GetCursorPos(&p)) return 1;
  std::printf("%ld %ld\n", p.x, p.y);
  return 0;
}

// The pointer's shape as the user sees it: "hidden", or "shown" and the
// cursor's handle. Wine gives each process handles of its own (and no
// picture of another's), so a test compares the handles one program shows.
int cmdCursorShape() {
  CURSORINFO ci{};
  ci.cbSize = sizeof ci;
  if (!GetCursorInfo(&ci)) return 1;
  if (!(ci.flags & CURSOR_SHOWING) || !ci.hCursor)
    std::printf("hidden\n");
  else
    std::printf("shown %p\n", static_cast<void*>(ci.hCursor));
  return 0;
}

int cmdScreen() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  std::printf("width=%d height=%d work=%ld,%ld,%ld,%ld\n", GetSystemMetrics(SM_CXSCREEN),
              GetSystemMetrics(SM_CYSCREEN), work.left, work.top, work.right, work.bottom);
  return 0;
}

int cmdDpi(int argc, char** argv) {
  HDC screen = GetDC(nullptr);
  std::printf("system=%d", GetDeviceCaps(screen, LOGPIXELSX));
  ReleaseDC(nullptr, screen);
  if (argc > 0) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    const auto get = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (!get) return 1;
    std::printf(" window=%u", get(reinterpret_cast<HWND>(parseLong(argv[0]))));
  }
  std::printf("\n");
  return 0;
}

// One line per monitor, the primary marked: "x y w h [primary]".
BOOL CALLBACK printMonitor(HMONITOR m, HDC, LPRECT, LPARAM) {
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (!GetMonitorInfoW(m, &mi)) return FALSE;
  const RECT& r = mi.rcMonitor;
  std::printf("%ld %ld %ld %ld%s\n", r.left, r.top, r.right - r.left, r.bottom - r.top,
              (mi.dwFlags & MONITORINFOF_PRIMARY) ? " primary" : "");
  return TRUE;
}

int cmdMonitors() { return EnumDisplayMonitors(nullptr, nullptr, printMonitor, 0) ? 0 : 1; }

int cmdClick(int argc, char** argv) {
  if (argc < 2) return usage();
  bool right = argc > 2 && std::strcmp(argv[2], "right") == 0;
  if (!SetCursorPos(static_cast<int>(parseLong(argv[0])), static_cast<int>(parseLong(argv[1]))))
    return 1;
  // Let the target see the pointer arrive before the button goes down, as a
  // real hand would.
  Sleep(50);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  if (SendInput(1, &in[0], sizeof(INPUT)) != 1) return 1;
  Sleep(50);
  return SendInput(1, &in[1], sizeof(INPUT)) == 1 ? 0 : 1;
}

// Opens the port as the program does and prints every byte that arrives within
// the time, so a test can prove a pty really stands behind COMn.
int cmdSerialRead(int argc, char** argv) {
  if (argc < 2) return usage();
  std::string path = std::string("\\\\.\\") + argv[0];
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "winprobe: cannot open %s (error %lu)\n", argv[0], GetLastError());
    return 1;
  }
  COMMTIMEOUTS t{MAXDWORD, 0, 0, 0, 0};  // reads return at once with what is there
  SetCommTimeouts(h, &t);
  // Only what is written from now on: a pty keeps what an earlier test wrote
  // into a port nobody was reading.
  PurgeComm(h, PURGE_RXABORT | PURGE_RXCLEAR);
  std::printf("open\n");
  std::fflush(stdout);
  const long want = argc > 2 ? parseLong(argv[2]) : -1;
  std::string hex;
  waitFor(parseLong(argv[1]), [&] {
    unsigned char buf[256];
    DWORD got = 0;
    if (ReadFile(h, buf, sizeof buf, &got, nullptr)) {
      for (DWORD i = 0; i < got; ++i) {
        char b[4];
        std::snprintf(b, sizeof b, "%02x", buf[i]);
        hex += b;
      }
    }
    return want >= 0 && static_cast<long>(hex.size() / 2) >= want;
  });
  CloseHandle(h);
  std::printf("%s\n", hex.c_str());
  return 0;
}

int cmdHold(int argc, char** argv) {
  if (argc < 1) return usage();
  Sleep(static_cast<DWORD>(parseLong(argv[0])));
  return 0;
}

// --- a target window for injected input -------------------------------------

// Screen point of a client point in a message's lParam.
POINT screenPoint(HWND h, LPARAM l) {
  POINT p{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
  ClientToScreen(h, &p);
  return p;
}

void report(const char* what, HWND h, LPARAM l) {
  const POINT p = screenPoint(h, l);
  std::printf("%s x=%ld y=%ld\n", what, p.x, p.y);
  std::fflush(stdout);
}

// The four quadrants in colours no other window uses, so a picture of the
// screen shows where the target is and whether something covers it.
const COLORREF kQuadrants[4] = {RGB(200, 30, 30), RGB(30, 160, 60), RGB(30, 60, 200),
                                RGB(230, 200, 40)};

LRESULT CALLBACK targetProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_LBUTTONDOWN: report("lbuttondown", h, l); return 0;
    case WM_LBUTTONUP: report("lbuttonup", h, l); return 0;
    case WM_RBUTTONDOWN: report("rbuttondown", h, l); return 0;
    case WM_RBUTTONUP: report("rbuttonup", h, l); return 0;
    case WM_MOUSEMOVE:
      if (w & (MK_LBUTTON | MK_RBUTTON)) report(w & MK_LBUTTON ? "ldrag" : "rdrag", h, l);
      return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
      std::printf("%s code=%u lparam=%lld\n", m == WM_HSCROLL ? "hscroll" : "vscroll",
                  static_cast<unsigned>(LOWORD(w)), static_cast<long long>(l));
      std::fflush(stdout);
      return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      std::printf("%s delta=%d\n", m == WM_MOUSEWHEEL ? "wheel" : "hwheel",
                  static_cast<short>(HIWORD(w)));
      std::fflush(stdout);
      return 0;
    case WM_SIZE:
      if (w == SIZE_MINIMIZED || w == SIZE_RESTORED) {
        std::printf("%s\n", w == SIZE_MINIMIZED ? "minimized" : "restored");
        std::fflush(stdout);
      }
      break;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT c{};
      GetClientRect(h, &c);
      for (int q = 0; q < 4; ++q) {
        RECT r{q % 2 ? c.right / 2 : 0, q / 2 ? c.bottom / 2 : 0, q % 2 ? c.right : c.right / 2,
               q / 2 ? c.bottom : c.bottom / 2};
        HBRUSH b = CreateSolidBrush(kQuadrants[q]);
        FillRect(dc, &r, b);
        DeleteObject(b);
      }
      EndPaint(h, &ps);
      return 0;
    }
    case WM_TIMER: DestroyWindow(h); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return DefWindowProcW(h, m, w, l);
}

// A top-level window with a caption that records what reaches it. It ends
// after the given time or when it is closed.
int cmdTarget(int argc, char** argv) {
  if (argc < 6) return usage();
  WNDCLASSW wc{};
  wc.lpfnWndProc = targetProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = L"TavrinProbeTarget";
  RegisterClassW(&wc);
  std::wstring title;
  for (const char* c = argv[0]; *c; ++c) title += static_cast<wchar_t>(*c);
  HWND h = CreateWindowExW(
      0, wc.lpszClassName, title.c_str(), WS_OVERLAPPEDWINDOW, static_cast<int>(parseLong(argv[1])),
      static_cast<int>(parseLong(argv[2])), static_cast<int>(parseLong(argv[3])),
      static_cast<int>(parseLong(argv[4])), nullptr, nullptr, wc.hInstance, nullptr);
  if (!h) return 1;
  ShowWindow(h, SW_SHOWNORMAL);
  UpdateWindow(h);
  SetForegroundWindow(h);
  RECT c{};
  GetClientRect(h, &c);
  POINT o{0, 0};
  ClientToScreen(h, &o);
  std::printf("ready hwnd=0x%llx client=%ld,%ld,%ld,%ld\n",
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(h)), o.x, o.y, c.right,
              c.bottom);
  std::fflush(stdout);
  SetTimer(h, 1, static_cast<UINT>(parseLong(argv[5])), nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  std::printf("closed\n");
  return 0;
}

// The screen's resolution changed the way the display settings change it:
// the system tells every top-level window (WM_DISPLAYCHANGE).
int cmdDisplay(int argc, char** argv) {
  if (argc < 2) return usage();
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmPelsWidth = static_cast<DWORD>(parseLong(argv[0]));
  mode.dmPelsHeight = static_cast<DWORD>(parseLong(argv[1]));
  mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
  const LONG result = ChangeDisplaySettingsExA(nullptr, &mode, nullptr, CDS_FULLSCREEN, nullptr);
  std::printf("result=%ld\n", result);
  return result == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}

// --- a window that keeps what the screen showed -------------------------

HBITMAP mirrorPicture;

LRESULT CALLBACK mirrorProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, mirrorPicture);
    RECT c{};
    GetClientRect(h, &c);
    BitBlt(dc, 0, 0, c.right, c.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    EndPaint(h, &ps);
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

// Opens beneath the windows in front, without taking the focus, showing the
// pixels the screen had at its place: when a window in front of it goes,
// the screen there looks as if that window were still there, as under a
// program that is slow to paint.
int cmdMirror(int argc, char** argv) {
  if (argc < 5) return usage();
  const int x = static_cast<int>(parseLong(argv[0])), y = static_cast<int>(parseLong(argv[1]));
  const int w = static_cast<int>(parseLong(argv[2])), h = static_cast<int>(parseLong(argv[3]));
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  mirrorPicture = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(memory, mirrorPicture);
  BitBlt(memory, 0, 0, w, h, screen, x, y, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  WNDCLASSW wc{};
  wc.lpfnWndProc = mirrorProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TavrinProbeMirror";
  RegisterClassW(&wc);
  HWND win = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, L"Mirror",
                             WS_POPUP, x, y, w, h, nullptr, nullptr, wc.hInstance, nullptr);
  if (!win) return 1;
  ShowWindow(win, SW_SHOWNOACTIVATE);
  UpdateWindow(win);
  std::printf("ready hwnd=0x%llx\n",
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(win)));
  std::fflush(stdout);
  SetTimer(win, 1, static_cast<UINT>(parseLong(argv[4])), nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageW(&msg);
  }
  DestroyWindow(win);
  DeleteObject(mirrorPicture);
  return 0;
}

HWND parseHwnd(const char* s) {
  return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(s, nullptr, 0)));
}

int cmdWindowState(int argc, char** argv) {
  if (argc < 1) return usage();
  HWND h = parseHwnd(argv[0]);
  if (!IsWindow(h)) return 1;
  std::printf("iconic=%d visible=%d foreground=%d\n", IsIconic(h) ? 1 : 0,
              IsWindowVisible(h) ? 1 : 0, GetForegroundWindow() == h ? 1 : 0);
  return 0;
}

// What ties a window to others: its owner, whether it stays on top, and
// whether it takes input (a modal box's owner does not while the box is up).
int cmdWindowTies(int argc, char** argv) {
  if (argc < 1) return usage();
  HWND h = parseHwnd(argv[0]);
  if (!IsWindow(h)) return 1;
  std::printf("owner=0x%llx topmost=%d enabled=%d\n",
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(GetWindow(h, GW_OWNER))),
              (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0, IsWindowEnabled(h) ? 1 : 0);
  return 0;
}

// Whether the first window stands above the second in the system's
// z-order of top-level windows (what the screen shows where they overlap).
int cmdAbove(int argc, char** argv) {
  if (argc < 2) return usage();
  HWND a = parseHwnd(argv[0]), b = parseHwnd(argv[1]);
  if (!IsWindow(a) || !IsWindow(b)) return 1;
  bool above = false;
  for (HWND h = GetWindow(a, GW_HWNDNEXT); h && !above; h = GetWindow(h, GW_HWNDNEXT))
    above = h == b;
  std::printf("%d\n", above ? 1 : 0);
  return 0;
}

int cmdForeground() {
  HWND h = GetForegroundWindow();
  if (!h) return 1;
  printWindow(h);
  return 0;
}

int cmdActivate(int argc, char** argv) {
  if (argc < 1) return usage();
  HWND h = parseHwnd(argv[0]);
  if (!IsWindow(h)) return 1;
  SetForegroundWindow(h);
  return waitFor(2000, [&] { return GetForegroundWindow() == h; }) ? 0 : 1;
}

// A colour of the user's scheme as 0xRRGGBB; with a second argument
// (0xRRGGBB) the colour is changed to it afterwards, as the control panel
// changes it, and every top-level window hears of it.
int cmdSysColor(int argc, char** argv) {
  if (argc < 1) return usage();
  const int index = static_cast<int>(parseLong(argv[0]));
  const COLORREF c = GetSysColor(index);
  std::printf("0x%02x%02x%02x\n", GetRValue(c), GetGValue(c), GetBValue(c));
  std::fflush(stdout);
  if (argc < 2) return 0;
  const unsigned long rgb = std::strtoul(argv[1], nullptr, 0);
  const COLORREF value = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  return SetSysColors(1, &index, &value) ? 0 : 1;
}

// Sets a window's text (WM_SETTEXT), as typing it whole would: a file
// chooser's name field, say.
// The command line's last argument in UTF-16: argv has it in the probe's
// code page, which may lack its letters.
std::optional<std::wstring> LastArgumentWide() {
  int n = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (!wide) return std::nullopt;
  std::optional<std::wstring> last;
  if (n >= 1) last = wide[n - 1];
  LocalFree(wide);
  return last;
}

// The text is the command line's last argument, taken in UTF-16: argv has
// it in the probe's code page, which may lack its letters.
int cmdSetText(int argc, char** argv) {
  if (argc < 2) return usage();
  HWND h = parseHwnd(argv[0]);
  if (!IsWindow(h)) return 1;
  const std::optional<std::wstring> last = LastArgumentWide();
  if (!last) return 1;
  const std::wstring& text = *last;
  DWORD_PTR got = 0;
  return SendMessageTimeoutW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                             SMTO_ABORTIFHUNG, 2000, &got) &&
                 got
             ? 0
             : 1;
}

// Typed letters as the keyboard's reach the owner's queue: WM_CHAR in UTF-16
// units, whatever form the owner's loop then takes them in.
int cmdTypeChars(int argc, char** argv) {
  if (argc < 2) return usage();
  HWND h = parseHwnd(argv[0]);
  if (!IsWindow(h)) return 1;
  const std::optional<std::wstring> last = LastArgumentWide();
  if (!last) return 1;
  const std::wstring& text = *last;
  for (const wchar_t unit : text)
    if (!PostMessageW(h, WM_CHAR, unit, 1)) return 1;
  return 0;
}

// ShowWindow from outside, as a user's click on a minimise box would do it.
int cmdShowWindow(int argc, char** argv) {
  if (argc < 2) return usage();
  HWND h = parseHwnd(argv[0]);
  if (!IsWindow(h)) return 1;
  ShowWindow(h, static_cast<int>(parseLong(argv[1])));
  return 0;
}

// The window at a screen point and the caption at the top of its chain of
// parents, as a program that walks up from WindowFromPoint sees them.
int cmdWindowAt(int argc, char** argv) {
  if (argc < 2) return usage();
  POINT p{parseLong(argv[0]), parseLong(argv[1])};
  HWND h = WindowFromPoint(p);
  if (!h) return 1;
  HWND top = h;
  for (HWND up = GetParent(top); up; up = GetParent(up)) top = up;
  std::printf("top=0x%llx top-caption=%s\n",
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(top)),
              oneLine(caption(top)).c_str());
  printWindow(h);
  return 0;
}

// A key pressed and released by injected input, at the window in front.
int cmdKey(int argc, char** argv) {
  if (argc < 1) return usage();
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wVk = in[1].ki.wVk = static_cast<WORD>(parseLong(argv[0]));
  in[1].ki.dwFlags = KEYEVENTF_KEYUP;
  return SendInput(2, in, sizeof(INPUT)) == 2 ? 0 : 1;
}

// The system's text for a media control error, as a program shows it.
int cmdMciError(int argc, char** argv) {
  if (argc < 1) return usage();
  char text[256] = {};
  if (!mciGetErrorStringA(static_cast<DWORD>(parseLong(argv[0])), text, sizeof text)) return 1;
  std::printf("%s\n", oneLine(text).c_str());
  return 0;
}

int cmdButtons() {
  std::printf("left=%d right=%d\n", (GetAsyncKeyState(VK_LBUTTON) & 0x8000) ? 1 : 0,
              (GetAsyncKeyState(VK_RBUTTON) & 0x8000) ? 1 : 0);
  return 0;
}

int cmdWaitCursor(int argc, char** argv) {
  if (argc < 3) return usage();
  const long x = parseLong(argv[0]), y = parseLong(argv[1]);
  POINT p{};
  const bool ok = waitFor(parseLong(argv[2]), [&] {
    GetCursorPos(&p);
    return p.x == x && p.y == y;
  });
  std::printf("%ld %ld\n", p.x, p.y);
  return ok ? 0 : 1;
}

// --- dialogs: controls, focus and chords -------------------------------------

// The control's line: its id, style and its answer to WM_GETTEXT (last, it
// may hold blanks) besides what printWindow shows.
void printControl(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  std::printf(
      "hwnd=0x%llx id=%d visible=%d enabled=%d style=0x%08lx x=%ld y=%ld w=%ld h=%ld class=%s "
      "caption=%s\n",
      static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(h)), GetDlgCtrlID(h),
      IsWindowVisible(h) ? 1 : 0, IsWindowEnabled(h) ? 1 : 0,
      static_cast<unsigned long>(GetWindowLongW(h, GWL_STYLE)), r.left, r.top, r.right - r.left,
      r.bottom - r.top, oneLine(className(h)).c_str(), oneLine(windowText(h)).c_str());
}

BOOL CALLBACK printChild(HWND h, LPARAM) {
  printControl(h);
  return TRUE;
}

// Every window inside a window, at any depth, in the system's order.
int cmdChildren(int argc, char** argv) {
  if (argc < 1) return usage();
  HWND h = parseHwnd(argv[0]);
  if (!IsWindow(h)) return 1;
  EnumChildWindows(h, printChild, 0);
  return 0;
}

// Whether each caption of a window's buttons and labels fits its control:
// the caption measured in the face the program asks for, at the character
// height it gives at 96 DPI taken to the scale (a font of another process
// cannot be read from here), against the room the control leaves for
// text. With a DPI other than the window's, the controls' sizes are taken
// at that scale instead, as the program lays them out there. One line per
// caption, then "face=<the face the system gave> cut=<captions that do
// not fit>".
struct CaptionCheck {
  UINT fromDpi = 96, toDpi = 96;
  std::wstring asked;
  int height96 = 11;
  int cut = 0;
  std::wstring face;
};

BOOL CALLBACK checkCaption(HWND h, LPARAM param) {
  auto& check = *reinterpret_cast<CaptionCheck*>(param);
  const std::string cls = className(h);
  if (_stricmp(cls.c_str(), "Button") != 0 && _stricmp(cls.c_str(), "Static") != 0) return TRUE;
  std::wstring text(256, L'\0');
  text.resize(static_cast<size_t>(std::max(0, GetWindowTextW(h, text.data(), 256))));
  std::erase(text, L'&');
  if (text.empty()) return TRUE;
  const auto at = [&](long v) {
    return MulDiv(static_cast<int>(v), static_cast<int>(check.toDpi),
                  static_cast<int>(check.fromDpi));
  };
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(check.height96, static_cast<int>(check.toDpi), 96);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(lf.lfFaceName, check.asked.c_str(), LF_FACESIZE);
  HFONT made = CreateFontIndirectW(&lf);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, made);
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  check.face = face;
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  DeleteObject(made);
  RECT r{};
  GetClientRect(h, &r);
  const long style = GetWindowLongW(h, GWL_STYLE);
  const long kind = style & BS_TYPEMASK;
  long room = at(r.right);
  if (_stricmp(cls.c_str(), "Button") == 0) {
    if (kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_RADIOBUTTON ||
        kind == BS_AUTORADIOBUTTON)
      room -= MulDiv(13 + 4, static_cast<int>(check.toDpi), 96);  // the box and its gap
    else if (kind == BS_GROUPBOX)
      room -= MulDiv(2 * 8, static_cast<int>(check.toDpi), 96);  // the frame's indent
    else
      room -= MulDiv(2 * 3, static_cast<int>(check.toDpi), 96);  // the button's edges
  }
  const bool fits = size.cx <= room;
  if (!fits) ++check.cut;
  std::printf("%s need=%ld room=%ld height=%ld class=%s caption=%s\n", fits ? "fits" : "cut",
              size.cx, room, -lf.lfHeight, cls.c_str(), oneLine(windowText(h)).c_str());
  return TRUE;
}

int cmdCaptions(int argc, char** argv) {
  if (argc < 1) return usage();
  HWND h = parseHwnd(argv[0]);
  if (!IsWindow(h)) return 1;
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  const auto get = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
  CaptionCheck check;
  check.fromDpi = get ? get(h) : 96;
  check.toDpi = argc > 1 ? static_cast<UINT>(parseLong(argv[1])) : check.fromDpi;
  if (!check.fromDpi || !check.toDpi) return 1;
  const char* asked = argc > 2 ? argv[2] : "MS Sans Serif";
  check.asked.assign(asked, asked + std::strlen(asked));
  if (argc > 3) check.height96 = static_cast<int>(parseLong(argv[3]));
  EnumChildWindows(h, checkCaption, reinterpret_cast<LPARAM>(&check));
  char face[LF_FACESIZE * 3] = {};
  WideCharToMultiByte(CP_UTF8, 0, check.face.c_str(), -1, face, sizeof face, nullptr, nullptr);
  std::printf("face=%s cut=%d\n", face, check.cut);
  return 0;
}

// The keyboard focus of the thread that owns a window, as that thread sees
// it. A focus inside a control's own child (a list's text part) also names
// the control: the ancestor that is a direct child of the top-level window.
int cmdFocus(int argc, char** argv) {
  if (argc < 1) return usage();
  HWND top = parseHwnd(argv[0]);
  if (!IsWindow(top)) return 1;
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) || !info.hwndFocus) {
    std::printf("none\n");
    return 1;
  }
  HWND control = info.hwndFocus;
  while (control && GetParent(control) && GetAncestor(control, GA_PARENT) != top)
    control = GetAncestor(control, GA_PARENT);
  std::printf("control=0x%llx control-id=%d control-class=%s ",
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(control)),
              control ? GetDlgCtrlID(control) : 0, oneLine(className(control)).c_str());
  printControl(info.hwndFocus);
  return 0;
}

// A message without pointers sent from outside (TCM_GETCURSEL, BM_GETCHECK,
// CB_GETCURSEL): its result in decimal. A message whose parameters point
// into memory must not be sent this way, since nothing carries the memory
// across to the other process.
int cmdSend(int argc, char** argv) {
  if (argc < 2) return usage();
  HWND h = parseHwnd(argv[0]);
  if (!IsWindow(h)) return 1;
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutW(h, static_cast<UINT>(parseLong(argv[1])),
                           static_cast<WPARAM>(argc > 2 ? parseLong(argv[2]) : 0),
                           static_cast<LPARAM>(argc > 3 ? parseLong(argv[3]) : 0), SMTO_ABORTIFHUNG,
                           2000, &got))
    return 1;
  std::printf("%lld\n", static_cast<long long>(static_cast<LRESULT>(got)));
  return 0;
}

// Keys held together and let go in the reverse order (Ctrl+S, Alt+F4), by
// injected input at the window in front.
int cmdChord(int argc, char** argv) {
  if (argc < 1) return usage();
  std::vector<INPUT> in;
  for (int i = 0; i < argc; ++i) {
    INPUT k{};
    k.type = INPUT_KEYBOARD;
    k.ki.wVk = static_cast<WORD>(parseLong(argv[i]));
    in.push_back(k);
  }
  for (int i = argc - 1; i >= 0; --i) {
    INPUT k = in[static_cast<size_t>(i)];
    k.ki.dwFlags = KEYEVENTF_KEYUP;
    in.push_back(k);
  }
  const UINT n = static_cast<UINT>(in.size());
  return SendInput(n, in.data(), sizeof(INPUT)) == n ? 0 : 1;
}

// --- latency ------------------------------------------------------------------

bool shown(const wchar_t* cls) {
  HWND h = FindWindowW(cls, nullptr);
  return h && IsWindowVisible(h);
}

// Writes the device's bytes itself (into a port wired to the program's), so
// that the write and what follows are timed on one clock. "move" alternates a
// motion of 4 pixels right and left and times until GetCursorPos changes;
// "key" sends a function key and times until a window of the class shows,
// then sends the key again and waits for it to go.
// "stream" sends back-to-back motion packets at the line's full rate (9600
// bit/s: 320 packets a second) for the given seconds, alternately one pixel
// right and left, then one move of 40 right and down: the time until the
// pointer shows that last one is the backlog the stream left, and the
// pointer must end exactly 40 right and down of where it began.
int streamLatency(HANDLE port, long seconds) {
  constexpr double kPacketMs = 3.0 * 10.0 * 1000.0 / 9600.0;
  const unsigned char right[3] = {0xC0, 0x81, 0x80}, left[3] = {0xC3, 0xBF, 0x80};
  const unsigned char last[3] = {0xC0, 0x80 + 40, 0x80 + 40};
  POINT start{}, p{};
  GetCursorPos(&start);
  const long total = static_cast<long>(seconds * 1000 / kPacketMs) & ~1L;
  const double t0 = probe::NowMs();
  long sent = 0;
  double worstBehind = 0;
  while (sent < total) {
    const long due = std::min(total, static_cast<long>((probe::NowMs() - t0) / kPacketMs) + 1);
    worstBehind = std::max(worstBehind, static_cast<double>(due - sent));
    std::vector<unsigned char> bytes;
    for (; sent < due; ++sent)
      bytes.insert(bytes.end(), sent % 2 ? left : right, (sent % 2 ? left : right) + 3);
    DWORD put = 0;
    if (!bytes.empty() &&
        (!WriteFile(port, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) ||
         put != bytes.size()))
      return 1;
    Sleep(1);
  }
  const double sentMs = probe::NowMs() - t0;
  GetCursorPos(&p);
  const double tLast = probe::NowMs();
  DWORD put = 0;
  WriteFile(port, last, 3, &put, nullptr);
  bool moved = false;
  for (double end = tLast + 5000; probe::NowMs() < end; Sleep(1)) {
    GetCursorPos(&p);
    if (p.x == start.x + 40 && p.y == start.y + 40) {
      moved = true;
      break;
    }
  }
  const double lastMs = probe::NowMs() - tLast;
  std::printf("packets=%ld seconds=%.1f rate=%.0f/s last-packet=%.1f end=%s\n", total,
              sentMs / 1000, total * 1000.0 / sentMs, lastMs, moved ? "exact" : "OFF");
  (void)worstBehind;
  return moved ? 0 : 1;
}

int cmdLatency(int argc, char** argv) {
  if (argc < 3) return usage();
  const bool key = std::strcmp(argv[2], "key") == 0;
  if (key && argc < 5) return usage();
  HANDLE port = CreateFileA(argv[0], GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "winprobe: cannot open %s (error %lu)\n", argv[0], GetLastError());
    return 1;
  }
  const long samples = parseLong(argv[1]);
  if (std::strcmp(argv[2], "stream") == 0) {
    const int r = streamLatency(port, samples);
    CloseHandle(port);
    return r;
  }
  std::wstring cls;
  if (key)
    for (const char* c = argv[4]; *c; ++c) cls += static_cast<wchar_t>(*c);
  auto send = [&](const unsigned char* b) {
    DWORD put = 0;
    return WriteFile(port, b, 3, &put, nullptr) && put == 3;
  };
  std::vector<double> got;
  int timeouts = 0;
  double writeMs = 0;  // how long the writes themselves took, in total
  unsigned seed = 12345;
  for (long i = 0; i < samples; ++i) {
    // A pause of 10..69 ms so that writes fall at every phase of the poll.
    seed = seed * 1103515245u + 12345u;
    Sleep(10 + (seed >> 16) % 60);
    bool ok = false;
    double t0 = 0;
    if (!key) {
      const unsigned char right[3] = {0xC0, 0x84, 0x80}, left[3] = {0xC3, 0xBC, 0x80};
      POINT before{}, p{};
      GetCursorPos(&before);
      t0 = probe::NowMs();
      if (!send(i % 2 ? left : right)) break;
      writeMs += probe::NowMs() - t0;
      // Polled every millisecond: waitFor's 50 ms steps would be the figure.
      ok = [&] {
        for (double end = t0 + 2000; probe::NowMs() < end; Sleep(1)) {
          GetCursorPos(&p);
          if (p.x != before.x || p.y != before.y) return true;
        }
        return false;
      }();
    } else {
      const unsigned char k[3] = {0xC0, static_cast<unsigned char>(0x80 + argv[3][0]), 0x80};
      t0 = probe::NowMs();
      if (!send(k)) break;
      ok = [&] {
        for (double end = t0 + 5000; probe::NowMs() < end; Sleep(1))
          if (shown(cls.c_str())) return true;
        return false;
      }();
    }
    const double t1 = probe::NowMs();
    if (ok) {
      got.push_back(t1 - t0);
    } else {
      ++timeouts;
    }
    if (key) {
      const unsigned char k[3] = {0xC0, static_cast<unsigned char>(0x80 + argv[3][0]), 0x80};
      send(k);
      waitFor(5000, [&] { return !shown(cls.c_str()); });
      Sleep(300);  // the palette comes back
    }
  }
  CloseHandle(port);
  if (got.empty()) {
    std::printf("samples=0 timeouts=%d\n", timeouts);
    return 1;
  }
  std::sort(got.begin(), got.end());
  auto at = [&](double q) {
    size_t i = static_cast<size_t>(q * static_cast<double>(got.size() - 1) + 0.5);
    return got[std::min(i, got.size() - 1)];
  };
  std::printf("samples=%zu timeouts=%d min=%.1f median=%.1f p99=%.1f max=%.1f write=%.2f\n",
              got.size(), timeouts, got.front(), at(0.5), at(0.99), got.back(),
              writeMs / static_cast<double>(samples));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Plain "\n" line ends: a test reads the output as it grows, unfiltered.
  _setmode(_fileno(stdout), _O_BINARY);
  const struct {
    const char* name;
    int (*run)(int, char**);
  } commands[] = {
      {"list-windows", cmdList},
      {"find-window", cmdFind},
      {"wait-window", [](int n, char** a) { return cmdWait(n, a, false); }},
      {"wait-visible", [](int n, char** a) { return cmdWait(n, a, true); }},
      {"wait-gone", [](int n, char** a) { return cmdWaitGone(n, a, false); }},
      {"wait-hidden", [](int n, char** a) { return cmdWaitGone(n, a, true); }},
      {"window-text", cmdWindowText},
      {"messagebox", cmdMessageBox},
      {"setcursor", cmdSetCursor},
      {"getcursor", [](int, char**) { return cmdGetCursor(); }},
      {"cursor-shape", [](int, char**) { return cmdCursorShape(); }},
      {"screen", [](int, char**) { return cmdScreen(); }},
      {"monitors", [](int, char**) { return cmdMonitors(); }},
      {"click", cmdClick},
      {"serial-read", cmdSerialRead},
      {"hold", cmdHold},
      {"target", cmdTarget},
      {"window-state", cmdWindowState},
      {"above", cmdAbove},
      {"window-ties", cmdWindowTies},
      {"syscolor", cmdSysColor},
      {"set-text", cmdSetText},
      {"foreground", [](int, char**) { return cmdForeground(); }},
      {"activate", cmdActivate},
      {"buttons", [](int, char**) { return cmdButtons(); }},
      {"show-window", cmdShowWindow},
      {"window-at", cmdWindowAt},
      {"key", cmdKey},
      {"mci-error", cmdMciError},
      {"wait-cursor", cmdWaitCursor},
      {"latency", cmdLatency},
      {"children", cmdChildren},
      {"focus", cmdFocus},
      {"chord", cmdChord},
      {"send", cmdSend},
      {"display", cmdDisplay},
      {"mirror", cmdMirror},
      {"dpi", cmdDpi},
      {"captions", cmdCaptions},
      {"type-chars", cmdTypeChars},
  };
  if (argc < 2) return usage();
  for (const auto& c : commands) {
    if (std::strcmp(argv[1], c.name) == 0) {
      int rc = c.run(argc - 2, argv + 2);
      std::fflush(stdout);
      return rc;
    }
  }
  return usage();
}
