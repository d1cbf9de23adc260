// Where quiet mode writes the failures that no log line carries, when the
// program was started from a console: the standard error handle it was given
// (a redirection, or a Unix shell under Wine), or else the console of the
// parent process, attached for the purpose. Without either, writing does
// nothing: the message boxes remain the only report.
#ifndef PINWEAVE_APP_ERRORCONSOLEWIN_H
#define PINWEAVE_APP_ERRORCONSOLEWIN_H

#include <windows.h>

#include <string>

namespace pinweave {

class CErrorConsoleWin {
public:
    CErrorConsoleWin();
    CErrorConsoleWin(const CErrorConsoleWin&) = delete;
    CErrorConsoleWin& operator=(const CErrorConsoleWin&) = delete;
    ~CErrorConsoleWin();

    // Whether there is somewhere to write.
    bool IsAvailable() const { return m_hError != nullptr; }

    // Writes the text and a CR LF line end, bytes unchanged.
    void WriteLine(const std::string& strText);

private:
    HANDLE m_hError = nullptr;
    bool m_bOwnsHandle = false;
};

} // namespace pinweave

#endif // PINWEAVE_APP_ERRORCONSOLEWIN_H
