// The graphic controls on small frames: a label's size, alignment, clipping,
// background, bold and underline; the bevels' light and dark edges; the
// flat button's pressed state and click; the group frame and the bevelled
// panel; and a paint of part of a control against the whole.
#include <gtest/gtest.h>

#include <memory>

#include "gui/Application.h"
#include "gui/Graphic.h"
#include "gui/headless/HeadlessBackend.h"
#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace {

using namespace platform;
using gui::Bitmap;
using gui::IRect;
using platform::memory::SimSystem;

constexpr gui::Color kPaper = 0x123456;
constexpr gui::Color kInk = 0x00AA00;

struct Canvas : gui::Form {
  explicit Canvas(gui::Application& a)
      : gui::Form(a, {.className = "TCanvas",
                      .caption = "",
                      .left = 50,
                      .top = 50,
                      .clientWidth = 96,
                      .clientHeight = 64,
                      .visible = true,
                      .color = kPaper}) {}
};

class GraphicControlsTest : public ::testing::Test {
 protected:
  GraphicControlsTest() : process(sys.StartProcess()), ui(*process), app(*process, ui, "Test") {
    app.CreateForm(form);
  }
  // The simulated font engine: a 16-pixel character is 8 wide and 18 high.
  gui::Font Ink(bool bold = false, bool underline = false) {
    return {.face = "Any", .height = 16, .color = kInk, .bold = bold, .underline = underline};
  }
  // The columns (form x) where the frame holds ink.
  static IRect InkBox(const Bitmap& b) {
    IRect r{b.Width(), b.Height(), -1, -1};
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x)
        if (b.Pixel(x, y) == kInk)
          r = {std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1),
               std::max(r.bottom, y + 1)};
    return r;
  }
  void Mouse(std::uint32_t flags, int dx = 0, int dy = 0) {
    process->mouse_event(flags, dx, dy, 0);
    app.ProcessMessages();
  }

  SimSystem sys;
  std::unique_ptr<memory::SimProcess> process;
  gui::HeadlessBackend ui;
  gui::Application app;
  Canvas* form = nullptr;
};

// ---- labels ---------------------------------------------------------------------

TEST_F(GraphicControlsTest, AnAutoSizedLabelTakesItsTextsBoxAndFollowsItsCaption) {
  gui::Label label(*form, "Label", 10, 20, "AB", Ink());
  EXPECT_EQ(label.BoundsRect(), (IRect{10, 20, 26, 38}));
  label.SetCaption("ABCD");
  EXPECT_EQ(label.BoundsRect(), (IRect{10, 20, 42, 38}));
  label.SetFont(Ink(/*bold=*/true));
  EXPECT_EQ(label.Width(), 36) << "the bold face advances one pixel more a character";
  label.SetCaption("");
  EXPECT_EQ(label.BoundsRect(), (IRect{10, 20, 10, 20})) << "no text, no box";
  // A height the font engine refuses leaves an empty label that draws only
  // its background.
  label.SetCaption("AB");
  label.SetFont({.face = "Any", .height = 0, .color = kInk});
  EXPECT_EQ(label.Width(), 0);
  EXPECT_EQ(InkBox(form->RenderFrame()).right, -1);
}

TEST_F(GraphicControlsTest, BoldWidensTheStrokesAndTheUnderlineSitsBelowTheBaseline) {
  gui::Label plain(*form, "Plain", 0, 0, "I", Ink());
  plain.SetTransparent(true);
  const IRect thin = InkBox(form->RenderFrame());
  plain.SetFont(Ink(/*bold=*/true));
  const IRect bold = InkBox(form->RenderFrame());
  EXPECT_EQ(bold.left, thin.left);
  EXPECT_EQ(bold.right, thin.right + 1);
  EXPECT_EQ(bold.top, thin.top);

  plain.SetFont(Ink(false, /*underline=*/true));
  const Bitmap frame = form->RenderFrame();
  // Cell 18: the line on row 16, as wide as the text's box, below the glyph.
  for (int x = 0; x < plain.Width(); ++x) EXPECT_EQ(frame.Pixel(x, 16), kInk) << x;
  EXPECT_NE(frame.Pixel(0, 17), kInk);
}

