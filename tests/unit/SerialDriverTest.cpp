// The serial driver on simulated ports: the exclusive open with the line
// settings the receiver needs, one delivery per poll, and the setters.
#include <gtest/gtest.h>

#include "device/CPDrv.h"
#include "tests/support/ProgramHarness.h"

namespace {

using namespace testing_support;

class SerialDriverTest : public ::testing::Test {
 protected:
  SerialDriverTest() : process(sys.StartProcess()), ui(*process), app(*process, ui, "Tavrin") {
    process->SetIdleTimeBudget(10'000);
  }
  // Lets the given time pass with the message loop running.
  void RunFor(std::uint64_t ms) {
    const std::uint64_t end = sys.Now() + ms;
    while (sys.Now() < end) {
      app.ProcessMessages();
      sys.Advance(1);
    }
    app.ProcessMessages();
  }

  SimSystem sys;
  std::unique_ptr<platform::memory::SimProcess> process;
  gui::HeadlessBackend ui;
  gui::Application app;
};

TEST_F(SerialDriverTest, ConnectOpensExclusivelyAt9600EightNoneOne) {
  auto& port = sys.AddSerialPort("COM2");
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
  EXPECT_EQ(port.timeouts.ReadIntervalTimeout, 1u);
  EXPECT_EQ(port.timeouts.ReadTotalTimeoutConstant, 1u);
  EXPECT_EQ(port.timeouts.WriteTotalTimeoutConstant, 10u);

  TCommPortDriver other(app);
  EXPECT_FALSE(other.Connect()) << "the port is already open";
  driver.Disconnect();
  EXPECT_FALSE(port.open);
  EXPECT_TRUE(other.Connect());
}

TEST_F(SerialDriverTest, EachPollDeliversEverythingThatArrivedInOnePiece) {
  auto& port = sys.AddSerialPort("COM2");
  TCommPortDriver driver(app);
  std::vector<std::vector<std::uint8_t>> deliveries;
  driver.OnReceiveData = [&](TCommPortDriver&, const std::uint8_t* data, std::uint32_t n) {
    deliveries.emplace_back(data, data + n);
  };
  ASSERT_TRUE(driver.Connect());
  RunFor(60);
  EXPECT_TRUE(deliveries.empty()) << "an empty queue delivers nothing";
  port.Feed({0xC2, 0x80, 0x80, 0xEC});
  RunFor(50);
  port.Feed({0x80});
  port.Feed({0xBF});
  RunFor(50);
  ASSERT_EQ(deliveries.size(), 2u);
  EXPECT_EQ(deliveries[0], (std::vector<std::uint8_t>{0xC2, 0x80, 0x80, 0xEC}));
  EXPECT_EQ(deliveries[1], (std::vector<std::uint8_t>{0x80, 0xBF}));
}

TEST_F(SerialDriverTest, MissingPortLeavesTheDriverClosedAndSilent) {
  TCommPortDriver driver(app);
  EXPECT_FALSE(driver.Connect());
  EXPECT_FALSE(driver.Connected());
  EXPECT_FALSE(driver.ApplySettings());
  EXPECT_FALSE(driver.FlushBuffers(true, true));
}

TEST_F(SerialDriverTest, SettersFollowTheirRules) {
  sys.AddSerialPort("COM1");
  TCommPortDriver driver(app);
  EXPECT_EQ(driver.Port(), pnCOM2);
  EXPECT_EQ(driver.PortName(), "\\\\.\\COM2");
  driver.SetPort(pnCOM1);
  EXPECT_EQ(driver.PortName(), "\\\\.\\COM1");
  ASSERT_TRUE(driver.Connect());
  driver.SetPort(pnCOM2);
  driver.SetPortName("\\\\.\\COM9");
  driver.SetInBufSize(4096);
  EXPECT_EQ(driver.Port(), pnCOM1) << "port changes are ignored while connected";
  EXPECT_EQ(driver.PortName(), "\\\\.\\COM1");
  EXPECT_EQ(driver.InBufSize(), 2048u);
  driver.Disconnect();

  driver.SetPortName("\\\\.\\COM9");
  EXPECT_EQ(driver.Port(), pnCustom);
  driver.SetPollingDelay(3);
  EXPECT_EQ(driver.PollingDelay(), 5);
  driver.SetInBufSize(100);
  EXPECT_EQ(driver.InBufSize(), 128u);
  driver.SetInBufSize(10000);
  EXPECT_EQ(driver.InBufSize(), 8192u);
  driver.SetBaudRate(br115200);
  EXPECT_EQ(driver.BaudRateValue(), 115200u);
  driver.SetBaudRateValue(31250);
  EXPECT_EQ(driver.BaudRate(), brCustom);
}

}  // namespace
