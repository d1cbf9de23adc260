#include "caph/CapHFile.h"

#include "caph/CrLfJoiner.h"
#include "caph/LargeMemory.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

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

namespace {

// Reads in pieces of this size, so joining the lines of one piece overlaps
// with reading the next.
constexpr std::size_t kReadPiece = std::size_t(4) << 20;

// Joins CR LF pairs on a thread of its own, behind the reading; without a
// thread, right after each piece is read.
class CJoinBehindReads {
public:
    CJoinBehindReads(CCrLfJoiner& joiner, bool bThread) : m_joiner(joiner)
    {
        if (!bThread) {
            return;
        }
        try {
            m_thread = std::thread([this] { JoinAsRead(); });
        } catch (const std::system_error&) {
            // The reading thread joins each piece itself.
        }
    }
    CJoinBehindReads(const CJoinBehindReads&) = delete;
    CJoinBehindReads& operator=(const CJoinBehindReads&) = delete;
    ~CJoinBehindReads() { Stop(); }

    // The text has been read up to nEnd.
    void Published(std::size_t nEnd)
    {
        if (!m_thread.joinable()) {
            m_joiner.Take(nEnd);
            return;
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_nEnd = nEnd;
        }
        m_changed.notify_one();
    }

    // Returns once everything published is joined.
    void Stop()
    {
        if (!m_thread.joinable()) {
            return;
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_bStop = true;
        }
        m_changed.notify_one();
        m_thread.join();
    }

private:
    void JoinAsRead()
    {
        std::size_t nTaken = 0;
        for (;;) {
            std::size_t nEnd = 0;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [&] { return m_bStop || m_nEnd > nTaken; });
                if (m_nEnd == nTaken) {
                    return;  // stopped, with everything taken
                }
                nEnd = m_nEnd;
            }
            m_joiner.Take(nEnd);
            nTaken = nEnd;
        }
    }

    CCrLfJoiner& m_joiner;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_nEnd = 0;
    bool m_bStop = false;
    std::thread m_thread;
};

}  // namespace

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
    std::size_t nJoinedEnd = 0;
    {
        CCrLfJoiner joiner(bytes.data(), 0);
        CJoinBehindReads join(joiner, nExpected > 2 * kReadPiece && std::thread::hardware_concurrency() > 1);
        for (;;) {
            if (nUsed == bytes.Capacity()) {
                // The file is longer than it was: the buffer moves, so the
                // joining catches up first, and goes on without a thread.
                join.Stop();
                nUsed = joiner.Settle(nUsed);
                bytes.SetSize(nUsed);
                bytes.Reserve(2 * bytes.Capacity());
                joiner.Rebase(bytes.data());
            }
            const std::size_t nWanted = std::min(kReadPiece, bytes.Capacity() - nUsed);
            errno = 0;
            const std::size_t nRead = std::fread(bytes.data() + nUsed, 1, nWanted, m_pFile);
            nUsed += nRead;
            if (nRead < nWanted) {
                bReadFailed = std::ferror(m_pFile) != 0;
                break;
            }
            join.Published(nUsed);
        }
        join.Stop();
        nJoinedEnd = joiner.Finish(nUsed);
    }
    if (bReadFailed) {
        strError = std::generic_category().message(errno != 0 ? errno : EIO);
        bytes.Release();
        return false;
    }
    bytes.SetSize(nJoinedEnd);
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
