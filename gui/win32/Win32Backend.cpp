#include "gui/win32/Win32Backend.h"

#include <windows.h>
// <commdlg.h> needs the types of <windows.h> before it.
#include <commdlg.h>

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win32/Dib.h"

// <windows.h> maps MessageBox to MessageBoxA; the backend's method keeps its name.
#undef MessageBox
#undef ChooseColor
#undef GetOpenFileName

namespace gui {
namespace {

HWND ToHwnd(platform::Hwnd h) { return reinterpret_cast<HWND>(h); }

using platform::TopDown32;

HMENU BuildMenu(const std::vector<MenuEntry>& entries) {
  HMENU menu = ::CreatePopupMenu();
  if (!menu) return nullptr;
  for (const MenuEntry& e : entries) {
    if (e.separator) {
      ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags =
        MF_STRING | (e.checked ? MF_CHECKED : MF_UNCHECKED) | (e.enabled ? MF_ENABLED : MF_GRAYED);
    UINT_PTR item = static_cast<UINT_PTR>(e.id);
    HMENU sub = nullptr;
    if (!e.children.empty()) {
      sub = BuildMenu(e.children);
      if (!sub) continue;
      flags |= MF_POPUP;
      item = reinterpret_cast<UINT_PTR>(sub);
    }
    // An attached submenu is destroyed with its parent; a detached one is not.
    if (!::AppendMenuA(menu, flags, item, e.text.c_str()) && sub) ::DestroyMenu(sub);
  }
  return menu;
}

}  // namespace

IRect Win32Backend::PresentFrame(platform::Hwnd hwnd, const Bitmap& frame) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(ToHwnd(hwnd), &ps);
  // Only what the system asks for: an uncovered strip, not the whole screen.
  const IRect part = Intersect(
      {ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom}, frame.Bounds());
  if (dc && !part.Empty()) {
    // The part's rows as a picture of their own height, so that only the
    // column offset into them needs saying.
    const BITMAPINFO bmi = TopDown32(frame.Width(), part.Height());
    ::SetDIBitsToDevice(dc, part.left, part.top, static_cast<DWORD>(part.Width()),
                        static_cast<DWORD>(part.Height()), part.left, 0, 0,
                        static_cast<UINT>(part.Height()), frame.Row(part.top), &bmi,
                        DIB_RGB_COLORS);
  }
  // Validates the window even when there was nothing to draw, or WM_PAINT repeats.
  ::EndPaint(ToHwnd(hwnd), &ps);
  return dc ? part : IRect{};
}

IRect Win32Backend::PaintArea(platform::Hwnd hwnd) {
  RECT r;
  if (!::GetUpdateRect(ToHwnd(hwnd), &r, FALSE)) return {};
  return {r.left, r.top, r.right, r.bottom};
}

void Win32Backend::PaintThrough(platform::Hwnd hwnd, const std::function<void()>& draw) {
  PAINTSTRUCT ps;
  ::BeginPaint(ToHwnd(hwnd), &ps);
  draw();
  ::EndPaint(ToHwnd(hwnd), &ps);
}

int Win32Backend::MessageBox(platform::Hwnd owner, std::string_view text, std::string_view caption,
                             std::uint32_t flags) {
  const std::string t(text), c(caption);
  // No caption of its own: the system's default one ("Error"), not a blank.
  return ::MessageBoxA(ToHwnd(owner), t.c_str(), c.empty() ? nullptr : c.c_str(), flags);
}

int Win32Backend::TrackPopupMenu(const std::vector<MenuEntry>& entries, std::int32_t x,
                                 std::int32_t y, std::uint32_t flags, platform::Hwnd owner) {
  HMENU menu = BuildMenu(entries);
  if (!menu) return 0;
  // The choice comes back as the result, not as WM_COMMAND to the owner.
  const BOOL chosen =
      ::TrackPopupMenu(menu, flags | TPM_RETURNCMD | TPM_NONOTIFY, x, y, 0, ToHwnd(owner), nullptr);
  ::DestroyMenu(menu);
  return static_cast<int>(chosen);
}

platform::HIcon Win32Backend::CreateIcon(const MaskedImage& image) {
  const int w = image.color.Width();
  const int h = image.color.Height();
  if (w <= 0 || h <= 0) return 0;
  // A mask that does not match the picture is ignored: the icon is opaque.
  const bool masked = image.mask.size() == static_cast<std::size_t>(w) * h;

  const BITMAPINFO bmi = TopDown32(w, h);
  void* bits = nullptr;
  HBITMAP color = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!color || !bits) {
    if (color) ::DeleteObject(color);
    return 0;
  }

  // Monochrome bitmap rows are padded to 16 bits; the leftmost pixel is the
  // high bit. 1 = transparent (the screen shows through), 0 = the colour pixel.
  const int stride = (w + 15) / 16 * 2;
  std::vector<std::uint8_t> andMask(static_cast<std::size_t>(stride) * h, 0);
  auto* out = static_cast<std::uint32_t*>(bits);
  for (int y = 0; y < h; ++y) {
    const std::uint32_t* row = image.color.Row(y);
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      const bool transparent = masked && image.mask[i] != 0;
      // The alpha byte stays 0 everywhere, so the system draws through the
      // AND mask instead of blending per pixel; transparent pixels are black
      // so that the XOR step leaves the screen unchanged.
      out[i] = transparent ? 0 : (row[x] & 0x00FFFFFFu);
      if (transparent) andMask[static_cast<std::size_t>(y) * stride + x / 8] |= 0x80u >> (x % 8);
    }
  }
  HBITMAP mask = ::CreateBitmap(w, h, 1, 1, andMask.data());

  HICON icon = nullptr;
  if (mask) {
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = mask;
    info.hbmColor = color;
    icon = ::CreateIconIndirect(&info);  // copies both bitmaps
    ::DeleteObject(mask);
  }
  ::DeleteObject(color);
  return reinterpret_cast<platform::HIcon>(icon);
}

void Win32Backend::DestroyIcon(platform::HIcon icon) {
  if (icon) ::DestroyIcon(reinterpret_cast<HICON>(icon));
}

bool Win32Backend::KeyPressed(int virtualKey) {
  // The state as of the message being handled, not the physical key now.
  return (::GetKeyState(virtualKey) & 0x8000) != 0;
}

bool Win32Backend::ChooseColor(platform::Hwnd owner, ColorChoice& choice) {
  COLORREF custom[16];
  for (int i = 0; i < 16; ++i) custom[i] = choice.custom[i];
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = ToHwnd(owner);
  cc.rgbResult = choice.color;  // 0x00BBGGRR, as the program keeps colours
  cc.lpCustColors = custom;
  cc.Flags = choice.flags;
  const bool ok = ::ChooseColorA(&cc) != FALSE;
  for (int i = 0; i < 16; ++i) choice.custom[i] = custom[i];
  if (ok) choice.color = cc.rgbResult & 0x00FFFFFF;
  return ok;
}

bool Win32Backend::GetOpenFileName(platform::Hwnd owner, FileChoice& choice) {
  char name[kMaxFileNameBytes] = {};
  choice.fileName.copy(name, kMaxFileNameBytes - 1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = ToHwnd(owner);
  ofn.lpstrFilter = choice.filter.empty() ? nullptr : choice.filter.c_str();
  ofn.lpstrFile = name;
  ofn.nMaxFile = sizeof name;
  ofn.Flags = choice.flags;
  if (!::GetOpenFileNameA(&ofn)) return false;
  name[kMaxFileNameBytes - 1] = '\0';
  choice.fileName = name;
  return true;
}

}  // namespace gui
