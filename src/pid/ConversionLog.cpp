// Where a progress line goes: the results pane with a window, the log file
// beside the CAP-H file without one.
#include "pid/ConversionEngine.h"

#include "common/MessageTable.h"
#include "pid/FileSystem.h"
#include "pid/PathNames.h"

#include <string_view>
#include <vector>

namespace pinweave {

namespace {

// Whether the name begins with strStart; letter case counts only where the
// system tells it apart.
bool NameBeginsWith(std::string_view strName, std::string_view strStart)
{
    if (strName.size() < strStart.size()) {
        return false;
    }
#ifdef _WIN32
    return EqualsNoCaseAscii(strName.substr(0, strStart.size()), strStart);
#else
    return strName.compare(0, strStart.size(), strStart) == 0;
#endif
}

// Whether strName, a name in the output folder, is one that a run on a CAP-H
// file of this base name writes: a PID file ("%s.pid", "%s_%i.pid") or its
// temporary.
bool IsOutputNameOf(std::string_view strName, std::string_view strBaseName)
{
    if (!NameBeginsWith(strName, strBaseName)) {
        return false;
    }
    strName.remove_prefix(strBaseName.size());
    if (!strName.empty() && strName.front() == '_') {
        const std::size_t nDigitsEnd = strName.find_first_not_of("0123456789", 1);
        if (nDigitsEnd == 1 || nDigitsEnd == std::string_view::npos) {
            return false;
        }
        strName.remove_prefix(nDigitsEnd);
    }
    constexpr std::string_view kExtension = ".pid";
    if (!NameBeginsWith(strName, kExtension)) {
        return false;
    }
    strName.remove_prefix(kExtension.size());
    return strName.empty() || NameBeginsWith(strName, COutputFile::kTemporaryMarker);
}

// Why the open log must not be written, or nothing: it is the CAP-H file, or
// an output file (or temporary) of this CAP-H file under another name, which
// the log's lines would corrupt and the run then replace or refuse. The
// identity of the open file counts, not its name, so a link cannot be
// swapped in between.
std::string WhyLogIsRefused(const CLogFile& log, const CConversionEngine& engine)
{
    for (const std::string* pPath : {&engine.m_strCapHPath, &engine.m_strInputPath}) {
        if (!pPath->empty() && log.IsThisFile(*pPath)) {
            return kReasonIsCapHFile;
        }
    }
    // A file of one name, reached by no link, has no name in the output
    // folder but its own (never a PID name): the folder need not be read.
    // Not a folder: the run stops at its check before any output file is
    // made. One that cannot be read cannot be checked.
    if (!log.MayHaveOtherNames() || !IsFolder(engine.m_strOutputPath)) {
        return std::string();
    }
    const std::string strBaseName = BaseNameOf(engine.m_strInputPath);
    std::vector<std::string> arrNames;
    std::string strIgnored;
    log.NamesOfThisFileIn(
        engine.m_strOutputPath,
        [&](std::string_view strName) { return IsOutputNameOf(strName, strBaseName); }, arrNames, strIgnored);
    return arrNames.empty()
               ? std::string()
               : FormatMessageText(kReasonIsOutputFile, {JoinPath(engine.m_strOutputPath, arrNames[0])});
}

} // namespace

bool CConversionEngine::LogMessage(const std::string& strMessage)
{
    return LogLine(strMessage, false);
}

bool CConversionEngine::LogLine(const std::string& strMessage, bool bEndsRun)
{
    std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
    if (m_bAbandoned) {
        return false; // the run was stopped from outside and has said so
    }
    m_strResults += strMessage;
    if (m_frontEnd.HasWindow()) {
        m_strResults += "\r\n";
        m_frontEnd.AppendResults(m_strResults.substr(m_strResults.size() - strMessage.size() - 2));
        return true;
    }
    if (m_bLogFailed || (!m_log.IsOpen() && !OpenLog())) {
        m_frontEnd.ReportUnlogged(strMessage);
        return false;
    }
    if (strMessage.size() >= CLogFile::kBufferSize) {
        return LogLongLine(strMessage, bEndsRun);
    }
    m_log.AppendLine(strMessage);
    m_arrPendingLines.push_back({strMessage, bEndsRun});
    if (!m_bRunning) {
        // Outside a run nothing else would put the line on disk, and the next
        // run may log beside another CAP-H file.
        CloseLog();
        return !m_bLogFailed;
    }
    return m_log.PendingBytes() < CLogFile::kBufferSize || FlushLog();
}

bool CConversionEngine::LogLongLine(const std::string& strMessage, bool bEndsRun)
{
    // Held once, by the caller: written and echoed straight from there.
    std::size_t nLinesWritten = 0;
    std::string strError;
    const bool bOk = m_log.WriteLineNow(strMessage, nLinesWritten, strError);
    // nLinesWritten: the gathered lines before it that reached the file.
    PassOnLoggedLines(bOk, nLinesWritten, strError);
    if (!bOk) {
        m_frontEnd.ReportUnlogged(strMessage);
        return false;
    }
    m_frontEnd.OnLogLine(strMessage, bEndsRun);
    m_frontEnd.FlushEcho();
    if (!m_bRunning) {
        CloseLog();
    }
    return !m_bLogFailed;
}

void CConversionEngine::ReserveLogLine(std::size_t nBytes)
{
    std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
    m_strResults.reserve(m_strResults.size() + nBytes + 2);
    m_log.Reserve(nBytes + 2);
    m_arrPendingLines.reserve(m_arrPendingLines.size() + 1);
}

bool CConversionEngine::OpenLog()
{
    // Checked once per run, before a line is written: the log must be neither
    // the CAP-H file (one whose name ends in ".log" would be its own log)
    // nor one of the run's output files under another name.
    const std::string strLogPath = LogFilePathOf(m_strInputPath);
    std::string strError;
    if (m_log.Open(strLogPath, strError)) {
        strError = WhyLogIsRefused(m_log, *this);
        if (strError.empty()) {
            return true;
        }
        std::size_t nIgnored = 0;
        std::string strIgnored;
        m_log.Close(nIgnored, strIgnored); // nothing was gathered yet
    }
    m_bLogFailed = true;
    m_frontEnd.ReportUnlogged(FormatMessageText(kMsgLogWriteError, {strLogPath, strError}));
    return false;
}

bool CConversionEngine::FlushLog()
{
    std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
    if (!m_log.IsOpen()) {
        return !m_bLogFailed;
    }
    std::size_t nLinesWritten = 0;
    std::string strError;
    const bool bOk = m_log.Flush(nLinesWritten, strError);
    return PassOnLoggedLines(bOk, nLinesWritten, strError);
}

void CConversionEngine::CloseLog()
{
    std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
    if (!m_log.IsOpen()) {
        return;
    }
    std::size_t nLinesWritten = 0;
    std::string strError;
    const bool bOk = m_log.Close(nLinesWritten, strError);
    PassOnLoggedLines(bOk, nLinesWritten, strError);
}

bool CConversionEngine::PassOnLoggedLines(bool bLogOk, std::size_t nLinesWritten, const std::string& strError)
{
    // The echo shows what the log holds; what it could not take is reported
    // with the reason, line by line, so that no line is lost.
    for (std::size_t i = 0; i < nLinesWritten && i < m_arrPendingLines.size(); ++i) {
        m_frontEnd.OnLogLine(m_arrPendingLines[i].m_strText, m_arrPendingLines[i].m_bEndsRun);
    }
    m_frontEnd.FlushEcho();
    if (!bLogOk) {
        m_bLogFailed = true;
        m_frontEnd.ReportUnlogged(
            FormatMessageText(m_bFilesPlaced ? kMsgLogWriteErrorAfterPlacing : kMsgLogWriteError,
                              {LogFilePathOf(m_strInputPath), strError}));
        for (std::size_t i = nLinesWritten; i < m_arrPendingLines.size(); ++i) {
            m_frontEnd.ReportUnlogged(m_arrPendingLines[i].m_strText);
        }
        std::string strIgnored;
        std::size_t nIgnored = 0;
        m_log.Close(nIgnored, strIgnored);
    }
    m_arrPendingLines.clear();
    return bLogOk;
}

} // namespace pinweave
