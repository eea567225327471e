// One running copy of the program on a simulated machine, for tests: its
// process, the headless window backend, the application and the program's
// state, started the way the entry point starts it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/Main.h"
#include "core/Program.h"
#include "gui/Application.h"
#include "gui/headless/HeadlessBackend.h"
#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace testing_support {

using platform::memory::SimSystem;

inline constexpr const char* kKey = kSettingsKey;
// Time enough for a poll of the serial driver's timer: its 50 ms, to the
// first tick of Windows' clock after them.
inline constexpr int kPollMs = 50 + 16;

// A complete, valid settings key with the default values, as a first run
// leaves it.
void WriteDefaultKey(SimSystem& sys);

class ProgramHarness {
 public:
  // The program runs on Windows' clock, whose timers, sleeps and time-outs
  // end on its 15.6 ms ticks: what Wine's exact clock would hide shows here.
  explicit ProgramHarness(SimSystem& sys)
      : process(sys.StartProcess()), ui(*process), app(*process, ui, "Tavrin"), program(app) {
    sys.UseClock(SimSystem::Clock::Windows);
  }
  ~ProgramHarness() { app.DestroyForms(); }

  // Creates the five windows (running the start-up sequence) and handles
  // what that left in the queue.
  void Start() {
    program.CreateWindows();
    app.ProcessMessages();
  }
  TForm_Main& Main() { return *program.Form_Main; }
  SimSystem& Sys() { return process->System(); }

  // A real pointer action: the cursor goes to the window's client point, the
  // button goes down and up there, and the program handles what follows.
  void Click(platform::Hwnd hwnd, int x, int y, bool right = false);
  // A left click of the pointer at a point of the screen, queued as real
  // input: whatever window is on top there takes it.
  void ClickScreen(platform::Point at);
  // The middle of a window on the screen.
  platform::Point Middle(platform::Hwnd hwnd);
  // The presenter answers the next box: points at its OK and clicks there (a
  // box still up after that is answered by OK, so that it ends). What the
  // click met is filled in as the boxes come.
  struct BoxClick {
    platform::Hwnd atOk = 0;  // the window under OK's middle
    int boxes = 0;            // boxes that came, the first one included
  };
  std::shared_ptr<BoxClick> ClickNextBoxOk();
  // Presses a key (with Ctrl held when asked) at the window in front.
  void PressKey(std::uint8_t vk, bool ctrl = false);
  // Lets <ms> of simulated time pass, handling what comes due millisecond by
  // millisecond.
  void RunFor(std::uint64_t ms) {
    const std::uint64_t end = Sys().Now() + ms;
    while (Sys().Now() < end) {
      app.ProcessMessages();
      Sys().Advance(1);
    }
    app.ProcessMessages();
  }

  std::unique_ptr<platform::memory::SimProcess> process;
  gui::HeadlessBackend ui;
  gui::Application app;
  Program program;
};

}  // namespace testing_support
