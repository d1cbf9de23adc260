// The output files of one run, as the run sees them: the output folder's
// check, one file per part number created with the overwrite rules (asking
// the front end about an existing file), the one way bytes reach the files,
// and the end of the run's files: all put in place, or all taken away
// (COutputFileSet does the disk work).
//
// What is created is each file's temporary; an existing file is only replaced
// when the run completes. The CAP-H file itself, or a folder, is never
// replaced by an output file. Every operation that fails has said why (a line
// in the log, or a message box for the folder and for file creation) and
// returns false: the run must stop.
#ifndef PINWEAVE_PID_OUTPUTFILES_H
#define PINWEAVE_PID_OUTPUTFILES_H

#include "pid/FrontEnd.h"
#include "pid/LogSink.h"
#include "pid/OutputFileSet.h"
#include "pid/PidConverter.h"

#include <random>
#include <string>
#include <string_view>

namespace pinweave {

class COutputFiles {
public:
    // WriteOutput's index for "every output file, in index order".
    static constexpr int kAllOutputs = -1;

    // The run's front end (prompts, message boxes) and its log; both must
    // outlive the object.
    COutputFiles(IFrontEnd& frontEnd, ILogSink& log) : m_frontEnd(frontEnd), m_log(log) {}

    // Checks the output folder and creates one file per part number, in
    // index order. bOverwriteAll: existing files are replaced without asking
    // (also once the prompt was answered "Yes to All").
    bool CreateOutputFiles(const CRunPaths& paths, int nPartCount, bool bOverwriteAll);

    // Writes the bytes unchanged to output file nIndex, or to every output
    // file for kAllOutputs.
    bool WriteOutput(std::string_view strText, int nIndex);

    // Writes a part's text to output file nIndex, and its log lines to the
    // log at their places: a log that fails stops the run right after the
    // wire whose end called for the line.
    bool WritePart(const CPartText& text, int nIndex);

    // Output file nIndex receives nothing more: its bytes go into its
    // temporary, and its buffer serves the next file. strFileName receives
    // its name (no folder).
    bool EndPart(int nIndex, std::string& strFileName);

    // Puts every file in place when bRunOk (after their bytes and the log's
    // lines so far reached the disk), else removes their temporaries; says
    // which when they do not all go one way. True when every file is in place.
    bool FinishOutputFiles(bool bRunOk);

    // Removes every temporary and says that no output file was changed (or
    // which temporaries stayed).
    void DiscardOutputFiles();

    bool MadeTemporaries() const { return m_files.MadeTemporaries(); }

    // Forgets the files (removing what temporaries remain, silently).
    void Clear() { m_files.Clear(); }

private:
    bool CreateOutputFile(const std::string& strBaseName, int nIndex);
    bool ReportLeftovers(const std::string& strBaseName, int nPartCount);
    bool FlushOutputFiles();
    bool WriteError(const COutputFile& file);
    // Shows a message box that stops the run; always false.
    bool ShowStop(const std::string& strText);
    bool StopRun(const std::string& strLine);

    IFrontEnd& m_frontEnd;
    ILogSink& m_log;
    CRunPaths m_paths;
    bool m_bOverwriteAll = false;
    COutputFileSet m_files;        // created so far, in index order
    std::mt19937_64 m_randomNames; // the random letters of the temporaries' names
};

} // namespace pinweave

#endif // PINWEAVE_PID_OUTPUTFILES_H
