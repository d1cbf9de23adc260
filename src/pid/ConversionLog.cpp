// Where a progress line goes: the results pane with a window, the log file
// beside the CAP-H file without one.
#include "pid/ConversionEngine.h"

#include "common/MessageTable.h"
#include "pid/PathNames.h"
#include "pid/RunMessages.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace pinweave {

namespace {

// Appends one line, every "\n" of it and the line end written as CR LF, the
// way a text-mode stream writes them. The file is opened and closed for each
// line, so every line is on disk when this returns.
bool AppendLogLine(const std::string& strLogPath, const std::string& strLine, std::string& strError)
{
    std::string strBytes;
    strBytes.reserve(strLine.size() + 4);
    for (const char c : strLine) {
        if (c == '\n') {
            strBytes += '\r';
        }
        strBytes += c;
    }
    strBytes += "\r\n";

    errno = 0;
    std::FILE* pFile = std::fopen(strLogPath.c_str(), "ab");
    if (pFile == nullptr) {
        strError = std::generic_category().message(errno != 0 ? errno : EIO);
        return false;
    }
    errno = 0;
    const bool bWritten = std::fwrite(strBytes.data(), 1, strBytes.size(), pFile) == strBytes.size();
    const int nWriteErrno = errno;
    errno = 0;
    const bool bClosed = std::fclose(pFile) == 0;
    if (bWritten && bClosed) {
        return true;
    }
    const int nErrno = bWritten ? errno : nWriteErrno;
    strError = std::generic_category().message(nErrno != 0 ? nErrno : EIO);
    return false;
}

}  // namespace

bool CConversionEngine::LogMessage(const std::string& strMessage)
{
    m_strResults += strMessage;
    if (m_frontEnd.HasWindow()) {
        m_strResults += "\r\n";
        m_frontEnd.ShowResults(m_strResults);
        return true;
    }
    if (m_bLogFailed) {
        m_frontEnd.ReportUnlogged(strMessage);
        return false;
    }
    const std::string strLogPath = LogFilePathOf(m_strInputPath);
    std::string strError;
    if (!AppendLogLine(strLogPath, strMessage, strError)) {
        m_bLogFailed = true;
        m_frontEnd.ReportUnlogged(FormatMessageText(kMsgLogWriteError, {strLogPath, strError}));
        m_frontEnd.ReportUnlogged(strMessage);
        return false;
    }
    m_frontEnd.OnLogLine(strMessage);
    return true;
}

}  // namespace pinweave
