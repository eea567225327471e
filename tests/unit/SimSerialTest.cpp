// What the simulated serial port offers tests beyond what the contract suite
// holds it to: bytes on the manual clock, reads that wait on it, a queue
// bounded by its requested size, line errors and failures on demand, and a
// read that could never end failing loudly instead of hanging.
#include <gtest/gtest.h>

#include "platform/memory/SimProcess.h"
#include "platform/memory/SimSystem.h"

namespace {

using namespace platform;
using platform::memory::SerialCall;
using platform::memory::SerialReadBlocksForever;
using platform::memory::SimSerialPort;
using platform::memory::SimSystem;
using Bytes = std::vector<std::uint8_t>;

class SimSerialTest : public ::testing::Test {
 protected:
  SimSerialTest() : process(sys.StartProcess()), port(sys.AddSerialPort("COM2")) {
    h = process->CreateFileA("\\\\.\\COM2", kGenericRead | kGenericWrite, 0, kOpenExisting,
                             kFileAttributeNormal);
  }
  Bytes Read(std::uint32_t n) {
    Bytes out(n);
    std::uint32_t got = 0;
    EXPECT_TRUE(process->ReadFile(h, out.data(), n, &got));
    out.resize(got);
    return out;
  }
  std::uint32_t Errors() {
    std::uint32_t errors = 0;
    ComStat stat;
    EXPECT_TRUE(process->ClearCommError(h, &errors, &stat));
    return errors;
  }

