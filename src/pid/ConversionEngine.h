// One conversion of a CAP-H file into one PID file per part number, with the
// run state it needs. The main dialog (Windows) and the command-line program
// (Linux) each own one engine and reach it only through this class; the
// engine reaches the user only through IFrontEnd.
//
// A run: open the CAP-H file, log "Starting conversion", scan its three
// sections into the roots, write every file's header (creating the files),
// build the pin table and the [connectors] block, write the body of every
// file, put the files in place and log "Completed". Every operation returns
// false when the run must stop, and the caller passes that up at once;
// whatever stops a run has been reported by then (a log line, or a message
// box for the output folder and file creation). However a run ends,
// ResetRunState empties the run state; the two paths and the results text
// outlive runs.
//
// All or nothing: the files are written as temporaries beside the PID files
// (COutputFile, owned by the run's COutputFileSet), and only a run that has
// written all of them gives them the PID files' names, synced to the disk,
// with backups that undo every rename if one fails. A run that stops, for
// whatever reason, removes its temporaries and says that no output file was
// changed, so the output folder holds exactly what it held before.
//
// The writer operations and the run state are public so that each step can
// be driven and checked on its own; outside a run only the stored values and
// RunConversion are meant for callers.
#ifndef PINWEAVE_PID_CONVERSIONENGINE_H
#define PINWEAVE_PID_CONVERSIONENGINE_H

#include "caph/CapHElement.h"
#include "caph/CapHFile.h"
#include "pid/FrontEnd.h"
#include "pid/LogFile.h"
#include "pid/OutputFileSet.h"
#include "pid/PartBody.h"
#include "pid/PinEnds.h"
#include "pid/PinTable.h"

#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pinweave {

class CCapHFile;

class CConversionEngine {
public:
    // WriteOutput's index for "every output file, in index order".
    static constexpr int kAllOutputs = -1;

    explicit CConversionEngine(IFrontEnd& frontEnd);
    CConversionEngine(const CConversionEngine&) = delete;
    CConversionEngine& operator=(const CConversionEngine&) = delete;
    ~CConversionEngine();

    // Runs one conversion of the CAP-H file at strCapHPath into
    // m_strOutputPath. True exactly when every output file is in place; the
    // run then logged "Completed" (or, when the log could not take it, said
    // so and the line through ReportUnlogged).
    // A CAP-H file that cannot be opened is reported (results pane, or
    // ReportUnlogged without a window) and leaves the run state untouched.
    // Running out of memory, or any other error that escapes a step, stops
    // the run like every other stop: the temporaries are removed, and the
    // log says why.
    bool RunConversion(const std::string& strCapHPath);

    // What AbandonRun did.
    enum class EAbandoned {
        Stopped, // the run stopped: the caller ends the process
        NoRun,   // no run had begun
        // The run had begun to put its files in place (or has ended since):
        // it finished that step and has ended; its outcome stands.
        TooLateCompleted, // every output file is in place
        TooLateStopped,   // the run stopped, and said so
    };

    // Stops the run that RunConversion is carrying out on another thread
    // (the Linux program's answer to SIGINT, SIGTERM and SIGHUP): removes the
    // run's temporaries, logs strReason and that no output file was changed,
    // and hands every logged line to the log file and the front end. The run
    // writes nothing more after that, to the log or to the output folder; the
    // caller ends the process. A run that is putting its files in place is
    // waited for and left as it is.
    EAbandoned AbandonRun(const std::string& strReason);

    // Empties everything that belongs to one run (roots, part numbers, open
    // output files, pin table, splice numbers) and clears m_bOverwriteAll;
    // keeps the paths and the results text.
    void ResetRunState();

    // Adds one message line: appended to m_strResults; with a window added to
    // the results pane, without one appended to the log file beside the CAP-H
    // file ("\n" written as CR LF) and passed to the front end's OnLogLine.
    // Within a run the log is opened at its first line and kept open until the
    // run ends; the lines reach it at the end of every part and when the run
    // ends. A line logged outside a run is in the file when this returns.
    // False when the log file could not be opened or written, or would be the
    // CAP-H file itself: that was reported through ReportUnlogged, together
    // with the line, and the run must stop.
    bool LogMessage(const std::string& strMessage);

    // --- The steps of a run, in their order. Each returns false when the run
    // must stop.

    // Counts the part numbers (children of the header root), logs their
    // number, creates the output files and writes every file's comment block
    // and [header] section.
    bool WriteHeaderSection();

    // Checks the output folder and creates one file per part number, asking
    // about (with a window) or refusing (without one) existing files. What is
    // created is each file's temporary; an existing file is only replaced
    // when the run completes. The CAP-H file itself, or a folder, is never
    // replaced by an output file.
    bool CreateOutputFiles();

    // Builds the pin table, its index and the [connectors] block from the
    // connector root, replacing those of an earlier call. Writes nothing. The
    // pin table refers to the connector root's names: the root must stay
    // unchanged while the table is in use.
    bool BuildConnectorsSection();

    // Writes [wires] to every file, then each part group into its file:
    // wires, pins, splices, components, connectors.
    bool WriteBodySections();

    // Attaches one wire end to its fixture pin or its splice (numbering new
    // splices in strSplices' part) in m_pinEnds and m_mapSpliceNumbers. False
    // when the end is rejected, with message 112 or 113 logged where the text
    // calls for one. The splice numbers keep strSplice as a view: its text
    // must stay unchanged until they are cleared. The body writer attaches
    // the ends of each part group the same way, in that group's own body.
    bool AttachWireEnd(std::string_view strConnector, std::string_view strPin, std::string_view strSplice,
                       std::string& strSplices, std::string_view strWireName);

