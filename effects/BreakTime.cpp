// The break countdown on the overlay: the framed field, the three labels,
// the second tick and the break's end with its sound.
#include <algorithm>
#include <string>

#include "effects/Show.h"
#include "gui/MediaPlayer.h"

using namespace platform;

namespace {

constexpr std::int32_t kFramePenWidth = 8;
constexpr std::int32_t kDigitsHeight = 64;     // the minutes and the seconds
constexpr std::int32_t kSeparatorHeight = 48;  // the colon between them

// The rectangle (0, 0, w, h) drawn with a solid brush and a wide pen: the
// brush fills it, and the pen, centred on the outline that runs through the
// outermost pixels (x = 0 and w - 1, y = 0 and h - 1), covers from half its
// width before that line to just short of half its width after it. On the
// screen that leaves half the pen on the left and top edges and one pixel
// more on the right and bottom ones.
void FramedField(gui::Bitmap& picture, std::int32_t w, std::int32_t h, std::int32_t penWidth,
                 gui::Color pen, gui::Color brush) {
  picture.Fill(brush);
  const int before = penWidth / 2,
            after = penWidth - penWidth / 2;  // [line - before, line + after)
  using gui::raster::FillRect;
  FillRect(picture, {0, -before, w, after}, pen);                 // top
  FillRect(picture, {0, h - 1 - before, w, h - 1 + after}, pen);  // bottom
  FillRect(picture, {-before, 0, after, h}, pen);                 // left
  FillRect(picture, {w - 1 - before, 0, w - 1 + after, h}, pen);  // right
}

}  // namespace

// ---- the labels ----------------------------------------------------------------------

OverlayLabel::OverlayLabel(gui::Form& owner, std::string name, TextFont font, Alignment alignment,
                           std::string caption)
    : gui::Control(owner, std::move(name), {0, 0, 0, 0}),
      font_(std::move(font)),
      alignment_(alignment),
      caption_(std::move(caption)) {
  const TextExtent e = Measure(caption_);
  SetBounds(0, 0, e.width, e.height);
}

TextExtent OverlayLabel::Measure(const std::string& text) const {
  TextExtent e;
  // A font the system cannot make leaves the label empty: nothing to show.
  if (!Owner().App().Sys().MeasureString(font_, text, &e)) return {};
  return e;
}

void OverlayLabel::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  const TextExtent e = Measure(caption_);
  const int left = alignment_ == Alignment::Right ? Left() + Width() - e.width : Left();
  // The same box with other text changes what is in it.
  if (gui::IRect{left, Top(), left + e.width, Top() + e.height} == BoundsRect())
    Changed();
  else
    SetBounds(left, Top(), e.width, e.height);
}

void OverlayLabel::SetFontColor(gui::Color colour) {
  if (colour == fontColor_) return;
  fontColor_ = colour;
  Changed();
}

void OverlayLabel::SetPosition(int left, int top) { SetBounds(left, top, Width(), Height()); }

void OverlayLabel::SetCharHeight(std::int32_t charHeight) {
  if (charHeight == font_.charHeight) return;
  font_.charHeight = charHeight;
  const TextExtent e = Measure(caption_);
  SetBounds(Left(), Top(), e.width, e.height);
  Changed();
}

void OverlayLabel::PaintPart(gui::Bitmap& frame, const gui::IRect& clip) const {
  // A failure to draw leaves the frame as it was; the label is only text.
  Platform& sys = Owner().App().Sys();
  const gui::IRect& b = BoundsRect();
  const gui::IRect area = gui::Intersect(clip, frame.Bounds());
  if (gui::Intersect(b, area) == gui::Intersect(b, frame.Bounds())) {
    sys.DrawString(frame, Left(), Top(), font_, caption_, fontColor_);
    return;
  }
  // Part of the label only: the text drawn on a copy of what lies under
  // it, and the part taken from there.
  const gui::IRect part = gui::Intersect(b, area);
  if (part.Empty()) return;
  gui::Bitmap own(b.Width(), b.Height());
  gui::raster::Blit(own, 0, 0, frame, b);
  sys.DrawString(own, 0, 0, font_, caption_, fontColor_);
  gui::raster::Blit(
      frame, part.left, part.top, own,
      {part.left - b.left, part.top - b.top, part.right - b.left, part.bottom - b.top});
}

