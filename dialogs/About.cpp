#include "dialogs/About.h"

#include "gui/Application.h"
#include "resources/artwork/DialogArt.h"

namespace {

constexpr int kClientWidth = 280, kClientHeight = 201;

gui::Font SansSerif16() { return {.face = "MS Sans Serif", .height = 16}; }

}  // namespace

TFormAbout::TFormAbout(gui::Application& app, Program& program)
    : gui::DialogForm(app, {.className = "TFormAbout",
                            .caption = "About-Tavrin",
                            .left = 304,
                            .top = 205,
                            .clientWidth = kClientWidth,
                            .clientHeight = kClientHeight}),
      Panel2(*this, "Panel2", {0, 0, kClientWidth, kClientHeight}),
      Image1(*this, "Image1", {16, 49, 16 + 33, 49 + 40}, true),
      Label1(*this, "Label1", 64, 47, "Tavrin 2002", {.face = "Comic Sans MS", .height = 27}),
      Label2(*this, "Label2", 24, 91, "Copyright (C) 2002 Omvale.", SansSerif16()),
      Label3(*this, "Label3", 24, 111, "Free to use and to pass on.", SansSerif16()),
      Label4(*this, "Label4", 88, 136, "WinXP,2k,98,ME,95"),
      Label5(*this, "Label5", 80, 160, kAboutLinkText,
             {.face = "MS Sans Serif", .height = 16, .color = gui::kBlue, .underline = true}),
      Panel1(*this, "Panel1", {0, 0, 279, 33}, kAboutCaptionColor),
      Image2(*this, "Image2", {8, 8, 8 + 265, 8 + 17}),
      OkBtn(*this, "OkBtn", {24, 160, 24 + 49, 160 + 23}, "&OK"),
      program_(program) {
  Panel2.singleBorder = true;
  Panel2.borderWidth = 3;
  Panel2.bevelOuter = gui::PanelBevel::Space;
  Panel2.bevelInner = gui::PanelBevel::Space;
  Image1.SetPicture(artwork::AboutPicture());  // transparent around the drawing
  Label5.SetTransparent(true);
  Label5.cursor = gui::kCrHandPoint;
  Label5.OnClick = [this] { Label5Click(); };
  OkBtn.OnClick = [this] { OkBtnClick(); };
  Panel1.SetCaption("About  Tavrin");
  Panel1.font = {.face = "Tempus Sans ITC", .height = 19, .color = gui::kWhite, .bold = true};

  Image2.OnMouseDown = [this](gui::MouseButton b, unsigned s, int x, int y) {
    Image2MouseDown(b, s, x, y);
  };
  Image2.OnMouseMove = [this](unsigned s, int x, int y) { Image2MouseMove(s, x, y); };
  Image2.OnMouseUp = [this](gui::MouseButton b, unsigned s, int x, int y) {
    Image2MouseUp(b, s, x, y);
  };
}

void TFormAbout::OkBtnClick() { Close(); }

void TFormAbout::Label5Click() {
  // No browser or no network: nothing to report, the box stays.
  [[maybe_unused]] const std::intptr_t result = program_.sys.ShellExecuteA(
      App().Handle(), "open", kAboutAddress, "", "", platform::kSwShowNormal);
}

void TFormAbout::Image2MouseDown(gui::MouseButton, unsigned, int x, int y) {
  TitleDragging = true;
  DragStartX = x;
  DragStartY = y;
}

void TFormAbout::Image2MouseMove(unsigned, int x, int y) {
  const int dx = x - DragStartX;
  const int dy = y - DragStartY;
  if (!TitleDragging) return;
  DragBy(dx, dy);
}

void TFormAbout::Image2MouseUp(gui::MouseButton, unsigned, int, int) { TitleDragging = false; }
