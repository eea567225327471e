#include "app/Main.h"

#include <algorithm>
#include <cstring>

#include "dialogs/About.h"
#include "dialogs/Effecttable.h"
#include "dialogs/Seeting.h"
#include "effects/Dispatcher.h"
#include "platform/Utf8.h"
#include "resources/artwork/Artwork.h"

using namespace platform;

namespace {
constexpr int kTrayRightButtonDown = msg::kRButtonDown;  // 516, as the shell reports it
// A balloon that went without a click: hidden, or its time ran out.
constexpr LParam kNinBalloonHide = msg::kUser + 3;
constexpr LParam kNinBalloonTimeout = msg::kUser + 4;
// How long a balloon asks to stay (the system bounds it, and from Vista on
// takes the user's accessibility setting instead).
constexpr std::uint32_t kBalloonTimeoutMs = 10000;

// The first bytes of text that fit a field of size bytes with its
// terminating zero, never part of a character.
void CopyCut(char* field, std::size_t size, const std::string& text) {
  std::size_t n = std::min(text.size(), size - 1);
  while (n > 0 && n < text.size() && IsUtf8Continuation(text[n])) --n;
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}
constexpr gui::IRect kSlotSites[11] = {
    {16, 40, 64, 88},     {72, 40, 120, 88},   {128, 40, 176, 88},  {16, 96, 64, 144},
    {72, 96, 120, 144},   {128, 96, 176, 144}, {16, 152, 64, 200},  {72, 152, 120, 200},
    {128, 152, 176, 200}, {40, 208, 88, 256},  {104, 208, 152, 256}};
}  // namespace

TForm_Main::TForm_Main(gui::Application& app, Program& program)
    : gui::Form(app, {.className = "TForm_Main",
                      .caption = "Tavrin",
                      .left = 214,
                      .top = 111,
                      .clientWidth = 192,
                      .clientHeight = 261,
                      .visible = true,
                      .keyPreview = true}),
      ImageBack(*this, "ImageBack", {0, 0, 192, 262}),
      ImageTitle(*this, "ImageTitle", {8, 0, 161, 33}),
      ImageExit(*this, "ImageExit", {160, 0, 193, 33}),
      PopupMenuMain(*this, "PopupMenuMain"),
      Minimized1("Minimized1", "&MainMenu", gui::ShortCut::Ctrl('M')),
      N1("N1", "-"),
      Settings1("Settings1", "&Settings", gui::ShortCut::Ctrl('S')),
      EffectTable1("EffectTable1", "&Effect Table", gui::ShortCut::Ctrl('E')),
      COMPort1("COMPort1", "COM Port"),
      COM1("COM1", "COM1"),
      COM21("COM21", "COM2"),
      N2("N2", "-"),
      About1("About1", "&About", gui::ShortCut::Ctrl('A')),
      Exit1("Exit1", "&Exit"),
      Keys1("Keys1", "&Keys"),
      ImageList1(artwork::kImageSize, artwork::kImageSize),
      CommPortDriver1(app),
      MediaPlayer1(app),
      PortTimer(app, "PortTimer", kPortRetryMs),
      Decoder(app.Sys(), program, PaletteSlots, [this](unsigned code) { DispatchEffect(code); }),
      program_(program),
      trayIcon_(app.Ui()) {
  ImageBack.SetPicture(artwork::PaletteBackground());
  for (int slot = 0; slot < 11; ++slot)
    images_[static_cast<std::size_t>(slot)] = std::make_unique<gui::Image>(
        *this, "Image" + std::to_string(slot + 1), kSlotSites[slot], true);
  for (const gui::MaskedImage& picture : artwork::PaletteImages()) ImageList1.Add(picture);

  PopupMenuMain.alignment = gui::PopupAlignment::Center;
  for (gui::MenuItem* item :
       {&Minimized1, &N1, &Settings1, &EffectTable1, &COMPort1, &Keys1, &N2, &About1, &Exit1})
    PopupMenuMain.Add(*item);
  for (std::size_t slot = 0; slot < KeyItems.size(); ++slot) {
    KeyItems[slot] = std::make_unique<gui::MenuItem>("KeyItem" + std::to_string(slot + 1), "");
    KeyItems[slot]->OnClick = [this] { KeyItemClick(); };
    Keys1.Add(*KeyItems[slot]);
  }
  COMPort1.Add(COM1);
  COMPort1.Add(COM21);
  PopupMenuMain.OnPopup = [this] { PopupMenuMainPopup(); };
  popupMenu = &PopupMenuMain;

  OnCreate = [this] { FormCreate(); };
  OnShow = [this] { FormShow(); };
  OnDestroy = [this] { FormDestroy(); };
  OnClose = [this](gui::CloseAction& a) { FormClose(a); };
  OnMouseWheel = [this](unsigned s, int d, int x, int y, bool& h) {
    FormMouseWheel(s, d, x, y, h);
  };
  ImageTitle.OnMouseDown = [this](gui::MouseButton b, unsigned s, int x, int y) {
    ImageTitleMouseDown(b, s, x, y);
  };
  ImageTitle.OnMouseMove = [this](unsigned s, int x, int y) { ImageTitleMouseMove(s, x, y); };
  ImageTitle.OnMouseUp = [this](gui::MouseButton b, unsigned s, int x, int y) {
    ImageTitleMouseUp(b, s, x, y);
  };
  ImageExit.OnClick = [this] { ImageExitClick(); };
  Minimized1.OnClick = [this] { Minimized1Click(); };
  Settings1.OnClick = [this] { Settings1Click(); };
  EffectTable1.OnClick = [this] { EffectTable1Click(); };
  About1.OnClick = [this] { About1Click(); };
  Exit1.OnClick = [this] { Exit1Click(); };
  COM1.OnClick = [this] { COM1Click(); };
  COM21.OnClick = [this] { COM21Click(); };
  PortTimer.OnTimer = [this] { PortTimerTimer(); };

  // As the form description sets the driver up: a port given by its path.
  CommPortDriver1.SetPort(pnCustom);
  CommPortDriver1.SetPortName(TCommPortDriver::DevicePath(2));
  CommPortDriver1.OnReceiveData = [this](TCommPortDriver& sender, const std::uint8_t* data,
                                         std::uint32_t size) {
    CommPortDriver1ReceiveData(sender, data, size);
  };
  CommPortDriver1.OnLineQuiet = [this](TCommPortDriver& sender) {
    CommPortDriver1LineQuiet(sender);
  };
  // The port is opened in the background (a Bluetooth port can take seconds
  // to open or fail, again and again while it is absent): the line starts
  // afresh once it is in use.
  CommPortDriver1.OnConnected = [this](TCommPortDriver&) {
    Decoder.LineReopened();
    ShowTrayTip();
  };
  // A port the driver closed as it failed (unplugged): the tip says so at
  // once, and the retry opens it again.
  CommPortDriver1.OnConnectionLost = [this](TCommPortDriver&) { ShowTrayTip(); };

  // Sent to every top-level window when the taskbar comes back (the shell
  // restarted): the tray icon must be added again or it is silently gone.
  taskbarCreatedMessage_ = app.Sys().RegisterWindowMessageA("TaskbarCreated");
  program.ShowBalloon = [this](Program::Balloon balloon) { ShowBalloon(std::move(balloon)); };
}

