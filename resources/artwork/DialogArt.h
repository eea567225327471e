// The dialogs' pictures, drawn in code: the settings dialog's style pictures
// beside its radio buttons and its browse glyph, the about box's picture and
// the effect table editor's title picture (kept as JPEG bytes, decoded at run
// time like a picture loaded from a file).
#pragma once

#include <cstdint>
#include <span>

#include "raster/Bitmap.h"

namespace artwork {

inline constexpr int kMarkStyleCount = 3;
inline constexpr int kMarkStylePictureSize = 33;
inline constexpr int kStylePictureSize = 49;
inline constexpr int kRevealStyleCount = 4;
inline constexpr int kLineStyleCount = 3;
inline constexpr int kSpotLightStyleCount = 3;
inline constexpr int kBrowseGlyphSize = 16;
inline constexpr int kAboutPictureWidth = 33;
inline constexpr int kAboutPictureHeight = 40;
inline constexpr int kEffectTableTitleWidth = 447;
inline constexpr int kEffectTableTitleHeight = 39;

// Each picture shows what its style does. The style index is the setting's
// value (0 is the first radio button); an index outside the style's range gives
// an empty bitmap.

// Mark k (0 check, 1 cross, 2 circle) as the Mark tool stamps it, 33 by 33.
gui::Bitmap MarkStylePicture(int k);
// Reveal style k (0..3), 49 by 49: a slide with the cover on the side that
// style hides and the pointer at the cover's edge.
gui::Bitmap RevealStylePicture(int k);
// Line style k (0 vertical, 1 horizontal, 2 both), 49 by 49.
gui::Bitmap LineStylePicture(int k);
// Spot light style k (0 box, 1 horizontal band, 2 vertical band), 49 by 49:
// the dimmed slide with the lit part at the pointer.
gui::Bitmap SpotLightStylePicture(int k);

// The picture of the settings dialog's picture-only browse button: a folder,
// 16 by 16, transparent around it.
gui::MaskedImage BrowseGlyph();
// The about box's picture, 33 by 40, transparent around the drawing.
gui::MaskedImage AboutPicture();

// The effect table editor's title picture as drawn, 447 by 39.
gui::Bitmap EffectTableTitle();
// The same picture as the JPEG file the program embeds (generated from
// EffectTableTitle() by scripts/make-artwork.sh).
std::span<const std::uint8_t> EffectTableTitleJpeg();

}  // namespace artwork
