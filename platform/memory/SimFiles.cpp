// The simulated machine's folders, local time, PNG files and clipboard.
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace platform::memory {

namespace {

// The folder a path is in: everything before its last backslash.
std::string_view ParentOf(std::string_view path) {
  const std::size_t at = path.rfind('\\');
  return at == std::string_view::npos ? std::string_view{} : path.substr(0, at);
}

std::string_view WithoutTrailingSlash(std::string_view path) {
  while (path.size() > 3 && path.back() == '\\') path.remove_suffix(1);
  return path;
}

// The picture as the system's encoder writes it for a 24-bit source: 8-bit
// RGB, no interlace, every pixel as it is. libpng is the real thing, so a
// reader of the file sees what a reader of the system's would.
bool EncodePng(const gui::Bitmap& pixels, std::vector<std::uint8_t>& out) {
  if (pixels.Empty()) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(pixels.Width()) * 3);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t size) {
        auto* bytes = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
        bytes->insert(bytes->end(), data, data + size);
      },
      nullptr);
  png_set_IHDR(png, info, static_cast<png_uint_32>(pixels.Width()),
               static_cast<png_uint_32>(pixels.Height()), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < pixels.Height(); ++y) {
    for (int x = 0; x < pixels.Width(); ++x) {
      const gui::Color c = pixels.Pixel(x, y);
      row[static_cast<std::size_t>(x) * 3] = static_cast<std::uint8_t>(gui::RedOf(c));
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<std::uint8_t>(gui::GreenOf(c));
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<std::uint8_t>(gui::BlueOf(c));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

// ---- the machine ------------------------------------------------------------------

void SimSystem::RemoveDirectory(std::string_view path) {
  const std::string folded = Fold(WithoutTrailingSlash(path));
  const auto inside = [&](const std::string& name) {
    return name == folded || name.rfind(folded + "\\", 0) == 0;
  };
  std::erase_if(directories_, inside);
  std::erase_if(files_, [&](const auto& f) { return inside(f.first); });
  std::erase_if(fileNames_, [&](const auto& f) { return inside(f.first); });
}

void SimSystem::SetKnownFolder(const Guid& id, std::string path) {
  for (auto& [known, where] : knownFolders_)
    if (known == id) {
      where = std::move(path);
      return;
    }
  knownFolders_.emplace_back(id, std::move(path));
}

const std::vector<std::uint8_t>* SimSystem::FileBytes(std::string_view name) const {
  const auto it = files_.find(Fold(name));
  return it == files_.end() ? nullptr : &it->second.bytes;
}

std::vector<std::string> SimSystem::FilesIn(std::string_view folder) const {
  const std::string folded = Fold(WithoutTrailingSlash(folder));
  std::vector<std::string> names;
  for (const auto& [key, written] : fileNames_)
    if (Fold(ParentOf(key)) == folded && files_.contains(key))
      names.push_back(written.substr(written.rfind('\\') + 1));
  std::sort(names.begin(), names.end());
  return names;
}

const std::vector<std::uint8_t>* SimSystem::ClipboardData(std::uint32_t format) const {
  const auto it = clipboard_.data.find(format);
  return it == clipboard_.data.end() ? nullptr : &it->second;
}

// ---- FileOps ----------------------------------------------------------------------

void SimProcess::GetLocalTime(SystemTime* time) {
  using namespace std::chrono;
  const SystemTime& s = sys_.localStart_;
  const sys_days start = year_month_day{year{s.wYear}, month{s.wMonth}, day{s.wDay}};
  const sys_time<milliseconds> at = start + hours{s.wHour} + minutes{s.wMinute} +
                                    seconds{s.wSecond} + milliseconds{s.wMilliseconds} +
                                    milliseconds{sys_.Now() - sys_.localStartMs_};
  const sys_days today = floor<days>(at);
  const year_month_day date{today};
  const hh_mm_ss clock{at - today};
  time->wYear = static_cast<std::uint16_t>(static_cast<int>(date.year()));
  time->wMonth = static_cast<std::uint16_t>(static_cast<unsigned>(date.month()));
  time->wDay = static_cast<std::uint16_t>(static_cast<unsigned>(date.day()));
  time->wDayOfWeek = static_cast<std::uint16_t>(weekday{today}.c_encoding());
  time->wHour = static_cast<std::uint16_t>(clock.hours().count());
  time->wMinute = static_cast<std::uint16_t>(clock.minutes().count());
  time->wSecond = static_cast<std::uint16_t>(clock.seconds().count());
  time->wMilliseconds = static_cast<std::uint16_t>(clock.subseconds().count());
}

HResult SimProcess::SHGetKnownFolderPath(const Guid& folderId, std::uint32_t flags, Handle,
                                         std::string* path) {
  const auto known = std::find_if(sys_.knownFolders_.begin(), sys_.knownFolders_.end(),
                                  [&](const auto& entry) { return entry.first == folderId; });
  if (known == sys_.knownFolders_.end()) return kEInvalidArg;
  const std::string& where = known->second;
  if (!sys_.DirectoryExists(where)) {
    if (!(flags & kKfFlagCreate)) return HResultFromWin32(error::kFileNotFound);
    if (!CreateDirectoryW(where)) return HResultFromWin32(lastError_);
  }
  *path = where;
  return kSOk;
}

bool SimProcess::CreateDirectoryW(std::string_view path) {
  path = WithoutTrailingSlash(path);
  if (sys_.DirectoryExists(path) || sys_.FileExists(path)) return FailBool(error::kAlreadyExists);
  if (const auto failure = sys_.failCreateDirectory_.find(SimSystem::Fold(path));
      failure != sys_.failCreateDirectory_.end())
    return FailBool(failure->second);
  if (!sys_.DirectoryExists(ParentOf(path))) return FailBool(error::kPathNotFound);
  sys_.AddDirectory(path);
  lastError_ = error::kSuccess;
  return true;
}

HResult SimProcess::SavePngFile(std::string_view path, const gui::Bitmap& pixels) {
  if (!sys_.DirectoryExists(ParentOf(path))) return HResultFromWin32(error::kPathNotFound);
  if (sys_.FileExists(path) || sys_.DirectoryExists(path))
    return HResultFromWin32(error::kFileExists);
  std::vector<std::uint8_t> png;
  if (!EncodePng(pixels, png)) return kEFail;
  // The file is made, written and, as the write fails, deleted again.
  if (png.size() > sys_.diskFree_) return HResultFromWin32(error::kDiskFull);
  if (sys_.diskFree_ != UINT64_MAX) sys_.diskFree_ -= png.size();
  sys_.AddFile(path, std::move(png));
  return kSOk;
}

// ---- ClipboardOps -----------------------------------------------------------------

bool SimProcess::OpenClipboard(Hwnd owner) {
  auto& c = sys_.clipboard_;
  if (owner && !sys_.Window(owner)) return FailBool(error::kInvalidWindowHandle);
  if (c.openPid && (c.openPid != pid_ || c.openWindow != owner))
    return FailBool(error::kAccessDenied);
  c.openPid = pid_;
  c.openWindow = owner;
  return true;
}

bool SimProcess::CloseClipboard() {
  auto& c = sys_.clipboard_;
  if (c.openPid != pid_) return FailBool(error::kClipboardNotOpen);
  c.openPid = 0;
  c.openWindow = 0;
  return true;
}

bool SimProcess::EmptyClipboard() {
  auto& c = sys_.clipboard_;
  if (c.openPid != pid_) return FailBool(error::kClipboardNotOpen);
  c.data.clear();
  // "If the application specifies a NULL window handle when opening the
  // clipboard, EmptyClipboard succeeds but sets the clipboard owner to NULL."
  c.owner = c.openWindow;
  return true;
}

Handle SimProcess::SetClipboardData(std::uint32_t format, const std::vector<std::uint8_t>& data) {
  auto& c = sys_.clipboard_;
  // Not open here, or opened with no window and emptied: "this causes
  // SetClipboardData to fail".
  if (c.openPid != pid_ || !c.owner) {
    lastError_ = error::kClipboardNotOpen;
    return 0;
  }
  c.data[format] = data;
  return 0xC11B0000u + format;
}

bool SimProcess::GetClipboardData(std::uint32_t format, std::vector<std::uint8_t>* data) {
  auto& c = sys_.clipboard_;
  if (c.openPid != pid_) return FailBool(error::kClipboardNotOpen);
  const auto it = c.data.find(format);
  if (it == c.data.end()) return false;
  *data = it->second;
  return true;
}

}  // namespace platform::memory
