// A timer component: ticks arrive as messages on the thread's loop.
#pragma once

#include <cstdint>
#include <string>

#include "gui/Application.h"
#include "gui/Form.h"

namespace gui {

class Timer {
 public:
  Timer(Application& app, std::string name, std::uint32_t intervalMs, bool enabled = false);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t ms);
  NotifyEvent OnTimer;

 private:
  void Update();
  Application& app_;
  std::string name_;
  std::uint32_t interval_;
  bool enabled_;
  platform::Hwnd window_ = 0;
};

}  // namespace gui