void TForm_Main::FormCreate() {
  // A damaged key raises here and ends the sequence: the framework shows the
  // error, and the palette keeps its full size without port or tray icon.
  program_.store.Load(program_.Settings, program_.EffectSlots);

  const int port = PortNumberFor(program_.Settings.ComPortName);
  COM1.checked = port == 1;
  COM21.checked = port == 2;
  SelectPort(port);
  // Without the port the program runs on, silently, without device input,
  // until the port appears.
  [[maybe_unused]] const bool opening = CommPortDriver1.ConnectInBackground();
  PortTimer.SetEnabled(true);

  RefreshPalette();
  MakeTrayIcon();
  // Before the tray icon, whose tip tells of a shortcut another program has.
  program_.hotkeys.Apply(Handle(), program_.Settings.Hotkeys);
  program_.HotkeysApplied = [this] {
    ShowTrayTip();
    ShowSlotKeys();
  };
  ShowSlotKeys();

  SetClientWidth(0);
  SetClientHeight(0);
  SetWidth(0);
  SetHeight(0);

  trayIconWanted_ = true;
  AddTrayIcon();
  program_.PaletteCollapsed = true;
}

void TForm_Main::MakeTrayIcon() {
  // The program icon drawn at the size the shell shows it at: the small
  // icon's at the DPI of the taskbar's monitor, the primary (16 at 100 %,
  // 24 at 150 %), which a picture of another size would be stretched to.
  Platform& sys = program_.sys;
  const HMonitor primary = sys.MonitorFromPoint({0, 0}, kMonitorDefaultToPrimary);
  const std::uint32_t dpi = primary ? sys.GetDpiForMonitor(primary) : 0;
  const int size = sys.GetSystemMetricsForDpi(kSmCxSmIcon, dpi ? dpi : kDefaultDpi);
  if (size > 0 && size <= 256)
    trayIcon_.Assign(artwork::ProgramIcon(size));
  else
    ImageList1.GetIcon(artwork::kProgramIconIndex, trayIcon_);
}

