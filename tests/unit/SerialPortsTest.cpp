// The receiver on any serial port: which port the "Com Port" setting names,
// the ports the system reports listed in the tray menu, and the program
// following the chosen port as it goes away and comes back.
#include <gtest/gtest.h>

#include "core/SerialPorts.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;
using platform::Point;
using platform::memory::kSerialCommKey;
using platform::memory::SimSerialPort;

TEST(PortSetting, NamesAPortFromCom3OnExactlyAndEveryOtherTextTheSecond) {
  for (const auto& [text, port] : {std::pair<const char*, int>{"Com1", 1},
                                   {"Com3", 3},
                                   {"Com10", 10},
                                   {"Com256", 256},
                                   {"Com2", 2}})
    EXPECT_EQ(PortNumberFor(text), port) << '"' << text << '"';
  for (const char* other :
       {"com5", "COM5", "Com05", "Com0", "Com257", "Com1000", "Com", "Com5 ", " Com5", "Com+5", ""})
    EXPECT_EQ(PortNumberFor(other), 2) << '"' << other << '"';
}

// A move of 10 pixels to the right, as the receiver sends it.
const std::vector<std::uint8_t> kMoveRight10 = {0xC0, 0x8A, 0x80};

class PortTest : public ::testing::Test {
 protected:
  PortTest() : h(sys) {}
  void Start(const char* comPort = nullptr) {
    if (comPort) {
      WriteDefaultKey(sys);
      sys.SetString(kKey, "Com Port", comPort);
    }
    h.Start();
  }
  // The "COM Port" submenu as the tray icon's menu shows it now: each item's
  // caption, with "*" after a ticked one.
  std::vector<std::string> PortMenu() {
    h.ui.answerMenu = [](const gui::PopupMenuCall&) { return 0; };
    sys.ClickTrayIcon(h.Main().Handle(), kTrayIconId, platform::msg::kRButtonDown);
    h.app.ProcessMessages();
    std::vector<std::string> items;
    for (const gui::MenuEntry& e : h.ui.Popups().back().entries[4].children)
      items.push_back(e.text + (e.checked ? "*" : ""));
    return items;
  }
  void Choose(const std::string& caption) {
    h.ui.ChooseInMenus(caption);
    sys.ClickTrayIcon(h.Main().Handle(), kTrayIconId, platform::msg::kRButtonDown);
    h.app.ProcessMessages();
  }
  std::string Tip() { return sys.TrayIcons().at(0).tip; }
  void RunFor(std::uint64_t ms) { h.RunFor(ms); }
  // Whether the program reads the port now: a move sent there moves the
  // pointer within a poll.
  bool Reads(SimSerialPort& port) {
    sys.PlaceCursor({500, 400});
    port.Feed(kMoveRight10);
    RunFor(kPollMs);
    return sys.Cursor() == Point{510, 400};
  }

  SimSystem sys;
  ProgramHarness h;
};

TEST_F(PortTest, TheMenuListsThePortsTheSystemReportsNowBelowCom1AndCom2InNumberOrder) {
  sys.AddSerialPort("COM2");
  sys.AddSerialPort("COM12", {.friendlyName = "USB Serial Port (COM12)"});
  SimSerialPort& com4 = sys.AddSerialPort("COM4", {.friendlyName = "Bluetooth Link"});
  sys.AddSerialPort("COM7", {.listed = false});  // its driver does not name it
  sys.AddSerialPort("COM9").Vanish();
  sys.SetString(kSerialCommKey, "\\Device\\Null0", "CNCA0");  // no COM port
  sys.SetString(kSerialCommKey, "\\Device\\Twin", "COM12");   // named twice
  Start();
  EXPECT_EQ(PortMenu(), (std::vector<std::string>{"COM1", "COM2*", "COM4 (Bluetooth Link)",
                                                  "COM12 (USB Serial Port)"}));

  com4.Vanish();
  sys.AddSerialPort("COM5");
  EXPECT_EQ(PortMenu(),
            (std::vector<std::string>{"COM1", "COM2*", "COM5", "COM12 (USB Serial Port)"}));
}

