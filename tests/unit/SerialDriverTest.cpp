// The serial driver on simulated ports: the exclusive open with the line
// settings the receiver needs, one delivery per poll in data mode, packets in
// packet mode, the setters, and what the driver does when the port fails.
#include <gtest/gtest.h>

#include <numeric>

#include "device/CPDrv.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;
using platform::memory::SerialCall;
using platform::memory::SimSerialPort;
using Bytes = std::vector<std::uint8_t>;

Bytes Count(std::size_t n, std::uint8_t from = 0) {
  Bytes b(n);
  std::iota(b.begin(), b.end(), from);
  return b;
}

class SerialDriverTest : public ::testing::Test {
 protected:
  SerialDriverTest()
      : process(sys.StartProcess()),
        ui(*process),
        app(*process, ui, "Tavrin"),
        port(sys.AddSerialPort("COM2")) {
    sys.UseClock(SimSystem::Clock::Windows);
    process->SetIdleTimeBudget(10'000);
    app.ProcessMessages();  // the port's arrival, announced to the running program
  }
  // Lets the given time pass with the message loop running, up to the
  // clock's next tick: what comes due meanwhile is handled at that tick.
  void RunFor(std::uint64_t ms) {
    const std::uint64_t end = sys.TickAtOrAfter(sys.Now() + ms);
    while (sys.Now() < end) {
      app.ProcessMessages();
      sys.Advance(1);
    }
    app.ProcessMessages();
  }
  // When Windows' clock ends what falls due at t (a timer's period): at its
  // first tick at or after t.
  std::uint64_t Tick(std::uint64_t t) const { return sys.TickAtOrAfter(t); }
  // Lets the clock reach atMs in the application's own message loop, which
  // waits on the port's arrivals as well as on the messages.
  void LoopUntil(std::uint64_t atMs) {
    process->IdleUntil(atMs);
    app.Run();
  }
  // A driver whose deliveries, of either mode, land in `data` and `packets`.
  std::unique_ptr<TCommPortDriver> Driver() {
    auto d = std::make_unique<TCommPortDriver>(app);
    d->OnReceiveData = [this](TCommPortDriver&, const std::uint8_t* p, std::uint32_t n) {
      data.emplace_back(p, p + n);
      dataAt.push_back(sys.Now());
    };
    d->OnReceivePacket = [this](TCommPortDriver&, const std::uint8_t* p, std::uint32_t n) {
      packets.emplace_back(p, p + n);
    };
    d->OnLineQuiet = [this](TCommPortDriver&) { quietAt.push_back(sys.Now()); };
    return d;
  }

  SimSystem sys;
  std::unique_ptr<platform::memory::SimProcess> process;
  gui::HeadlessBackend ui;
  gui::Application app;
  SimSerialPort& port;
  std::vector<Bytes> data;
  std::vector<std::uint64_t> dataAt;  // when each of data was delivered
  std::vector<Bytes> packets;
  std::vector<std::uint64_t> quietAt;  // the polls that found nothing waiting
};

TEST_F(SerialDriverTest, ConnectOpensExclusivelyAt9600EightNoneOne) {
  TCommPortDriver driver(app);
  ASSERT_TRUE(driver.Connect());
  EXPECT_TRUE(driver.Connect()) << "connecting again while connected is fine";
  EXPECT_EQ(port.dcb.BaudRate, 9600u);
  EXPECT_EQ(port.dcb.ByteSize, 8);
  EXPECT_EQ(port.dcb.Parity, 0);
  EXPECT_EQ(port.dcb.StopBits, 0);
  EXPECT_EQ(port.dcb.flags, 0x1u | 0x10u | 0x1000u) << "binary, DTR on, RTS on";
  EXPECT_EQ(port.dcb.XonLim, 512);
  EXPECT_EQ(port.dcb.XonChar, 0x11);
  EXPECT_EQ(port.dcb.XoffChar, 0x13);
  EXPECT_EQ(port.inQueueSize, 2048u);
  EXPECT_EQ(port.outQueueSize, 2048u);
  EXPECT_EQ(port.timeouts.ReadIntervalTimeout, 1u);
  EXPECT_EQ(port.timeouts.ReadTotalTimeoutMultiplier, 0u);
  EXPECT_EQ(port.timeouts.ReadTotalTimeoutConstant, 1u);
  EXPECT_EQ(port.timeouts.WriteTotalTimeoutConstant, 10u);
  EXPECT_EQ(port.purgeFlags, (std::vector<std::uint32_t>{0xF})) << "both queues, abort and clear";

  TCommPortDriver other(app);
  EXPECT_FALSE(other.Connect()) << "the port is already open";
  EXPECT_FALSE(other.Connected());
  driver.Disconnect();
  driver.Disconnect();  // closed already: nothing happens
  EXPECT_FALSE(port.open);
  EXPECT_TRUE(other.Connect());
}

TEST_F(SerialDriverTest, TheDefaultsOfTheProperties) {
  TCommPortDriver driver(app);
  EXPECT_EQ(driver.OutputTimeout(), 500);
  EXPECT_EQ(driver.InputTimeout(), 200u);
  EXPECT_FALSE(driver.CheckLineStatus());
  EXPECT_EQ(driver.PacketSize(), -1);
  EXPECT_EQ(driver.PacketTimeout(), -1);
  EXPECT_EQ(driver.PacketMode(), pmDiscard);
  EXPECT_EQ(driver.PacketStartTick(), -1);
  EXPECT_EQ(driver.PollingDelay(), 50);
  EXPECT_EQ(driver.InBufSize(), 2048u);
  EXPECT_EQ(driver.OutBufSize(), 2048u);
  EXPECT_TRUE(driver.EnableDTROnOpen());
}

TEST_F(SerialDriverTest, EachPollDeliversEverythingThatArrivedInOnePiece) {
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  RunFor(60);
  EXPECT_TRUE(data.empty()) << "an empty queue delivers nothing";
  EXPECT_EQ(quietAt.size(), 1u) << "but says the line was quiet";
  port.Feed({0xC2, 0x80, 0x80, 0xEC});
  RunFor(50);
  port.Feed({0x80});
  port.Feed({0xBF});
  RunFor(50);
  ASSERT_EQ(data.size(), 2u);
  EXPECT_EQ(data[0], (Bytes{0xC2, 0x80, 0x80, 0xEC}));
  EXPECT_EQ(data[1], (Bytes{0x80, 0xBF}));
  EXPECT_TRUE(packets.empty());
  EXPECT_EQ(quietAt.size(), 1u) << "a poll that delivers is no quiet one";
}

TEST_F(SerialDriverTest, ThePollRunsEvery50MsFromConnectAndNotAfterDisconnect) {
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  const std::uint64_t start = sys.Now();
  port.Feed({1, 2, 3, 4, 5, 6, 7});
  RunFor(50);
  port.Feed({8});
  RunFor(50);
  EXPECT_EQ(data, (std::vector<Bytes>{{1, 2, 3, 4, 5, 6, 7}, {8}}));
  EXPECT_EQ(dataAt, (std::vector<std::uint64_t>{Tick(start + 50), Tick(start + 100)}));

  driver->Disconnect();
  EXPECT_FALSE(driver->Connected());
  sys.Advance(500);
  EXPECT_FALSE(process->HasPendingMessage()) << "the poll timer is gone";
  RunFor(200);
  EXPECT_EQ(data.size(), 2u);
}

TEST_F(SerialDriverTest, BytesAreDeliveredAsTheyArriveAndTheTimerStillChecksTheQuietLine) {
  // COM2 reports its lines, so the comm-event wait works there; on COM3, as
  // on a pty under Wine, it ends at once having seen nothing, and a read of
  // one byte waits instead.
  sys.AddSerialPort("COM3", {.watchesLines = false});
  for (const char* name : {"COM2", "COM3"}) {
    SCOPED_TRACE(name);
    SimSerialPort& line = *sys.SerialPort(name);
    data.clear();
    dataAt.clear();
    quietAt.clear();
    auto driver = Driver();
    driver->SetPortName(std::string("\\\\.\\") + name);
    ASSERT_TRUE(driver->Connect());
    const std::uint64_t start = sys.Now();
    line.FeedAt(start + 7, {0xC0, 0x81, 0x80});
    line.FeedAt(start + 20, {0xC2, 0x80});  // a packet the line cuts
    line.FeedAt(start + 21, {0x80});
    line.FeedAt(start + 133, Count(40));
    LoopUntil(Tick(start + 150));
    EXPECT_TRUE(driver->WokenByArrivals());
    EXPECT_EQ(data, (std::vector<Bytes>{{0xC0, 0x81, 0x80}, {0xC2, 0x80}, {0x80}, Count(40)}));
    EXPECT_EQ(dataAt, (std::vector<std::uint64_t>{start + 7, start + 20, start + 21, start + 133}));
    EXPECT_EQ(quietAt,
              (std::vector<std::uint64_t>{Tick(start + 50), Tick(start + 100), Tick(start + 150)}))
        << "the timer's polls, which found the line quiet";
  }
}

TEST_F(SerialDriverTest, APortThatRefusesOrFailsTheWaitIsPolledOnTheTimerAlone) {
  for (SerialCall refused : {SerialCall::SetCommMask, SerialCall::WaitCommEvent}) {
    SCOPED_TRACE(static_cast<int>(refused));
    data.clear();
    dataAt.clear();
    port.FailNext(refused, platform::error::kInvalidParameter, -1);
    auto driver = Driver();
    ASSERT_TRUE(driver->Connect());
    EXPECT_FALSE(driver->WokenByArrivals());
    const std::uint64_t start = sys.Now();
    port.FeedAt(start + 7, {1, 2, 3});
    LoopUntil(Tick(start + 50));
    EXPECT_EQ(data, (std::vector<Bytes>{{1, 2, 3}}));
    EXPECT_EQ(dataAt, (std::vector<std::uint64_t>{Tick(start + 50)}));
    port.ClearFailures();
  }

  // A wait that worked and then cannot be started again: the bytes that
  // ended it come at once, the next ones at the timer's poll.
  data.clear();
  dataAt.clear();
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  port.FailNext(SerialCall::WaitCommEvent, platform::error::kGenFailure, -1);
  const std::uint64_t start = sys.Now();
  port.FeedAt(start + 7, {4});
  port.FeedAt(start + 20, {5});
  LoopUntil(Tick(start + 50));
  EXPECT_FALSE(driver->WokenByArrivals());
  EXPECT_EQ(dataAt, (std::vector<std::uint64_t>{start + 7, Tick(start + 50)}));
  port.ClearFailures();
}

TEST_F(SerialDriverTest, ADisconnectEndsThePendingWaitAtOnce) {
  // A comm-event wait ends on the new mask, the byte read (COM3, as under
  // Wine) only on the cancel; waited out, each would hold the program for
  // the whole bound.
  sys.AddSerialPort("COM3", {.watchesLines = false});
  for (const char* name : {"COM2", "COM3"}) {
    SCOPED_TRACE(name);
    auto driver = Driver();
    driver->SetPortName(std::string("\\\\.\\") + name);
    ASSERT_TRUE(driver->Connect());
    LoopUntil(sys.Now() + 10);
    ASSERT_TRUE(driver->WokenByArrivals());
    const std::uint64_t before = sys.Now();
    driver->Disconnect();
    EXPECT_EQ(sys.Now(), before);
  }
}

TEST_F(SerialDriverTest, AWaitWhoseCancelEndsLateOrNeverKeepsItsRecordAndTheNextWaitTakesAnother) {
  // Some USB-serial drivers end a cancelled operation late, or never; its
  // record must not be reused (the simulated system fails loudly if it is)
  // while a port switch reconnects at once.
  using Cancel = platform::memory::SerialPortSetup::Cancel;
  int number = 3;
  for (const Cancel cancel : {Cancel::Late, Cancel::Never}) {
    for (const bool watches : {true, false}) {
      const std::string name = "COM" + std::to_string(number++);
      SCOPED_TRACE(name);
      SimSerialPort& line =
          sys.AddSerialPort(name, {.watchesLines = watches, .cancel = cancel, .lateCancelMs = 500});
      data.clear();
      auto driver = Driver();
      driver->SetPortName("\\\\.\\" + name);
      ASSERT_TRUE(driver->Connect());
      LoopUntil(sys.Now() + 10);
      const std::uint64_t before = sys.Now();
      driver->Disconnect();
      EXPECT_LE(sys.Now() - before, 200u + 16u) << "held no longer than the bound";
      ASSERT_TRUE(driver->Connect());
      line.FeedAt(sys.Now() + 100, {1, 2, 3});
      line.FeedAt(sys.Now() + 600, {4, 5});
      LoopUntil(sys.Now() + 700);
      EXPECT_EQ(data, (std::vector<Bytes>{{1, 2, 3}, {4, 5}}));
    }
  }
}

TEST_F(SerialDriverTest, AReadIsBoundedByTheBufferAndTheRestWaitsForTheNextPoll) {
  port.SetQueueCapacity(4096);  // a system that queues more than asked for
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  const Bytes bytes = Count(3000);
  port.Feed(bytes);
  RunFor(50);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0], Bytes(bytes.begin(), bytes.begin() + 2048));
  RunFor(50);
  ASSERT_EQ(data.size(), 2u);
  EXPECT_EQ(data[1], Bytes(bytes.begin() + 2048, bytes.end()));
}

