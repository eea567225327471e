// GoogleTest's hook for port customisations, found ahead of its own empty one
// in the Windows build. The compilers' win32 thread model has no std::mutex or
// std::condition_variable, which GoogleTest's stock Notification is made of;
// this one serves the same purpose (only GoogleTest's own thread tests use it).
#ifndef TAVRIN_GTEST_CUSTOM_PORT_H_
#define TAVRIN_GTEST_CUSTOM_PORT_H_

#include <atomic>

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true, std::memory_order_release); }
  void WaitForNotification() {
    while (!notified_.load(std::memory_order_acquire)) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing

#define GTEST_HAS_NOTIFICATION_ 1

#endif  // TAVRIN_GTEST_CUSTOM_PORT_H_
