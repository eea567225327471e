#include "effects/Snapshot.h"

#include <cstdio>

#include "effects/Show.h"

using namespace platform;

namespace snapshot {

namespace {

// Saves in one second go up to this suffix; past it something is wrong
// with the folder, and the save says so rather than trying on.
constexpr int kMaxSameSecond = 999;

// A clipboard viewer opens the clipboard for a moment after every change;
// a copy that meets it open tries again a few times.
constexpr int kOpenAttempts = 5;
constexpr std::uint32_t kOpenRetryMs = 20;

std::string Hex(HResult hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

bool DiskFull(HResult hr) {
  return hr == HResultFromWin32(error::kDiskFull) ||
         hr == HResultFromWin32(error::kHandleDiskFull) || hr == kStgEMediumFull;
}

void PutLe(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::string FileName(const SystemTime& at, int nth) {
  char name[64];
  std::snprintf(name, sizeof name, "Tavrin %04u-%02u-%02u %02u-%02u-%02u", at.wYear, at.wMonth,
                at.wDay, at.wHour, at.wMinute, at.wSecond);
  std::string text = name;
  if (nth > 1) text += " (" + std::to_string(nth) + ")";
  return text + ".png";
}

SaveResult SavePicture(Platform& sys, const gui::Bitmap& pixels) {
  SaveResult result;
  std::string pictures;
  const HResult found = sys.SHGetKnownFolderPath(kFolderIdPictures, kKfFlagCreate, 0, &pictures);
  if (found < 0 || pictures.empty()) {
    result.reason = "Your Pictures folder cannot be found (error " + Hex(found) + ").";
    return result;
  }
  if (pictures.back() == '\\') pictures.pop_back();
  result.folder = pictures + "\\" + kFolderName;
  if (!sys.CreateDirectoryW(result.folder) && sys.GetLastError() != error::kAlreadyExists) {
    const long why = sys.GetLastError();
    result.reason = "The folder " + result.folder + " cannot be made (" +
                    (why == error::kAccessDenied ? std::string("access denied")
                                                 : "error " + std::to_string(why)) +
                    ").";
    return result;
  }
  SystemTime now;
  sys.GetLocalTime(&now);
  for (int nth = 1; nth <= kMaxSameSecond; ++nth) {
    const std::string path = result.folder + "\\" + FileName(now, nth);
    const HResult hr = sys.SavePngFile(path, pixels);
    if (hr == HResultFromWin32(error::kFileExists)) continue;  // never over another file
    if (hr >= 0) {
      result.saved = true;
      result.path = path;
    } else if (DiskFull(hr)) {
      result.reason =
          "The disk is full: there is no room for the picture in " + result.folder + ".";
    } else {
      result.reason = path + " cannot be written (error " + Hex(hr) + ").";
    }
    return result;
  }
  result.reason = "Too many pictures of this second in " + result.folder + ".";
  return result;
}

std::vector<std::uint8_t> PackedDib(const gui::Bitmap& pixels) {
  constexpr std::size_t kHeader = 40;  // BITMAPINFOHEADER
  const std::size_t width = static_cast<std::size_t>(pixels.Width());
  const std::size_t height = static_cast<std::size_t>(pixels.Height());
  const std::size_t stride = (width * 3 + 3) & ~std::size_t{3};
  std::vector<std::uint8_t> dib(kHeader + stride * height, 0);
  PutLe(dib, 0, kHeader, 4);
  PutLe(dib, 4, static_cast<std::uint32_t>(width), 4);
  PutLe(dib, 8, static_cast<std::uint32_t>(height), 4);  // positive: bottom-up
  PutLe(dib, 12, 1, 2);                                  // planes
  PutLe(dib, 14, 24, 2);                                 // bits per pixel
  PutLe(dib, 16, 0, 4);                                  // BI_RGB
  PutLe(dib, 20, static_cast<std::uint32_t>(stride * height), 4);
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint32_t* row = pixels.Row(static_cast<int>(y));  // 0x00RRGGBB
    std::uint8_t* to = &dib[kHeader + (height - 1 - y) * stride];
    for (std::size_t x = 0; x < width; ++x) {
      to[x * 3] = static_cast<std::uint8_t>(row[x]);
      to[x * 3 + 1] = static_cast<std::uint8_t>(row[x] >> 8);
      to[x * 3 + 2] = static_cast<std::uint8_t>(row[x] >> 16);
    }
  }
  return dib;
}

bool CopyPicture(Platform& sys, Hwnd window, const gui::Bitmap& pixels) {
  bool open = false;
  for (int attempt = 0; attempt < kOpenAttempts && !open; ++attempt) {
    if (attempt > 0) sys.Sleep(kOpenRetryMs);
    open = sys.OpenClipboard(window);
  }
  if (!open) return false;
  // Emptying makes the window the owner, without which nothing can be put.
  const bool copied = sys.EmptyClipboard() && sys.SetClipboardData(kCfDib, PackedDib(pixels)) != 0;
  sys.CloseClipboard();
  return copied;
}

namespace {

// What the overlay's window shows now: the pixels the program holds for it,
// the frozen picture with every tool's drawing, at the monitor's pixels.
const gui::Bitmap* Shown(Program& program, TForm_Draw& overlay) {
  if (!overlay.Visible()) return nullptr;
  const gui::Bitmap* pixels = program.sys.WindowSurface(overlay.Handle());
  return pixels && !pixels->Empty() ? pixels : nullptr;
}

void Tell(Program& program, Program::Balloon balloon) {
  if (program.ShowBalloon) program.ShowBalloon(std::move(balloon));
}

}  // namespace

void SaveShown(Program& program, TForm_Draw& overlay) {
  const gui::Bitmap* pixels = Shown(program, overlay);
  if (!pixels) return;
  const SaveResult saved = SavePicture(program.sys, *pixels);
  if (!saved.saved) {
    Tell(program, {"The picture was not saved", saved.reason, true, {}});
    return;
  }
  const std::string name = saved.path.substr(saved.folder.size() + 1);
  Platform& sys = program.sys;
  Tell(program,
       {"Picture saved", name + " is in " + saved.folder + ". Click here to open the folder.",
        false, [&sys, folder = saved.folder] {
          // The folder opens in the shell's window; nothing to
          // report if it cannot.
          [[maybe_unused]] const std::intptr_t opened =
              sys.ShellExecuteA(0, "open", folder, "", "", kSwShowNormal);
        }});
}

void CopyShown(Program& program, TForm_Draw& overlay) {
  const gui::Bitmap* pixels = Shown(program, overlay);
  if (!pixels) return;
  if (!CopyPicture(program.sys, overlay.Handle(), *pixels))
    Tell(program, {"The picture was not copied",
                   "Another program is using the clipboard. Try again in a moment.",
                   true,
                   {}});
}

}  // namespace snapshot
