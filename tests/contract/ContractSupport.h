// Helpers shared by the contract tests; like the tests, they see only the
// platform boundary.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace contract {

// A name no other test run uses: the registry and mutex names are shared
// with every process on the system, earlier runs included.
std::string UniqueName(const std::string& prefix);

// Takes and dispatches what is queued for this thread right now, without
// waiting; returns what it took. Bounded, so a queue that refills forever
// (a window that repaints endlessly) fails the test instead of hanging it.
std::vector<platform::Msg> PumpPending(platform::Platform& p);

// A window whose procedure records every message it receives and leaves
// them to DefWindowProcA, unless the test's handler answers first.
class LoggingWindow {
 public:
  using Handler = std::function<std::optional<platform::LResult>(const platform::Msg&)>;

  LoggingWindow(platform::Platform& p, platform::WindowParams popup, Handler handler = {});
  ~LoggingWindow();
  LoggingWindow(const LoggingWindow&) = delete;
  LoggingWindow& operator=(const LoggingWindow&) = delete;

  platform::Hwnd hwnd() const { return hwnd_; }
  const std::vector<platform::Msg>& log() const { return *log_; }
  void ClearLog() { log_->clear(); }
  int Count(std::uint32_t message) const;
  int Count(std::uint32_t message, platform::WParam wParam) const;

 private:
  platform::Platform& p_;
  std::shared_ptr<std::vector<platform::Msg>> log_ = std::make_shared<std::vector<platform::Msg>>();
  platform::Hwnd hwnd_ = 0;
};

// A 200x150 popup at (100, 120) of the tests' window class.
platform::WindowParams Popup(const std::string& caption = "Contract");

}  // namespace contract
