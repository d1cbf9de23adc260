// A conversion run on a thread of its own, so that the dialog's thread goes
// on taking its messages: the window paints, the results pane fills as lines
// come, and the system never marks the window "Not Responding" (a 300 MB file
// takes several seconds). The run's engine is not shared with the dialog's
// thread while it runs; everything it shows reaches the dialog's thread by
// messages.
#ifndef PINWEAVE_APP_SCANTHREADWIN_H
#define PINWEAVE_APP_SCANTHREADWIN_H

#include <windows.h>

#include <exception>
#include <functional>
#include <thread>

namespace pinweave {

class CScanThreadWin {
public:
    CScanThreadWin() = default;
    CScanThreadWin(const CScanThreadWin&) = delete;
    CScanThreadWin& operator=(const CScanThreadWin&) = delete;
    ~CScanThreadWin() { Finish(); }

    // Runs fnRun on a new thread; when it has returned or thrown, posts
    // uMsgEnded to hWnd. Throws std::system_error when no thread can be made.
    void Start(HWND hWnd, UINT uMsgEnded, std::function<void()> fnRun);

    // From Start until Finish, whether or not fnRun has returned yet.
    bool IsRunning() const { return m_thread.joinable(); }

    // Waits for the thread to end; what fnRun threw, if anything.
    std::exception_ptr Finish();

private:
    std::thread m_thread;
    std::exception_ptr m_pError;
};

} // namespace pinweave

#endif // PINWEAVE_APP_SCANTHREADWIN_H
