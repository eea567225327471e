// Program-wide state: the settings record and slot table every window shares,
// the five windows, and the effect state the main window and the overlay
// share. One instance per run; everything in it is touched on the main
// thread only.
#pragma once

#include <functional>
#include <string>

#include "core/Hotkeys.h"
#include "core/Settings.h"
#include "core/ShowTrace.h"
#include "gui/Application.h"
#include "gui/Form.h"
#include "gui/ImageList.h"
#include "platform/Platform.h"

class TForm_Main;
class TFormEffectTable;
class TForm_Draw;
class TForm_Seeting;
class TFormAbout;
namespace gui {
class TMediaPlayer;
}

struct Program {
  explicit Program(gui::Application& application)
      : app(application), sys(application.Sys()), store(application.Sys()) {}
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // The five windows, in the order they are created; they live until exit.
  void CreateWindows();

  gui::Application& app;
  platform::Platform& sys;
  SettingsStore store;

  TSettings Settings;
  SlotTable EffectSlots = kDefaultSlots;

  TForm_Main* Form_Main = nullptr;
  TFormEffectTable* FormEffectTable = nullptr;
  TForm_Draw* Form_Draw = nullptr;
  TForm_Seeting* Form_Seeting = nullptr;
  TFormAbout* FormAbout = nullptr;

  int OverlayMode = 0;
  int ActiveEffect = 0;
  bool OverlayVisible = false;
  bool HorizontalScrollOn = false;
  bool VerticalScrollOn = false;
  bool PaletteCollapsed = false;  // the palette is shrunk to zero size
  // Set when the break countdown started its sound; the overlay's close then
  // stops it.
  bool BreakSoundStarted = false;
  // The main window's player (MediaPlayer1), which the overlay's close also
  // stops; handed over by the main window before its first effect.
  gui::TMediaPlayer* MainPlayer = nullptr;

  // A balloon from the tray icon: a title and a text by the icon, and what a
  // click on it does (nothing when empty). A later balloon replaces it.
  struct Balloon {
    std::string title;
    std::string text;
    bool error = false;  // the system's error icon, else its information icon
    std::function<void()> onClick;
  };
  // Shows one; set by the main window once its tray icon is there (before
  // that, and without a notification area, a balloon shows nowhere).
  std::function<void(Balloon)> ShowBalloon;

  // The steps of each overlay show, timed when the benchmark asks.
  ShowTrace Trace;

  // The keyboard's shortcuts for the device's keys, held by the main window;
  // HotkeysApplied runs after each change of them (the tray tip tells of a
  // shortcut the program could not have).
  HotkeyRegistrations hotkeys{sys};
  std::function<void()> HotkeysApplied;
};

// Shows effect code's icon on an image control, rendered through the
// module's scratch bitmap; a code outside the fifteen effects has no icon,
// so the image shows empty.
void ShowEffectIcon(const gui::ImageList& list, gui::Bitmap& scratch, gui::Image& image,
                    std::int32_t code);
