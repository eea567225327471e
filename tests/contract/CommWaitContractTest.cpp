// The two waits for the receiver's bytes that the serial driver uses on a
// port opened for overlapped I/O, each signalling an event that a message
// loop waits on together with its messages: the comm-event wait (EV_RXCHAR)
// and a read of one byte with no time-outs. Under Wine the ports are ptys,
// which have no modem lines: there the comm-event wait ends a moment after
// it began with no event (unless bytes are queued already), and only the
// read waits for the bytes. (A read that waits for its first byte by the
// MAXDWORD time-outs never ends there: the driver does not use it.)
#include <gtest/gtest.h>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using platform::ComStat;
using platform::Handle;
using platform::kInvalidHandleValue;
using platform::Overlapped;
namespace error = platform::error;

// Long enough for a pty to pass bytes on; natively they are there at once.
constexpr std::uint32_t kArrivalMs = 2000;

class CommWaitContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    device = MakeSerialDevice(2);
    ASSERT_NE(device, nullptr) << "no device behind COM2";
    port = p->CreateFileA(device->Path(), platform::kGenericRead | platform::kGenericWrite, 0,
                          platform::kOpenExisting,
                          platform::kFileAttributeNormal | platform::kFileFlagOverlapped);
    ASSERT_NE(port, kInvalidHandleValue) << "error " << p->GetLastError();
    ASSERT_TRUE(PrepareTestLine(*p, port));
    event = p->CreateEventA(true, false);
    ASSERT_NE(event, 0u);
    record.hEvent = event;
  }
  void TearDown() override {
    if (port != kInvalidHandleValue) {
      EXPECT_TRUE(p->CloseHandle(port));
    }
    if (event) {
      EXPECT_TRUE(p->CloseHandle(event));
    }
  }

  // Waits on the event and the thread's messages up to ms.
  std::uint32_t Wait(std::uint32_t ms) {
    return p->MsgWaitForMultipleObjectsEx(1, &event, ms, platform::kQsAllInput,
                                          platform::kMwmoInputAvailable);
  }
  std::uint32_t Queued() {
    std::uint32_t errors = 0;
    ComStat stat;
    EXPECT_TRUE(p->ClearCommError(port, &errors, &stat));
    return stat.cbInQue;
  }
  std::uint32_t WaitQueued(std::uint32_t n) {
    std::uint32_t queued = Queued();
    for (int i = 0; i < 200 && queued < n; ++i) {
      p->Sleep(10);
      queued = Queued();
    }
    return queued;
  }
  // Starts a read of one byte with no time-outs.
  void StartByteRead() {
    ASSERT_TRUE(p->SetCommTimeouts(port, {0, 0, 0, 0, 10}));
    got.assign(1, 0);
    std::uint32_t n = 99;
    ASSERT_FALSE(p->ReadFile(port, got.data(), 1, &n, &record)) << "nothing queued: it waits";
    ASSERT_EQ(p->GetLastError(), error::kIoPending);
  }
  // The read's bytes, once it completed.
  std::vector<std::uint8_t> ReadResult() {
    std::uint32_t n = 0;
    EXPECT_TRUE(p->GetOverlappedResult(port, &record, &n, false)) << "error " << p->GetLastError();
    return {got.begin(), got.begin() + n};
  }

  std::unique_ptr<platform::Platform> p;
  std::unique_ptr<ContractSerialDevice> device;
  Handle port = kInvalidHandleValue;
  Handle event = 0;
  Overlapped record;
  std::uint32_t events = 0;
  std::vector<std::uint8_t> got;
};

TEST_F(CommWaitContract, ACommWaitOnAPortWithoutModemLinesEndsAtOnceUnlessBytesAreQueued) {
  ASSERT_TRUE(p->SetCommMask(port, platform::kEvRxChar));
  events = 0xDEAD;
  ASSERT_FALSE(p->WaitCommEvent(port, &events, &record));
  ASSERT_EQ(p->GetLastError(), error::kIoPending);
  ASSERT_EQ(Wait(kArrivalMs), platform::kWaitObject0) << "it ends by itself";
  std::uint32_t n = 0;
  EXPECT_FALSE(p->GetOverlappedResult(port, &record, &n, false));
  EXPECT_EQ(p->GetLastError(), error::kOperationAborted);
  EXPECT_EQ(events, 0u) << "having seen nothing";

  ASSERT_TRUE(device->Send({7}));
  ASSERT_EQ(WaitQueued(1), 1u);
  events = 0;
  EXPECT_TRUE(p->WaitCommEvent(port, &events, &record)) << "done at once";
  EXPECT_EQ(events, platform::kEvRxChar);
}

TEST_F(CommWaitContract, AnUntimedReadWaitsForItsByteAndLeavesTheRestQueued) {
  StartByteRead();
  EXPECT_EQ(Wait(0), platform::kWaitTimeout) << "nothing has arrived";
  std::uint32_t n = 0;
  EXPECT_FALSE(p->GetOverlappedResult(port, &record, &n, false));
  EXPECT_EQ(p->GetLastError(), error::kIoIncomplete);

  ASSERT_TRUE(device->Send({0xC0, 0x81, 0x80}));
  ASSERT_EQ(Wait(kArrivalMs), platform::kWaitObject0);
  EXPECT_EQ(ReadResult(), (std::vector<std::uint8_t>{0xC0}));
  // The rest waits in the queue, and a read of what is queued takes it,
  // with no time-outs too (done at once, or a moment later as under Wine).
  ASSERT_EQ(WaitQueued(2), 2u);
  std::uint8_t rest[2] = {};
  ASSERT_TRUE(p->ResetEvent(event));
  bool ok = p->ReadFile(port, rest, 2, &n, &record);
  if (!ok && p->GetLastError() == error::kIoPending) {
    ASSERT_EQ(Wait(kArrivalMs), platform::kWaitObject0);
    ok = p->GetOverlappedResult(port, &record, &n, false);
  }
  ASSERT_TRUE(ok) << "error " << p->GetLastError();
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(rest[0], 0x81);
  EXPECT_EQ(rest[1], 0x80);
}

TEST_F(CommWaitContract, AMessageWakesTheLoopWhileTheReadWaitsAndCancellingEndsTheRead) {
  contract::LoggingWindow window(*p, contract::Popup());
  contract::PumpPending(*p);
  StartByteRead();
  ASSERT_TRUE(p->PostMessageA(window.hwnd(), platform::msg::kUser, 0, 0));
  EXPECT_EQ(Wait(kArrivalMs), platform::kWaitObject0 + 1) << "a message in the queue";
  EXPECT_EQ(Wait(0), platform::kWaitObject0 + 1) << "seen and still there";
  platform::Msg m;
  ASSERT_TRUE(p->PeekMessageW(&m, window.hwnd(), platform::kPmRemove));

  ASSERT_TRUE(p->CancelIo(port));
  ASSERT_EQ(Wait(kArrivalMs), platform::kWaitObject0);
  std::uint32_t n = 0;
  EXPECT_FALSE(p->GetOverlappedResult(port, &record, &n, false));
  EXPECT_EQ(p->GetLastError(), error::kOperationAborted);
}

}  // namespace
