// Where the lines of a run go. The front end chooses the sink (the results
// pane with a window, the log file beside the CAP-H file without one); the
// run only hands it lines and never asks which one it has.
#ifndef PINWEAVE_PID_LOGSINK_H
#define PINWEAVE_PID_LOGSINK_H

#include <cstddef>
#include <string>

namespace pinweave {

// The paths one run works with, as the run's stored values held them when it
// began.
struct CRunPaths {
    std::string m_strInputPath;  // the stored CAP-H path: names the log file and the PID files
    std::string m_strCapHPath;   // the path the run was given, as line 2 of every PID file has it
    std::string m_strOutputPath; // the output folder
};

class ILogSink {
public:
    virtual ~ILogSink() = default;

    // A run begins: its lines follow until EndRun.
    virtual void BeginRun(const CRunPaths& paths) = 0;

    // Adds one line (already formatted); bEndsRun marks a line that stops the
    // run (its reason, and what it left of the output files). False when the
    // sink could not take it: that has been reported with the line, and the
    // run must stop.
    virtual bool LogMessage(const std::string& strLine, bool bEndsRun = false) = 0;

    // The text of a message box that stops the run, for a sink that is the
    // only record of the run.
    virtual void AddMessageBoxText(const std::string& strText) = 0;

    // The lines so far reach their destination (the end of a part, and
    // before the files are put in place). False when they could not.
    virtual bool Flush() = 0;

    // Takes the room a line of nBytes needs ahead, so that logging it then
    // needs no memory.
    virtual void Reserve(std::size_t nBytes) = 0;

    // Every output file of the run is in place: a failure of the sink from
    // now on says so rather than that the run was aborted.
    virtual void FilesPlaced() = 0;

    // The run has ended: every line reaches its destination.
    virtual void EndRun() = 0;

    // A failure before any run began (the CAP-H file cannot be opened), for
    // which no log file is made.
    virtual void ReportBeforeRun(const std::string& strText) = 0;
};

} // namespace pinweave

#endif // PINWEAVE_PID_LOGSINK_H
