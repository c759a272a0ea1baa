// GoogleTest's Notification needs std::mutex, which the win32 thread model
// of mingw-w64 does not have; this one waits on a Win32 event instead. It
// is force-included before GoogleTest in the Windows builds.
#ifndef WOF_GTEST_WIN32_NOTIFICATION_H
#define WOF_GTEST_WIN32_NOTIFICATION_H

#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

}  // namespace internal
}  // namespace testing

#endif
