// Where quiet mode writes the failures that no log line carries, when the
// program was started from a console: the standard error handle it was given
// (a redirection, or a Unix shell under Wine), or else the console of the
// parent process, attached for the purpose when the first line is written
// (not before: a process attached to a console is ended by a Ctrl+C typed
// there, which would leave a run's temporaries behind). Without either,
// writing does nothing: the message boxes remain the only report.
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

    // Whether there is somewhere to write (attaching the console if need be).
    bool IsAvailable();

    // Writes the text and a CR LF line end, bytes unchanged.
    void WriteLine(const std::string& strText);

private:
    void AttachParentConsole();

    HANDLE m_hError = nullptr;
    bool m_bTriedConsole = false;
    bool m_bOwnsHandle = false;
};

} // namespace pinweave

#endif // PINWEAVE_APP_ERRORCONSOLEWIN_H
