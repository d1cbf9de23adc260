#include "pid/LogFile.h"

#include <algorithm>
#include <cstdint>

namespace pinweave {

bool CLogFile::Open(const std::string& strPath, std::string& strError)
{
    m_strPath = strPath;
    m_strPending.clear();
    m_arrLineEnds.clear();
    return m_file.OpenLog(strPath, strError);
}

void CLogFile::AppendLine(std::string_view strLine)
{
    for (std::size_t nStart = 0;;) {
        const std::size_t nLf = std::min(strLine.find('\n', nStart), strLine.size());
        m_strPending.append(strLine.substr(nStart, nLf - nStart)).append("\r\n");
        if (nLf == strLine.size()) {
            break;
        }
        nStart = nLf + 1;
    }
    m_arrLineEnds.push_back(m_strPending.size());
}

bool CLogFile::Flush(std::size_t& nLinesWritten, std::string& strError)
{
    nLinesWritten = m_arrLineEnds.size();
    if (m_strPending.empty()) {
        return true;
    }
    std::size_t nWritten = 0;
    const bool bOk = m_file.Write(m_strPending.data(), m_strPending.size(), nWritten, strError);
    if (!bOk) {
        // The lines that made it stay; the piece of the next one goes. (A run
        // appending at the same moment could have added after it; the log is
        // failing anyway, and the run stops.) The same in WriteLineNow.
        nLinesWritten = static_cast<std::size_t>(
            std::upper_bound(m_arrLineEnds.begin(), m_arrLineEnds.end(), nWritten) - m_arrLineEnds.begin());
        const std::size_t nWhole = nLinesWritten == 0 ? 0 : m_arrLineEnds[nLinesWritten - 1];
        std::uint64_t nSize = 0;
        std::string strIgnored;
        if (nWhole < nWritten && m_file.Size(nSize) && nSize >= nWritten - nWhole) {
            TruncateFile(m_strPath, nSize - (nWritten - nWhole), strIgnored);
        }
    }
    m_strPending.clear();
    m_arrLineEnds.clear();
    return bOk;
}

bool CLogFile::WriteLineNow(std::string_view strLine, std::size_t& nLinesWritten, std::string& strError)
{
    if (!Flush(nLinesWritten, strError)) {
        return false;
    }
    std::vector<std::string_view> arrPieces;
    for (std::size_t nStart = 0;;) {
        const std::size_t nLf = std::min(strLine.find('\n', nStart), strLine.size());
        arrPieces.push_back(strLine.substr(nStart, nLf - nStart));
        arrPieces.push_back("\r\n");
        if (nLf == strLine.size()) {
            break;
        }
        nStart = nLf + 1;
    }
    std::size_t nWritten = 0;
    if (m_file.WritePieces(arrPieces, nWritten, strError)) {
        return true;
    }
    std::uint64_t nSize = 0;
    std::string strIgnored;
    if (nWritten > 0 && m_file.Size(nSize) && nSize >= nWritten) {
        TruncateFile(m_strPath, nSize - nWritten, strIgnored);
    }
    return false;
}

bool CLogFile::Close(std::size_t& nLinesWritten, std::string& strError)
{
    const bool bFlushed = Flush(nLinesWritten, strError);
    std::string strCloseError;
    const bool bClosed = m_file.Close(strCloseError);
    if (bFlushed && !bClosed) {
        strError = strCloseError;
    }
    return bFlushed && bClosed;
}

} // namespace pinweave