TEST_F(GraphicControlsTest, AlignmentPlacesTheTextInFixedBoundsAndCutsItThere) {
  gui::Label label(*form, "Label", 10, 10, "AB", Ink());
  label.SetAutoSize(false);
  label.SetBounds(10, 10, 40, 20);
  label.color = 0x0000FF;
  label.SetAlignment(gui::Alignment::Right);
  EXPECT_EQ(label.TextRect(), (IRect{34, 10, 50, 28}));
  label.SetAlignment(gui::Alignment::Center);
  EXPECT_EQ(label.TextRect(), (IRect{22, 10, 38, 28}));
  Bitmap frame = form->RenderFrame();
  EXPECT_EQ(frame.Pixel(10, 29), 0x0000FFu) << "an opaque label fills its bounds";
  EXPECT_EQ(frame.Pixel(9, 10), kPaper);

  // A text wider than the bounds is cut at them.
  label.SetCaption("ABCDEFGHIJ");
  label.SetAlignment(gui::Alignment::Left);
  frame = form->RenderFrame();
  const IRect ink = InkBox(frame);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 50);
  EXPECT_EQ(ink.right > 45, true) << "the text reaches the edge";
  EXPECT_EQ(frame.Pixel(55, 14), kPaper);

  label.SetTransparent(true);
  frame = form->RenderFrame();
  EXPECT_EQ(frame.Pixel(10, 29), kPaper) << "a transparent label leaves what lies below";
}

// ---- bevels ------------------------------------------------------------------------

TEST_F(GraphicControlsTest, BevelsPutTheLightAndDarkEdgesWhereTheirStyleSays) {
  gui::Bevel box(*form, "Box", {4, 4, 20, 20}, gui::BevelShape::Box, gui::BevelStyle::Lowered);
  Bitmap f = form->RenderFrame();
  EXPECT_EQ(f.Pixel(4, 4), gui::kBtnShadow);
  EXPECT_EQ(f.Pixel(10, 4), gui::kBtnShadow);
  EXPECT_EQ(f.Pixel(4, 10), gui::kBtnShadow);
  EXPECT_EQ(f.Pixel(19, 10), gui::kBtnHighlight);
  EXPECT_EQ(f.Pixel(10, 19), gui::kBtnHighlight);
  EXPECT_EQ(f.Pixel(19, 4), gui::kBtnHighlight) << "the top-right corner is the dark side's";
  EXPECT_EQ(f.Pixel(10, 10), kPaper) << "nothing inside";
  box.style = gui::BevelStyle::Raised;
  f = form->RenderFrame();
  EXPECT_EQ(f.Pixel(4, 4), gui::kBtnHighlight);
  EXPECT_EQ(f.Pixel(19, 19), gui::kBtnShadow);

  box.shape = gui::BevelShape::TopLine;
  f = form->RenderFrame();
  EXPECT_EQ(f.Pixel(12, 4), gui::kBtnHighlight);
  EXPECT_EQ(f.Pixel(12, 5), gui::kBtnShadow);
  EXPECT_EQ(f.Pixel(12, 6), kPaper);
  EXPECT_EQ(f.Pixel(19, 19), kPaper);
  box.shape = gui::BevelShape::RightLine;
  f = form->RenderFrame();
  EXPECT_EQ(f.Pixel(18, 12), gui::kBtnHighlight);
  EXPECT_EQ(f.Pixel(19, 12), gui::kBtnShadow);

  // Etched: a dark outline with a light one a pixel in and below it.
  box.shape = gui::BevelShape::Frame;
  box.style = gui::BevelStyle::Lowered;
  f = form->RenderFrame();
  EXPECT_EQ(f.Pixel(4, 4), gui::kBtnShadow);
  EXPECT_EQ(f.Pixel(5, 5), gui::kBtnHighlight);
  EXPECT_EQ(f.Pixel(18, 18), gui::kBtnShadow);
  EXPECT_EQ(f.Pixel(19, 19), gui::kBtnHighlight);
}