    // Writes the bytes unchanged to output file nIndex, or to every output
    // file for kAllOutputs. False when the write failed or the file does not
    // exist; that has been logged.
    bool WriteOutput(std::string_view strText, int nIndex);

    // --- Stored values shared with the dialog and start-up.
    std::string m_strInputPath;   // CAP-H file path; names the log file
    std::string m_strOutputPath;  // folder for the PID files
    bool m_bOverwriteAll = false; // replace existing output files without asking; one run only
    std::string m_strResults;     // everything logged; only grows

    // The clock behind the generation date; tests replace it.
    std::function<std::time_t()> m_fnNow;

    // --- Run state, empty outside a run.
    std::string m_strCapHPath; // the path RunConversion was given, as written in line 2
    CFileBytes m_capHBytes;    // the file's text, which the three trees point into
    CCapHElement m_rootHeader;
    CCapHElement m_rootConnection;
    CCapHElement m_rootConnector;
    int m_nPartCount = 0;
    std::vector<std::string> m_arrPartNumbers;
    COutputFileSet m_arrOutputFiles; // files created so far, in index order
    CPinTable m_pinTable;            // every fixture pin, its index and the [pins] block without wire ends
    // The wire ends on fixture pins, in attach order, and the splice numbers
    // as text under views of the splice names, that AttachWireEnd gave.
    CPinEnds m_pinEnds;
    CSpliceNumbers m_mapSpliceNumbers;
    std::string m_strConnectors; // the [connectors] block

private:
    bool Convert(const std::string& strCapHPath);
    bool RunSteps(CCapHFile& fileCapH);
    // An error escaped the run (out of memory, most likely): says so, and
    // that no output file was changed. Always false.
    bool StopEscapedRun(const std::string& strReason);
    bool ReadAndScan(CCapHFile& fileCapH);
    bool RunWriters();
    void ReleaseTrees();
    // Puts the output files in place when bRunOk, else removes their
    // temporaries; says which when they do not all go one way. The result:
    // whether the run may log "Completed".
    bool FinishOutputFiles(bool bRunOk);
    bool FlushOutputFiles();
    // Logs, in one line, temporaries and backups of this run's names that a
    // killed run left. False when the log failed.
    bool ReportLeftovers(const std::string& strBaseName);
    // Shows a message box that stops the run; without a window the log
    // holds its text too. Always false.
    bool ShowStop(const std::string& strText);
    // Removes every temporary and says that no output file was changed (or
    // which temporaries stayed). bFromOtherThread: only the files on disk are
    // removed; the objects, which the run's thread may be using, stay as
    // they are.
    void DiscardOutputFiles(bool bFromOtherThread = false);
    void ReportCapHNotOpened(const std::string& strText);
    // Logs a line that stops the run (the front end may show it apart from
    // the progress lines); always false.
    bool StopRun(const std::string& strMessage);
    bool CreateOutputFile(const std::string& strFolder, const std::string& strBaseName, int nIndex);
    bool LogLine(const std::string& strMessage, bool bEndsRun);
    bool LogLongLine(const std::string& strMessage, bool bEndsRun);
    // Takes the memory a line of nBytes needs to be logged ahead.
    void ReserveLogLine(std::size_t nBytes);
    bool OpenLog();
    // Hands the gathered log lines to the log file and then to the front
    // end's echo: at the end of every part and of the run, and whenever a
    // buffer's worth is gathered. Lines that did not reach the file go to
    // ReportUnlogged instead, after the reason. False when the log failed.
    bool FlushLog();
    void CloseLog();
    bool PassOnLoggedLines(bool bLogOk, std::size_t nLinesWritten, const std::string& strError);
    // The body writer's steps (BodyWriter.cpp): writing one part's body into
    // its file (pFile, null when there is none) and the log.
    bool WritePartGroup(const CPartBody& body, int nIndex);
    template <typename... TPieces>
    bool WritePartPieces(COutputFile* pFile, int nIndex, const TPieces&... pieces);
    bool WritePins(const CPinEnds& pinEnds, COutputFile* pFile, int nIndex);

    IFrontEnd& m_frontEnd;
    // Set when the log file failed in this run: the run stops, and the lines
    // that follow go to ReportUnlogged instead.
    bool m_bLogFailed = false;
    CLogFile m_log;                // open from a run's first line to its end
    std::mt19937_64 m_randomNames; // the random letters of the temporaries' names
    // The lines gathered in m_log, as the front end's OnLogLine takes them.
    struct CPendingLine {
        std::string m_strText;
        bool m_bEndsRun;
    };
    std::vector<CPendingLine> m_arrPendingLines;

    // What AbandonRun may reach from another thread: the log and the results
    // text (every line), the list of output files (while temporaries are
    // made, put in place or removed), and the two flags below. Recursive: a
    // step that holds it logs its lines.
    std::recursive_mutex m_mtxRun;
    bool m_bRunning = false;     // between the CAP-H file's opening and the run's end
    bool m_bAbandoned = false;   // AbandonRun stopped this run: it writes nothing more
    bool m_bPlacing = false;     // the run began to put its files in place (or ended)
    bool m_bFilesPlaced = false; // every output file of this run is in place
};

} // namespace pinweave

#endif // PINWEAVE_PID_CONVERSIONENGINE_H
