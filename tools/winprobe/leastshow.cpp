// leastshow: the least program that does an overlay effect's work, the
// yardstick of scripts/bench-show.sh (figures, not a test).
//
//   leastshow <port> dim|zoom|field [poll]
//
// It waits on the port as the program's driver does under Wine (where a
// comm-event wait on the line ends at once with nothing): an overlapped
// read of one byte with no time-outs, waited on beside the messages, so it
// wakes as the byte arrives. With "poll" it polls the port every 50 ms
// instead, as a plain serial reader does. A packet's first byte (0xC0)
// that arrives while nothing shows makes it take a picture of the screen (a block
// transfer from the desktop's device context), turn it into the frame
// (dim: every other pixel black in a checkerboard; zoom: the quarter of
// the screen around the pointer enlarged twice; field: a plain field with
// a countdown's digits) and show it in a topmost full-screen window; bytes
// that arrives while it shows hides the window again. Nothing else: no
// palette to hide, no settings, no tools.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/win32/Dib.h"

namespace {

HANDLE port = INVALID_HANDLE_VALUE;
HWND window = nullptr;
HDC frameDc = nullptr;
int width = 0, height = 0;
enum class Mode { Dim, Zoom, Field } mode = Mode::Dim;

HDC NewSurface(HDC like, std::uint32_t** bits) {
  const BITMAPINFO bi = platform::TopDown32(width, height);
  void* p = nullptr;
  HDC dc = CreateCompatibleDC(like);
  SelectObject(dc, CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0));
  *bits = static_cast<std::uint32_t*>(p);
  return dc;
}

// The capture and the frame, built into surfaces made once.
void BuildFrame() {
  static HDC grabDc = nullptr;
  static std::uint32_t *grab = nullptr, *frame = nullptr;
  HDC screen = GetDC(nullptr);
  if (!grabDc) {
    grabDc = NewSurface(screen, &grab);
    frameDc = NewSurface(screen, &frame);
  }
  BitBlt(grabDc, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  ReleaseDC(nullptr, screen);
  GdiFlush();
  switch (mode) {
    case Mode::Dim:
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
          const std::size_t i = static_cast<std::size_t>(y) * width + x;
          frame[i] = (x + y) % 2 ? grab[i] : 0;
        }
      break;
    case Mode::Zoom: {
      POINT p{};
      GetCursorPos(&p);
      const int w = width / 2, h = height / 2;
      const int left = std::max(0L, std::min<long>(p.x - w / 2, width - w));
      const int top = std::max(0L, std::min<long>(p.y - h / 2, height - h));
      StretchBlt(frameDc, 0, 0, width, height, grabDc, left, top, w, h, SRCCOPY);
      break;
    }
    case Mode::Field: {
      RECT all{0, 0, width, height};
      HBRUSH b = CreateSolidBrush(RGB(0, 0, 128));
      FillRect(frameDc, &all, b);
      DeleteObject(b);
      HFONT f =
          CreateFontA(64, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Times New Roman");
      HGDIOBJ old = SelectObject(frameDc, f);
      SetBkMode(frameDc, TRANSPARENT);
      SetTextColor(frameDc, RGB(128, 255, 128));
      DrawTextA(frameDc, "10 : 00", -1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      SelectObject(frameDc, old);
      DeleteObject(f);
      break;
    }
  }
  GdiFlush();
}

// Bytes read: a packet's first byte shows the frame or hides it. Only that
// byte counts, so a packet whose bytes come in two reads toggles once.
void Received(const unsigned char* bytes, DWORD count) {
  if (std::find(bytes, bytes + count, 0xC0) == bytes + count) return;
  if (IsWindowVisible(window)) {
    ShowWindow(window, SW_HIDE);
    return;
  }
  BuildFrame();
  SetWindowPos(window, HWND_TOPMOST, 0, 0, width, height, SWP_SHOWWINDOW);
}

DWORD Queued() {
  DWORD errors = 0;
  COMSTAT stat{};
  return ClearCommError(port, &errors, &stat) ? stat.cbInQue : 0;
}

void Poll() {
  const DWORD queued = Queued();
  if (queued == 0) return;
  unsigned char buf[256];
  DWORD got = 0;
  ReadFile(port, buf, std::min<DWORD>(queued, sizeof buf), &got, nullptr);
  Received(buf, got);
}

// The event-driven form: the one-byte read that wakes it, and the bytes
// queued behind that byte, read at once (all are there: the time-outs are
// off, so a read of them completes as soon as they are copied).
OVERLAPPED waitRecord{};
unsigned char waitByte = 0;

bool ArmByteRead() {
  if (ReadFile(port, &waitByte, 1, nullptr, &waitRecord)) {
    SetEvent(waitRecord.hEvent);
    return true;
  }
  return GetLastError() == ERROR_IO_PENDING;
}

bool Arrived() {
  DWORD got = 0;
  if (!GetOverlappedResult(port, &waitRecord, &got, FALSE))
    return GetLastError() == ERROR_IO_INCOMPLETE;
  ResetEvent(waitRecord.hEvent);
  unsigned char buf[256];
  buf[0] = waitByte;
  DWORD more = std::min<DWORD>(Queued(), sizeof buf - got);
  if (more > 0) {
    OVERLAPPED rest{};
    rest.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!ReadFile(port, buf + got, more, nullptr, &rest) && GetLastError() != ERROR_IO_PENDING)
      more = 0;
    else if (!GetOverlappedResult(port, &rest, &more, TRUE))
      more = 0;
    CloseHandle(rest.hEvent);
  }
  Received(buf, got + more);
  return ArmByteRead();
}

int EventLoop() {
  waitRecord.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (!ArmByteRead()) {
    std::fprintf(stderr, "leastshow: cannot read the port (error %lu)\n", GetLastError());
    return 1;
  }
  MSG msg;
  for (;;) {
    const DWORD r = MsgWaitForMultipleObjectsEx(1, &waitRecord.hEvent, INFINITE, QS_ALLINPUT,
                                                MWMO_INPUTAVAILABLE);
    if (r == WAIT_OBJECT_0) {
      if (!Arrived()) {
        std::fprintf(stderr, "leastshow: the port failed (error %lu)\n", GetLastError());
        return 1;
      }
      continue;
    }
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return 0;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
}

LRESULT CALLBACK Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_TIMER: Poll(); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      if (frameDc) BitBlt(dc, 0, 0, width, height, frameDc, 0, 0, SRCCOPY);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(h, m, w, l);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: leastshow <port> dim|zoom|field [poll]\n", stderr);
    return 2;
  }
  mode = std::strcmp(argv[2], "zoom") == 0    ? Mode::Zoom
         : std::strcmp(argv[2], "field") == 0 ? Mode::Field
                                              : Mode::Dim;
  const bool polling = argc > 3 && std::strcmp(argv[3], "poll") == 0;
  port = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                     polling ? 0 : FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "leastshow: cannot open %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  // Polling: reads return at once with what is queued. Waiting: none, so
  // the one-byte read waits for its byte.
  COMMTIMEOUTS t{polling ? MAXDWORD : 0, 0, 0, 0, 0};
  SetCommTimeouts(port, &t);
  PurgeComm(port, PURGE_RXCLEAR);
  width = GetSystemMetrics(SM_CXSCREEN);
  height = GetSystemMetrics(SM_CYSCREEN);
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "LeastShow";
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  RegisterClassA(&wc);
  window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "LeastShow", "leastshow", WS_POPUP, 0,
                           0, width, height, nullptr, nullptr, wc.hInstance, nullptr);
  if (!polling) return EventLoop();
  SetTimer(window, 1, 50, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