// ---- speed buttons ---------------------------------------------------------------------

TEST_F(GraphicControlsTest, ASpeedButtonShowsPressedWhileHeldOverItAndClicksOnlyInside) {
  gui::SpeedButton button(*form, "Button", {10, 10, 50, 30}, "OK", Ink());
  int clicks = 0;
  button.OnClick = [&] { ++clicks; };
  const IRect restInk = InkBox(form->RenderFrame());
  EXPECT_EQ(form->RenderFrame().Pixel(10, 10), kPaper) << "flat: no edge at rest";

  process->SetCursorPos(50 + 20, 50 + 20);
  Mouse(kMouseEventLeftDown);
  EXPECT_TRUE(button.Pressed());
  Bitmap f = form->RenderFrame();
  EXPECT_EQ(f.Pixel(10, 10), gui::kBtnShadow);
  EXPECT_EQ(f.Pixel(49, 29), gui::kBtnHighlight);
  const IRect downInk = InkBox(f);
  EXPECT_EQ(downInk.left, restInk.left + 1) << "the caption goes one pixel down and right";
  EXPECT_EQ(downInk.top, restInk.top + 1);

  Mouse(kMouseEventMove, 40, 0);  // off the button, still held
  EXPECT_FALSE(button.Pressed());
  Mouse(kMouseEventMove, -40, 0);
  EXPECT_TRUE(button.Pressed());
  Mouse(kMouseEventMove, 40, 0);
  Mouse(kMouseEventLeftUp);
  EXPECT_FALSE(button.Pressed());
  EXPECT_EQ(clicks, 0) << "released outside";

  process->SetCursorPos(50 + 20, 50 + 20);
  Mouse(kMouseEventLeftDown);
  Mouse(kMouseEventLeftUp);
  EXPECT_EQ(clicks, 1);
  Mouse(kMouseEventRightDown);
  EXPECT_FALSE(button.Pressed()) << "only the left button presses it";
  Mouse(kMouseEventRightUp);
  EXPECT_EQ(clicks, 1);
}

// ---- group frames and panels --------------------------------------------------------------

TEST_F(GraphicControlsTest, AGroupFramesTopEdgeRunsThroughItsCaption) {
  gui::GroupFrame group(*form, "Group", {4, 2, 90, 60}, "Go", Ink(), gui::kBtnFace);
  const Bitmap f = form->RenderFrame();
  // A digit's cell is 18 high: the etched top edge on rows 2 + 9 - 1 and 2 + 9.
  EXPECT_EQ(f.Pixel(60, 10), gui::kBtnShadow);
  EXPECT_EQ(f.Pixel(60, 11), gui::kBtnHighlight);
  EXPECT_EQ(f.Pixel(4, 30), gui::kBtnShadow);
  EXPECT_EQ(f.Pixel(5, 30), gui::kBtnHighlight);
  EXPECT_EQ(f.Pixel(60, 2), gui::kBtnFace) << "above the edge, the group's colour";
  EXPECT_EQ(group.CaptionRect(), (IRect{12, 2, 28, 20}));
  // The caption's box covers the edge.
  EXPECT_NE(f.Pixel(13, 10), gui::kBtnShadow);
  const IRect ink = InkBox(f);
  EXPECT_GE(ink.left, 12);
  EXPECT_LE(ink.right, 28);
}

