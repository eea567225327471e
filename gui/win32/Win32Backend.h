// The window framework's host on the real system: GDI for frames and icons,
// the system's own message box and popup menu. Free of <windows.h>, like the
// platform's header, so the entry point can create it.
#pragma once

#include "gui/Backend.h"

namespace gui {

class Win32Backend final : public Backend {
 public:
  IRect PresentFrame(platform::Hwnd hwnd, const Bitmap& frame) override;
  IRect PaintArea(platform::Hwnd hwnd) override;
  void PaintThrough(platform::Hwnd hwnd, const std::function<void()>& draw) override;
  int MessageBox(platform::Hwnd owner, std::string_view text, std::string_view caption,
                 std::uint32_t flags) override;
  int TrackPopupMenu(const std::vector<MenuEntry>& entries, std::int32_t x, std::int32_t y,
                     std::uint32_t flags, platform::Hwnd owner) override;
  platform::HIcon CreateIcon(const MaskedImage& image) override;
  void DestroyIcon(platform::HIcon icon) override;
  bool KeyPressed(int virtualKey) override;
  bool ChooseColor(platform::Hwnd owner, ColorChoice& choice) override;
  bool GetOpenFileName(platform::Hwnd owner, FileChoice& choice) override;
};

}  // namespace gui
