// The one way the conversion engine reaches the user.
//
// The Windows dialog, the Linux command-line program and the tests each
// implement it. Nothing else in the engine knows which mode it runs in: with a
// window, progress lines go to the results pane and an existing output file is
// asked about; without one, progress lines go to the log file beside the CAP-H
// file and an existing output file stops the run.
#ifndef PINWEAVE_PID_FRONTEND_H
#define PINWEAVE_PID_FRONTEND_H

#include <string>

namespace pinweave {

// The answers of the "Output File Exists" prompt, with their button ids.
enum class OverwriteAnswer : int { Yes = 6, No = 7, Cancel = 2, YesToAll = 8 };

class IFrontEnd {
public:
    virtual ~IFrontEnd() = default;

    // Whether the main dialog exists as a window.
    virtual bool HasWindow() const = 0;

    // With a window: add strLines (whole lines, each ended by CR LF, already
    // appended to the results text) at the end of the results pane and scroll
    // the last of them into view. What the pane held stays as it is, so the
    // cost of a line does not depend on the lines before it.
    virtual void AppendResults(const std::string& strLines) = 0;

    // A blocking message box: OK button, exclamation icon, caption "Pinweave".
    // Shown in both modes.
    virtual void ShowMessageBox(const std::string& strText) = 0;

    // With a window: the modal "Output File Exists" prompt showing strMessage.
    virtual OverwriteAnswer AskOverwrite(const std::string& strMessage) = 0;

    // Without a window: a failure that no log line can carry (the CAP-H file
    // cannot be opened, the log file itself cannot be written). A console
    // program prints it to stderr.
    virtual void ReportUnlogged(const std::string& strText) = 0;

    // Without a window: called after strLine was added to the log, so a
    // console program can echo it; bEndsRun marks a line that stops the run
    // (its reason, and what it left of the output files). Does nothing by
    // default.
    virtual void OnLogLine(const std::string& strLine, bool bEndsRun)
    {
        (void)strLine;
        (void)bEndsRun;
    }

    // Without a window: the lines so far have reached the log file (the end
    // of a part, or of the run); an echo that gathers lines shows them now.
    // Does nothing by default.
    virtual void FlushEcho() {}
};

} // namespace pinweave

#endif // PINWEAVE_PID_FRONTEND_H