TEST_F(GraphicControlsTest, APanelsBorderAndBevelsNarrowTheColouredInteriorAndItsCentredCaption) {
  gui::BevelPanel panel(*form, "Panel", {0, 0, 96, 64}, 0x4080C0);
  EXPECT_EQ(panel.Interior(), (IRect{1, 1, 95, 63})) << "one raised bevel by default";
  Bitmap f = form->RenderFrame();
  EXPECT_EQ(f.Pixel(0, 0), gui::kBtnHighlight);
  EXPECT_EQ(f.Pixel(95, 63), gui::kBtnShadow);
  EXPECT_EQ(f.Pixel(1, 1), 0x4080C0u);

  panel.singleBorder = true;
  panel.borderWidth = 3;
  panel.bevelOuter = panel.bevelInner = gui::PanelBevel::Space;
  EXPECT_EQ(panel.Interior(), (IRect{7, 7, 89, 57}));
  panel.SetCaption("AB");
  panel.font = Ink();
  f = form->RenderFrame();
  EXPECT_EQ(f.Pixel(0, 0), gui::kBtnShadow) << "the sunken edge";
  EXPECT_EQ(f.Pixel(1, 1), gui::k3DDarkShadow);
  EXPECT_EQ(f.Pixel(95, 63), gui::kBtnHighlight);
  EXPECT_EQ(f.Pixel(2, 2), 0x4080C0u) << "space bevels are the panel's colour";
  const IRect ink = InkBox(f);
  // "AB" is 16 by 18, centred in the interior.
  EXPECT_GE(ink.left, 7 + (82 - 16) / 2);
  EXPECT_LE(ink.right, 7 + (82 - 16) / 2 + 16);
  EXPECT_GE(ink.top, 7 + (50 - 18) / 2);
}

// ---- painting a part -------------------------------------------------------------------------

TEST_F(GraphicControlsTest, APartialPaintGivesTheWholePaintsPixelsInsideTheClipOnly) {
  gui::GroupFrame group(*form, "Group", {2, 2, 94, 62}, "Grp", Ink());
  gui::BevelPanel panel(*form, "Panel", {8, 24, 60, 56}, 0x30C030);
  panel.SetCaption("P");
  panel.font = Ink();
  gui::Label label(*form, "Label", 30, 26, "AB", Ink(true, true));
  gui::SpeedButton button(*form, "Button", {62, 30, 92, 58}, "Go", Ink());
  gui::Bevel bevel(*form, "Bevel", {4, 20, 90, 22}, gui::BevelShape::TopLine);
  const std::vector<gui::GraphicControl*> controls{&group, &panel, &label, &button, &bevel};

  for (const IRect clip : {IRect{0, 0, 96, 64}, IRect{10, 5, 40, 35}, IRect{33, 28, 35, 40},
                           IRect{60, 0, 96, 64}, IRect{-5, -5, 3, 3}}) {
    Bitmap whole(96, 64, kPaper), part(96, 64, kPaper);
    for (auto* c : controls) c->Paint(whole);
    for (auto* c : controls) c->Paint(part, clip);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 96; ++x) {
        const gui::Color expected = clip.Contains(x, y) ? whole.Pixel(x, y) : kPaper;
        ASSERT_EQ(part.Pixel(x, y), expected)
            << x << "," << y << " clip " << clip.left << "," << clip.top;
      }
  }
  EXPECT_TRUE(panel.Opaque({10, 30, 20, 40}));
  EXPECT_FALSE(panel.Opaque({0, 30, 20, 40})) << "reaches outside";
  EXPECT_FALSE(button.Opaque({70, 40, 71, 41}));
  label.SetTransparent(true);
  EXPECT_FALSE(label.Opaque({31, 27, 32, 28}));
}

// A colour that names one of the user's scheme is looked up as it is
// painted: the window shows the scheme's colour, and a change of the scheme
// as soon as the program hears of it.
TEST_F(GraphicControlsTest, AColourNamingTheSchemeShowsTheSchemesColourAndFollowsItsChange) {
  form->color = gui::kGrayText;
  gui::BevelPanel strip(*form, "Strip", {0, 0, 96, 20}, gui::SystemColor(kColorBtnFace));
  form->Invalidate();
  app.ProcessMessages();
  const auto shown = [&](int x, int y) { return sys.Window(form->Handle())->frame.Pixel(x, y); };
  EXPECT_EQ(shown(50, 40), process->GetSysColor(kColorGrayText));
  EXPECT_EQ(shown(50, 10), process->GetSysColor(kColorBtnFace));
  sys.SetSysColor(kColorGrayText, 0x202020);
  sys.SetSysColor(kColorBtnFace, 0x000000);
  app.ProcessMessages();
  EXPECT_EQ(shown(50, 40), 0x202020u);
  EXPECT_EQ(shown(50, 10), 0x000000u);
}

}  // namespace
