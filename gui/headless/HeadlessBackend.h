// The framework's backend for tests: forms are windows of the simulated
// system, frames land in those windows (and so on the simulated screen), a
// message box is a window of the simulated system with its own message loop,
// as the system's is, and popup menus are recorded with what the system
// would have shown and answered by the test. Boxes and menus are recorded.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gui/Backend.h"
#include "platform/memory/SimProcess.h"

namespace gui {

struct MessageBoxCall {
  platform::Hwnd owner = 0;
  std::string text;
  std::string caption;
  std::uint32_t flags = 0;
  // The box's window and its OK button while it was up.
  platform::Hwnd window = 0;
  platform::Hwnd okButton = 0;
};

// Thrown when a box stays up for longer than a test can mean it to (the
// test's user never answered it): it ends the test instead of hanging it.
// Deliberately no std::exception, so no handler of the program takes it.
struct MessageBoxNeverAnswered {
  std::string text;
};

struct PopupMenuCall {
  std::vector<MenuEntry> entries;
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint32_t flags = 0;
  platform::Hwnd owner = 0;
  platform::Hwnd foreground = 0;  // the window in front while the menu was open
};

class HeadlessBackend final : public Backend {
 public:
  explicit HeadlessBackend(platform::memory::SimProcess& process) : process_(process) {}

  // The simulated system invalidates whole windows: the whole frame goes.
  IRect PresentFrame(platform::Hwnd hwnd, const Bitmap& frame) override;
  IRect PaintArea(platform::Hwnd hwnd) override;
  void PaintThrough(platform::Hwnd hwnd, const std::function<void()>& draw) override;
  int MessageBox(platform::Hwnd owner, std::string_view text, std::string_view caption,
                 std::uint32_t flags) override;
  int TrackPopupMenu(const std::vector<MenuEntry>& entries, std::int32_t x, std::int32_t y,
                     std::uint32_t flags, platform::Hwnd owner) override;
  platform::HIcon CreateIcon(const MaskedImage& image) override;
  void DestroyIcon(platform::HIcon icon) override;
  bool KeyPressed(int virtualKey) override;
  // The choosers, recorded as they were opened; each takes the first of
  // the test's answers queued for it (none: the user cancels). While one is
  // up its owner is disabled, as the system's modal boxes keep theirs.
  bool ChooseColor(platform::Hwnd owner, ColorChoice& choice) override;
  bool GetOpenFileName(platform::Hwnd owner, FileChoice& choice) override;
  std::vector<ColorChoice> colorChoosers;
  std::vector<FileChoice> fileChoosers;
  std::deque<Color> colorAnswers;
  std::deque<std::string> fileAnswers;
  // The owner each chooser was given, colour and file alike, in order.
  std::vector<platform::Hwnd> chooserOwners;
  // Runs while a chooser is up, before it takes its answer.
  std::function<void()> whileChooserUp;

  // A modal box of the system's while it is up: a window of its own
  // ("#32770"), owned by owner and above it (on top if the owner is), in
  // front and with the keyboard; its owner disabled meanwhile. As it
  // closes, the owner is enabled again (unless it was disabled before) and
  // comes back to the front, and the box goes.
  class ModalBox {
   public:
    ModalBox(platform::memory::SimProcess& process, platform::Hwnd owner);
    ~ModalBox();
    ModalBox(const ModalBox&) = delete;
    ModalBox& operator=(const ModalBox&) = delete;
    platform::Hwnd Handle() const { return box_; }

   private:
    platform::memory::SimProcess& process_;
    platform::Hwnd owner_;
    platform::Hwnd box_ = 0;
    bool enableAgain_;
  };

  const std::vector<MessageBoxCall>& MessageBoxes() const { return boxes_; }
  const std::vector<PopupMenuCall>& Popups() const { return popups_; }
  int presentCount = 0;

  // A box's loop takes the program's messages until the box is answered:
  // by its OK button (a click, Space, Enter or Esc, as the system's box), or
  // by AnswerBox. Whenever the loop finds nothing waiting, the user acts:
  // whileBoxUp if set (it may let time pass, feed the machine, press the
  // button or answer; it is called again until the box is answered), else
  // the box is answered at once with answerBox's button (default OK).
  std::function<void(const MessageBoxCall&)> whileBoxUp;
  // Answers the innermost box that is up with this button.
  void AnswerBox(int id);
  // The test's answers: the button pressed in a box (default OK), the entry
  // chosen in a menu (default none: the menu is dismissed).
  std::function<int(const MessageBoxCall&)> answerBox;
  std::function<int(const PopupMenuCall&)> answerMenu;

  // The id of the entry with this caption (without the shortcut text),
  // searching submenus too; 0 if there is none.
  static int FindEntry(const std::vector<MenuEntry>& entries, std::string_view caption);
  // Answers every menu by choosing the entry with this caption.
  void ChooseInMenus(std::string caption);

 private:
  platform::memory::SimProcess& process_;
  std::vector<MessageBoxCall> boxes_;
  std::vector<std::optional<int>*> answers_;  // of the boxes up now, innermost last
  std::vector<PopupMenuCall> popups_;
};

}  // namespace gui
