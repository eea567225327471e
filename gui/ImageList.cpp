#include "gui/ImageList.h"

namespace gui {

void Icon::Assign(MaskedImage image) {
  Release();
  image_ = std::move(image);
}

platform::HIcon Icon::Handle() {
  if (!handle_ && !Empty()) handle_ = backend_.CreateIcon(image_);
  return handle_;
}

void Icon::Release() {
  if (handle_) backend_.DestroyIcon(handle_);
  handle_ = 0;
}

void ImageList::Add(const MaskedImage& image) {
  if (image.color.Width() == width_ && image.color.Height() == height_) {
    images_.push_back(image);
    return;
  }
  MaskedImage sized;
  sized.color = Bitmap(width_, height_, kBlack);
  sized.mask.assign(static_cast<std::size_t>(width_) * height_, 1);
  const Bitmap& src = image.color;
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) {
      const int sx = x * src.Width() / width_;
      const int sy = y * src.Height() / height_;
      if (image.Transparent(sx, sy)) continue;
      sized.color.SetPixel(x, y, src.Pixel(sx, sy));
      sized.mask[static_cast<std::size_t>(y) * width_ + x] = 0;
    }
  images_.push_back(std::move(sized));
}

const MaskedImage* ImageList::At(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &images_[static_cast<std::size_t>(index)];
}

bool ImageList::GetBitmap(int index, Bitmap& bitmap) const {
  bitmap.SetSize(width_, height_);
  const MaskedImage* img = At(index);
  if (!img) return false;
  raster::DrawMasked(bitmap, 0, 0, *img);
  return true;
}

bool ImageList::GetIcon(int index, Icon& icon) const {
  const MaskedImage* img = At(index);
  if (!img) return false;
  icon.Assign(*img);
  return true;
}

void ImageList::Draw(Bitmap& canvas, int x, int y, int index) const {
  if (const MaskedImage* img = At(index)) raster::DrawMasked(canvas, x, y, *img);
}

}  // namespace gui
