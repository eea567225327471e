// The framework's backend for tests: forms are windows of the simulated
// system, frames land in those windows (and so on the simulated screen), and
// message boxes and popup menus are recorded with what the system would have
// shown, answered by the test, never blocking.
#pragma once

#include <deque>
#include <functional>
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
  int MessageBox(platform::Hwnd owner, std::string_view text, std::string_view caption,
                 std::uint32_t flags) override;
  int TrackPopupMenu(const std::vector<MenuEntry>& entries, std::int32_t x, std::int32_t y,
                     std::uint32_t flags, platform::Hwnd owner) override;
  platform::HIcon CreateIcon(const MaskedImage& image) override;
  void DestroyIcon(platform::HIcon icon) override;
  bool KeyPressed(int virtualKey) override;
  // The choosers, recorded as they were opened; each takes the first of
  // the test's answers queued for it (none: the user cancels).
  bool ChooseColor(platform::Hwnd owner, ColorChoice& choice) override;
  bool GetOpenFileName(platform::Hwnd owner, FileChoice& choice) override;
  std::vector<ColorChoice> colorChoosers;
  std::vector<FileChoice> fileChoosers;
  std::deque<Color> colorAnswers;
  std::deque<std::string> fileAnswers;

  const std::vector<MessageBoxCall>& MessageBoxes() const { return boxes_; }
  const std::vector<PopupMenuCall>& Popups() const { return popups_; }
  int presentCount = 0;

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
  std::vector<PopupMenuCall> popups_;
};

}  // namespace gui
