// The one way the conversion engine reaches the user.
//
// The Windows dialog, the Linux command-line program and the tests each
// implement it, and each decides for itself what its mode means: where the
// run's lines go (the results pane with a window, the log file beside the
// CAP-H file without one) and whether an existing output file can be asked
// about. The engine never asks which mode it runs in.
#ifndef PINWEAVE_PID_FRONTEND_H
#define PINWEAVE_PID_FRONTEND_H

#include "pid/LogSink.h"

#include <string>

namespace pinweave {

// The answers of the "Output File Exists" prompt, with their button ids, and
// NotAsked: there is no one to ask (no window), so the run stops with the
// line that the file already exists.
enum class OverwriteAnswer : int { Yes = 6, No = 7, Cancel = 2, YesToAll = 8, NotAsked = 0 };

class IFrontEnd {
public:
    virtual ~IFrontEnd() = default;

    // Where the lines of the run that begins now go.
    virtual ILogSink& Log() = 0;

    // A blocking message box: OK button, exclamation icon, caption "Pinweave".
    // Shown in both modes.
    virtual void ShowMessageBox(const std::string& strText) = 0;

    // The modal "Output File Exists" prompt showing strMessage, or NotAsked.
    virtual OverwriteAnswer AskOverwrite(const std::string& strMessage) = 0;
};

} // namespace pinweave

#endif // PINWEAVE_PID_FRONTEND_H