void TForm_Main::AddTrayIcon() {
  TrayIconData = {};
  TrayIconData.hWnd = Handle();
  TrayIconData.uID = kTrayIconId;
  TrayIconData.uFlags = kNifMessage | kNifIcon | kNifTip;
  TrayIconData.uCallbackMessage = kTrayCallbackMessage;
  TrayIconData.hIcon = trayIcon_.Handle();
  const std::string tip = TrayTip();
  std::strncpy(TrayIconData.szTip, tip.c_str(), sizeof TrayIconData.szTip - 1);
  // Without a notification area the program still runs; nothing to report.
  [[maybe_unused]] const bool added = program_.sys.Shell_NotifyIconA(kNimAdd, TrayIconData);
}

// A new taskbar comes after the shell restarted, with the icon gone, and
// after the primary monitor's scale changed, with the icon kept: NIM_MODIFY
// gives the one it kept the size of the new scale (NIM_ADD would fail
// there), and where it fails the icon is added afresh.
void TForm_Main::RenewTrayIcon(bool taskbarCreated) {
  const int before = trayIcon_.Image().color.Width();
  MakeTrayIcon();
  if (!taskbarCreated && trayIcon_.Image().color.Width() == before) return;
  TrayIconData.hIcon = trayIcon_.Handle();
  if (!program_.sys.Shell_NotifyIconA(kNimModify, TrayIconData) && taskbarCreated) AddTrayIcon();
}

void TForm_Main::FormShow() { RefreshPalette(); }

void TForm_Main::RefreshPalette() {
  for (std::size_t slot = 0; slot < PaletteSlots.size(); ++slot) {
    const std::int32_t code = program_.EffectSlots[slot];
    ShowEffectIcon(ImageList1, scratchBitmap_, *images_[slot], code);
    PaletteSlots[slot] = code;
  }
  ShowSlotKeys();
}

std::string TForm_Main::SlotShortcut(std::size_t slot) const {
  // One another program holds, or an earlier slot has, does not start this
  // slot's effect: the tray's tip and the Keys page tell of it instead.
  if (program_.hotkeys.Error(slot) != 0) return {};
  return HotkeyText(program_.Settings.Hotkeys[slot]);
}

void TForm_Main::ShowSlotKeys() {
  for (std::size_t slot = 0; slot < PaletteSlots.size(); ++slot) {
    const std::string effect = EffectName(program_.EffectSlots[slot]);
    const std::string keys = SlotShortcut(slot);
    images_[slot]->SetHint(effect.empty() || keys.empty() ? effect : effect + " (" + keys + ")");
    // The key's letter as the palette places it is the item's access key.
    KeyItems[slot]->caption =
        std::string("&") + static_cast<char>('B' + slot) + "  " + (effect.empty() ? "-" : effect);
    KeyItems[slot]->shortcutText = keys;
  }
}

void TForm_Main::KeyItemClick() {
  if (TForm_Seeting* settings = program_.Form_Seeting)
    settings->PageControl1.SetActivePage(settings->TabSheet_Keys);
  Settings1Click();
}

void TForm_Main::FormDestroy() {
  // The shell needs the owner window alive to take the icon away.
  NotifyIconData record;
  record.hWnd = Handle();
  record.uID = kTrayIconId;
  program_.sys.Shell_NotifyIconA(kNimDelete, record);
}

void TForm_Main::FormClose(gui::CloseAction&) {}

void TForm_Main::FormMouseWheel(unsigned, int, int, int, bool&) {}

LResult TForm_Main::WndProc(std::uint32_t message, WParam wParam, LParam lParam) {
  if (message == kTrayCallbackMessage)
    TrayIconCallback(wParam, lParam);
  else if (taskbarCreatedMessage_ && message == taskbarCreatedMessage_ && trayIconWanted_)
    RenewTrayIcon(true);
  else if (message == msg::kDisplayChange && trayIconWanted_)
    // Another primary monitor (Win+P) may have another scale, and a new
    // taskbar is not promised then.
    RenewTrayIcon(false);
  else if (message == kWmHotkey)
    HotkeyPressed(wParam);
  else if (message == msg::kDeviceChange)
    // A device came or went: perhaps the receiver, which need not wait for
    // the next retry.
    FollowPort();
  return gui::Form::WndProc(message, wParam, lParam);
}

