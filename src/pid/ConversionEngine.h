// One conversion of a CAP-H file into one PID file per part number, with the
// run state it needs. The main dialog (Windows) and the command-line program
// (Linux) each own one engine and reach it only through this class; the
// engine reaches the user only through IFrontEnd.
//
// A run: open the CAP-H file, log "Starting conversion", scan its three
// sections into the roots, write every file's header (creating the files),
// build the pin table and the [connectors] block, write the body of every
// file, close them and log "Completed". Every operation returns false when the
// run must stop, and the caller passes that up at once. However a run ends,
// the files are closed and ResetRunState empties the run state; the two paths
// and the results text outlive runs.
#ifndef PINWEAVE_PID_CONVERSIONENGINE_H
#define PINWEAVE_PID_CONVERSIONENGINE_H

#include "caph/CapHElement.h"
#include "pid/FrontEnd.h"

#include <string>

namespace pinweave {

class CConversionEngine {
public:
    explicit CConversionEngine(IFrontEnd& frontEnd);
    CConversionEngine(const CConversionEngine&) = delete;
    CConversionEngine& operator=(const CConversionEngine&) = delete;
    ~CConversionEngine();

    // Runs one conversion of the CAP-H file at strCapHPath into
    // m_strOutputPath. True when the run reached "Completed".
    bool RunConversion(const std::string& strCapHPath);

    // Empties everything that belongs to one run; keeps the paths and the
    // results text.
    void ResetRunState();

    // Adds one message line: to the results pane with a window, to the log
    // file beside the CAP-H file without one.
    void LogMessage(const std::string& strMessage);

    // The stored values shared with the dialog and start-up.
    std::string m_strInputPath;   // CAP-H file path
    std::string m_strOutputPath;  // folder for the PID files
    bool m_bOverwriteAll = false; // replace existing output files without asking
    std::string m_strResults;     // everything logged with a window; only grows

    // ... run state and writer operations follow (see the implementation issue)
};

}  // namespace pinweave

#endif  // PINWEAVE_PID_CONVERSIONENGINE_H
