#include "gui/Timer.h"

namespace gui {

using namespace platform;

Timer::Timer(Application& app, std::string name, std::uint32_t intervalMs, bool enabled)
    : app_(app), name_(std::move(name)), interval_(intervalMs), enabled_(enabled) {
  WindowParams params;
  params.className = "TTimerWindow";
  params.messageOnly = true;
  window_ = app_.Sys().CreateWindowExA(
      params, app_.Guarded([this](Hwnd h, std::uint32_t m, WParam w, LParam l) -> LResult {
        if (m == msg::kTimer) {
          if (enabled_ && OnTimer) OnTimer();
          return 0;
        }
        return app_.Sys().DefWindowProcA(h, m, w, l);
      }));
  Update();
}

Timer::~Timer() {
  if (!window_) return;
  app_.Sys().KillTimer(window_, 1);
  app_.Sys().DestroyWindow(window_);
}

void Timer::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Update();
}

void Timer::SetInterval(std::uint32_t ms) {
  if (interval_ == ms) return;
  interval_ = ms;
  Update();
}

void Timer::Update() {
  app_.Sys().KillTimer(window_, 1);
  if (enabled_ && interval_ > 0) app_.Sys().SetTimer(window_, 1, interval_);
}

}  // namespace gui
