// Pieces that several pictures share: the little computer desktop that most
// effect icons start from, its windows, and the pointer and arrow shapes.
// All of them are laid out in the 50 by 50 unit frame of an icon and follow the
// painter's transform, so a picture can show them larger or offset.
#pragma once

#include <array>

#include "resources/artwork/Painter.h"

namespace artwork::scenery {

inline constexpr Rect kFrame{0, 0, 50, 50};
// The desktop's open window and its taskbar.
inline constexpr Rect kWindow{6, 5, 38, 31};
inline constexpr Rect kTaskbar{0, 44, 50, 50};
inline constexpr double kTitleBarHeight = 6;

enum class ScrollBar { kNone, kHorizontal, kVertical };

void DrawWallpaper(Painter& p);
void DrawDesktopIcons(Painter& p);
void DrawTaskbar(Painter& p);
// A window with a border, a title bar and lines of text; `active` picks the
// title bar's colour.
void DrawWindow(Painter& p, const Rect& frame, bool active = true,
                ScrollBar bar = ScrollBar::kNone);
// Wallpaper, desktop icons, the window kWindow and the taskbar.
void DrawDesktop(Painter& p);

// The usual arrow pointer, white with a black edge, its tip at `tip`.
std::array<Point, 7> ArrowPointerOutline(Point tip, double height);
void DrawArrowPointer(Painter& p, Point tip, double height);
// An arrow with heads at both ends, from a to b.
void FillDoubleArrow(Painter& p, Point a, Point b, double shaftWidth, double headLength,
                     double headWidth, const Brush& brush);

// A new opaque 50 by 50 picture.
gui::Bitmap NewIconBitmap(gui::Color fill = gui::kWhite);

}  // namespace artwork::scenery