TEST_F(SerialDriverTest, LineErrorsAndOverrunsAreClearedAndReceptionGoesOn) {
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  port.Feed(Count(3000));  // the queue holds the 2048 asked for; the rest is lost
  port.InjectLineError(platform::kCeFrame | platform::kCeBreak);
  RunFor(50);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0], Count(2048));
  port.Feed({0x55});
  RunFor(50);
  ASSERT_EQ(data.size(), 2u);
  EXPECT_EQ(data[1], Bytes{0x55});
}

TEST_F(SerialDriverTest, MissingPortLeavesTheDriverClosedAndSilent) {
  TCommPortDriver driver(app);
  driver.SetPort(pnCOM1);
  EXPECT_FALSE(driver.Connect());
  EXPECT_FALSE(driver.Connected());
  EXPECT_FALSE(driver.ApplySettings());
  EXPECT_FALSE(driver.FlushBuffers(true, true));
  sys.Advance(100);
  EXPECT_FALSE(process->HasPendingMessage()) << "no poll timer";
}

TEST_F(SerialDriverTest, AFailingStepOfConnectClosesThePortAgain) {
  for (SerialCall call : {SerialCall::SetCommState, SerialCall::PurgeComm, SerialCall::SetupComm}) {
    SCOPED_TRACE(static_cast<int>(call));
    data.clear();
    port.FailNext(call);
    auto driver = Driver();
    EXPECT_FALSE(driver->Connect());
    EXPECT_FALSE(driver->Connected());
    EXPECT_FALSE(port.open);
    port.Feed({1, 2, 3});
    RunFor(100);
    EXPECT_TRUE(data.empty()) << "no timer runs";
    EXPECT_TRUE(driver->Connect()) << "the next attempt succeeds";
    port.Feed({4});
    RunFor(50);
    EXPECT_EQ(data.size(), 1u);
  }
}

