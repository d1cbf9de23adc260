#include "caph/CapHFile.h"

#include "caph/LargeMemory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace pinweave {

void CFileBytes::Reserve(std::size_t nCapacity)
{
    if (nCapacity <= m_nCapacity && m_pBytes != nullptr) {
        return;
    }
    auto* const pNew = static_cast<char*>(AllocateLarge(nCapacity + 1));
    if (m_nSize > 0) {
        std::memcpy(pNew, m_pBytes, m_nSize);
    }
    pNew[m_nSize] = '\0';
    FreeLarge(m_pBytes, m_nCapacity + 1);
    m_pBytes = pNew;
    m_nCapacity = nCapacity;
}

void CFileBytes::SetSize(std::size_t nSize)
{
    Reserve(nSize);
    m_nSize = nSize;
    m_pBytes[nSize] = '\0';
}

void CFileBytes::Release()
{
    FreeLarge(m_pBytes, m_nCapacity + 1);
    m_pBytes = nullptr;
    m_nSize = 0;
    m_nCapacity = 0;
}

CCapHFile::~CCapHFile()
{
    Close();
}

bool CCapHFile::Open(const std::string& strPath, std::string& strError)
{
    Close();
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::path(strPath), ec)) {
        strError = std::generic_category().message(EISDIR);
        return false;
    }
    errno = 0;
    m_pFile = std::fopen(strPath.c_str(), "rb");
    if (m_pFile == nullptr) {
        strError = std::generic_category().message(errno != 0 ? errno : ENOENT);
        return false;
    }
    return true;
}

bool CCapHFile::ReadAll(CFileBytes& bytes, std::string& strError)
{
    bytes.SetSize(0);
    if (m_pFile == nullptr) {
        strError = std::generic_category().message(EBADF);
        return false;
    }
    // Size the buffer once from the file's length, so a large file is not
    // copied through a chain of growing buffers; a file that grows while it
    // is read is still read to its end.
    std::size_t nChunk = 1 << 20;
    if (std::fseek(m_pFile, 0, SEEK_END) == 0) {
        const long long nSize =
#ifdef _WIN32
            _ftelli64(m_pFile);
#else
            ftello(m_pFile);
#endif
        if (nSize > 0) {
            nChunk = static_cast<std::size_t>(nSize) + 1;
        }
    }
    std::rewind(m_pFile);
    std::size_t nUsed = 0;
    for (;;) {
        if (bytes.Capacity() < nUsed + nChunk) {
            bytes.Reserve(std::max(nUsed + nChunk, 2 * bytes.Capacity()));
        }
        const std::size_t nWanted = bytes.Capacity() - nUsed;
        errno = 0;
        const std::size_t nRead = std::fread(bytes.data() + nUsed, 1, nWanted, m_pFile);
        nUsed += nRead;
        bytes.SetSize(nUsed);
        if (nRead < nWanted) {
            break;
        }
    }
    if (std::ferror(m_pFile)) {
        strError = std::generic_category().message(errno != 0 ? errno : EIO);
        bytes.Release();
        return false;
    }
    return true;
}

void CCapHFile::Close()
{
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
}

}  // namespace pinweave
