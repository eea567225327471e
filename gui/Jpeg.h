// Decoding JPEG pictures held in memory, with libjpeg.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "raster/Bitmap.h"

namespace gui {

// Pictures wider or higher than this are refused before any pixel is decoded.
inline constexpr int kMaxJpegSide = 4096;

// The picture the bytes hold (baseline or progressive, colour or greyscale),
// or nothing when they are not a whole, undamaged JPEG of at most
// kMaxJpegSide by kMaxJpegSide pixels; then `why`, if given, says what was
// wrong. A data error only ends this call, never the program: libjpeg's own
// handler would end the process, so errors come back here, and its warnings
// about damaged data (a picture cut short among them, which libjpeg would fill
// with grey) refuse the picture too.
std::optional<Bitmap> DecodeJpeg(std::span<const std::uint8_t> bytes, std::string* why = nullptr);

}  // namespace gui
