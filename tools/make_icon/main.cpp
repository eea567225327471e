// Writes the program's icon file, and dumps every picture of the artwork
// library as PNG (plus one contact sheet) so that a person can look at them.
//
//   make_icon ico <file.ico>
//   make_icon dump <folder>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/artwork/Artwork.h"
#include "resources/artwork/ImageFiles.h"

namespace {

namespace fs = std::filesystem;
using artwork::AlphaImage;

bool WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) std::fprintf(stderr, "make_icon: cannot write %s\n", path.string().c_str());
  return static_cast<bool>(out);
}

constexpr int kIcoSizes[] = {16, 32, 48};

int WriteIco(const fs::path& path) {
  std::vector<AlphaImage> images;
  for (int size : kIcoSizes) images.push_back(artwork::ProgramIconWithAlpha(size));
  return WriteFile(path, artwork::EncodeIco(images)) ? 0 : 1;
}

// A grey checkerboard shows which pixels of a masked picture are transparent.
void Checker(gui::Bitmap& sheet, const gui::IRect& r) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      sheet.SetPixel(x, y,
                     ((x - r.left) / 4 + (y - r.top) / 4) % 2 ? gui::Rgb(200, 200, 200)
                                                              : gui::Rgb(240, 240, 240));
}

void Place(gui::Bitmap& sheet, int x, int y, const gui::MaskedImage& img, int scale,
           gui::Color backdrop, bool checker) {
  const gui::IRect r{x, y, x + img.color.Width() * scale, y + img.color.Height() * scale};
  if (checker)
    Checker(sheet, r);
  else
    gui::raster::FillRect(sheet, r, backdrop);
  gui::raster::StretchMasked(sheet, r, img);
}

// Row 1: all 17 images at 1x. Rows 2-4: the same at 4x. Then the program icon
// at 16, 32 and 50 at 1x and 4x over light, dark and checkered ground, and the
// palette background at 1x and 2x with icons standing on it.
gui::Bitmap ContactSheet(const std::vector<gui::MaskedImage>& images) {
  constexpr int kGap = 8;
  constexpr int kBig = 4;
  const gui::Color ground = gui::Rgb(96, 96, 104);
  gui::Bitmap sheet(6 * (50 * kBig + kGap) + kGap, 1500, ground);
  int y = kGap;
  for (std::size_t i = 0; i < images.size(); ++i)
    Place(sheet, kGap + static_cast<int>(i) * (50 + 4), y, images[i], 1, ground, true);
  y += 50 + kGap;
  for (std::size_t i = 0; i < images.size(); ++i)
    Place(sheet, kGap + static_cast<int>(i % 6) * (50 * kBig + kGap),
          y + static_cast<int>(i / 6) * (50 * kBig + kGap), images[i], kBig, ground, true);
  y += 3 * (50 * kBig + kGap);

  int x = kGap;
  for (int size : {16, 32, 50}) {
    const gui::MaskedImage icon = artwork::ProgramIcon(size);
    Place(sheet, x, y, icon, 1, gui::kWhite, false);
    Place(sheet, x, y + 54, icon, 1, gui::Rgb(24, 24, 28), false);
    Place(sheet, x, y + 108, icon, 1, gui::kWhite, true);
    Place(sheet, x + 54, y, icon, kBig, gui::kWhite, false);
    Place(sheet, x + 54 + size * kBig + kGap, y, icon, kBig, gui::Rgb(24, 24, 28), false);
    x += 54 + 2 * (size * kBig + kGap);
  }
  y += 50 * kBig + kGap;

  gui::Bitmap palette = artwork::PaletteBackground();
  for (std::size_t slot = 0; slot < artwork::kPaletteIconSites.size(); ++slot)
    gui::raster::StretchMasked(palette, artwork::kPaletteIconSites[slot], images[slot]);
  gui::raster::Blit(sheet, kGap, y, artwork::PaletteBackground());
  gui::raster::Blit(sheet, 192 + 2 * kGap, y, palette);
  gui::raster::StretchBlit(sheet, {2 * 192 + 3 * kGap, y, 4 * 192 + 3 * kGap, y + 2 * 262}, palette,
                           palette.Bounds());
  gui::Bitmap cropped(sheet.Width(), y + 2 * 262 + kGap, ground);
  gui::raster::Blit(cropped, 0, 0, sheet);
  return cropped;
}

int Dump(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  const std::vector<gui::MaskedImage> images = artwork::PaletteImages();
  bool ok = true;
  for (std::size_t i = 0; i < images.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "image_%02zu.png", i);
    ok &= WriteFile(folder / name, artwork::EncodePng(artwork::FromMasked(images[i])));
  }
  for (int size : {16, 32, 48, 50})
    ok &= WriteFile(folder / ("program_icon_" + std::to_string(size) + ".png"),
                    artwork::EncodePng(artwork::ProgramIconWithAlpha(size)));
  ok &= WriteFile(folder / "background.png",
                  artwork::EncodePng(artwork::FromMasked({artwork::PaletteBackground(), {}})));
  ok &= WriteFile(folder / "sheet.png",
                  artwork::EncodePng(artwork::FromMasked({ContactSheet(images), {}})));
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc == 3 ? argv[1] : "";
  if (command == "ico") return WriteIco(argv[2]);
  if (command == "dump") return Dump(argv[2]);
  std::fprintf(stderr, "usage: make_icon ico <file.ico>\n       make_icon dump <folder>\n");
  return 2;
}
