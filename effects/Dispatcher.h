// The only place an effect starts: the main window's DispatchEffect,
// ShowOverlay and RunProgram, carried out on the windows and the player the
// main window names. The effect state itself lives in Program.
#pragma once

#include <string>
#include <vector>

#include "core/Program.h"
#include "effects/Show.h"
#include "gui/Form.h"
#include "gui/MediaPlayer.h"

// Effect codes; an overlay effect's mode is its code + 1.
namespace effect {
inline constexpr unsigned kMark = 0;
inline constexpr unsigned kMagnifier = 8;
inline constexpr unsigned kHorizontalScroll = 9;
inline constexpr unsigned kVerticalScroll = 10;
inline constexpr unsigned kExecuteProgram = 11;
inline constexpr unsigned kBreakTime = 12;
inline constexpr unsigned kPlaySound = 13;
inline constexpr unsigned kCursorReset = 14;
}  // namespace effect

inline constexpr char kMediaNotReadyText[] = "The Media Device are not ready";

struct EffectWindows {
  gui::Form& main;
  // Hidden before every effect, in this order; a window not made yet is null.
  gui::Form* about = nullptr;
  gui::Form* settings = nullptr;
  gui::Form* effectTable = nullptr;
  TForm_Draw& overlay;
  gui::TMediaPlayer& player;
};

class EffectDispatcher {
 public:
  EffectDispatcher(Program& program, EffectWindows windows);

  void DispatchEffect(unsigned code);
  void ShowOverlay();
  void RunProgram(const std::string& text);

 private:
  void HideDialogs();
  // Hides a window, remembering what it showed if it was on the screen.
  void HideLeaving(gui::Form& form);
  void CloseOverlay();
  void OverlayEffect(int mode);
  void ScrollToggle(bool& on, bool& other, int activeEffect);
  void PlaySound();
  void ClearScrollModes();
  // The pointer to the centre of the monitor it is on.
  void CentrePointer();

  Program& program_;
  EffectWindows w_;
  std::vector<LeavingWindow> leaving_;
};
