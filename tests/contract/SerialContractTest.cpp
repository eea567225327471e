// Serial ports as the driver uses them: bytes from the device arrive exactly
// and in order, the status query counts them exactly, reads return what is
// there within their time-outs, purges drop what is queued, and a port that
// goes away leaves its handle dead for good. Under Wine the device is a pty
// pair; natively a port of the simulated machine.
#include <gtest/gtest.h>

#include <numeric>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using platform::CommTimeouts;
using platform::ComStat;
using platform::Handle;
using platform::kInvalidHandleValue;

// GetTickCount on Windows advances in steps of up to 16 ms.
constexpr std::uint32_t kTickStep = 16;
constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;

class SerialContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    device = MakeSerialDevice(2);
    ASSERT_NE(device, nullptr) << "no device behind COM2";
    port = Open(device->Path());
    ASSERT_NE(port, kInvalidHandleValue) << "error " << p->GetLastError();
    ASSERT_TRUE(PrepareTestLine(*p, port));
    Drain(port);
  }
  void TearDown() override {
    if (port != kInvalidHandleValue) {
      EXPECT_TRUE(p->CloseHandle(port));
    }
  }

  Handle Open(const std::string& path) {
    return p->CreateFileA(path, platform::kGenericRead | platform::kGenericWrite, 0,
                          platform::kOpenExisting, platform::kFileAttributeNormal);
  }
  std::uint32_t Queued(Handle h) {
    std::uint32_t errors = 0;
    ComStat stat;
    EXPECT_TRUE(p->ClearCommError(h, &errors, &stat));
    return stat.cbInQue;
  }
  // Waits (up to two seconds) until at least n bytes are queued; returns the
  // count then. A pty passes bytes on a moment after they are written.
  std::uint32_t WaitQueued(Handle h, std::uint32_t n) {
    std::uint32_t queued = Queued(h);
    for (int i = 0; i < 200 && queued < n; ++i) {
      p->Sleep(10);
      queued = Queued(h);
    }
    return queued;
  }
  std::vector<std::uint8_t> Read(Handle h, std::uint32_t n) {
    std::vector<std::uint8_t> out(n);
    std::uint32_t got = 0;
    EXPECT_TRUE(p->ReadFile(h, out.data(), n, &got));
    out.resize(got);
    return out;
  }
  void Drain(Handle h) {
    p->Sleep(20);
    while (std::uint32_t n = Queued(h)) Read(h, n);
  }

  std::unique_ptr<platform::Platform> p;
  std::unique_ptr<ContractSerialDevice> device;
  Handle port = kInvalidHandleValue;
};

TEST_F(SerialContract, BytesArriveExactlyAndInOrderAndAreCountedExactly) {
  std::vector<std::uint8_t> bytes(300);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});  // every byte value, 0 to 255 and on
  ASSERT_TRUE(device->Send(bytes));
  EXPECT_EQ(WaitQueued(port, 300), 300u);
  p->Sleep(50);
  EXPECT_EQ(Queued(port), 300u) << "nothing more arrives";

  // A read of fewer than are queued takes the oldest and leaves the rest.
  EXPECT_EQ(Read(port, 100), std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 100));
  EXPECT_EQ(Queued(port), 200u);
  EXPECT_EQ(Read(port, 200), std::vector<std::uint8_t>(bytes.begin() + 100, bytes.end()));
  EXPECT_EQ(Queued(port), 0u);

  ASSERT_TRUE(device->Send({0xC2, 0x80, 0x80, 0xEC, 0x80, 0xBF, 0xFF}));
  EXPECT_EQ(WaitQueued(port, 7), 7u);
  EXPECT_EQ(Read(port, 7), (std::vector<std::uint8_t>{0xC2, 0x80, 0x80, 0xEC, 0x80, 0xBF, 0xFF}));
}

