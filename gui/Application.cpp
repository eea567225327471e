#include "gui/Application.h"

#include "gui/Form.h"

namespace gui {

Application::Application(platform::Platform& platform, Backend& backend, std::string title)
    : sys_(platform), ui_(backend), title_(std::move(title)) {
  // The application window exists from the start: it owns every box the
  // program shows, the single-instance box included.
  Initialize();
}

Application::~Application() {
  DestroyForms();
  if (handle_) sys_.DestroyWindow(handle_);
}

void Application::DestroyForms() {
  for (auto it = forms_.rbegin(); it != forms_.rend(); ++it) (*it)->Destroy();
  forms_.clear();
  mainForm_ = nullptr;
}

void Application::Initialize() {
  if (handle_) return;
  platform::WindowParams params;
  params.className = "TApplication";
  params.caption = title_;
  params.toolWindow = true;
  handle_ = sys_.CreateWindowExA(
      params, [this](platform::Hwnd h, std::uint32_t m, platform::WParam w, platform::LParam l) {
        return sys_.DefWindowProcA(h, m, w, l);
      });
}

void Application::Adopt(std::unique_ptr<Form> form) {
  Form& f = *form;
  forms_.push_back(std::move(form));
  if (!mainForm_) mainForm_ = &f;
  f.Create();
}

bool Application::HandleMessage() {
  platform::Msg m;
  if (!sys_.PeekMessageW(&m, 0, platform::kPmRemove)) return false;
  if (m.message == platform::msg::kQuit) {
    terminated_ = true;
    return true;
  }
  if (m.message >= platform::msg::kKeyDown && m.message <= 0x0109 /* WM_KEYLAST */)
    for (Form* dialog : dialogs_)
      if (dialog->Handle() && sys_.IsDialogMessageW(dialog->Handle(), m)) return true;
  sys_.DispatchMessageW(m);
  return true;
}

void Application::Run() {
  while (!terminated_) {
    // Turns: a signalled handle, then one message. A port that signals
    // without pause (bytes arriving while its handler runs) cannot hold
    // back the messages queued meanwhile, nor a stream of messages the port.
    bool served = !watched_.empty() && WaitWatched(0) == Woke::Handle;
    if (terminated_) break;
    if (HandleMessage()) served = true;
    if (served) continue;
    if (watched_.empty()) {
      if (!sys_.WaitMessage()) break;
      continue;
    }
    // A wait that fails (a handle gone bad; simulated: nothing more can
    // happen) leaves the messages to wait for.
    if (WaitWatched(platform::kInfinite) == Woke::Failed && !sys_.WaitMessage()) break;
  }
}

void Application::WatchHandle(platform::Handle handle, std::function<void()> handler) {
  UnwatchHandle(handle);
  watched_.push_back({handle, std::move(handler)});
}

void Application::UnwatchHandle(platform::Handle handle) {
  std::erase_if(watched_, [&](const Watched& w) { return w.handle == handle; });
}

Application::Woke Application::WaitWatched(std::uint32_t timeoutMs) {
  std::vector<platform::Handle> handles;
  for (const Watched& w : watched_) handles.push_back(w.handle);
  const auto count = static_cast<std::uint32_t>(handles.size());
  const std::uint32_t r = sys_.MsgWaitForMultipleObjectsEx(
      count, handles.data(), timeoutMs, platform::kQsAllInput, platform::kMwmoInputAvailable);
  if (r < count) {
    // A copy: the handler may stop watching its handle.
    const std::function<void()> handler = watched_[r].handler;
    Guard(handler);
    return Woke::Handle;
  }
  if (r == count) return Woke::Message;
  return r == platform::kWaitTimeout ? Woke::Nothing : Woke::Failed;
}

void Application::ProcessMessages() {
  while (!terminated_ && HandleMessage()) {
  }
}

void Application::Terminate() {
  if (terminated_) return;
  sys_.PostQuitMessage(0);
}

namespace {

// The standard shapes behind the table's numbers.
std::uint32_t StandardShape(int shape) {
  switch (shape) {
    case kCrArrow: return platform::kIdcArrow;
    case kCrCross: return platform::kIdcCross;
    case kCrIBeam: return platform::kIdcIBeam;
    case kCrSizeAll: return platform::kIdcSizeAll;
    case kCrHourGlass: return platform::kIdcWait;
    case kCrNo: return platform::kIdcNo;
    case kCrHandPoint: return platform::kIdcHand;
    default: return 0;
  }
}

}  // namespace

platform::HCursor Application::Cursor(int shape) {
  if (shape == kCrNone) return 0;
  platform::HCursor cursor = 0;
  if (const auto it = cursors_.find(shape); it != cursors_.end())
    cursor = it->second;
  else if (const std::uint32_t id = StandardShape(shape))
    cursor = sys_.LoadCursorA(0, id);
  // A shape without a cursor of its own, and an emptied entry: the arrow.
  return cursor ? cursor : sys_.LoadCursorA(0, platform::kIdcArrow);
}

void Application::SetCursor(int shape, platform::HCursor cursor) {
  if (shape == kCrNone || shape == kCrDefault) return;  // fixed entries
  cursors_[shape] = cursor;
}

void Application::ShowException(std::string_view message, platform::Hwnd owner) {
  ui_.MessageBox(owner ? owner : handle_, message, title_, kMbOk | kMbIconStop);
}

int Application::MessageBox(std::string_view text, std::string_view caption, std::uint32_t flags,
                            platform::Hwnd owner) {
  return ui_.MessageBox(owner ? owner : handle_, text, caption, flags);
}

platform::WndProc Application::Guarded(platform::WndProc proc) {
  return [this, proc = std::move(proc)](platform::Hwnd h, std::uint32_t m, platform::WParam w,
                                        platform::LParam l) -> platform::LResult {
    try {
      return proc(h, m, w, l);
    } catch (const std::exception& e) {
      HandleException(e);
      return 0;
    }
  };
}

}  // namespace gui