TEST_F(SerialDriverTest, RefusedTimeoutsDoNotStopTheDriver) {
  port.FailNext(SerialCall::SetCommTimeouts);
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  port.Feed({4, 5});
  RunFor(50);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0], (Bytes{4, 5}));
}

TEST_F(SerialDriverTest, AFailedSettingOnAnOpenPortLeavesItOpenWithWhatThePortKept) {
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  port.FailNext(SerialCall::SetCommState);
  driver->SetBaudRate(br19200);
  EXPECT_TRUE(driver->Connected());
  EXPECT_EQ(driver->BaudRateValue(), 19200u);
  EXPECT_EQ(port.dcb.BaudRate, 9600u) << "the port kept its old settings";
  port.FailNext(SerialCall::PurgeComm);
  driver->SetDataBits(db7BITS);
  EXPECT_TRUE(driver->Connected());
  EXPECT_EQ(port.dcb.ByteSize, 7) << "the state was set before the purge failed";
  port.FailNext(SerialCall::SetupComm);
  EXPECT_FALSE(driver->ApplySettings());
  EXPECT_TRUE(driver->Connected());
  port.Feed({9});
  RunFor(50);
  EXPECT_EQ(data.size(), 1u) << "still polling";
}

TEST_F(SerialDriverTest, AFailedReadDeliversNothingAndTheNextPollStartsAfresh) {
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  port.Feed({1, 2, 3});
  port.FailNext(SerialCall::ReadFile);
  RunFor(50);
  EXPECT_TRUE(data.empty());
  RunFor(50);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0], (Bytes{1, 2, 3})) << "nothing was lost";
}

