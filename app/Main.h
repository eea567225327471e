// The main window: the palette, the tray icon, the serial port and the
// program's popup menu. Its creation runs the start-up sequence.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/Program.h"
#include "core/SerialPorts.h"
#include "device/CPDrv.h"
#include "device/PacketDecoder.h"
#include "gui/Form.h"
#include "gui/ImageList.h"
#include "gui/MediaPlayer.h"
#include "gui/Menu.h"
#include "gui/Timer.h"

inline constexpr std::uint32_t kTrayIconId = 1034;
inline constexpr std::uint32_t kTrayCallbackMessage = platform::msg::kUser + 20;  // 1044
inline constexpr int kPaletteWidth = 192;
inline constexpr int kPaletteHeight = 262;  // the expanded palette; the design says 261
// How often a closed port is tried again: soon enough that a receiver plugged
// back in works within moments, seldom enough to cost nothing.
inline constexpr std::uint32_t kPortRetryMs = 2000;

class TForm_Main : public gui::Form {
 public:
  TForm_Main(gui::Application& app, Program& program);

  // Slot n (0-10) is shown by palette image n + 1.
  gui::Image& PaletteImage(int slot) { return *images_[static_cast<std::size_t>(slot)]; }
  const std::array<std::int32_t, 11>& Slots() const { return PaletteSlots; }
  const platform::NotifyIconData& TrayRecord() const { return TrayIconData; }

  gui::Image ImageBack;
  gui::Image ImageTitle;
  gui::Image ImageExit;
  gui::PopupMenu PopupMenuMain;
  gui::MenuItem Minimized1, N1, Settings1, EffectTable1, COMPort1, COM1, COM21, N2, About1, Exit1;
  // "Keys": the palette's slots, each with its effect and its shortcut; a
  // click opens the settings' Keys page.
  gui::MenuItem Keys1;
  std::array<std::unique_ptr<gui::MenuItem>, 11> KeyItems;
  gui::ImageList ImageList1;
  TCommPortDriver CommPortDriver1;
  gui::TMediaPlayer MediaPlayer1;
  // Opens the chosen port again while it is closed.
  gui::Timer PortTimer;

  // The copy of the slot table that the device's keys are looked up in.
  std::array<std::int32_t, 11> PaletteSlots{};
  // Turns the device's deliveries into input, messages and effects.
  PacketDecoder Decoder;

  void FormCreate();
  void FormShow();
  void FormDestroy();
  void FormClose(gui::CloseAction& action);
  void FormMouseWheel(unsigned shift, int delta, int x, int y, bool& handled);
  void ImageTitleMouseDown(gui::MouseButton button, unsigned shift, int x, int y);
  void ImageTitleMouseMove(unsigned shift, int x, int y);
  void ImageTitleMouseUp(gui::MouseButton button, unsigned shift, int x, int y);
  void ImageExitClick();
  void Minimized1Click();
  void Settings1Click();
  void EffectTable1Click();
  void About1Click();
  void Exit1Click();
  void COM1Click();
  void COM21Click();
  // The "COM Port" submenu lists, below COM1 and COM2, the other ports the
  // system reports present now, and the chosen one even when it is absent.
  void PopupMenuMainPopup();
  void PortTimerTimer();
  void TrayIconCallback(platform::WParam wParam, platform::LParam lParam);
  // A keyboard shortcut of the device's keys was pressed (WM_HOTKEY's id).
  void HotkeyPressed(platform::WParam id);
  // The port the user chose (1 to 256); 0 before any was.
  int ChosenPort() const { return chosenPort_; }

  // The device's bytes, one delivery per poll of the serial driver.
  void CommPortDriver1ReceiveData(TCommPortDriver& sender, const std::uint8_t* data,
                                  std::uint32_t size);
  // A poll of the port that found nothing waiting.
  void CommPortDriver1LineQuiet(TCommPortDriver& sender);
  // Performs one effect (an effect code, 0-14; anything else only hides the
  // dialogs).
  void DispatchEffect(unsigned code);
  // Captures the screen and shows the overlay in the current mode.
  void ShowOverlay();
  // Opens a program, document or address through the shell.
  void RunProgram(const std::string& text);

 protected:
  platform::LResult WndProc(std::uint32_t message, platform::WParam wParam,
                            platform::LParam lParam) override;

 private:
  void RefreshPalette();
  // The slots' hints and the Keys menu's items: each slot's effect and its
  // shortcut, as long as the program holds that shortcut.
  void ShowSlotKeys();
  std::string SlotShortcut(std::size_t slot) const;
  void KeyItemClick();
  void MakeTrayIcon();
  void AddTrayIcon();
  // The icon again at the size the taskbar shows now (see WndProc).
  void RenewTrayIcon(bool taskbarCreated);
  void SwitchPort(int number);
  // Points the closed driver at the port.
  void SelectPort(int number);
  // While the chosen port is closed, tries to open it; the tip follows.
  void FollowPort();
  // "Tavrin" while the chosen port is open, else which port is missing.
  std::string TrayTip() const;
  void ShowTrayTip();
  void ShowInFront(gui::Form* dialog);

  Program& program_;
  std::array<std::unique_ptr<gui::Image>, 11> images_;
  int chosenPort_ = 0;
  // The submenu's items after COM1 and COM2, as the menu last opened.
  std::vector<std::unique_ptr<gui::MenuItem>> portItems_;
  platform::NotifyIconData TrayIconData;
  bool trayIconWanted_ = false;  // start-up reached the tray step
  std::uint32_t taskbarCreatedMessage_ = 0;
  bool TitleDragging = false;
  std::int32_t DragStartX = 0;
  std::int32_t DragStartY = 0;
  // The module's scratch bitmap and icon object that palette pictures and
  // the tray icon are rendered through.
  gui::Bitmap scratchBitmap_;
  gui::Icon trayIcon_;

 public:
  // A balloon by the tray icon (Program::ShowBalloon); a click on it runs
  // its action, once.
  void ShowBalloon(Program::Balloon balloon);

 private:
  std::function<void()> balloonClick_;  // the shown balloon's
};
