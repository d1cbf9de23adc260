// Where a progress line goes: the results pane with a window, the log file
// beside the CAP-H file without one.
#include "pid/ConversionEngine.h"

#include "common/MessageTable.h"
#include "pid/FileSystem.h"
#include "pid/PathNames.h"
#include "pid/RunMessages.h"

namespace pinweave {

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
    // Checked once per run: a CAP-H file whose name ends in ".log" would be
    // its own log file.
    const std::string strLogPath = LogFilePathOf(m_strInputPath);
    std::string strError;
    if (IsSameFile(strLogPath, m_strInputPath)) {
        strError = kReasonIsCapHFile;
    } else if (m_log.Open(strLogPath, strError)) {
        return true;
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
