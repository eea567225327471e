// Image lists of same-size masked pictures, and icon objects.
#pragma once

#include <vector>

#include "gui/Backend.h"
#include "platform/Platform.h"
#include "raster/Bitmap.h"

namespace gui {

// An icon object: a picture with its mask, and the system icon made from it
// on demand (the handle lives as long as the object, or until reassigned).
class Icon {
 public:
  explicit Icon(Backend& backend) : backend_(backend) {}
  ~Icon() { Release(); }
  Icon(const Icon&) = delete;
  Icon& operator=(const Icon&) = delete;

  void Assign(MaskedImage image);
  const MaskedImage& Image() const { return image_; }
  bool Empty() const { return image_.color.Empty(); }
  platform::HIcon Handle();

 private:
  void Release();
  Backend& backend_;
  MaskedImage image_;
  platform::HIcon handle_ = 0;
};

class ImageList {
 public:
  ImageList(int width, int height) : width_(width), height_(height) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return static_cast<int>(images_.size()); }
  // Pictures of another size are stretched to the list's size.
  void Add(const MaskedImage& image);
  const MaskedImage* At(int index) const;

  // Renders entry index into bitmap: the bitmap takes the list's size and the
  // entry is drawn masked at its origin, so transparent parts keep what the
  // bitmap held. An index outside the list draws nothing and returns false.
  bool GetBitmap(int index, Bitmap& bitmap) const;
  bool GetIcon(int index, Icon& icon) const;
  void Draw(Bitmap& canvas, int x, int y, int index) const;

 private:
  int width_;
  int height_;
  std::vector<MaskedImage> images_;
};

}  // namespace gui
