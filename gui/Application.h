// The application object: owns the forms, runs the message loop, and shows
// the standard error box for exceptions that reach it.
#pragma once

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "gui/Backend.h"
#include "platform/Platform.h"

namespace gui {

class Form;

class Application {
 public:
  Application(platform::Platform& platform, Backend& backend, std::string title);
  ~Application();  // destroys the forms, last created first
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  platform::Platform& Sys() { return sys_; }
  Backend& Ui() { return ui_; }
  const std::string& Title() const { return title_; }

  // Creates the application's own hidden window, the owner of its boxes.
  void Initialize();
  platform::Hwnd Handle() const { return handle_; }

  // Creates a form, stores it in ref before its creation handler runs (so the
  // handler can already be reached through ref), and keeps it until exit. The
  // first form created is the main form: closing it ends the program.
  template <class T, class... Args>
  T& CreateForm(T*& ref, Args&&... args) {
    auto form = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& result = *form;
    ref = &result;
    Adopt(std::move(form));
    return result;
  }
  Form* MainForm() const { return mainForm_; }
  // Destroys the forms, last created first; each destroy handler still sees
  // its window and every form created before it.
  void DestroyForms();

  // Runs the message loop until Terminate (or, on a simulated system, until
  // nothing more can happen).
  void Run();
  // Dispatches one waiting message; false when the queue was empty.
  bool HandleMessage();
  // Dispatches every waiting message without waiting for more.
  void ProcessMessages();
  void Terminate();
  bool Terminated() const { return terminated_; }

  // A kernel object (an event) that Run waits on together with the
  // messages: once it is signalled, handler runs on this thread, between two
  // messages (an exception it raises shows in the error box); the loop takes
  // a handle and a message in turns. The system's
  // own modal loops (message boxes, menus, choosers) do not watch it.
  void WatchHandle(platform::Handle handle, std::function<void()> handler);
  void UnwatchHandle(platform::Handle handle);

  // The standard error box: the message, caption = title, stop icon, OK.
  // It belongs to owner (0: the application window), which the system
  // keeps disabled while the box is up and behind it.
  void ShowException(std::string_view message, platform::Hwnd owner = 0);
  void HandleException(const std::exception& e, platform::Hwnd owner = 0) {
    ShowException(e.what(), owner);
  }
  // Runs f; an exception it raises is shown in the standard error box.
  template <class F>
  void Guard(F&& f) {
    try {
      f();
    } catch (const std::exception& e) {
      HandleException(e);
    }
  }
  // A window procedure wrapped so that no exception escapes into the system.
  platform::WndProc Guarded(platform::WndProc proc);

  // A message box owned by owner (0: the application window).
  int MessageBox(std::string_view text, std::string_view caption, std::uint32_t flags,
                 platform::Hwnd owner = 0);

  // The cursor table: the system's pointer shape for each of the
  // framework's shape numbers (kCrDefault, kCrArrow, kCrCross, ...). The
  // standard shapes come from the system; an entry can be replaced by a
  // cursor of the program's, and an entry set to 0 is empty: its shape is the
  // default arrow. kCrNone's entry is always 0, no pointer at all.
  platform::HCursor Cursor(int shape);
  void SetCursor(int shape, platform::HCursor cursor);

  // Forms holding the system's controls: the message loop gives their keys
  // to the system's dialog handling first (Tab, Shift+Tab, the arrows).
  void AddDialog(Form* form) { dialogs_.push_back(form); }
  void RemoveDialog(Form* form) { std::erase(dialogs_, form); }

 private:
  void Adopt(std::unique_ptr<Form> form);
  enum class Woke { Handle, Message, Nothing, Failed };
  // Waits up to timeoutMs for a watched handle or a message; runs the
  // handler of a signalled handle.
  Woke WaitWatched(std::uint32_t timeoutMs);

  struct Watched {
    platform::Handle handle;
    std::function<void()> handler;
  };
  std::vector<Watched> watched_;

  platform::Platform& sys_;
  Backend& ui_;
  std::string title_;
  platform::Hwnd handle_ = 0;
  std::vector<std::unique_ptr<Form>> forms_;
  Form* mainForm_ = nullptr;
  std::vector<Form*> dialogs_;
  std::map<int, platform::HCursor> cursors_;  // entries replaced by the program
  bool terminated_ = false;
};

}  // namespace gui
