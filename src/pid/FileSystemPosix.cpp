// The disk operations of a run on Linux and other POSIX systems.
#include "pid/FileSystem.h"

#include "common/MessageTable.h"
#include "pid/PathNames.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>

namespace pinweave {

namespace {

std::string Reason(int nErrno)
{
    return std::generic_category().message(nErrno != 0 ? nErrno : EIO);
}

// open() that goes on when a signal interrupts it.
int OpenRetrying(const char* pszPath, int nFlags, mode_t nMode = 0)
{
    int nFd;
    do {
        nFd = ::open(pszPath, nFlags | O_CLOEXEC, nMode);
    } while (nFd < 0 && errno == EINTR);
    return nFd;
}

} // namespace

EEntry EntryAt(const std::string& strPath)
{
    struct stat info {};
    if (::lstat(strPath.c_str(), &info) != 0) {
        return EEntry::Missing;
    }
    if (S_ISREG(info.st_mode)) {
        return EEntry::File;
    }
    return S_ISDIR(info.st_mode) ? EEntry::Folder : EEntry::Other;
}

bool IsFolder(const std::string& strPath)
{
    struct stat info {};
    return !strPath.empty() && ::stat(strPath.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsSameFile(const std::string& strPath1, const std::string& strPath2)
{
    struct stat info1 {};
    struct stat info2 {};
    return ::stat(strPath1.c_str(), &info1) == 0 && ::stat(strPath2.c_str(), &info2) == 0 &&
           info1.st_dev == info2.st_dev && info1.st_ino == info2.st_ino;
}

std::size_t LongestFileName()
{
    return NAME_MAX;
}

std::size_t LongestPath()
{
    return PATH_MAX - 1;
}

std::string NameTooLongReason()
{
    return Reason(ENAMETOOLONG);
}

bool MayReplaceFile(const std::string& strPath, std::string& strError)
{
    if (::access(strPath.c_str(), W_OK) != 0) {
        strError = Reason(errno);
        return false;
    }
    // In a folder with the sticky bit (a shared /tmp-like folder) only the
    // owner of the file or of the folder may give the name another file.
    const std::size_t nSlash = strPath.rfind('/');
    const std::string strFolder = nSlash == std::string::npos ? "." : strPath.substr(0, nSlash + 1);
    struct stat file {};
    struct stat folder {};
    if (::geteuid() != 0 && ::lstat(strPath.c_str(), &file) == 0 && ::stat(strFolder.c_str(), &folder) == 0 &&
        (folder.st_mode & S_ISVTX) != 0 && file.st_uid != ::geteuid() && folder.st_uid != ::geteuid()) {
        strError = Reason(EPERM);
        return false;
    }
    return true;
}

std::string FolderInTheWayReason()
{
    return Reason(EISDIR);
}

bool RemoveFile(const std::string& strPath, std::string& strError)
{
    if (::unlink(strPath.c_str()) != 0) {
        strError = Reason(errno);
        return false;
    }
    return true;
}

bool TruncateFile(const std::string& strPath, std::uint64_t nSize, std::string& strError)
{
    if (::truncate(strPath.c_str(), static_cast<off_t>(nSize)) != 0) {
        strError = Reason(errno);
        return false;
    }
    return true;
}

CAppendFile::~CAppendFile()
{
    if (IsOpen()) {
        ::close(static_cast<int>(m_nHandle));
    }
}

bool CAppendFile::OpenLog(const std::string& strPath, std::string& strError)
{
    // Looked at before it is opened, so that no device is ever opened for
    // writing; O_NONBLOCK keeps a FIFO that appears meanwhile from holding
    // the run, and the look at the opened file refuses it.
    struct stat info {};
    if (::stat(strPath.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        strError = S_ISDIR(info.st_mode) ? Reason(EISDIR) : kReasonNotRegularFile;
        return false;
    }
    // An existing file (through a link, too) first; a missing one is made
    // only as a new file under this very name. Should another program make
    // the name in between, the existing file is taken once more.
    for (int nTry = 0; nTry < 2; ++nTry) {
        int nFd = OpenRetrying(strPath.c_str(), O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY);
        if (nFd < 0 && errno == ENOENT) {
            nFd = OpenRetrying(strPath.c_str(),
                               O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK, 0666);
            if (nFd < 0 && errno == EEXIST) {
                if (::lstat(strPath.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
                    ::stat(strPath.c_str(), &info) != 0 && errno == ENOENT) {
                    strError = kReasonDanglingLink;
                    return false;
                }
                continue;
            }
        }
        if (nFd < 0) {
            // ENXIO: a FIFO without a reader took the name meanwhile.
            strError = errno == ENXIO ? kReasonNotRegularFile : Reason(errno);
            return false;
        }
        if (::fstat(nFd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(nFd);
            strError = kReasonNotRegularFile;
            return false;
        }
        m_nHandle = nFd;
        return true;
    }
    strError = Reason(EEXIST);
    return false;
}

// --- Whether other names lead to the open file (the log's checks).

bool CAppendFile::IsThisFile(const std::string& strPath) const
{
    struct stat infoOpen {};
    struct stat infoPath {};
    return IsOpen() && ::fstat(static_cast<int>(m_nHandle), &infoOpen) == 0 &&
           ::stat(strPath.c_str(), &infoPath) == 0 && infoOpen.st_dev == infoPath.st_dev &&
           infoOpen.st_ino == infoPath.st_ino;
}

bool CAppendFile::MayHaveOtherNames(const std::string& strPath) const
{
    struct stat info {};
    return !IsOpen() || ::fstat(static_cast<int>(m_nHandle), &info) != 0 || info.st_nlink > 1 ||
           EntryAt(strPath) != EEntry::File;
}

bool CAppendFile::NamesOfThisFileIn(const std::string& strFolder,
                                    const std::function<bool(std::string_view)>& fnWanted,
                                    std::vector<std::string>& arrNames, std::string& strError) const
{
    DIR* const pDir = ::opendir(strFolder.c_str());
    if (pDir == nullptr) {
        strError = Reason(errno);
        return false;
    }
    // Each wanted name is looked at whole (stat): a folder's entries may
    // give other inode numbers than the files (overlay file systems).
    for (;;) {
        errno = 0;
        const dirent* const pEntry = ::readdir(pDir);
        if (pEntry == nullptr) {
            break;
        }
        const std::string_view strName = pEntry->d_name;
        if (strName != "." && strName != ".." && fnWanted(strName) &&
            IsThisFile(JoinPath(strFolder, strName))) {
            arrNames.emplace_back(strName);
        }
    }
    const int nErrno = errno;
    ::closedir(pDir);
    if (nErrno != 0) {
        strError = Reason(nErrno);
        return false;
    }
    return true;
}

// --- End of the log's checks.

bool CAppendFile::Write(const char* pBytes, std::size_t nCount, std::size_t& nWritten, std::string& strError)
{
    // A loop of its own rather than WritePieces: this one takes no memory,
    // so a run that ran short of it can still hand its last lines to the log.
    nWritten = 0;
    while (nWritten < nCount) {
        const ssize_t nDone = ::write(static_cast<int>(m_nHandle), pBytes + nWritten, nCount - nWritten);
        if (nDone < 0 && errno == EINTR) {
            continue;
        }
        if (nDone <= 0) {
            strError = Reason(nDone < 0 ? errno : EIO);
            return false;
        }
        nWritten += static_cast<std::size_t>(nDone);
    }
    return true;
}

bool CAppendFile::WritePieces(const std::vector<std::string_view>& arrPieces, std::size_t& nWritten,
                              std::string& strError)
{
    std::vector<iovec> arrVectors;
    std::size_t nTotal = 0;
    for (const std::string_view strPiece : arrPieces) {
        if (!strPiece.empty()) {
            arrVectors.push_back({const_cast<char*>(strPiece.data()), strPiece.size()});
            nTotal += strPiece.size();
        }
    }
    nWritten = 0;
    std::size_t nFirst = 0; // the first vector not wholly written
    while (nWritten < nTotal) {
        const int nCount = static_cast<int>(std::min<std::size_t>(arrVectors.size() - nFirst, IOV_MAX));
        const ssize_t nDone = ::writev(static_cast<int>(m_nHandle), arrVectors.data() + nFirst, nCount);
        if (nDone < 0 && errno == EINTR) {
            continue;
        }
        if (nDone <= 0) {
            strError = Reason(nDone < 0 ? errno : EIO);
            return false;
        }
        nWritten += static_cast<std::size_t>(nDone);
        // Whatever was written goes off the front of the vectors.
        for (auto nLeft = static_cast<std::size_t>(nDone); nLeft > 0;) {
            iovec& vector = arrVectors[nFirst];
            const std::size_t nTaken = std::min(nLeft, vector.iov_len);
            vector.iov_base = static_cast<char*>(vector.iov_base) + nTaken;
            vector.iov_len -= nTaken;
            nLeft -= nTaken;
            if (vector.iov_len == 0) {
                ++nFirst;
            }
        }
    }
    return true;
}

bool CAppendFile::Size(std::uint64_t& nSize) const
{
    struct stat info {};
    if (!IsOpen() || ::fstat(static_cast<int>(m_nHandle), &info) != 0) {
        return false;
    }
    nSize = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool CAppendFile::Close(std::string& strError)
{
    if (!IsOpen()) {
        return true;
    }
    const int nFd = static_cast<int>(m_nHandle);
    m_nHandle = kNoHandle;
    // After close() the descriptor is gone even when it reports a failure,
    // so it is never called twice.
    if (::close(nFd) != 0 && errno != EINTR) {
        strError = Reason(errno);
        return false;
    }
    return true;
}

} // namespace pinweave