  SimSystem sys;
  std::unique_ptr<platform::memory::SimProcess> process;
  SimSerialPort& port;
  Handle h = kInvalidHandleValue;
};

TEST_F(SimSerialTest, ScheduledBytesArriveOnTheClockAndTrickleAtTheLineRate) {
  ASSERT_NE(h, kInvalidHandleValue);
  port.FeedAt(100, {1, 2});
  port.Trickle(Bytes(96, 7));  // 960 bytes a second from now (0)
  sys.Advance(50);
  EXPECT_EQ(port.Queued(), 48u) << "48 bytes in 50 ms";
  sys.Advance(50);
  EXPECT_EQ(port.Queued(), 98u);
  EXPECT_EQ(port.Scheduled(), 0u);
  const Bytes got = Read(98);
  EXPECT_EQ(Bytes(got.begin() + 94, got.end()), (Bytes{7, 1, 2, 7}))
      << "bytes due at the same time come in the order they were scheduled";
}

TEST_F(SimSerialTest, AReadWaitsOnTheClockForScheduledBytesWithinItsTimeouts) {
  // On the exact clock: the time-outs' arithmetic to the millisecond (the
  // contract suite runs them on Windows' ticks as well).
  ASSERT_TRUE(process->SetCommTimeouts(h, {0, 0, 0, 0, 0}));  // no time-out at all
  port.FeedAt(30, {1, 2});
  port.FeedAt(80, {3});
  EXPECT_EQ(Read(3), (Bytes{1, 2, 3}));
  EXPECT_EQ(sys.Now(), 80u) << "the read waited for its last byte";

  ASSERT_TRUE(process->SetCommTimeouts(h, {20, 0, 0, 0, 0}));
  port.FeedAt(100, {4});
  port.FeedAt(110, {5});
  port.FeedAt(200, {6});
  EXPECT_EQ(Read(3), (Bytes{4, 5})) << "the gap to the third byte ends the read";
  EXPECT_EQ(sys.Now(), 130u);
  EXPECT_EQ(Read(3), Bytes{6});
  EXPECT_EQ(sys.Now(), 220u) << "the interval after the last byte there is";
}

TEST_F(SimSerialTest, AReadWithNoTimeoutThatNothingCanEndFailsLoudly) {
  ASSERT_TRUE(process->SetCommTimeouts(h, {0, 0, 0, 0, 0}));
  port.Feed({1});
  EXPECT_THROW(Read(2), SerialReadBlocksForever);
  ASSERT_TRUE(process->SetCommTimeouts(h, {5, 0, 0, 0, 0}));
  EXPECT_THROW(Read(2), SerialReadBlocksForever) << "an interval only runs once a byte came";
}

// Not a contract test: under Wine the queue is the pty's, which takes no
// size from SetupComm (3000 bytes stay queued after asking for 128) and
// never overflows at that scale, so only a real driver's bound is simulated.
TEST_F(SimSerialTest, TheQueueHoldsWhatWasAskedForAndReportsTheOverflowOnce) {
  ASSERT_TRUE(process->SetupComm(h, 128, 128));
  port.Feed(Bytes(200, 1));
  EXPECT_EQ(port.Queued(), 128u);
  EXPECT_EQ(Errors(), kCeRxOver);
  EXPECT_EQ(Errors(), 0u) << "cleared by the query";
  port.SetQueueCapacity(1024);
  port.Feed(Bytes(200, 2));
  EXPECT_EQ(port.Queued(), 328u) << "a driver that keeps more than asked";
}

TEST_F(SimSerialTest, InjectedLineErrorsAreReportedAndStopReadsOnlyWhenAskedTo) {
  port.Feed({1, 2});
  port.InjectLineError(kCeFrame | kCeBreak);
  EXPECT_EQ(Read(1), Bytes{1}) << "reads go on by default";
  Dcb dcb;
  dcb.BaudRate = 9600;
  dcb.ByteSize = 8;
  dcb.flags = 1 | kDcbAbortOnError;
  ASSERT_TRUE(process->SetCommState(h, dcb));
  std::uint8_t b = 0;
  std::uint32_t got = 0;
  EXPECT_FALSE(process->ReadFile(h, &b, 1, &got));
  EXPECT_EQ(process->GetLastError(), error::kOperationAborted);
  EXPECT_EQ(Errors(), kCeFrame | kCeBreak);
  EXPECT_EQ(Read(1), Bytes{2}) << "the query let reception go on";
}

TEST_F(SimSerialTest, InjectedFailuresLastAsLongAsAsked) {
  port.FailNext(SerialCall::PurgeComm, error::kGenFailure, 2);
  EXPECT_FALSE(process->PurgeComm(h, 0xF));
  EXPECT_EQ(process->GetLastError(), error::kGenFailure);
  EXPECT_FALSE(process->PurgeComm(h, 0xF));
  EXPECT_TRUE(process->PurgeComm(h, 0xA));
  EXPECT_EQ(port.purgeFlags, (std::vector<std::uint32_t>{0xA})) << "only purges that happened";
  EXPECT_FALSE(process->PurgeComm(h, 0x10)) << "no such flag";

  port.FailNext(SerialCall::ClearCommError, error::kAccessDenied, -1);
  std::uint32_t errors = 0;
  ComStat stat;
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(process->ClearCommError(h, &errors, &stat));
  port.ClearFailures();
  EXPECT_TRUE(process->ClearCommError(h, &errors, &stat));
  Dcb zeroRate;
  zeroRate.ByteSize = 8;
  EXPECT_FALSE(process->SetCommState(h, zeroRate)) << "a rate of 0";
  EXPECT_EQ(process->GetLastError(), error::kInvalidParameter);
}

TEST_F(SimSerialTest, ClosingADeadHandleDoesNotFreeTheDeviceThatCameBack) {
  port.Vanish();
  EXPECT_FALSE(port.open);
  port.Feed({1});
  EXPECT_EQ(port.Queued(), 0u) << "no device, no bytes";
  EXPECT_EQ(process->CreateFileA("COM2", kGenericRead, 0, kOpenExisting, 0), kInvalidHandleValue);
  EXPECT_EQ(process->GetLastError(), error::kFileNotFound);
  port.Return();
  const Handle fresh = process->CreateFileA("COM2", kGenericRead, 0, kOpenExisting, 0);
  ASSERT_NE(fresh, kInvalidHandleValue);
  EXPECT_TRUE(process->CloseHandle(h));
  EXPECT_TRUE(port.open) << "the new device is still in use";
  EXPECT_EQ(process->CreateFileA("COM2", kGenericRead, 1, kOpenExisting, 0), kInvalidHandleValue)
      << "exclusive whatever share mode is asked for";
  EXPECT_TRUE(process->CloseHandle(fresh));
  EXPECT_FALSE(port.open);
  h = kInvalidHandleValue;
}

TEST_F(SimSerialTest, AProcessThatEndsReleasesItsPort) {
  process.reset();
  EXPECT_FALSE(port.open);
  auto other = sys.StartProcess();
  EXPECT_NE(other->CreateFileA("\\\\.\\COM2", kGenericRead, 0, kOpenExisting, 0),
            kInvalidHandleValue);
}

}  // namespace
