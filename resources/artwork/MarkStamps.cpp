#include "resources/artwork/MarkStamps.h"

#include "resources/artwork/ImageFiles.h"
#include "resources/artwork/Painter.h"

namespace artwork {

AlphaImage MarkStampWithAlpha(int index, int size) {
  if (index < 0 || index >= kMarkCount || size < 1) return {};
  AlphaImage out{gui::Bitmap(size, size, kMarkRed),
                 std::vector<std::uint8_t>(static_cast<std::size_t>(size) * size, 0)};
  Painter p(out.color, &out.alpha);
  if (size != kMarkSize) p.SetTransform(static_cast<double>(size) / kMarkSize, {0, 0});
  const Brush red(kMarkRed);
  switch (index) {
    case 0: {
      const Point tick[] = {{6, 17}, {13, 25}, {26, 7}};
      p.StrokePolyline(tick, 4.5, red);
      break;
    }
    case 1:
      p.StrokeLine({8, 8}, {24, 24}, 4.5, red);
      p.StrokeLine({24, 8}, {8, 24}, 4.5, red);
      break;
    default: p.StrokeCircle({16, 16}, 11, 4, red); break;
  }
  // Colours stay pure red: only the opacity carries the smooth edge.
  out.color.Fill(kMarkRed);
  return out;
}

gui::MaskedImage MarkStamp(int index, int size) {
  return ToMasked(MarkStampWithAlpha(index, size));
}

std::vector<std::uint8_t> MarkCursorFile(int index) {
  const AlphaImage stamp = MarkStampWithAlpha(index);
  if (stamp.color.Empty()) return {};
  std::vector<std::uint8_t> file = EncodeIco(std::span<const AlphaImage>(&stamp, 1));
  // The same layout as an icon file, but type 2, and the entry's planes and
  // bit count fields hold the hot spot: (0, 0).
  file[2] = 2;
  for (std::size_t i = 10; i < 14; ++i) file[i] = 0;
  return file;
}

}  // namespace artwork
