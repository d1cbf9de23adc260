#include "pid/CapHFile.h"

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
#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace pinweave {

namespace {

EFileKind KindOf(unsigned nMode)
{
    if (S_ISREG(nMode)) {
        return EFileKind::RegularFile;
    }
    if (S_ISDIR(nMode)) {
        return EFileKind::Folder;
    }
    if (S_ISCHR(nMode)) {
        return EFileKind::CharacterDevice;
    }
#ifdef S_ISBLK
    if (S_ISBLK(nMode)) {
        return EFileKind::BlockDevice;
    }
#endif
#ifdef S_ISFIFO
    if (S_ISFIFO(nMode)) {
        return EFileKind::Fifo;
    }
#endif
#ifdef S_ISSOCK
    if (S_ISSOCK(nMode)) {
        return EFileKind::Socket;
    }
#endif
    return EFileKind::Other;
}

// Always false: what the path names is not read. A folder also gets the
// system's own sentence for it.
bool RefuseKind(EFileKind refused, EFileKind& kind, std::string& strError)
{
    kind = refused;
    strError = refused == EFileKind::Folder ? std::generic_category().message(EISDIR) : std::string();
    return false;
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

bool CCapHFile::Open(const std::string& strPath, std::string& strError, EFileKind& kind)
{
    Close();
    kind = EFileKind::RegularFile;
    // Looked at before it is opened, so that a device is not even opened; the
    // opened file is looked at again, as the name may have changed meanwhile.
    // The C library's stat and fstat take the path's bytes as the system
    // takes them (the ANSI code page on Windows), and tell a device or pipe
    // apart there too (GetFileType: NUL, CON, a named pipe).
    struct stat info {};
    if (::stat(strPath.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return RefuseKind(KindOf(info.st_mode), kind, strError);
    }
#ifdef _WIN32
    errno = 0;
    m_pFile = std::fopen(strPath.c_str(), "rb");
    if (m_pFile == nullptr) {
        strError = std::generic_category().message(errno != 0 ? errno : ENOENT);
        return false;
    }
    const int nFd = _fileno(m_pFile);
#else
    // O_NONBLOCK: a FIFO that took the name meanwhile is opened without
    // waiting for a writer, and refused below; O_NOCTTY: a terminal never
    // becomes this program's own.
    int nFd = -1;
    do {
        nFd = ::open(strPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (nFd < 0 && errno == EINTR);
    if (nFd < 0) {
        strError = std::generic_category().message(errno);
        return false;
    }
    m_pFile = ::fdopen(nFd, "rb");
    if (m_pFile == nullptr) {
        strError = std::generic_category().message(errno);
        ::close(nFd);
        return false;
    }
#endif
    if (::fstat(nFd, &info) != 0) {
        strError = std::generic_category().message(errno);
        Close();
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        Close();
        return RefuseKind(KindOf(info.st_mode), kind, strError);
    }
#ifndef _WIN32
    // A regular file's reads wait as reads do.
    const int nFlags = ::fcntl(nFd, F_GETFL);
    if (nFlags < 0 || ::fcntl(nFd, F_SETFL, nFlags & ~O_NONBLOCK) != 0) {
        strError = std::generic_category().message(errno);
        Close();
        return false;
    }
#endif
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
