// Keeping what the overlay shows: the frozen picture with everything drawn on
// it, at the monitor's own pixels, saved as a PNG file in the user's
// pictures or put on the clipboard for other programs to paste.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Program.h"
#include "platform/Platform.h"
#include "raster/Bitmap.h"

class TForm_Draw;

namespace snapshot {

// The folder saves go into, inside the user's pictures.
inline constexpr char kFolderName[] = "Tavrin";

// "Tavrin 2026-12-10 14-03-22.png" for a save at that local time; the nth
// save of one second (from 2) adds " (n)" before the extension.
std::string FileName(const platform::SystemTime& at, int nth);

// What a save came to: the file written, or why there is none, in words
// for the balloon.
struct SaveResult {
  bool saved = false;
  std::string folder;  // where the file went or would have gone
  std::string path;    // the file, once written
  std::string reason;  // why not
};

// Writes pixels as a new file in the folder "Tavrin" of the user's
// pictures (made when missing), never over a file that is there.
SaveResult SavePicture(platform::Platform& sys, const gui::Bitmap& pixels);

// The picture as a packed device-independent bitmap (CF_DIB): a
// BITMAPINFOHEADER, then 24-bit rows from the bottom up, each padded to four
// bytes, the layout every program that pastes pictures reads.
std::vector<std::uint8_t> PackedDib(const gui::Bitmap& pixels);

// Puts pixels on the clipboard as CF_DIB, owned by window; false if the
// clipboard stayed another program's.
bool CopyPicture(platform::Platform& sys, platform::Hwnd window, const gui::Bitmap& pixels);

// The overlay's Ctrl+S and Ctrl+C: what it shows now is saved or copied,
// and the tray's balloon tells how it went. The overlay stays as it is.
void SaveShown(Program& program, TForm_Draw& overlay);
void CopyShown(Program& program, TForm_Draw& overlay);

}  // namespace snapshot
