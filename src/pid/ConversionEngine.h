// One conversion of a CAP-H file into one PID file per part number: the run,
// which puts the units in order and reports. The main dialog (Windows) and the
// command-line program (Linux) each own one engine; the engine reaches the
// user only through IFrontEnd, and its lines only through the log sink that
// the front end chooses.
//
// A run: open the CAP-H file, log "Starting conversion", read and scan its
// three sections into the roots, log the number of part numbers, create the
// output files (COutputFiles), write every file's header, build the pin table
// and the [connectors] block, write the body of every part (the texts come
// from CPidConverter), put the files in place and log "Completed". Whatever
// stops a run has been reported by then (a log line, or a message box for the
// output folder and file creation). However a run ends, ResetRunState empties
// the run state; the stored values outlive runs.
//
// All or nothing: the files are written as temporaries beside the PID files,
// and only a run that has written all of them gives them the PID files' names,
// synced to the disk, with backups that undo every rename if one fails. A run
// that stops, for whatever reason, removes its temporaries and says that no
// output file was changed, so the output folder holds exactly what it held
// before.
//
// An interrupt (CInterrupt), when given, is looked at between the steps and
// between parts: a raised one stops the run there, with its cause in the log.
// Putting the files in place is never cut.
#ifndef PINWEAVE_PID_CONVERSIONENGINE_H
#define PINWEAVE_PID_CONVERSIONENGINE_H

#include "caph/CapHElement.h"
#include "pid/CapHFile.h"
#include "pid/FrontEnd.h"
#include "pid/Interrupt.h"
#include "pid/OutputFiles.h"
#include "pid/PidConverter.h"

#include <ctime>
#include <functional>
#include <memory>
#include <string>

namespace pinweave {

class CConversionEngine {
public:
    // pInterrupt, when given, must outlive the engine.
    explicit CConversionEngine(IFrontEnd& frontEnd, const CInterrupt* pInterrupt = nullptr);
    CConversionEngine(const CConversionEngine&) = delete;
    CConversionEngine& operator=(const CConversionEngine&) = delete;
    ~CConversionEngine();

    // Runs one conversion of the CAP-H file at strCapHPath into
    // m_strOutputPath. True exactly when every output file is in place; the
    // run then logged "Completed" (or, when the log could not take it, said
    // so). A CAP-H file that cannot be opened is reported through the log
    // sink's ReportBeforeRun and leaves the run state untouched. Running out
    // of memory, or any other error that escapes a step, stops the run like
    // every other stop: the temporaries are removed, and the log says why.
    bool RunConversion(const std::string& strCapHPath);

    // Empties everything that belongs to one run (the CAP-H text, the roots,
    // the converter and the output files); keeps the stored values.
    void ResetRunState();

    // Whether the latest run went on to its end without the interrupt: to
    // put its files in place, or to remove them for a reason of its own. An
    // interrupt raised meanwhile changed nothing.
    bool ReachedPlacing() const { return m_bReachedPlacing; }

    // --- Stored values shared with the dialog and start-up.
    std::string m_strInputPath;   // CAP-H file path; names the log file and the PID files
    std::string m_strOutputPath;  // folder for the PID files
    bool m_bOverwriteAll = false; // replace existing output files without asking

    // The clock behind the generation date; tests replace it.
    std::function<std::time_t()> m_fnNow;

private:
    bool Convert(const std::string& strCapHPath);
    bool RunSteps(CCapHFile& fileCapH);
    bool ReadAndScan(CCapHFile& fileCapH);
    bool WriteHeaderSection();
    bool WriteBodySections();
    // False, with the interrupt's cause logged, once an interrupt is raised.
    bool NotInterrupted();
    // An error escaped the run (out of memory, most likely): says so, and
    // that no output file was changed. Always false.
    bool StopEscapedRun(const std::string& strReason);
    bool LogMessage(const std::string& strLine) { return m_pLog->LogMessage(strLine); }
    // Logs a line that stops the run; always false.
    bool StopRun(const std::string& strLine);

    IFrontEnd& m_frontEnd;
    const CInterrupt* m_pInterrupt;
    ILogSink* m_pLog = nullptr; // the front end's choice for the current run
    bool m_bReachedPlacing = false;
    bool m_bInterrupted = false; // the latest run stopped for the interrupt
    bool m_bFilesPlaced = false;
    bool m_bRunBegun = false; // the log sink was told of the latest run

    // --- Run state, empty outside a run.
    CRunPaths m_paths;
    CFileBytes m_capHBytes; // the file's text, which the three trees point into
    CCapHElement m_rootHeader;
    CCapHElement m_rootConnection;
    CCapHElement m_rootConnector;
    std::unique_ptr<CPidConverter> m_pConverter; // points into the roots
    std::unique_ptr<COutputFiles> m_pOutputFiles;
};

} // namespace pinweave

#endif // PINWEAVE_PID_CONVERSIONENGINE_H
