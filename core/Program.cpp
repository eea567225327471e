#include "core/Program.h"

void ShowEffectIcon(const gui::ImageList& list, gui::Bitmap& scratch, gui::Image& image,
                    std::int32_t code) {
  if (TableIndex(code, 15) && list.GetBitmap(code, scratch))
    image.SetPicture(scratch);
  else
    image.ClearPicture();
}