void TForm_Main::TrayIconCallback(WParam, LParam lParam) {
  if (lParam == kNinBalloonUserClick || lParam == kNinBalloonTimeout || lParam == kNinBalloonHide) {
    // The balloon is gone; only the user's click on it acts.
    std::function<void()> click = std::move(balloonClick_);
    balloonClick_ = nullptr;
    if (lParam == kNinBalloonUserClick && click) click();
    return;
  }
  if (lParam != kTrayRightButtonDown) return;
  // A tray menu only closes when the user clicks elsewhere if its owner is in
  // front while it is open, and the posted null message lets it go cleanly.
  program_.sys.SetForegroundWindow(Handle());
  PopupMenuMain.Popup(program_.sys.GetSystemMetrics(kSmCxScreen) - 40,
                      program_.sys.GetSystemMetrics(kSmCyScreen) - 40);
  program_.sys.PostMessageA(Handle(), msg::kNull, 0, 0);
}

void TForm_Main::Minimized1Click() {
  if (program_.PaletteCollapsed) {
    SetClientWidth(kPaletteWidth);
    SetClientHeight(kPaletteHeight);
    SetWidth(kPaletteWidth);
    SetHeight(kPaletteHeight);
    Minimized1.caption = " &Minimized ";
    program_.PaletteCollapsed = false;
  } else {
    SetClientWidth(0);
    SetClientHeight(0);
    SetWidth(0);
    SetHeight(0);
    program_.PaletteCollapsed = true;
    Minimized1.caption = " &MainMenu";
  }
}

// The dialogs are modeless: the menu command returns at once and the
// palette, the tray and the device go on working while a dialog shows. A
// dialog already open, but covered by other windows, comes to the front.
void TForm_Main::Settings1Click() {
  Hide();
  ShowInFront(program_.Form_Seeting);
}

void TForm_Main::EffectTable1Click() { ShowInFront(program_.FormEffectTable); }

void TForm_Main::About1Click() { ShowInFront(program_.FormAbout); }

void TForm_Main::ShowInFront(gui::Form* dialog) {
  if (!dialog) return;
  dialog->Show();
  dialog->BringToFront();
}

void TForm_Main::ImageTitleMouseDown(gui::MouseButton, unsigned, int x, int y) {
  TitleDragging = true;
  DragStartX = x;
  DragStartY = y;
}

void TForm_Main::ImageTitleMouseMove(unsigned, int x, int y) {
  const int dx = x - DragStartX;
  const int dy = y - DragStartY;
  if (!TitleDragging) return;
  DragBy(dx, dy);
}

void TForm_Main::ImageTitleMouseUp(gui::MouseButton, unsigned, int, int) { TitleDragging = false; }

void TForm_Main::ImageExitClick() { Close(); }
void TForm_Main::Exit1Click() { Close(); }

void TForm_Main::SwitchPort(int number) {
  const std::string name = PortSettingText(number);
  program_.Settings.ComPortName = name;
  COM1.checked = number == 1;
  COM21.checked = number == 2;
  CommPortDriver1.Disconnect();
  SelectPort(number);
  // The ticks and the stored choice follow the user even without the port.
  [[maybe_unused]] const bool opening = CommPortDriver1.ConnectInBackground();
  Decoder.LineReopened();
  PortTimer.SetEnabled(true);
  ShowTrayTip();
  program_.store.SavePort(name);
}

void TForm_Main::SelectPort(int number) {
  chosenPort_ = number;
  // The first two by their numbers, as the driver always named them; the
  // others by their device paths, which from COM10 on only "\\.\" reaches.
  if (number <= 2)
    CommPortDriver1.SetPort(number == 1 ? pnCOM1 : pnCOM2);
  else
    CommPortDriver1.SetPortName(TCommPortDriver::DevicePath(number));
}

void TForm_Main::COM1Click() { SwitchPort(1); }
void TForm_Main::COM21Click() { SwitchPort(2); }

void TForm_Main::PopupMenuMainPopup() {
  COMPort1.items = {&COM1, &COM21};
  portItems_.clear();
  std::vector<PresentPort> ports;
  for (const PresentPort& port : PresentSerialPorts(program_.sys))
    if (port.number > 2) ports.push_back(port);
  // The user sees which port the program waits for, there or not.
  const auto chosen = std::find_if(
      ports.begin(), ports.end(), [this](const PresentPort& p) { return p.number == chosenPort_; });
  if (chosenPort_ > 2 && chosen == ports.end())
    ports.insert(std::find_if(ports.begin(), ports.end(),
                              [this](const PresentPort& p) { return p.number > chosenPort_; }),
                 {chosenPort_, {}});
  for (const PresentPort& port : ports) {
    auto item =
        std::make_unique<gui::MenuItem>("COM" + std::to_string(port.number), PortCaption(port));
    item->checked = port.number == chosenPort_;
    item->OnClick = [this, number = port.number] { SwitchPort(number); };
    COMPort1.Add(*item);
    portItems_.push_back(std::move(item));
  }
}

