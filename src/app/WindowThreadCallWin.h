// Running a piece of code on the thread that owns a window, from any thread:
// the way a conversion run on a thread of its own shows a message box or the
// "Output File Exists" prompt, which must belong to the dialog's thread.
#ifndef PINWEAVE_APP_WINDOWTHREADCALLWIN_H
#define PINWEAVE_APP_WINDOWTHREADCALLWIN_H

#include <windows.h>

#include <functional>

namespace pinweave {

// The private message that carries a call; the window's procedure hands it
// to HandleWindowThreadCall.
inline constexpr UINT kMsgWindowThreadCall = WM_APP + 1;

// Runs fnCall on hWnd's thread and returns when it has returned: at once on
// that thread, otherwise through kMsgWindowThreadCall (the window's thread
// runs it when it next looks at its messages, also inside a modal loop). An
// exception that fnCall throws is thrown again here. False, and fnCall not
// run, when the window no longer exists.
bool CallOnWindowThread(HWND hWnd, const std::function<void()>& fnCall);

// For the window procedure: runs the call of a kMsgWindowThreadCall message.
void HandleWindowThreadCall(LPARAM lParam);

} // namespace pinweave

#endif // PINWEAVE_APP_WINDOWTHREADCALLWIN_H
