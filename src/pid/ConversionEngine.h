// One conversion of a CAP-H file into one PID file per part number, with the
// run state it needs. The main dialog (Windows) and the command-line program
// (Linux) each own one engine and reach it only through this class; the
// engine reaches the user only through IFrontEnd.
//
// A run: open the CAP-H file, log "Starting conversion", scan its three
// sections into the roots, write every file's header (creating the files),
// build the pin table and the [connectors] block, write the body of every
// file, close them and log "Completed". Every operation returns false when the
// run must stop, and the caller passes that up at once; whatever stops a run
// has been reported by then (a log line, or a message box for the output
// folder and file creation). However a run ends, the files are closed and
// ResetRunState empties the run state; the two paths and the results text
// outlive runs.
//
// The writer operations and the run state are public so that each step can
// be driven and checked on its own; outside a run only the stored values and
// RunConversion are meant for callers.
#ifndef PINWEAVE_PID_CONVERSIONENGINE_H
#define PINWEAVE_PID_CONVERSIONENGINE_H

#include "caph/CapHElement.h"
#include "pid/FrontEnd.h"
#include "pid/OutputFile.h"
#include "pid/PartBody.h"
#include "pid/PinEnds.h"
#include "pid/PinTable.h"

#include <ctime>
#include <functional>
#include <memory>
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
    // m_strOutputPath. True exactly when the run logged "Completed".
    // A CAP-H file that cannot be opened is reported (results pane, or
    // ReportUnlogged without a window) and leaves the run state untouched.
    bool RunConversion(const std::string& strCapHPath);

    // Empties everything that belongs to one run (roots, part numbers, open
    // output files, pin table, splice numbers) and clears m_bOverwriteAll;
    // keeps the paths and the results text.
    void ResetRunState();

    // Adds one message line: appended to m_strResults; with a window shown
    // in the results pane, without one appended to the log file beside the
    // CAP-H file ("\n" written as CR LF). False when the log file could not
    // be written, or would be the CAP-H file itself: that was reported through
    // ReportUnlogged, together with the line, and the run must stop.
    bool LogMessage(const std::string& strMessage);

    // --- The steps of a run, in their order. Each returns false when the run
    // must stop.

    // Counts the part numbers (children of the header root), logs their
    // number, creates the output files and writes every file's comment block
    // and [header] section.
    bool WriteHeaderSection();

    // Checks the output folder and creates one file per part number, asking
    // about (with a window) or refusing (without one) existing files. The
    // CAP-H file itself is never replaced by an output file.
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
    std::string m_strInputPath;    // CAP-H file path; names the log file
    std::string m_strOutputPath;   // folder for the PID files
    bool m_bOverwriteAll = false;  // replace existing output files without asking; one run only
    std::string m_strResults;      // everything logged; only grows

    // The clock behind the generation date; tests replace it.
    std::function<std::time_t()> m_fnNow;

    // --- Run state, empty outside a run.
    std::string m_strCapHPath;  // the path RunConversion was given, as written in line 2
    CCapHElement m_rootHeader;
    CCapHElement m_rootConnection;
    CCapHElement m_rootConnector;
    int m_nPartCount = 0;
    std::vector<std::string> m_arrPartNumbers;
    std::vector<std::unique_ptr<COutputFile>> m_arrOutputFiles;       // files created so far, in index order
    CPinTable m_pinTable;  // every fixture pin, its index and the [pins] block without wire ends
    // The wire ends on fixture pins, in attach order, and the splice numbers
    // as text under views of the splice names, that AttachWireEnd gave.
    CPinEnds m_pinEnds;
    CSpliceNumbers m_mapSpliceNumbers;
    std::string m_strConnectors;  // the [connectors] block

private:
    bool ReadAndScan(CCapHFile& fileCapH);
    bool RunWriters();
    bool FinishOutputFiles(bool bRunOk);
    void ReportCapHNotOpened(const std::string& strText);
    bool StopRun(const std::string& strMessage);
    bool CreateOutputFile(const std::string& strFolder, const std::string& strBaseName, int nIndex);
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
};

}  // namespace pinweave

#endif  // PINWEAVE_PID_CONVERSIONENGINE_H
