// pasteprobe: pastes the clipboard's picture as a program that takes
// pictures does, for the end-to-end tests. It takes the picture in one
// format, as a device-independent bitmap (CF_DIB, the form a copy puts
// there) or as a bitmap (CF_BITMAP, which the system makes from it on
// request), and shows it pixel for pixel in a topmost window that does not
// take the focus, its top-left corner at x,y. A screenshot of the X display
// then shows what a paste gives.
//
//   pasteprobe <dib|bitmap> <x> <y> <ms>
//
// Prints "ready hwnd=... w=... h=... bits=... owner=... formats=..." once the
// picture is on the screen (bits: the DIB's bits per pixel, 0 for a bitmap;
// owner: the window that put it there; formats: what the clipboard offered,
// in its order), and ends after ms or when the
// window is closed. Exit status: 0 shown, 1 no picture in that format, 2
// usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<BYTE> dib;  // the packed DIB, for CF_DIB
HBITMAP bitmap;         // a copy of the clipboard's, for CF_BITMAP
int width, height;

LRESULT CALLBACK pasteProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      if (!dib.empty()) {
        const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
        const BITMAPINFOHEADER& head = info->bmiHeader;
        // The bits follow the header, the three masks of BI_BITFIELDS in a
        // plain header, and the colour table.
        size_t offset = head.biSize;
        if (head.biCompression == BI_BITFIELDS && head.biSize == sizeof(BITMAPINFOHEADER))
          offset += 3 * sizeof(DWORD);
        const DWORD colours =
            head.biClrUsed ? head.biClrUsed : (head.biBitCount <= 8 ? 1u << head.biBitCount : 0);
        offset += colours * sizeof(RGBQUAD);
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                          static_cast<UINT>(height), dib.data() + offset, info, DIB_RGB_COLORS);
      } else {
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
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

// Takes the picture off the clipboard in the format asked for; false when
// it has none. The clipboard's own objects stay its own: this keeps copies.
bool take(bool asDib, std::string& formats, HWND& owner) {
  bool open = false;
  // Another program (Wine's own clipboard bridge) may hold it for a moment.
  for (int attempt = 0; attempt < 50 && !open; ++attempt) {
    if (attempt) Sleep(20);
    open = OpenClipboard(nullptr) != FALSE;
  }
  if (!open) return false;
  owner = GetClipboardOwner();
  for (UINT f = EnumClipboardFormats(0); f; f = EnumClipboardFormats(f))
    formats += (formats.empty() ? "" : ",") + std::to_string(f);
  bool got = false;
  if (asDib) {
    HANDLE memory = GetClipboardData(CF_DIB);
    const void* bytes = memory ? GlobalLock(memory) : nullptr;
    if (bytes) {
      const auto* first = static_cast<const BYTE*>(bytes);
      dib.assign(first, first + GlobalSize(memory));
      GlobalUnlock(memory);
      if (dib.size() >= sizeof(BITMAPINFOHEADER)) {
        const auto& head = *reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
        width = head.biWidth;
        height = head.biHeight < 0 ? -head.biHeight : head.biHeight;
        got = true;
      }
    }
  } else {
    HBITMAP shared = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP b{};
    if (shared && GetObjectW(shared, sizeof b, &b)) {
      width = b.bmWidth;
      height = b.bmHeight;
      bitmap = static_cast<HBITMAP>(CopyImage(shared, IMAGE_BITMAP, 0, 0, 0));
      got = bitmap != nullptr;
    }
  }
  CloseClipboard();
  return got;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || (std::strcmp(argv[1], "dib") != 0 && std::strcmp(argv[1], "bitmap") != 0)) {
    std::fputs("usage: pasteprobe <dib|bitmap> <x> <y> <ms>\n", stderr);
    return 2;
  }
  const bool asDib = std::strcmp(argv[1], "dib") == 0;
  std::string formats;
  HWND owner = nullptr;
  if (!take(asDib, formats, owner)) {
    std::printf("none formats=%s\n", formats.c_str());
    return 1;
  }
  WNDCLASSW wc{};
  wc.lpfnWndProc = pasteProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TavrinProbePaste";
  RegisterClassW(&wc);
  HWND win = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName,
                             L"Pasted", WS_POPUP, std::atoi(argv[2]), std::atoi(argv[3]), width,
                             height, nullptr, nullptr, wc.hInstance, nullptr);
  if (!win) return 1;
  ShowWindow(win, SW_SHOWNOACTIVATE);
  UpdateWindow(win);
  const int bits =
      dib.empty() ? 0 : reinterpret_cast<const BITMAPINFOHEADER*>(dib.data())->biBitCount;
  auto hex = [](HWND h) { return static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(h)); };
  std::printf("ready hwnd=0x%llx w=%d h=%d bits=%d owner=0x%llx formats=%s\n", hex(win), width,
              height, bits, hex(owner), formats.c_str());
  std::fflush(stdout);
  SetTimer(win, 1, static_cast<UINT>(std::atoi(argv[4])), nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  if (bitmap) DeleteObject(bitmap);
  return 0;
}
