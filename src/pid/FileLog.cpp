#include "pid/FileLog.h"

#include "caph/CapHElement.h"
#include "common/MessageTable.h"
#include "pid/FileSystem.h"
#include "pid/OutputFile.h"
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
std::string WhyLogIsRefused(const CLogFile& log, const CRunPaths& paths)
{
    for (const std::string* pPath : {&paths.m_strCapHPath, &paths.m_strInputPath}) {
        if (!pPath->empty() && log.IsThisFile(*pPath)) {
            return kReasonIsCapHFile;
        }
    }
    // A file of one name, reached by no link, has no name in the output
    // folder but its own (never a PID name): the folder need not be read.
    // Not a folder: the run stops at its check before any output file is
    // made. One that cannot be read cannot be checked.
    if (!log.MayHaveOtherNames() || !IsFolder(paths.m_strOutputPath)) {
        return std::string();
    }
    const std::string strBaseName = BaseNameOf(paths.m_strInputPath);
    std::vector<std::string> arrNames;
    std::string strIgnored;
    log.NamesOfThisFileIn(
        paths.m_strOutputPath, [&](std::string_view strName) { return IsOutputNameOf(strName, strBaseName); },
        arrNames, strIgnored);
    return arrNames.empty()
               ? std::string()
               : FormatMessageText(kReasonIsOutputFile, {JoinPath(paths.m_strOutputPath, arrNames[0])});
}

} // namespace

void CFileLog::BeginRun(const CRunPaths& paths)
{
    m_paths = paths;
    m_bInRun = true;
    m_bFailed = false;
    m_bFilesPlaced = false;
}

void CFileLog::EndRun()
{
    Close();
    m_bInRun = false;
}

bool CFileLog::LogMessage(const std::string& strLine, bool bEndsRun)
{
    if (m_bFailed || (!m_log.IsOpen() && !Open())) {
        m_echo.ReportUnlogged(strLine);
        return false;
    }
    if (strLine.size() >= CLogFile::kBufferSize) {
        return LogLongLine(strLine, bEndsRun);
    }
    m_log.AppendLine(strLine);
    m_arrPendingLines.push_back({strLine, bEndsRun});
    if (!m_bInRun) {
        // Outside a run nothing else would put the line on disk, and the next
        // run may log beside another CAP-H file.
        Close();
        return !m_bFailed;
    }
    return m_log.PendingBytes() < CLogFile::kBufferSize || Flush();
}

void CFileLog::AddMessageBoxText(const std::string& strText)
{
    std::string strLine;
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] != '\r' || i + 1 == strText.size() || strText[i + 1] != '\n') {
            strLine += strText[i];
        }
    }
    LogMessage(strLine);
}

bool CFileLog::LogLongLine(const std::string& strLine, bool bEndsRun)
{
    // Held once, by the caller: written and echoed straight from there.
    std::size_t nLinesWritten = 0;
    std::string strError;
    const bool bOk = m_log.WriteLineNow(strLine, nLinesWritten, strError);
    // nLinesWritten: the gathered lines before it that reached the file.
    PassOnLoggedLines(bOk, nLinesWritten, strError);
    if (!bOk) {
        m_echo.ReportUnlogged(strLine);
        return false;
    }
    m_echo.OnLogLine(strLine, bEndsRun);
    m_echo.FlushEcho();
    if (!m_bInRun) {
        Close();
    }
    return !m_bFailed;
}

void CFileLog::Reserve(std::size_t nBytes)
{
    m_log.Reserve(nBytes + 2);
    m_arrPendingLines.reserve(m_arrPendingLines.size() + 1);
}

bool CFileLog::Open()
{
    // Checked once per run, before a line is written: the log must be neither
    // the CAP-H file (one whose name ends in ".log" would be its own log)
    // nor one of the run's output files under another name.
    const std::string strLogPath = LogFilePathOf(m_paths.m_strInputPath);
    std::string strError;
    if (m_log.Open(strLogPath, strError)) {
        strError = WhyLogIsRefused(m_log, m_paths);
        if (strError.empty()) {
            return true;
        }
        std::size_t nIgnored = 0;
        std::string strIgnored;
        m_log.Close(nIgnored, strIgnored); // nothing was gathered yet
    }
    m_bFailed = true;
    m_echo.ReportUnlogged(FormatMessageText(kMsgLogWriteError, {strLogPath, strError}));
    return false;
}

bool CFileLog::Flush()
{
    if (!m_log.IsOpen()) {
        return !m_bFailed;
    }
    std::size_t nLinesWritten = 0;
    std::string strError;
    const bool bOk = m_log.Flush(nLinesWritten, strError);
    return PassOnLoggedLines(bOk, nLinesWritten, strError);
}

void CFileLog::Close()
{
    if (!m_log.IsOpen()) {
        return;
    }
    std::size_t nLinesWritten = 0;
    std::string strError;
    const bool bOk = m_log.Close(nLinesWritten, strError);
    PassOnLoggedLines(bOk, nLinesWritten, strError);
}

bool CFileLog::PassOnLoggedLines(bool bLogOk, std::size_t nLinesWritten, const std::string& strError)
{
    // The echo shows what the log holds; what it could not take is reported
    // with the reason, line by line, so that no line is lost.
    for (std::size_t i = 0; i < nLinesWritten && i < m_arrPendingLines.size(); ++i) {
        m_echo.OnLogLine(m_arrPendingLines[i].m_strText, m_arrPendingLines[i].m_bEndsRun);
    }
    m_echo.FlushEcho();
    if (!bLogOk) {
        m_bFailed = true;
        m_echo.ReportUnlogged(
            FormatMessageText(m_bFilesPlaced ? kMsgLogWriteErrorAfterPlacing : kMsgLogWriteError,
                              {LogFilePathOf(m_paths.m_strInputPath), strError}));
        for (std::size_t i = nLinesWritten; i < m_arrPendingLines.size(); ++i) {
            m_echo.ReportUnlogged(m_arrPendingLines[i].m_strText);
        }
        std::string strIgnored;
        std::size_t nIgnored = 0;
        m_log.Close(nIgnored, strIgnored);
    }
    m_arrPendingLines.clear();
    return bLogOk;
}

} // namespace pinweave
