#include <gtest/gtest.h>

#include <vector>

#include "tests/contract/ContractPlatform.h"
#include "tests/contract/ContractSupport.h"

namespace {

using contract::LoggingWindow;
using contract::Popup;
using platform::Msg;
namespace msg = platform::msg;

constexpr std::uint32_t kPing = msg::kUser + 1;
constexpr std::uint32_t kPong = msg::kUser + 2;

class MessageQueueContract : public ::testing::Test {
 protected:
  void SetUp() override {
    p = MakeContractPlatform();
    window = std::make_unique<LoggingWindow>(*p, Popup(),
                                             [](const Msg& m) -> std::optional<platform::LResult> {
                                               if (m.message == kPing || m.message == kPong)
                                                 return 1000 + static_cast<int>(m.wParam);
                                               return std::nullopt;
                                             });
    ASSERT_NE(window->hwnd(), 0u);
    contract::PumpPending(*p);
    window->ClearLog();
  }

  std::unique_ptr<platform::Platform> p;
  std::unique_ptr<LoggingWindow> window;
};

TEST_F(MessageQueueContract, SendMessageRunsTheProcedureAtOnceAndReturnsItsResult) {
  EXPECT_EQ(p->SendMessageA(window->hwnd(), kPing, 7, -9), 1007);
  ASSERT_EQ(window->Count(kPing), 1);
  const Msg& m = window->log().back();
  EXPECT_EQ(m.hwnd, window->hwnd());
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_EQ(m.lParam, -9);
  Msg queued;
  EXPECT_FALSE(p->PeekMessageW(&queued, window->hwnd(), platform::kPmNoRemove))
      << "a sent message is not queued";
}

TEST_F(MessageQueueContract, APostedMessageWaitsForPeekAndDispatch) {
  ASSERT_TRUE(p->PostMessageA(window->hwnd(), kPing, 3, 4));
  EXPECT_EQ(window->Count(kPing), 0);

  Msg m;
  ASSERT_TRUE(p->PeekMessageW(&m, window->hwnd(), platform::kPmNoRemove));
  EXPECT_EQ(m.message, kPing);
  ASSERT_TRUE(p->PeekMessageW(&m, window->hwnd(), platform::kPmRemove))
      << "peeking without removal leaves it queued";
  EXPECT_EQ(m.hwnd, window->hwnd());
  EXPECT_EQ(m.message, kPing);
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_EQ(m.lParam, 4);
  Msg again;
  EXPECT_FALSE(p->PeekMessageW(&again, window->hwnd(), platform::kPmRemove));
  EXPECT_EQ(window->Count(kPing), 0) << "peeking does not deliver";

  EXPECT_EQ(p->DispatchMessageW(m), 1003);
  EXPECT_EQ(window->Count(kPing), 1);
}

TEST_F(MessageQueueContract, PostedMessagesArriveInOrderAndTheQuitMessageLast) {
  ASSERT_TRUE(p->PostMessageA(window->hwnd(), kPing, 1, 0));
  ASSERT_TRUE(p->PostMessageA(window->hwnd(), kPong, 2, 0));
  p->PostQuitMessage(3);

  std::vector<Msg> taken = contract::PumpPending(*p);
  ASSERT_EQ(taken.size(), 3u);
  EXPECT_EQ(taken[0].message, kPing);
  EXPECT_EQ(taken[1].message, kPong);
  EXPECT_EQ(taken[2].message, msg::kQuit);
  EXPECT_EQ(taken[2].hwnd, 0u);
  EXPECT_EQ(taken[2].wParam, 3u) << "the exit code";
  EXPECT_EQ(window->Count(kPing), 1);
  EXPECT_EQ(window->Count(kPong), 1);
  EXPECT_TRUE(contract::PumpPending(*p).empty()) << "the quit message is taken once";
}

TEST_F(MessageQueueContract, WaitMessageReturnsForAPostedMessage) {
  ASSERT_TRUE(p->PostMessageA(window->hwnd(), kPing, 0, 0));
  EXPECT_TRUE(p->WaitMessage());
  Msg m;
  EXPECT_TRUE(p->PeekMessageW(&m, 0, platform::kPmRemove));
  EXPECT_EQ(m.message, kPing);
}

TEST_F(MessageQueueContract, RegisteredMessagesAreStableCaseInsensitiveAndInTheirRange) {
  const std::uint32_t a = p->RegisterWindowMessageA("TaskbarCreated");
  EXPECT_GE(a, 0xC000u);
  EXPECT_LE(a, 0xFFFFu);
  EXPECT_EQ(p->RegisterWindowMessageA("TaskbarCreated"), a);
  EXPECT_EQ(p->RegisterWindowMessageA("taskbarcreated"), a);
  EXPECT_NE(p->RegisterWindowMessageA(contract::UniqueName("TavrinContract-")), a);
  EXPECT_EQ(MakeSecondProcess()->RegisterWindowMessageA("TaskbarCreated"), a)
      << "the same number in every process";
}

TEST_F(MessageQueueContract, ASendWithATimeOutAnswersLikeASendAndGivesUpOnAHungThread) {
  std::uintptr_t answer = 0;
  EXPECT_NE(p->SendMessageTimeoutA(window->hwnd(), kPing, 5, 0, platform::kSmtoAbortIfHung, 1000,
                                   &answer),
            0);
  EXPECT_EQ(answer, 1005u);

  // A window whose thread takes no messages: the sender waits out the
  // bound, then goes on without an answer.
  const auto hung = MakeHungWindow();
  ASSERT_NE(hung->Handle(), 0u);
  const std::uint32_t t0 = p->GetTickCount();
  answer = 77;
  EXPECT_EQ(p->SendMessageTimeoutA(hung->Handle(), msg::kSysCommand, platform::kScMinimize, 0,
                                   platform::kSmtoAbortIfHung, 1000, &answer),
            0);
  const std::uint32_t waited = p->GetTickCount() - t0;
  EXPECT_EQ(p->GetLastError(), platform::error::kTimeout);
  EXPECT_EQ(answer, 0u);
  // (GetTickCount may step by 16 ms.)
  EXPECT_GE(waited, 1000u - 32);
  EXPECT_LE(waited, 1000u + 500);

  // Once it has taken no message for five seconds the system takes it for
  // hung, and the send gives up at once.
  p->Sleep(platform::kHungThreadMs);
  const std::uint32_t t1 = p->GetTickCount();
  EXPECT_EQ(p->SendMessageTimeoutA(hung->Handle(), msg::kSysCommand, platform::kScMinimize, 0,
                                   platform::kSmtoAbortIfHung, 1000, &answer),
            0);
  EXPECT_LT(p->GetTickCount() - t1, 200u);
  EXPECT_EQ(p->GetLastError(), platform::error::kTimeout);
}

}  // namespace
