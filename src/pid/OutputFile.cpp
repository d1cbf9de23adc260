#include "pid/OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#ifdef _WIN32
#include <share.h>
#endif

namespace pinweave {

namespace {

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
    m_bWritable = m_strError.empty();
    return true;
}

bool COutputFile::WriteSlowly(std::initializer_list<std::string_view> lstPieces)
{
    if (!m_strError.empty()) {
        return false;
    }
    if (m_pFile == nullptr) {
        return Fail(EBADF);
    }
    std::size_t nTotal = 0;
    for (const std::string_view strPiece : lstPieces) {
        nTotal += strPiece.size();
    }
    if (m_nBuffered + nTotal > kBufferSize) {
        // The memory stays for what follows.
        if (!WriteOutBuffer()) {
            return false;
        }
        if (nTotal >= kBufferSize) {
            for (const std::string_view strPiece : lstPieces) {
                if (!WriteThrough(strPiece.data(), strPiece.size())) {
                    return false;
                }
            }
            return true;
        }
    }
    if (m_nBuffered + nTotal > m_nCapacity) {
        // The buffer grows as the file is written rather than being taken
        // whole at once: every file of a run is open together, and the header
        // step writes a few hundred bytes to each before any body is written.
        std::size_t nCapacity = std::max<std::size_t>(m_nCapacity, 256);
        while (nCapacity < m_nBuffered + nTotal) {
            nCapacity *= 2;
        }
        nCapacity = std::min(nCapacity, kBufferSize);
        std::unique_ptr<char[]> pBuffer(new char[nCapacity]);
        if (m_nBuffered > 0) {
            std::memcpy(pBuffer.get(), m_pBuffer.get(), m_nBuffered);
        }
        m_pBuffer = std::move(pBuffer);
        m_nCapacity = nCapacity;
    }
    for (const std::string_view strPiece : lstPieces) {
        Append(strPiece);
    }
    return true;
}

bool COutputFile::WriteOutBuffer()
{
    const bool bOk = m_nBuffered == 0 || WriteThrough(m_pBuffer.get(), m_nBuffered);
    m_nBuffered = 0;
    return bOk;
}

void COutputFile::ReleaseBuffer()
{
    m_pBuffer.reset();
    m_nBuffered = 0;
    m_nCapacity = 0;
}

bool COutputFile::Flush()
{
    if (!m_strError.empty()) {
        return false;
    }
    const bool bOk = WriteOutBuffer();
    ReleaseBuffer();
    return bOk;
}

bool COutputFile::FlushInto(COutputFile& next)
{
    if (!m_strError.empty()) {
        return false;
    }
    const bool bOk = WriteOutBuffer();
    // The larger buffer goes on, holding next's unwritten bytes; the other
    // one is freed.
    if (m_nCapacity > next.m_nCapacity) {
        if (next.m_nBuffered > 0) {
            std::memcpy(m_pBuffer.get(), next.m_pBuffer.get(), next.m_nBuffered);
        }
        next.m_pBuffer = std::move(m_pBuffer);
        next.m_nCapacity = m_nCapacity;
    }
    ReleaseBuffer();
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
    m_bWritable = false;
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
    m_bWritable = false;
    m_strError = SystemReason(nErrno);
    return false;
}

}  // namespace pinweave
