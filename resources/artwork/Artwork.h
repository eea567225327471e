// The program's pictures, drawn in code: the palette's image list, the
// program icon and the palette window's background.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "raster/Bitmap.h"

namespace artwork {

inline constexpr int kImageSize = 50;
inline constexpr int kEffectIconCount = 15;
inline constexpr int kSmallProgramIconIndex = 15;
inline constexpr int kProgramIconIndex = 16;

// The palette's image list: 17 pictures of 50 by 50. Image k (k = 0..14) is the icon of
// effect code k; image 15 is a smaller variant of the program icon; image 16 the program icon.
const std::vector<gui::MaskedImage>& PaletteImages();

// The icon of effect code 0..14 (an opaque 50 by 50 square); any other code gives an empty image.
gui::MaskedImage EffectIcon(int code);

// A picture with an opacity plane: alpha[y * width + x], 0 transparent .. 255 opaque,
// colours not premultiplied.
struct AlphaImage {
  gui::Bitmap color;
  std::vector<std::uint8_t> alpha;
};

// The program's own icon drawn natively at the given size (used for 16, 32, 48 and 50).
gui::MaskedImage ProgramIcon(int size);
// The same drawing with its smooth edge kept, for icon files with an alpha channel.
AlphaImage ProgramIconWithAlpha(int size);
// Transparent where opacity is below half; transparent pixels are black, as icon masks expect.
gui::MaskedImage ToMasked(const AlphaImage& image);
// Puts a picture with opacity onto an opaque one, its top-left corner at (left, top).
void Composite(gui::Bitmap& dst, int left, int top, const AlphaImage& img);

// The palette window's background picture and where things stand on it.
inline constexpr int kPaletteWidth = 192;
inline constexpr int kPaletteHeight = 262;
inline constexpr int kTitleStripHeight = 33;
inline constexpr gui::IRect kCloseBox{160, 0, 192, 32};
inline constexpr int kPaletteIconSize = 48;
inline constexpr std::array<gui::IRect, 11> kPaletteIconSites{{
    {16, 40, 64, 88},
    {72, 40, 120, 88},
    {128, 40, 176, 88},
    {16, 96, 64, 144},
    {72, 96, 120, 144},
    {128, 96, 176, 144},
    {16, 152, 64, 200},
    {72, 152, 120, 200},
    {128, 152, 176, 200},
    {40, 208, 88, 256},
    {104, 208, 152, 256},
}};

// The palette window's 192 by 262 background picture (at most 256 colours, so it
// also fits an 8-bit bitmap).
const gui::Bitmap& PaletteBackground();

}  // namespace artwork
