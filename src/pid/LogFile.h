// The log file of the runs on one CAP-H file, seen from one run: opened when
// the run logs its first line, appended to until the run ends.
//
// Lines are gathered and handed to the system whole, many at a time, when the
// engine flushes (at the end of every part, when kBufferSize bytes are
// gathered, and when the run ends), so a run that stops has every line up to
// its stop line in the file. Each hand-over is one write at the end of the
// file, so a run appending to the same log at the same time never tears a
// line of this one. Other programs may read the log meanwhile.
#ifndef PINWEAVE_PID_LOGFILE_H
#define PINWEAVE_PID_LOGFILE_H

#include "pid/FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace pinweave {

class CLogFile {
public:
    // The engine flushes when this many bytes are gathered.
    static constexpr std::size_t kBufferSize = std::size_t(64) << 10;

    // Opens the log at strPath, creating it as a new file when it is missing.
    // A FIFO, a device, a folder or a link to nothing at the path is refused
    // (see CAppendFile::OpenLog).
    // False with the reason in strError.
    bool Open(const std::string& strPath, std::string& strError);

    // Gathers one line: its bytes, every "\n" in it and its end written as
    // CR LF.
    void AppendLine(std::string_view strLine);

    // Writes one line (as AppendLine would gather it) to the file at once,
    // after handing over the gathered ones, without gathering or copying it:
    // for lines as long as the buffer or longer, which would otherwise be
    // held twice (a part number can be as long as the CAP-H file). A line
    // that is stored in part is cut off again. False with the reason; the
    // gathered lines then stand as Flush left them.
    bool WriteLineNow(std::string_view strLine, std::size_t& nLinesWritten, std::string& strError);

    // Takes room for a line of nBytes ahead, so that gathering it needs no
    // memory.
    void Reserve(std::size_t nBytes)
    {
        m_strPending.reserve(m_strPending.size() + nBytes);
        m_arrLineEnds.reserve(m_arrLineEnds.size() + 1);
    }

    // The bytes gathered and not yet handed to the system.
    std::size_t PendingBytes() const { return m_strPending.size(); }

    // Hands every gathered line to the system; nLinesWritten says how many of
    // them are in the file afterwards (all, unless it fails). A write that
    // stores only part of them is cut back to its last whole line, so the
    // log never ends in a fragment. False with the reason.
    bool Flush(std::size_t& nLinesWritten, std::string& strError);

    // Flushes and closes; harmless when the log is not open.
    bool Close(std::size_t& nLinesWritten, std::string& strError);

    bool IsOpen() const { return m_file.IsOpen(); }

    // The log's checks (see CAppendFile).
    bool IsThisFile(const std::string& strPath) const { return m_file.IsThisFile(strPath); }
    bool MayHaveOtherNames() const { return m_file.MayHaveOtherNames(m_strPath); }
    bool NamesOfThisFileIn(const std::string& strFolder,
                           const std::function<bool(std::string_view)>& fnWanted,
                           std::vector<std::string>& arrNames, std::string& strError) const
    {
        return m_file.NamesOfThisFileIn(strFolder, fnWanted, arrNames, strError);
    }

private:
    std::string m_strPath;
    CAppendFile m_file;
    std::string m_strPending;               // whole lines, CR LF ends included
    std::vector<std::size_t> m_arrLineEnds; // where each gathered line ends in m_strPending
};

} // namespace pinweave

#endif // PINWEAVE_PID_LOGFILE_H
