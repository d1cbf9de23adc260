// The log sink without a window: every line of a run is appended to the log
// file beside the CAP-H file ("\n" written as CR LF) and then handed to an
// echo (the Linux program prints it). The log is opened at a run's first line
// and kept open until the run ends; the lines are gathered and reach the file
// at the end of every part, whenever a buffer's worth is gathered, and when
// the run ends. A line logged outside a run is in the file at once.
//
// The log is never the CAP-H file, nor one of the run's output files under
// another name: such a log is refused, like one that cannot be opened or
// written. A refused or failed log stops the run: the echo's ReportUnlogged
// then receives the reason and every line the file did not take.
#ifndef PINWEAVE_PID_FILELOG_H
#define PINWEAVE_PID_FILELOG_H

#include "pid/LogFile.h"
#include "pid/LogSink.h"

#include <string>
#include <vector>

namespace pinweave {

// What a front end without a window does with the log's lines.
class ILogEcho {
public:
    virtual ~ILogEcho() = default;

    // A failure that no log line can carry (the CAP-H file cannot be opened,
    // the log file itself cannot be written). A console program prints it to
    // standard error.
    virtual void ReportUnlogged(const std::string& strText) = 0;

    // Called after strLine reached the log file, so that a console program
    // can echo it; bEndsRun marks a line that stops the run.
    virtual void OnLogLine(const std::string& strLine, bool bEndsRun)
    {
        (void)strLine;
        (void)bEndsRun;
    }

    // The lines so far have reached the log file: an echo that gathers lines
    // shows them now.
    virtual void FlushEcho() {}
};

class CFileLog : public ILogSink {
public:
    explicit CFileLog(ILogEcho& echo) : m_echo(echo) {}

    void BeginRun(const CRunPaths& paths) override;
    bool LogMessage(const std::string& strLine, bool bEndsRun = false) override;
    // Each "\r\n" of the box becomes a line end in the log.
    void AddMessageBoxText(const std::string& strText) override;
    bool Flush() override;
    void Reserve(std::size_t nBytes) override;
    void FilesPlaced() override { m_bFilesPlaced = true; }
    void EndRun() override;
    void ReportBeforeRun(const std::string& strText) override { m_echo.ReportUnlogged(strText); }

private:
    bool LogLongLine(const std::string& strLine, bool bEndsRun);
    bool Open();
    void Close();
    // Echoes the lines that reached the file; reports the reason and the
    // lines that did not. False when the log failed.
    bool PassOnLoggedLines(bool bLogOk, std::size_t nLinesWritten, const std::string& strError);

    struct CPendingLine {
        std::string m_strText;
        bool m_bEndsRun;
    };

    ILogEcho& m_echo;
    CRunPaths m_paths;
    CLogFile m_log;
    std::vector<CPendingLine> m_arrPendingLines; // the lines gathered in m_log
    bool m_bInRun = false;
    bool m_bFailed = false; // in this run: later lines go to ReportUnlogged
    bool m_bFilesPlaced = false;
};

} // namespace pinweave

#endif // PINWEAVE_PID_FILELOG_H