TEST_F(PortTest, ChoosingAListedPortStoresItsNameAndReadsIt) {
  SimSerialPort& com2 = sys.AddSerialPort("COM2");
  SimSerialPort& com12 = sys.AddSerialPort("COM12", {.friendlyName = "USB Serial Port (COM12)"});
  Start("Com2");
  Choose("COM12 (USB Serial Port)");
  EXPECT_EQ(h.program.Settings.ComPortName, "Com12");
  EXPECT_EQ(sys.String(kKey, "Com Port"), "Com12");
  EXPECT_EQ(h.Main().CommPortDriver1.PortName(), "\\\\.\\COM12");
  EXPECT_FALSE(com2.open);
  EXPECT_TRUE(Reads(com12));
  EXPECT_EQ(PortMenu(), (std::vector<std::string>{"COM1", "COM2", "COM12 (USB Serial Port)*"}));

  // The next start takes the stored port.
  h.app.DestroyForms();
  ProgramHarness again(sys);
  again.Start();
  EXPECT_TRUE(again.Main().CommPortDriver1.Connected());
  EXPECT_TRUE(com12.open);
}

TEST_F(PortTest, AStoredPortThatIsAbsentIsWaitedForAndReadWhenItArrives) {
  Start("Com5");
  EXPECT_FALSE(h.Main().CommPortDriver1.Connected());
  EXPECT_EQ(Tip(), "Tavrin - COM5 not connected");
  EXPECT_EQ(PortMenu(), (std::vector<std::string>{"COM1", "COM2", "COM5*"}))
      << "the port waited for stays in the menu";

  // Plugged in: the system's device change is enough, no retry is waited for.
  SimSerialPort& com5 = sys.AddSerialPort("COM5");
  h.app.ProcessMessages();
  EXPECT_TRUE(com5.open);
  EXPECT_EQ(Tip(), "Tavrin");
  EXPECT_TRUE(Reads(com5));
}

TEST_F(PortTest, APortUnpluggedAndPluggedBackIsReadAgain) {
  SimSerialPort& com2 = sys.AddSerialPort("COM2");
  Start();
  ASSERT_TRUE(Reads(com2));
  com2.Feed({kMoveRight10[0]});  // the receiver unplugged mid-packet
  RunFor(kPollMs);

  com2.Vanish();
  RunFor(kPortRetryMs);
  EXPECT_FALSE(h.Main().CommPortDriver1.Connected());
  EXPECT_EQ(Tip(), "Tavrin - COM2 not connected");

  com2.Return();
  h.app.ProcessMessages();
  EXPECT_EQ(Tip(), "Tavrin");
  EXPECT_TRUE(Reads(com2)) << "the first packet after the return starts a packet";
  EXPECT_TRUE(h.ui.MessageBoxes().empty()) << "nothing is shown for it";
}

TEST_F(PortTest, APortWhoseWaitFailsAfterAnUnplugIsClosedThoughItsStatusQueryStillAnswers) {
  SimSerialPort& com2 = sys.AddSerialPort("COM2", {.answersWhenGone = true});
  Start();
  ASSERT_TRUE(Reads(com2));
  com2.Vanish();
  RunFor(kPollMs);
  EXPECT_FALSE(h.Main().CommPortDriver1.Connected());
  EXPECT_EQ(Tip(), "Tavrin - COM2 not connected") << "at once, not at the next retry";
  com2.Return();
  RunFor(kPortRetryMs);
  EXPECT_EQ(Tip(), "Tavrin");
  EXPECT_TRUE(Reads(com2));
}

TEST_F(PortTest, AFailedStatusQueryWhileTheByteReadWaitsClosesThePort) {
  // As under Wine: the comm-event wait sees nothing, a read of one byte waits.
  SimSerialPort& com2 = sys.AddSerialPort("COM2", {.watchesLines = false});
  Start();
  RunFor(100);
  ASSERT_TRUE(Reads(com2));
  com2.FailNext(platform::memory::SerialCall::ClearCommError, platform::error::kNotReady, -1);
  RunFor(kPollMs);
  EXPECT_FALSE(h.Main().CommPortDriver1.Connected());
  EXPECT_FALSE(com2.open);
  EXPECT_EQ(Tip(), "Tavrin - COM2 not connected");
  com2.ClearFailures();
  RunFor(kPortRetryMs);
  EXPECT_EQ(Tip(), "Tavrin");
  EXPECT_TRUE(Reads(com2));
}