TEST_F(SerialDriverTest, APortThatVanishesWhileOpenIsClosedAtTheNextPoll) {
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  port.Feed({1, 2, 3});
  port.Vanish();
  RunFor(50);
  EXPECT_TRUE(data.empty());
  EXPECT_FALSE(driver->Connected());
  EXPECT_FALSE(driver->Connect()) << "the port is not there to open";
  port.Return();
  port.Feed({4, 5});
  ASSERT_TRUE(driver->Connect());
  port.Feed({6});
  RunFor(50);
  ASSERT_EQ(data.size(), 1u);
  EXPECT_EQ(data[0], Bytes{6}) << "the purge at connect dropped what came before";
}

TEST_F(SerialDriverTest, FlushBuffersPurgesTheQueuesAskedFor) {
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  EXPECT_TRUE(driver->FlushBuffers(true, false));
  EXPECT_TRUE(driver->FlushBuffers(false, true));
  EXPECT_TRUE(driver->FlushBuffers(false, false));
  EXPECT_EQ(port.purgeFlags, (std::vector<std::uint32_t>{0xF, 0xA, 0x5, 0x0}));
  port.FailNext(SerialCall::PurgeComm);
  EXPECT_FALSE(driver->FlushBuffers(true, true));
}

TEST_F(SerialDriverTest, SettersFollowTheirRules) {
  sys.AddSerialPort("COM1");
  TCommPortDriver driver(app);
  EXPECT_EQ(driver.Port(), pnCOM2);
  EXPECT_EQ(driver.PortName(), "\\\\.\\COM2");
  driver.SetPort(pnCOM1);
  EXPECT_EQ(driver.PortName(), "\\\\.\\COM1");
  driver.SetPort(pnCustom);
  EXPECT_EQ(driver.PortName(), "\\\\.\\COM1") << "a custom port keeps its name";
  ASSERT_TRUE(driver.Connect());
  driver.SetPort(pnCOM2);
  driver.SetPortName("\\\\.\\COM9");
  driver.SetInBufSize(4096);
  driver.SetOutBufSize(4096);
  EXPECT_EQ(driver.Port(), pnCustom) << "port changes are ignored while connected";
  EXPECT_EQ(driver.PortName(), "\\\\.\\COM1");
  EXPECT_EQ(driver.InBufSize(), 2048u);
  EXPECT_EQ(driver.OutBufSize(), 2048u);
  driver.Disconnect();

  driver.SetPortName("\\\\.\\COM9");
  EXPECT_EQ(driver.Port(), pnCustom);
  driver.SetPollingDelay(3);
  EXPECT_EQ(driver.PollingDelay(), 5);
  driver.SetInBufSize(100);
  EXPECT_EQ(driver.InBufSize(), 128u);
  driver.SetInBufSize(10000);
  EXPECT_EQ(driver.InBufSize(), 8192u);
  driver.SetOutBufSize(1);
  EXPECT_EQ(driver.OutBufSize(), 128u);
  driver.SetBaudRate(br9600);
  EXPECT_EQ(driver.BaudRateValue(), 9600u);
  driver.SetBaudRate(br115200);
  EXPECT_EQ(driver.BaudRateValue(), 115200u);
  driver.SetBaudRateValue(31250);
  EXPECT_EQ(driver.BaudRate(), brCustom);
  driver.SetBaudRate(brCustom);
  EXPECT_EQ(driver.BaudRateValue(), 31250u) << "a custom rate keeps its value";
}

