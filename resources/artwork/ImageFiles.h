// Pictures as file bytes: the .ico the Windows build embeds, and PNG copies
// for a person to look at.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "resources/artwork/Artwork.h"

namespace artwork {

// Opaque where the mask is clear (or absent).
AlphaImage FromMasked(const gui::MaskedImage& image);

// An icon file with one 32-bit entry per picture (smooth alpha, plus the AND
// mask that older systems read instead: set where alpha is below half).
// Pictures must be square, 1 to 256 pixels.
std::vector<std::uint8_t> EncodeIco(std::span<const AlphaImage> images);

// An 8-bit RGBA PNG. The data is stored, not compressed: these are small
// pictures to look at, and no compression library is needed.
std::vector<std::uint8_t> EncodePng(const AlphaImage& image);

}  // namespace artwork