TEST(PortWakes, APortWhoseWaitsEndAtOnceWithNothingIsPolledOnItsTimerWithoutSpinning) {
  for (const bool watches : {true, false}) {
    SCOPED_TRACE(watches ? "a driver that reports its lines" : "a driver without modem lines");
    SimSystem sys;
    SimSerialPort& com2 =
        sys.AddSerialPort("COM2", {.watchesLines = watches, .waitsEndAtOnce = true});
    ProgramHarness h(sys);
    h.Start();
    const auto loopFor = [&](std::uint64_t ms) {
      h.process->IdleUntil(sys.Now() + ms);
      h.app.Run();
    };
    sys.PlaceCursor({500, 400});
    const std::uint64_t waitsBefore = h.process->WaitCalls();
    com2.FeedAt(sys.Now() + 100, kMoveRight10);
    com2.FeedAt(sys.Now() + 500, kMoveRight10);
    loopFor(1000);
    EXPECT_LT(h.process->WaitCalls() - waitsBefore, 200u) << "a second of the loop's turns";
    EXPECT_EQ(sys.Cursor(), (Point{520, 400}));
    EXPECT_EQ(com2.timeouts.ReadIntervalTimeout, 1u) << "the timer's reads have their time-outs";
    EXPECT_EQ(com2.timeouts.ReadTotalTimeoutConstant, 1u);

    com2.Vanish();
    loopFor(100);
    EXPECT_FALSE(h.Main().CommPortDriver1.Connected());
    com2.Return();
    loopFor(kPortRetryMs);
    EXPECT_TRUE(h.Main().CommPortDriver1.Connected());
  }
}

TEST(PortOpen, APortThatTakesSecondsToOpenHoldsNothingUpAndIsReadOnceOpen) {
  // A Bluetooth port, say: its open takes 3 s. Meanwhile a 10 ms timer of
  // the program's, due at every tick of the clock, comes at each, and the
  // tray menu opens.
  SimSystem sys;
  SimSerialPort& com2 = sys.AddSerialPort("COM2", {.openMs = 3000});
  ProgramHarness h(sys);
  h.Start();
  const std::uint64_t start = sys.Now();
  EXPECT_LT(start, 100u) << "the start was held up";
  EXPECT_FALSE(h.Main().CommPortDriver1.Connected());
  std::vector<std::uint64_t> beats;
  platform::WindowParams params;
  params.className = "Beat";
  params.messageOnly = true;
  const platform::Hwnd beat = h.process->CreateWindowExA(
      params, [&](platform::Hwnd w, std::uint32_t m, platform::WParam wp, platform::LParam lp) {
        if (m == platform::msg::kTimer) beats.push_back(sys.Now());
        return h.process->DefWindowProcA(w, m, wp, lp);
      });
  h.process->SetTimer(beat, 1, 10);
  const auto loopUntil = [&](std::uint64_t at) {
    h.process->IdleUntil(at);
    h.app.Run();
  };
  loopUntil(start + 1000);
  h.ui.answerMenu = [](const gui::PopupMenuCall&) { return 0; };
  sys.ClickTrayIcon(h.Main().Handle(), kTrayIconId, platform::msg::kRButtonDown);
  loopUntil(sys.Now() + 20);
  EXPECT_EQ(h.ui.Popups().size(), 1u) << "the tray menu opened";
  loopUntil(start + 2900);
  for (std::size_t i = 1; i < beats.size(); ++i) EXPECT_LE(beats[i] - beats[i - 1], 16u);
  EXPECT_GE(beats.size(), 2800u / 16);
  EXPECT_FALSE(h.Main().CommPortDriver1.Connected());

  loopUntil(start + 3100);
  EXPECT_TRUE(h.Main().CommPortDriver1.Connected());
  EXPECT_EQ(sys.TrayIcons().at(0).tip, "Tavrin");
  sys.PlaceCursor({500, 400});
  com2.Feed(kMoveRight10);
  loopUntil(sys.Now() + 60);
  EXPECT_EQ(sys.Cursor(), (Point{510, 400}));
}

TEST_F(PortTest, APortHeldByAnotherProgramIsTriedAgainEveryTwoSeconds) {
  SimSerialPort& com2 = sys.AddSerialPort("COM2");
  auto other = sys.StartProcess();
  const platform::Handle held =
      other->CreateFileA("\\\\.\\COM2", platform::kGenericRead | platform::kGenericWrite, 0,
                         platform::kOpenExisting, platform::kFileAttributeNormal);
  Start();
  ASSERT_FALSE(h.Main().CommPortDriver1.Connected());
  const std::uint64_t started = sys.Now();
  other->CloseHandle(held);  // no device change: only the retry finds it free
  RunFor(kPortRetryMs - 1 - (sys.Now() - started));
  EXPECT_FALSE(h.Main().CommPortDriver1.Connected());
  RunFor(1);
  EXPECT_TRUE(h.Main().CommPortDriver1.Connected());
  EXPECT_TRUE(Reads(com2));
}

}  // namespace