TEST_F(SerialDriverTest, ChangingThePollingDelayWhileConnectedRestartsTheTimer) {
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  RunFor(30);
  driver->SetPollingDelay(100);
  const std::uint64_t changed = sys.Now();
  port.Feed({1});
  RunFor(100);
  EXPECT_EQ(dataAt, std::vector<std::uint64_t>{Tick(changed + 100)})
      << "the new period counts from the change";
}

TEST_F(SerialDriverTest, SettingsSentWhileConnectedFollowTheProperties) {
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  driver->SetHwFlow(hfRTSCTS);
  EXPECT_EQ(port.dcb.flags, 0x1u | 0x10u | 0x4u | 0x2000u);
  driver->SetSwFlow(sfXONXOFF);
  driver->SetEnableDTROnOpen(false);
  driver->SetParity(ptEVEN);  // the parity check flag stays off
  EXPECT_EQ(port.dcb.flags, 0x1u | 0x4u | 0x2000u | 0x100u | 0x200u);
  EXPECT_EQ(port.dcb.Parity, 2);
  driver->SetStopBits(sb2BITS);
  EXPECT_EQ(port.dcb.StopBits, 2);
  EXPECT_EQ(port.purgeFlags.size(), 5u) << "each setting purged both queues again";
}

// ---- packet mode --------------------------------------------------------------------------

