// The wait cursor for the length of a scope, also when the scope is left by
// an exception. While it lasts the owner's WM_SETCURSOR should call Apply, so
// that moving the mouse does not bring the arrow back.
#ifndef PINWEAVE_APP_WAITCURSORWIN_H
#define PINWEAVE_APP_WAITCURSORWIN_H

#include <windows.h>

namespace pinweave {

class CWaitCursorWin {
public:
    CWaitCursorWin() : m_hPrevious(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
    CWaitCursorWin(const CWaitCursorWin&) = delete;
    CWaitCursorWin& operator=(const CWaitCursorWin&) = delete;
    ~CWaitCursorWin() { SetCursor(m_hPrevious != nullptr ? m_hPrevious : LoadCursor(nullptr, IDC_ARROW)); }

    static void Apply() { SetCursor(LoadCursor(nullptr, IDC_WAIT)); }

private:
    HCURSOR m_hPrevious;
};

} // namespace pinweave

#endif // PINWEAVE_APP_WAITCURSORWIN_H
