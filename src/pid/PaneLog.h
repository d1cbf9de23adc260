// The log sink with a window: every line goes to the end of the results pane
// at once, and the results text keeps every line since start-up, run after
// run, each ended by CR LF. Nothing is written to disk, and nothing here fails.
#ifndef PINWEAVE_PID_PANELOG_H
#define PINWEAVE_PID_PANELOG_H

#include "pid/LogSink.h"

#include <string>

namespace pinweave {

// The results pane of the main dialog.
class IResultsPane {
public:
    virtual ~IResultsPane() = default;

    // Adds strLines (whole lines, each ended by CR LF, already appended to
    // the results text) at the end of the pane and scrolls the last of them
    // into view. What the pane held stays as it is, so the cost of a line
    // does not depend on the lines before it.
    virtual void AppendResults(const std::string& strLines) = 0;
};

class CPaneLog : public ILogSink {
public:
    explicit CPaneLog(IResultsPane& pane) : m_pane(pane) {}

    // Everything logged since start-up; only grows (the dialog shows it).
    std::string m_strResults;

    void BeginRun(const CRunPaths& paths) override { (void)paths; }
    bool LogMessage(const std::string& strLine, bool bEndsRun = false) override;
    // The box itself is all the user needs to see.
    void AddMessageBoxText(const std::string& strText) override { (void)strText; }
    bool Flush() override { return true; }
    void Reserve(std::size_t nBytes) override { m_strResults.reserve(m_strResults.size() + nBytes + 2); }
    void FilesPlaced() override {}
    void EndRun() override {}
    void ReportBeforeRun(const std::string& strText) override { LogMessage(strText); }

private:
    IResultsPane& m_pane;
};

} // namespace pinweave

#endif // PINWEAVE_PID_PANELOG_H