TEST_F(SerialDriverTest, PacketSettersApplyTheirRules) {
  TCommPortDriver driver(app);
  driver.SetPacketTimeout(20);
  EXPECT_EQ(driver.PacketTimeout(), 70) << "raised to the poll period plus 40 %";
  driver.SetPacketTimeout(0);
  EXPECT_EQ(driver.PacketTimeout(), -1);
  driver.SetPacketTimeout(-7);
  EXPECT_EQ(driver.PacketTimeout(), -1);
  driver.SetPacketTimeout(60);
  EXPECT_EQ(driver.PacketTimeout(), 60);
  driver.SetPollingDelay(100);
  EXPECT_EQ(driver.PacketTimeout(), 140) << "the poll period re-applies the rule";

  driver.SetPacketSize(0);
  EXPECT_EQ(driver.PacketSize(), -1);
  driver.SetPacketSize(-3);
  EXPECT_EQ(driver.PacketSize(), -1);
  driver.SetPacketSize(3);
  EXPECT_EQ(driver.PacketSize(), 3);
  EXPECT_EQ(driver.InBufSize(), 2048u);
  driver.SetPacketSize(3000);
  EXPECT_EQ(driver.PacketSize(), 3000);
  EXPECT_EQ(driver.InBufSize(), 3000u) << "the buffer grows to the packet";
  driver.SetInBufSize(1000);
  EXPECT_EQ(driver.InBufSize(), 3000u) << "the buffer size re-applies the packet rule";
  driver.SetPacketSize(10000);
  EXPECT_EQ(driver.InBufSize(), 8192u);
  EXPECT_EQ(driver.PacketSize(), 8192) << "cut to the largest buffer";
  driver.SetPacketMode(pmPass);
  EXPECT_EQ(driver.PacketMode(), pmPass);
}

TEST_F(SerialDriverTest, WholePacketsAreDeliveredOneByOneAndTheStartTickEndsAtNone) {
  auto driver = Driver();
  driver->SetPacketSize(3);
  ASSERT_TRUE(driver->Connect());
  port.Feed({1, 2, 3, 4, 5, 6});
  RunFor(50);
  EXPECT_EQ(packets, (std::vector<Bytes>{{1, 2, 3}, {4, 5, 6}}));
  EXPECT_EQ(driver->PacketStartTick(), -1);
  EXPECT_TRUE(data.empty()) << "packet mode does not deliver data";
}

