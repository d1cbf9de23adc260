#include "caph/CapHFile.h"

#include "caph/CrLfJoiner.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

#include <sys/stat.h>

namespace pinweave {

namespace {

// Whether the path names a folder. The C library's stat takes the path's
// bytes as the system takes them (the ANSI code page on Windows), where a
// std::filesystem::path made from them would read them as Latin-1.
bool IsFolder(const std::string& strPath)
{
    struct stat info {};
    return ::stat(strPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

void CFileBytes::Reserve(std::size_t nCapacity)
{
    if (nCapacity <= m_nCapacity && m_pBytes != nullptr) {
        return;
    }
    if (nCapacity >= std::numeric_limits<std::size_t>::max() / 2) {
        throw std::bad_alloc();
    }
    // Not zeroed: every byte is read into before it is used.
    std::unique_ptr<char[]> pNew(new char[nCapacity + 1]);
    const std::size_t nKept = std::min(m_nSize, nCapacity);
    if (nKept > 0) {
        std::memcpy(pNew.get(), m_pBytes.get(), nKept);
    }
    pNew[nKept] = '\0';
    m_pBytes = std::move(pNew);
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
    m_pBytes.reset();
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
    if (IsFolder(strPath)) {
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
    std::size_t nExpected = 0;
    if (std::fseek(m_pFile, 0, SEEK_END) == 0) {
        const long long nSize =
#ifdef _WIN32
            _ftelli64(m_pFile);
#else
            ftello(m_pFile);
#endif
        if (nSize > 0) {
            nExpected = static_cast<std::size_t>(nSize);
        }
    }
    std::rewind(m_pFile);
    // One byte more than expected, so that the end of the file is seen
    // without a buffer that must grow.
    bytes.Reserve(std::max<std::size_t>(nExpected + 1, std::size_t(64) << 10));
    std::size_t nUsed = 0;
    bool bReadFailed = false;
    for (;;) {
        if (nUsed == bytes.Capacity()) {
            bytes.SetSize(nUsed); // the file is longer than it was
            bytes.Reserve(2 * bytes.Capacity());
        }
        const std::size_t nWanted = bytes.Capacity() - nUsed;
        errno = 0;
        const std::size_t nRead = std::fread(bytes.data() + nUsed, 1, nWanted, m_pFile);
        nUsed += nRead;
        if (nRead < nWanted) {
            bReadFailed = std::ferror(m_pFile) != 0;
            break;
        }
    }
    if (bReadFailed) {
        strError = std::generic_category().message(errno != 0 ? errno : EIO);
        bytes.Release();
        return false;
    }
    bytes.SetSize(JoinCrLf(bytes.data(), 0, nUsed));
    return true;
}

void CCapHFile::Close()
{
    if (m_pFile != nullptr) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
}

} // namespace pinweave
