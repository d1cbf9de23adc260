// Where a progress line goes: the results pane with a window, the log file
// beside the CAP-H file without one.
#include "pid/ConversionEngine.h"

#include "common/MessageTable.h"
#include "pid/PathNames.h"
#include "pid/RunMessages.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace pinweave {

namespace {

// Appends one line, every "\n" of it and the line end written as CR LF, the
// way a text-mode stream writes them. The file is opened and closed for each
// line, so every line is on disk when this returns. A line that cannot be
// written whole (a full disk, a file-size limit) is taken out again, so the
// log never ends in a fragment.
bool AppendLogLine(const std::string& strLogPath, const std::string& strLine, std::string& strError)
{
    errno = 0;
    std::FILE* pFile = std::fopen(strLogPath.c_str(), "ab");
    if (pFile == nullptr) {
        strError = std::generic_category().message(errno != 0 ? errno : EIO);
        return false;
    }
    std::error_code ec;
    const std::uintmax_t nOldSize = std::filesystem::file_size(strLogPath, ec);
    // Written piece by piece between the line feeds rather than through a
    // translated copy: a line can be as long as a part number.
    errno = 0;
    bool bWritten = true;
    for (std::size_t nStart = 0; bWritten;) {
        const std::size_t nLf = std::min(strLine.find('\n', nStart), strLine.size());
        bWritten = std::fwrite(strLine.data() + nStart, 1, nLf - nStart, pFile) == nLf - nStart &&
                   std::fwrite("\r\n", 1, 2, pFile) == 2;
        if (nLf == strLine.size()) {
            break;
        }
        nStart = nLf + 1;
    }
    const int nWriteErrno = errno;
    errno = 0;
    const bool bClosed = std::fclose(pFile) == 0;
    if (bWritten && bClosed) {
        return true;
    }
    const int nErrno = bWritten ? errno : nWriteErrno;
    strError = std::generic_category().message(nErrno != 0 ? nErrno : EIO);
    if (!ec) {
        std::filesystem::resize_file(strLogPath, nOldSize, ec);
    }
    return false;
}

}  // namespace

bool CConversionEngine::LogMessage(const std::string& strMessage)
{
    m_strResults += strMessage;
    if (m_frontEnd.HasWindow()) {
        m_strResults += "\r\n";
        m_frontEnd.AppendResults(m_strResults.substr(m_strResults.size() - strMessage.size() - 2));
        return true;
    }
    if (m_bLogFailed) {
        m_frontEnd.ReportUnlogged(strMessage);
        return false;
    }
    const std::string strLogPath = LogFilePathOf(m_strInputPath);
    std::string strError;
    // A CAP-H file whose name ends in ".log" would be its own log file.
    std::error_code ec;
    if (std::filesystem::equivalent(strLogPath, m_strInputPath, ec)) {
        strError = kReasonIsCapHFile;
    }
    if (!strError.empty() || !AppendLogLine(strLogPath, strMessage, strError)) {
        m_bLogFailed = true;
        m_frontEnd.ReportUnlogged(FormatMessageText(kMsgLogWriteError, {strLogPath, strError}));
        m_frontEnd.ReportUnlogged(strMessage);
        return false;
    }
    m_frontEnd.OnLogLine(strMessage);
    return true;
}

}  // namespace pinweave