TEST_F(SerialDriverTest, AnIncompletePacketWaitsThenIsDroppedOrPassedAfterTheTimeout) {
  // On the exact clock: no poll comes exactly the time-out after another
  // on Windows' ticks, and that edge is the rule's.
  sys.UseClock(SimSystem::Clock::Exact);
  for (TPacketMode mode : {pmDiscard, pmPass}) {
    SCOPED_TRACE(mode);
    packets.clear();
    auto driver = Driver();
    driver->SetPacketSize(3);
    driver->SetPacketTimeout(100);
    driver->SetPacketMode(mode);
    ASSERT_TRUE(driver->Connect());
    const std::uint64_t start = sys.Now();
    port.Feed({7, 8});
    RunFor(50);
    EXPECT_EQ(driver->PacketStartTick(), static_cast<std::int64_t>(start + 50));
    RunFor(100);
    EXPECT_TRUE(packets.empty()) << "exactly the time-out old is not older than it";
    EXPECT_EQ(port.Queued(), 2u);
    RunFor(50);
    EXPECT_EQ(driver->PacketStartTick(), -1);
    EXPECT_EQ(port.Queued(), 0u) << "read either way";
    if (mode == pmPass)
      EXPECT_EQ(packets, (std::vector<Bytes>{{7, 8}})) << "with its actual length";
    else
      EXPECT_TRUE(packets.empty());
    port.Feed({1, 2, 3});
    RunFor(50);
    EXPECT_EQ(packets.back(), (Bytes{1, 2, 3})) << "the next packet starts clean";
  }
}

TEST_F(SerialDriverTest, WithoutATimeoutAnIncompletePacketWaitsForItsRest) {
  auto driver = Driver();
  driver->SetPacketSize(4);
  ASSERT_TRUE(driver->Connect());
  port.Feed({1, 2});
  RunFor(1000);
  EXPECT_TRUE(packets.empty());
  port.Feed({3, 4});
  RunFor(50);
  EXPECT_EQ(packets, (std::vector<Bytes>{{1, 2, 3, 4}}));
}

TEST_F(SerialDriverTest, BytesLeftOverAfterWholePacketsStartTheirWaitNow) {
  auto driver = Driver();
  driver->SetPacketSize(3);
  driver->SetPacketTimeout(70);
  driver->SetPacketMode(pmPass);
  ASSERT_TRUE(driver->Connect());
  port.Feed({1, 2, 3, 4});
  RunFor(50);
  EXPECT_EQ(packets, (std::vector<Bytes>{{1, 2, 3}}));
  EXPECT_EQ(driver->PacketStartTick(), static_cast<std::int64_t>(sys.Now()));
  RunFor(50);
  EXPECT_EQ(packets.size(), 1u) << "50 ms old: not timed out";
  port.Feed({5, 6});
  RunFor(50);
  EXPECT_EQ(packets, (std::vector<Bytes>{{1, 2, 3}, {4, 5, 6}})) << "completed in time";
}

TEST_F(SerialDriverTest, AStartOnRecordAdvancesByThePacketsTimeOnTheLine) {
  auto driver = Driver();
  driver->SetPacketSize(3);
  ASSERT_TRUE(driver->Connect());
  port.Feed({1});
  RunFor(50);
  const std::int64_t first = driver->PacketStartTick();
  ASSERT_EQ(first, static_cast<std::int64_t>(sys.Now()));
  port.Feed({2, 3, 4, 5});
  RunFor(50);
  EXPECT_EQ(packets, (std::vector<Bytes>{{1, 2, 3}}));
  EXPECT_EQ(driver->PacketStartTick(), first + 3) << "3 bytes at 960 a second: 3.125 ms";
}

TEST_F(SerialDriverTest, APacketTrickledAcrossPollsIsDeliveredWhole) {
  auto driver = Driver();
  driver->SetPacketSize(3);
  driver->SetPacketTimeout(200);
  ASSERT_TRUE(driver->Connect());
  // At the line's 960 bytes a second from 2 ms before the first poll, which
  // finds the first packet cut after two bytes.
  port.Trickle({0xC2, 0x80, 0x80, 0xEC, 0x81, 0x7F}, 960, Tick(sys.Now() + 50) - 2);
  RunFor(50);
  EXPECT_TRUE(packets.empty());
  EXPECT_NE(driver->PacketStartTick(), -1);
  RunFor(50);
  EXPECT_EQ(packets, (std::vector<Bytes>{{0xC2, 0x80, 0x80}, {0xEC, 0x81, 0x7F}}));
  EXPECT_EQ(driver->PacketStartTick(), -1);
}