TEST_F(SerialContract, AReadOfMoreThanIsQueuedReturnsWhatIsThereWithinItsTimeouts) {
  struct Case {
    CommTimeouts timeouts;
    std::uint32_t waitMs;  // what the time-outs make a read of 10 with 5 queued wait
  };
  const Case cases[] = {
      {{1, 0, 1, 0, 10}, 1},         // the driver's: one byte interval, one millisecond in all
      {{kMaxDword, 0, 0, 0, 0}, 0},  // return at once
      {{0, 0, 100, 0, 0}, 100},      // total constant
      {{0, 10, 50, 0, 0}, 150},      // per byte asked for, plus constant
      {{20, 0, 0, 0, 0}, 20},        // interval only: queued bytes count as just received
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "time-outs " << c.timeouts.ReadIntervalTimeout << " "
                                      << c.timeouts.ReadTotalTimeoutMultiplier << " "
                                      << c.timeouts.ReadTotalTimeoutConstant);
    ASSERT_TRUE(p->SetCommTimeouts(port, c.timeouts));
    ASSERT_TRUE(device->Send({1, 2, 3, 4, 5}));
    ASSERT_EQ(WaitQueued(port, 5), 5u);
    const std::uint32_t start = p->GetTickCount();
    EXPECT_EQ(Read(port, 10), (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
    const std::uint32_t took = p->GetTickCount() - start;
    EXPECT_GE(took + kTickStep, c.waitMs);
    EXPECT_LT(took, c.waitMs + 500);
  }
}

TEST_F(SerialContract, AReadOfAnEmptyQueueEndsWithNoBytesWhenItsTimeoutsRunOut) {
  for (const CommTimeouts t : {CommTimeouts{1, 0, 1, 0, 10}, CommTimeouts{0, 0, 60, 0, 0}}) {
    ASSERT_TRUE(p->SetCommTimeouts(port, t));
    const std::uint32_t start = p->GetTickCount();
    EXPECT_TRUE(Read(port, 3).empty());
    const std::uint32_t took = p->GetTickCount() - start;
    EXPECT_GE(took + kTickStep, t.ReadTotalTimeoutConstant);
    EXPECT_LT(took, t.ReadTotalTimeoutConstant + 500);
  }
}

TEST_F(SerialContract, ACleanLineReportsNoErrorsAndPurgingTheReceiveSideDropsTheQueue) {
  ASSERT_TRUE(device->Send({9, 8, 7, 6, 5, 4, 3, 2, 1, 0}));
  ASSERT_EQ(WaitQueued(port, 10), 10u);
  std::uint32_t errors = 0xFFFF;
  ComStat stat;
  ASSERT_TRUE(p->ClearCommError(port, &errors, &stat));
  EXPECT_EQ(errors, 0u);
  EXPECT_EQ(stat.cbInQue, 10u);

  ASSERT_TRUE(p->PurgeComm(port, platform::kPurgeRxAbort | platform::kPurgeRxClear));
  EXPECT_EQ(Queued(port), 0u);
  ASSERT_TRUE(device->Send({42, 43, 44}));
  EXPECT_EQ(WaitQueued(port, 3), 3u);
  EXPECT_EQ(Read(port, 3), (std::vector<std::uint8_t>{42, 43, 44})) << "the port goes on after it";
}

// Wine lets a second open of a port succeed; Windows refuses it, and the
// driver relies on that refusal to keep a port to one program.
TEST_F(SerialContract, APortHasOneUserAtATime) {
#ifdef _WIN32
  GTEST_SKIP() << "Wine does not enforce exclusive opens of a port";
#endif
  EXPECT_EQ(Open(device->Path()), kInvalidHandleValue);
  EXPECT_EQ(p->GetLastError(), platform::error::kAccessDenied);
  auto other = MakeSecondProcess();
  EXPECT_EQ(other->CreateFileA(device->Path(), platform::kGenericRead, 0, platform::kOpenExisting,
                               platform::kFileAttributeNormal),
            kInvalidHandleValue);
  ASSERT_TRUE(p->CloseHandle(port));
  port = Open(device->Path());
  EXPECT_NE(port, kInvalidHandleValue) << "free again once closed";
}

TEST(SerialPortContract, AHandleOfAVanishedPortStaysDeadWhenThePortComesBack) {
  auto p = MakeContractPlatform();
  auto device = MakeSerialDevice(9);
  ASSERT_NE(device, nullptr) << "no port of the test's own";
  auto open = [&] {
    return p->CreateFileA(device->Path(), platform::kGenericRead | platform::kGenericWrite, 0,
                          platform::kOpenExisting, platform::kFileAttributeNormal);
  };
  const Handle h = open();
  ASSERT_NE(h, kInvalidHandleValue) << "error " << p->GetLastError();
  ASSERT_TRUE(p->SetCommTimeouts(h, {1, 0, 1, 0, 10}));
  ASSERT_TRUE(device->Send({1, 2, 3}));
  std::uint32_t errors = 0;
  ComStat stat;
  for (int i = 0; i < 200 && p->ClearCommError(h, &errors, &stat) && stat.cbInQue < 3; ++i)
    p->Sleep(10);
  ASSERT_EQ(stat.cbInQue, 3u);

  ASSERT_TRUE(device->Vanish());
  auto expectDead = [&](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_FALSE(p->ClearCommError(h, &errors, &stat));
    EXPECT_EQ(p->GetLastError(), platform::error::kNotReady);
    std::uint8_t buffer[8];
    std::uint32_t got = 99;
    EXPECT_TRUE(p->ReadFile(h, buffer, sizeof buffer, &got)) << "a read succeeds";
    EXPECT_EQ(got, 0u) << "with no bytes, the queued ones included";
    platform::Dcb dcb;
    EXPECT_FALSE(p->GetCommState(h, &dcb));
    EXPECT_EQ(p->GetLastError(), platform::error::kNotReady);
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.flags = 1;
    EXPECT_FALSE(p->SetCommState(h, dcb));
    EXPECT_EQ(p->GetLastError(), platform::error::kNotReady);
    EXPECT_TRUE(p->PurgeComm(h, 0xF)) << "a purge has nothing to do and succeeds";
  };
  expectDead("gone");
  EXPECT_EQ(open(), kInvalidHandleValue) << "nothing to open while it is away";

  ASSERT_TRUE(device->Return());
  expectDead("back");
  const Handle fresh = open();
  ASSERT_NE(fresh, kInvalidHandleValue) << "error " << p->GetLastError();
  ASSERT_TRUE(p->SetCommTimeouts(fresh, {1, 0, 1, 0, 10}));
  ASSERT_TRUE(device->Send({7, 8}));
  for (int i = 0; i < 200 && p->ClearCommError(fresh, &errors, &stat) && stat.cbInQue < 2; ++i)
    p->Sleep(10);
  EXPECT_EQ(stat.cbInQue, 2u) << "a new open reaches the device that came back";
  EXPECT_FALSE(p->ClearCommError(h, &errors, &stat)) << "the old handle does not";
  EXPECT_TRUE(p->CloseHandle(h));
  EXPECT_TRUE(p->CloseHandle(fresh));
}

}  // namespace
