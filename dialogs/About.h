// The about box: the product's name and year, the systems it runs on, the
// rights notice and the project's web address, which opens in the browser
// when clicked. Its caption strip drags it.
#pragma once

#include <cstdint>

#include "core/Program.h"
#include "gui/Form.h"
#include "gui/Graphic.h"
#include "gui/StdControls.h"

// What the link shows and what it opens.
inline constexpr char kAboutLinkText[] = "tavrin.omvale.example";
inline constexpr char kAboutAddress[] = "https://tavrin.omvale.example/";
inline constexpr gui::Color kAboutCaptionColor = 16512;  // 0x004080: red 128, green 64, blue 0

class TFormAbout : public gui::DialogForm {
 public:
  TFormAbout(gui::Application& app, Program& program);

  gui::BevelPanel Panel2;
  gui::Image Image1;
  gui::Label Label1, Label2, Label3, Label4, Label5;
  gui::BevelPanel Panel1;
  gui::Image Image2;
  gui::TButton OkBtn;

  void OkBtnClick();
  void Label5Click();
  void Image2MouseDown(gui::MouseButton button, unsigned shift, int x, int y);
  void Image2MouseMove(unsigned shift, int x, int y);
  void Image2MouseUp(gui::MouseButton button, unsigned shift, int x, int y);

 private:
  Program& program_;
  bool TitleDragging = false;
  std::int32_t DragStartX = 0;
  std::int32_t DragStartY = 0;
};
