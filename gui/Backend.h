// What the window framework needs from its host beyond the platform's window
// operations: presenting a composed frame, the system's message box and popup
// menu, and icon handles. Two implementations: win32/ (the real thing) and
// headless/ (for tests: a box with its own message loop on the simulated
// system, menus recorded and answered by the test).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "raster/Bitmap.h"

namespace gui {

// MessageBox flags and results (Windows numbering).
inline constexpr std::uint32_t kMbOk = 0x00000000;
inline constexpr std::uint32_t kMbIconStop = 0x00000010;
inline constexpr std::uint32_t kMbIconExclamation = 0x00000030;
inline constexpr std::uint32_t kMbIconInformation = 0x00000040;
inline constexpr std::uint32_t kMbTaskModal = 0x00002000;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// TrackPopupMenu flags.
inline constexpr std::uint32_t kTpmLeftAlign = 0x0000;
inline constexpr std::uint32_t kTpmCenterAlign = 0x0004;
inline constexpr std::uint32_t kTpmRightAlign = 0x0008;
inline constexpr std::uint32_t kTpmLeftButton = 0x0000;
inline constexpr std::uint32_t kTpmRightButton = 0x0002;
inline constexpr std::uint32_t kTpmReturnCmd = 0x0100;

// One entry of a popup menu as the system shows it. Ids are positive and
// unique within one menu; a separator has id 0.
struct MenuEntry {
  int id = 0;
  std::string text;  // caption with its '&' access key, then "\t" and the shortcut text
  bool separator = false;
  bool checked = false;
  bool enabled = true;
  std::vector<MenuEntry> children;  // non-empty: a submenu
};

// What the system's colour chooser is given and gives back (CHOOSECOLOR).
struct ColorChoice {
  Color color = kBlack;              // in: the colour it opens with; out: the one chosen
  Color custom[16] = {};             // the custom colours, in and out
  std::uint32_t flags = 0x00000001;  // CC_RGBINIT
};

// The file chooser's record (OPENFILENAME): the filter with '\0' between
// its parts and two at its end, the file name it opens with and gives back.
// A path has at most kMaxFileName characters with its terminating zero; in
// UTF-8 that is up to four bytes each, which the buffer the system fills
// (kMaxFileNameBytes) has room for.
inline constexpr std::size_t kMaxFileName = 260;
inline constexpr std::size_t kMaxFileNameBytes = 4 * kMaxFileName;
struct FileChoice {
  std::string filter;
  std::string fileName;  // at most kMaxFileName - 1 characters
  std::uint32_t flags =
      0x00001000 | 0x00000800 | 0x00000004;  // file and path must exist, no read-only box
};

class Backend {
 public:
  virtual ~Backend() = default;

  // The system's modal colour and file choosers; false when the user
  // cancelled (choice then as it was).
  virtual bool ChooseColor(platform::Hwnd owner, ColorChoice& choice) = 0;
  virtual bool GetOpenFileName(platform::Hwnd owner, FileChoice& choice) = 0;

  // Puts the frame (the window's whole picture) on the window, as far as the
  // system asks for it, and validates the window; returns the part it put
  // there (empty when none). Called while the window handles WM_PAINT.
  virtual IRect PresentFrame(platform::Hwnd hwnd, const Bitmap& frame) = 0;
  // The part of the window a paint would be asked for now (the bounds of
  // its update region, in client coordinates); empty when none is.
  virtual IRect PaintArea(platform::Hwnd hwnd) = 0;
  // Handles WM_PAINT with what draw puts on the window through its own
  // device contexts: draw runs between the paint's start and its end, which
  // validates the window. Called while the window handles WM_PAINT.
  virtual void PaintThrough(platform::Hwnd hwnd, const std::function<void()>& draw) = 0;

  // A modal system message box; returns the button pressed (IDOK, ...).
  virtual int MessageBox(platform::Hwnd owner, std::string_view text, std::string_view caption,
                         std::uint32_t flags) = 0;

  // Shows a popup menu at the screen point and returns the id of the chosen
  // entry, or 0 when the menu was dismissed. Blocks while the menu is open.
  virtual int TrackPopupMenu(const std::vector<MenuEntry>& entries, std::int32_t x, std::int32_t y,
                             std::uint32_t flags, platform::Hwnd owner) = 0;

  // A system icon made from a masked picture; DestroyIcon releases it.
  virtual platform::HIcon CreateIcon(const MaskedImage& image) = 0;
  virtual void DestroyIcon(platform::HIcon icon) = 0;

  // Whether the key is held right now (the high bit of GetKeyState).
  virtual bool KeyPressed(int virtualKey) = 0;
};

}  // namespace gui
