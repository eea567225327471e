// The Mark tool's stamps: a red check mark, a red cross and a red circle of
// 32 by 32, and the cursor files that show each as the pointer.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "resources/artwork/Artwork.h"

namespace artwork {

inline constexpr int kMarkSize = 32;
inline constexpr int kMarkCount = 3;
inline constexpr gui::Color kMarkRed = 0x0000FF;
inline constexpr std::array<const char*, kMarkCount> kMarkCursorFiles = {"Ok.ico", "Wrong.ico",
                                                                         "circle.ico"};

// Stamp index 0 (check), 1 (cross) or 2 (circle) with its smooth edge, size
// pixels square (the 32 by 32 design drawn at that scale); any other index
// gives an empty picture.
AlphaImage MarkStampWithAlpha(int index, int size = kMarkSize);
// The same with a mask: opaque pixels are pure red, the rest transparent.
gui::MaskedImage MarkStamp(int index, int size = kMarkSize);
// An icon-format file the system loads as a cursor (type 2), its hot spot
// at the top-left corner: a click stamps the mark where the pointer shows it.
std::vector<std::uint8_t> MarkCursorFile(int index);

}  // namespace artwork
