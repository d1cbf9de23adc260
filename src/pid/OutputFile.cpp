#include "pid/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <share.h>
#endif

namespace pinweave {

namespace {

// Writes are gathered up to this size before they reach the system. The body
// writer fills one file at a time and flushes it when its part is done, so a
// run holds about one full buffer whatever its number of part numbers.
constexpr std::size_t kBufferSize = std::size_t(1) << 20;

std::string SystemReason(int nErrno)
{
    return std::generic_category().message(nErrno != 0 ? nErrno : EIO);
}

}  // namespace

COutputFile::~COutputFile()
{
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
    }
}

bool COutputFile::Open(const std::string& strPath, std::string& strError)
{
    m_strPath = strPath;
    errno = 0;
#ifdef _WIN32
    m_pFile = _fsopen(strPath.c_str(), "wb", _SH_DENYWR);
#else
    m_pFile = std::fopen(strPath.c_str(), "wb");
#endif
    if (m_pFile == nullptr) {
        strError = SystemReason(errno);
        return false;
    }
    // The buffer below does the gathering; stdio's own would only copy again.
    std::setvbuf(m_pFile, nullptr, _IONBF, 0);
    return true;
}

bool COutputFile::Write(std::string_view strBytes)
{
    if (!m_strError.empty()) {
        return false;
    }
    if (m_pFile == nullptr) {
        return Fail(EBADF);
    }
    if (m_strBuffer.size() + strBytes.size() > kBufferSize) {
        if (!Flush()) {
            return false;
        }
        if (strBytes.size() >= kBufferSize) {
            return WriteThrough(strBytes.data(), strBytes.size());
        }
    }
    // The buffer grows as the file is written rather than being taken whole
    // at once: every file of a run is open together, and the header step
    // writes a few hundred bytes to each before any body is written.
    m_strBuffer.append(strBytes.data(), strBytes.size());
    return true;
}

bool COutputFile::Flush()
{
    if (!m_strError.empty()) {
        return false;
    }
    const bool bOk = m_strBuffer.empty() || WriteThrough(m_strBuffer.data(), m_strBuffer.size());
    std::string().swap(m_strBuffer);
    return bOk;
}

bool COutputFile::FlushInto(COutputFile& next)
{
    if (!m_strError.empty()) {
        return false;
    }
    const bool bOk = m_strBuffer.empty() || WriteThrough(m_strBuffer.data(), m_strBuffer.size());
    m_strBuffer.assign(next.m_strBuffer);
    m_strBuffer.swap(next.m_strBuffer);
    std::string().swap(m_strBuffer);
    return bOk;
}

bool COutputFile::Close()
{
    if (m_pFile == nullptr) {
        return m_strError.empty();
    }
    bool bOk = Flush();
    errno = 0;
    if (std::fclose(m_pFile) != 0 && bOk) {
        bOk = Fail(errno);
    }
    m_pFile = nullptr;
    return bOk;
}

bool COutputFile::WriteThrough(const char* pBytes, std::size_t nCount)
{
    errno = 0;
    if (std::fwrite(pBytes, 1, nCount, m_pFile) != nCount) {
        return Fail(errno);
    }
    return true;
}

bool COutputFile::Fail(int nErrno)
{
    m_strError = SystemReason(nErrno);
    return false;
}

}  // namespace pinweave