// ---- the countdown -------------------------------------------------------------------

void TForm_Draw::SetUpBreakScreen() {
  const TSettings& s = program_.Settings;
  const std::int32_t cx = ScreenWidth / 2, cy = ScreenHeight / 2;
  Timer1.SetEnabled(true);
  for (gui::Control* c :
       std::initializer_list<gui::Control*>{&Image_Draw, &LabelMinute, &LabelSecond})
    c->cursor = gui::kCrNone;
  Image_Draw.SetBounds(0, 0, ScreenWidth, ScreenHeight);

  // The field replaces the whole picture: nothing of the screen is left.
  gui::Bitmap field(std::max(ScreenWidth, 0), std::max(ScreenHeight, 0));
  FramedField(field, ScreenWidth, ScreenHeight, static_cast<std::int32_t>(Px(kFramePenWidth)),
              s.BreakFontColor, s.BreakBackColor);
  Image_Draw.SetPicture(field);

  // A stored length below 0 counts down as 0 does, which runs as 1 minute.
  const std::int32_t minutes = std::max<std::int32_t>(s.BreakMinutes, 0);
  CountdownMinutes = minutes == 0 ? 0 : minutes - 1;
  CountdownSeconds = 60;
  // This show's texts before the places: the right-aligned seconds label
  // would otherwise be placed by the width of the text the last break left
  // ("0") and then widen leftwards onto the separator.
  // The faces and places are designed at 96 DPI: the same size to the eye
  // on any monitor.
  LabelMinute.SetCharHeight(static_cast<std::int32_t>(Px(kDigitsHeight)));
  LabelSecond.SetCharHeight(static_cast<std::int32_t>(Px(kDigitsHeight)));
  Labelinteral.SetCharHeight(static_cast<std::int32_t>(Px(kSeparatorHeight)));
  LabelMinute.SetCaption(std::to_string(CountdownMinutes));
  LabelSecond.SetCaption("59");
  const auto at = [&](std::int32_t centre, int offset) {
    return static_cast<int>(centre + Px(offset));
  };
  LabelMinute.SetPosition(at(cx, -85), at(cy, -25));
  LabelSecond.SetPosition(at(cx, 30), at(cy, -25));
  Labelinteral.SetPosition(at(cx, -15), at(cy, -20));
  for (OverlayLabel* label : {&LabelMinute, &LabelSecond, &Labelinteral}) {
    label->SetFontColor(s.BreakFontColor);
    label->SetVisible(true);
  }
  program_.BreakSoundStarted = false;
}

void TForm_Draw::Timer1Timer() {
  if (CountdownSeconds >= 1) {
    --CountdownSeconds;
  } else if (CountdownMinutes != 0) {
    CountdownSeconds = 59;
    --CountdownMinutes;
    LabelMinute.SetCaption(std::to_string(CountdownMinutes));
  } else {
    // The labels read 0 : 0 already. The sound's error box runs a message
    // loop, in which the break's key may have closed this show and opened
    // the next: nothing of this tick may touch the labels after it.
    EndBreak();
    return;
  }
  LabelSecond.SetCaption(std::to_string(CountdownSeconds));
}

void TForm_Draw::EndBreak() {
  const TSettings& s = program_.Settings;
  program_.BreakSoundStarted = true;
  // Stopped before the sound: the error box's own message loop would
  // otherwise run this tick again every second, a box each time.
  Timer1.SetEnabled(false);
  gui::TMediaPlayer* player = program_.MainPlayer;
  if (!s.BreakSound.empty()) {
    if (player) {
      player->FileName = s.BreakSound;
      bool opened = true;
      try {
        player->Open();
      } catch (const gui::EMCIDeviceError&) {
        opened = false;
        // No caption of its own: the system's default one. Over the break
        // screen, where the presenter can click it.
        program_.app.MessageBox(
            "Error " + std::to_string(player->Error()) + ": " + player->ErrorMessage(), "",
            gui::kMbOk, BoxOwner());
      }
      // A sound that opens but will not play shows nothing.
      if (opened) player->Play();
    }
  } else {
    program_.sys.Sleep(200);
  }
}
