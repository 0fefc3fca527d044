// GoogleTest's customisation header, for the mingw-w64 build only (tests/CMakeLists.txt puts this
// directory ahead of GoogleTest's own include directory).
//
// GoogleTest 1.12 builds its thread Notification on std::mutex and std::condition_variable, which
// the win32 thread model of mingw's libstdc++ does not have. This one waits on an atomic flag.
// Nothing in our tests starts threads; GoogleTest only needs the class to exist.
#ifndef TAVRIN_GTEST_MINGW_CUSTOM_PORT_H
#define TAVRIN_GTEST_MINGW_CUSTOM_PORT_H

#include <atomic>

extern "C" __declspec(dllimport) int __stdcall SwitchToThread(void);

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() : notified_(false) {}
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true, std::memory_order_release); }
  void WaitForNotification() {
    while (!notified_.load(std::memory_order_acquire)) SwitchToThread();
  }

 private:
  std::atomic<bool> notified_;
};

}  // namespace internal
}  // namespace testing

#endif
