// leastshow: the least program that does an overlay effect's work, the
// yardstick of scripts/bench-show.sh (figures, not a test).
//
//   leastshow <port> dim|zoom|field
//
// It polls the port every 50 ms, as a plain serial reader does. Bytes that
// arrive while nothing shows make it take a picture of the screen (a block
// transfer from the desktop's device context), turn it into the frame
// (dim: every other pixel black in a checkerboard; zoom: the quarter of
// the screen around the pointer enlarged twice; field: a plain field with
// a countdown's digits) and show it in a topmost full-screen window; bytes
// that arrive while it shows hide the window again. Nothing else: no
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

void Poll() {
  DWORD errors = 0;
  COMSTAT stat{};
  if (!ClearCommError(port, &errors, &stat) || stat.cbInQue == 0) return;
  unsigned char buf[256];
  DWORD got = 0;
  ReadFile(port, buf, std::min<DWORD>(stat.cbInQue, sizeof buf), &got, nullptr);
  if (got == 0) return;
  if (IsWindowVisible(window)) {
    ShowWindow(window, SW_HIDE);
    return;
  }
  BuildFrame();
  SetWindowPos(window, HWND_TOPMOST, 0, 0, width, height, SWP_SHOWWINDOW);
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
    std::fputs("usage: leastshow <port> dim|zoom|field\n", stderr);
    return 2;
  }
  mode = std::strcmp(argv[2], "zoom") == 0    ? Mode::Zoom
         : std::strcmp(argv[2], "field") == 0 ? Mode::Field
                                              : Mode::Dim;
  port = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "leastshow: cannot open %s (error %lu)\n", argv[1], GetLastError());
    return 1;
  }
  COMMTIMEOUTS t{MAXDWORD, 0, 0, 0, 0};  // reads return at once with what is queued
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
  SetTimer(window, 1, 50, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