TEST_F(SerialDriverTest, FlushingTheBuffersForgetsTheIncompletePacket) {
  auto driver = Driver();
  driver->SetPacketSize(3);
  ASSERT_TRUE(driver->Connect());
  port.Feed({1, 2});
  RunFor(50);
  ASSERT_NE(driver->PacketStartTick(), -1);
  port.FailNext(SerialCall::PurgeComm);
  EXPECT_FALSE(driver->FlushBuffers(true, false));
  EXPECT_NE(driver->PacketStartTick(), -1) << "a failed purge keeps it";
  EXPECT_TRUE(driver->FlushBuffers(true, true));
  EXPECT_EQ(driver->PacketStartTick(), -1);

  port.Feed({3});
  RunFor(50);
  ASSERT_NE(driver->PacketStartTick(), -1);
  driver->SetBaudRate(br19200);  // its purge counts too
  EXPECT_EQ(driver->PacketStartTick(), -1);
}

TEST_F(SerialDriverTest, APacketLargerThanTheBufferCanHoldIsNeverReadPastIt) {
  port.SetQueueCapacity(20000);
  {
    auto driver = Driver();
    driver->SetPacketSize(10000);
    ASSERT_TRUE(driver->Connect());
    port.Feed(Count(10000));
    RunFor(50);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0].size(), 8192u);
  }
  packets.clear();
  auto driver = Driver();
  ASSERT_TRUE(driver->Connect());
  driver->SetPacketSize(4096);
  EXPECT_EQ(driver->PacketSize(), 2048) << "the buffer cannot grow while connected";
  EXPECT_EQ(driver->InBufSize(), 2048u);
  const Bytes bytes = Count(4096);
  port.Feed(bytes);
  RunFor(50);
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[1], Bytes(bytes.begin() + 2048, bytes.end()));
}

TEST_F(SerialDriverTest, ThePacketTimeOnTheLineRoundsHalvesToEvenAndSurvivesARateOfZero) {
  TCommPortDriver driver(app);
  driver.SetPacketSize(3);
  EXPECT_EQ(driver.PacketTransferTime(), 3u) << "3.125 ms";
  driver.SetPacketSize(12);
  EXPECT_EQ(driver.PacketTransferTime(), 12u) << "12.5 ms: the even neighbour";
  driver.SetPacketSize(36);
  EXPECT_EQ(driver.PacketTransferTime(), 38u) << "37.5 ms: the even neighbour";
  driver.SetPacketSize(20);
  EXPECT_EQ(driver.PacketTransferTime(), 21u) << "20.83 ms";
  driver.SetBaudRate(br110);
  EXPECT_EQ(driver.PacketTransferTime(), 1818u) << "20 bytes at 11 a second";
  driver.SetBaudRateValue(31250);
  driver.SetPacketSize(3);
  EXPECT_EQ(driver.PacketTransferTime(), 1u) << "a custom rate uses its own value: 0.96 ms";
  driver.SetBaudRateValue(0);
  EXPECT_EQ(driver.PacketTransferTime(), 0u);
}

TEST_F(SerialDriverTest, AHandlerThatDisconnectsStopsThePacketsOfThatPoll) {
  auto driver = std::make_unique<TCommPortDriver>(app);
  driver->SetPacketSize(2);
  int calls = 0;
  driver->OnReceivePacket = [&](TCommPortDriver& sender, const std::uint8_t*, std::uint32_t) {
    ++calls;
    sender.Disconnect();
  };
  ASSERT_TRUE(driver->Connect());
  port.Feed({1, 2, 3, 4, 5, 6});
  RunFor(100);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(port.open);
}

}  // namespace
