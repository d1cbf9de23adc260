// The Linux program's way to the user: no window, so the run's lines go to
// the log file beside the CAP-H file, this front end echoes every log line on
// standard output, prints what the engine would show in a message box, or
// cannot log at all, on standard error, and asks nobody about an existing
// output file.
#ifndef PINWEAVE_CLI_CONSOLEFRONTEND_H
#define PINWEAVE_CLI_CONSOLEFRONTEND_H

#include "pid/FileLog.h"
#include "pid/FrontEnd.h"

#include <ostream>
#include <string>

namespace pinweave {

class CConsoleFrontEnd : public IFrontEnd, public ILogEcho {
public:
    // Writes log lines to streamOut and everything else to streamErr; both
    // must outlive the front end.
    CConsoleFrontEnd(std::ostream& streamOut, std::ostream& streamErr);

    // The log file beside the CAP-H file.
    ILogSink& Log() override { return m_log; }
    // Prints "Pinweave: " and the text, its CR LF pairs turned into LF.
    void ShowMessageBox(const std::string& strText) override;
    // Nobody to ask: NotAsked, and the run stops.
    OverwriteAnswer AskOverwrite(const std::string& strMessage) override;
    void ReportUnlogged(const std::string& strText) override;
    // Echoes the line with an LF on the output stream, where it waits for
    // FlushEcho (a run of many warning lines would otherwise cost a system
    // call each). A line that ends the run goes to the error stream as well,
    // after everything echoed before it. A "\n" inside the line gives two
    // lines.
    void OnLogLine(const std::string& strLine, bool bEndsRun) override;
    void FlushEcho() override;

private:
    void PrintError(const std::string& strText);

    std::ostream& m_streamOut;
    std::ostream& m_streamErr;
    CFileLog m_log{*this};
};

// The text as a terminal wants it: every CR LF pair becomes LF. A lone CR is
// kept.
std::string ToTerminalText(const std::string& strText);

} // namespace pinweave

#endif // PINWEAVE_CLI_CONSOLEFRONTEND_H
