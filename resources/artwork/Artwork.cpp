#include "resources/artwork/Artwork.h"

#include "resources/artwork/Painter.h"

namespace artwork {

namespace {
std::vector<gui::MaskedImage> RenderPaletteImages() {
  std::vector<gui::MaskedImage> images;
  images.reserve(kProgramIconIndex + 1);
  for (int code = 0; code < kEffectIconCount; ++code) images.push_back(EffectIcon(code));

  // The smaller variant: the 32-pixel drawing centred in the frame.
  const gui::MaskedImage small = ProgramIcon(32);
  gui::MaskedImage framed{gui::Bitmap(kImageSize, kImageSize, gui::kBlack),
                          std::vector<std::uint8_t>(kImageSize * kImageSize, 1)};
  constexpr int kOffset = (kImageSize - 32) / 2;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      if (small.Transparent(x, y)) continue;
      framed.color.SetPixel(kOffset + x, kOffset + y, small.color.Pixel(x, y));
      framed.mask[static_cast<std::size_t>(kOffset + y) * kImageSize + kOffset + x] = 0;
    }
  images.push_back(std::move(framed));

  images.push_back(ProgramIcon(kImageSize));
  return images;
}
}  // namespace

void Composite(gui::Bitmap& dst, int left, int top, const AlphaImage& img) {
  for (int y = 0; y < img.color.Height(); ++y)
    for (int x = 0; x < img.color.Width(); ++x) {
      const unsigned a = img.alpha[static_cast<std::size_t>(y) * img.color.Width() + x];
      if (a == 0) continue;
      dst.SetPixel(left + x, top + y,
                   Mix(dst.Pixel(left + x, top + y), img.color.Pixel(x, y), a / 255.0));
    }
}

// Drawing them takes a while and they never change: render once per process.
const std::vector<gui::MaskedImage>& PaletteImages() {
  static const std::vector<gui::MaskedImage> images = RenderPaletteImages();
  return images;
}

}  // namespace artwork