void TForm_Main::PortTimerTimer() { FollowPort(); }

void TForm_Main::FollowPort() {
  if (chosenPort_ == 0) return;
  if (!CommPortDriver1.Connected() && !CommPortDriver1.Connecting()) {
    [[maybe_unused]] const bool opening = CommPortDriver1.ConnectInBackground();
  }
  ShowTrayTip();
}

std::string TForm_Main::TrayTip() const {
  std::string tip = "Tavrin";
  if (!CommPortDriver1.Connected())
    tip += " - COM" + std::to_string(chosenPort_) + " not connected";
  const std::size_t room = sizeof TrayIconData.szTip - 1 - tip.size() - 3;
  const std::string keys = HotkeyTrouble(program_.hotkeys, program_.Settings.Hotkeys, room);
  if (!keys.empty()) tip += (CommPortDriver1.Connected() ? " - " : "; ") + keys;
  return tip;
}

void TForm_Main::HotkeyPressed(WParam id) {
  if (const auto slot = HotkeyRegistrations::SlotOf(id)) Decoder.FunctionKey(*slot);
}

void TForm_Main::ShowTrayTip() {
  if (!trayIconWanted_) return;
  const std::string tip = TrayTip();
  if (tip == TrayIconData.szTip) return;
  std::strncpy(TrayIconData.szTip, tip.c_str(), sizeof TrayIconData.szTip - 1);
  NotifyIconData record;
  record.hWnd = Handle();
  record.uID = kTrayIconId;
  record.uFlags = kNifTip;
  std::strncpy(record.szTip, tip.c_str(), sizeof record.szTip - 1);
  // Without a notification area there is no tip to change.
  [[maybe_unused]] const bool shown = program_.sys.Shell_NotifyIconA(kNimModify, record);
}

void TForm_Main::ShowBalloon(Program::Balloon balloon) {
  balloonClick_ = std::move(balloon.onClick);
  if (!trayIconWanted_) return;
  NotifyIconData record;
  record.hWnd = Handle();
  record.uID = kTrayIconId;
  record.uFlags = kNifInfo;
  CopyCut(record.szInfoTitle, sizeof record.szInfoTitle, balloon.title);
  // An empty text would take the balloon away instead.
  CopyCut(record.szInfo, sizeof record.szInfo, balloon.text.empty() ? " " : balloon.text);
  record.uTimeoutOrVersion = kBalloonTimeoutMs;
  record.dwInfoFlags = balloon.error ? kNiifError : kNiifInfo;
  // Without a notification area there is nowhere to show it.
  if (!program_.sys.Shell_NotifyIconA(kNimModify, record)) balloonClick_ = nullptr;
}

// ---- device input and effects -------------------------------------------------

void TForm_Main::CommPortDriver1ReceiveData(TCommPortDriver& sender, const std::uint8_t* data,
                                            std::uint32_t size) {
  Decoder.ReceiveData(
      data, size,
      sender.WokenByArrivals() ? PacketDecoder::Delivery::Woken : PacketDecoder::Delivery::Polled);
}

void TForm_Main::CommPortDriver1LineQuiet(TCommPortDriver&) { Decoder.LineQuiet(); }

namespace {
// The effects work on the program's windows and this window's player.
EffectDispatcher EffectsOf(Program& program, TForm_Main& main) {
  return EffectDispatcher(program, {.main = main,
                                    .about = program.FormAbout,
                                    .settings = program.Form_Seeting,
                                    .effectTable = program.FormEffectTable,
                                    .overlay = *program.Form_Draw,
                                    .player = main.MediaPlayer1});
}
}  // namespace

void TForm_Main::DispatchEffect(unsigned code) {
  if (program_.Form_Draw) EffectsOf(program_, *this).DispatchEffect(code);
}

void TForm_Main::ShowOverlay() {
  if (program_.Form_Draw) EffectsOf(program_, *this).ShowOverlay();
}

void TForm_Main::RunProgram(const std::string& text) {
  if (program_.Form_Draw) EffectsOf(program_, *this).RunProgram(text);
}
