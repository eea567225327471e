#include "effects/Dispatcher.h"

#include "gui/Backend.h"

using namespace platform;

EffectDispatcher::EffectDispatcher(Program& program, EffectWindows windows)
    : program_(program), w_(windows) {
  program_.MainPlayer = &w_.player;
}

void EffectDispatcher::HideLeaving(gui::Form& form) {
  if (form.Visible() && form.Width() > 0 && form.Height() > 0)
    leaving_.push_back({{form.Left(), form.Top(), form.Left() + form.ToWindow(form.Width()),
                         form.Top() + form.ToWindow(form.Height())},
                        form.RenderWindowFrame()});
  form.Hide();
}

void EffectDispatcher::HideDialogs() {
  for (gui::Form* dialog : {w_.about, w_.settings, w_.effectTable})
    if (dialog) HideLeaving(*dialog);
}

void EffectDispatcher::CloseOverlay() {
  program_.OverlayVisible = false;
  w_.overlay.Close();
}

void EffectDispatcher::ClearScrollModes() {
  program_.HorizontalScrollOn = false;
  program_.VerticalScrollOn = false;
}

void EffectDispatcher::DispatchEffect(unsigned code) {
  HideDialogs();
  if (code > effect::kCursorReset) return;

  if (code <= effect::kMagnifier || code == effect::kBreakTime) {
    OverlayEffect(static_cast<int>(code) + 1);
    return;
  }
  switch (code) {
    case effect::kHorizontalScroll:
      ScrollToggle(program_.HorizontalScrollOn, program_.VerticalScrollOn, 10);
      break;
    case effect::kVerticalScroll:
      ScrollToggle(program_.VerticalScrollOn, program_.HorizontalScrollOn, 11);
      break;
    case effect::kExecuteProgram:
      if (program_.OverlayVisible) CloseOverlay();
      program_.ActiveEffect = 12;
      program_.OverlayMode = 12;
      ClearScrollModes();
      RunProgram(program_.Settings.ExecuteName);
      program_.sys.Sleep(30);
      break;
    case effect::kPlaySound: PlaySound(); break;
    case effect::kCursorReset: {
      if (program_.OverlayVisible) {
        CloseOverlay();
        program_.ActiveEffect = 15;
      }
      ClearScrollModes();
      CentrePointer();
      break;
    }
    default: break;
  }
}

void EffectDispatcher::CentrePointer() {
  Platform& sys = program_.sys;
  Point pointer;
  MonitorInfo monitor;
  Rect screen{0, 0, sys.GetSystemMetrics(kSmCxScreen), sys.GetSystemMetrics(kSmCyScreen)};
  if (sys.GetCursorPos(&pointer) &&
      sys.GetMonitorInfoA(sys.MonitorFromPoint(pointer, kMonitorDefaultToNearest), &monitor))
    screen = monitor.monitor;
  sys.SetCursorPos(screen.left + screen.Width() / 2, screen.top + screen.Height() / 2);
}

void EffectDispatcher::OverlayEffect(int mode) {
  // The new mode is set before an old show closes: that close releases what
  // its own show made, whatever the mode says now.
  program_.OverlayMode = mode;
  ClearScrollModes();
  if (program_.OverlayVisible && program_.ActiveEffect == mode) {
    CloseOverlay();
    return;
  }
  program_.Trace.Begin(mode);
  // Also an overlay that a key other than Esc left on the screen: every show
  // starts from a fresh capture and the last one's objects are released.
  if (program_.OverlayVisible || w_.overlay.Visible()) CloseOverlay();
  program_.OverlayVisible = true;
  program_.ActiveEffect = mode;
  ShowOverlay();
}

void EffectDispatcher::ScrollToggle(bool& on, bool& other, int activeEffect) {
  if (program_.OverlayVisible) CloseOverlay();
  program_.ActiveEffect = activeEffect;
  other = false;
  const bool wasOn = on;
  on = !wasOn;
  // A collapsed palette has nothing to show or hide.
  if (program_.PaletteCollapsed) return;
  if (wasOn)
    w_.main.Show();
  else
    w_.main.Hide();
}

void EffectDispatcher::ShowOverlay() {
  program_.OverlayVisible = true;
  HideLeaving(w_.main);
  program_.Trace.Mark("hide");
  // The screen is read directly, as soon as the hidden windows have left
  // it; the user's clipboard is left alone. A failed capture leaves the
  // show without a picture, silently.
  [[maybe_unused]] const bool captured = w_.overlay.CaptureScreen(leaving_);
  leaving_.clear();
  w_.overlay.SetStayOnTop(true);
  w_.overlay.Show();
  program_.Trace.Mark("window-shown");
}

void EffectDispatcher::RunProgram(const std::string& text) {
  // Not examined: an empty or unknown name simply opens nothing.
  [[maybe_unused]] const std::intptr_t result =
      program_.sys.ShellExecuteA(program_.app.Handle(), "open", text, "", "", kSwShowNormal);
}

void EffectDispatcher::PlaySound() {
  gui::TMediaPlayer& player = w_.player;
  gui::Application& app = program_.app;
  ClearScrollModes();
  // The boxes come over an overlay that shows, where the presenter can
  // click them.
  if (player.Mode() == gui::TMPModes::mpNotReady)
    app.MessageBox(kMediaNotReadyText, app.Title(), gui::kMbOk, w_.overlay.BoxOwner());
  if (player.Mode() == gui::TMPModes::mpPlaying) {
    player.Stop();
    player.Close();
    return;
  }
  if (program_.Settings.SoundName.empty()) {
    program_.sys.Sleep(200);
    return;
  }
  player.FileName = program_.Settings.SoundName;
  // From here the device holds this sound, not the break's (which may have
  // ended by itself): closing an overlay must leave it playing.
  program_.BreakSoundStarted = false;
  try {
    player.Open();
  } catch (const gui::EMCIDeviceError&) {
    // No caption of its own: the system's default one.
    app.MessageBox("Error " + std::to_string(player.Error()) + ": " + player.ErrorMessage(), "",
                   gui::kMbOk, w_.overlay.BoxOwner());
    return;
  }
  player.Play();
}
