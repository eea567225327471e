#include "tests/contract/ContractSupport.h"

#include <chrono>
#include <cstdio>
#include <random>

namespace contract {

std::string UniqueName(const std::string& prefix) {
  std::random_device rd;
  const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::uint64_t mix = (std::uint64_t{rd()} << 32) ^ rd() ^ static_cast<std::uint64_t>(now);
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(mix));
  return prefix + hex;
}

std::vector<platform::Msg> PumpPending(platform::Platform& p) {
  std::vector<platform::Msg> taken;
  platform::Msg m;
  for (int i = 0; i < 10000 && p.PeekMessageW(&m, 0, platform::kPmRemove); ++i) {
    taken.push_back(m);
    if (m.message != platform::msg::kQuit) p.DispatchMessageW(m);
  }
  return taken;
}

LoggingWindow::LoggingWindow(platform::Platform& p, platform::WindowParams popup, Handler handler)
    : p_(p) {
  auto log = log_;
  platform::Platform* pp = &p;
  hwnd_ = p.CreateWindowExA(
      popup, [log, pp, handler = std::move(handler)](platform::Hwnd h, std::uint32_t message,
                                                     platform::WParam w, platform::LParam l) {
        const platform::Msg m{h, message, w, l};
        log->push_back(m);
        if (handler) {
          if (auto answer = handler(m)) return *answer;
        }
        return pp->DefWindowProcA(h, message, w, l);
      });
}

LoggingWindow::~LoggingWindow() {
  if (hwnd_ && p_.IsWindow(hwnd_)) p_.DestroyWindow(hwnd_);
}

int LoggingWindow::Count(std::uint32_t message) const {
  int n = 0;
  for (const auto& m : *log_) n += m.message == message;
  return n;
}

int LoggingWindow::Count(std::uint32_t message, platform::WParam wParam) const {
  int n = 0;
  for (const auto& m : *log_) n += m.message == message && m.wParam == wParam;
  return n;
}

platform::WindowParams Popup(const std::string& caption) {
  platform::WindowParams s;
  s.className = "TavrinContractWindow";
  s.caption = caption;
  s.left = 100;
  s.top = 120;
  s.width = 200;
  s.height = 150;
  return s;
}

}  // namespace contract
