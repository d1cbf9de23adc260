// The disk operations of a run on Windows: the ANSI functions of the system,
// given every path exactly as it is, so a name in the system's code page
// reaches the disk unchanged.
#include "pid/FileSystem.h"

#include "app/SystemReasonWin.h"
#include "common/MessageTable.h"
#include "pid/PathNames.h"

#include <windows.h>

namespace pinweave {

namespace {

std::string LastReason()
{
    return Reason(GetLastError());
}

HANDLE ToHandle(std::intptr_t nHandle)
{
    return reinterpret_cast<HANDLE>(nHandle);
}

// Holds the right to append to a shared file while it lives. Windows lands
// each write to an append-only handle whole at the end of the file, but not
// every file system and not Wine do (two runs appending to one log tore each
// other's lines there): the writers of a log take turns through a lock on
// one byte far beyond any end of file, which no reader ever meets. Where the
// file system has no locks, writes go ahead as they are.
class CAppendTurn {
public:
    CAppendTurn(HANDLE hFile, bool bShared) : m_hFile(hFile)
    {
        m_overlapped.Offset = 0xFFFFFFFE;
        m_overlapped.OffsetHigh = 0x7FFFFFFF;
        m_bLocked = bShared && LockFileEx(m_hFile, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &m_overlapped);
    }
    CAppendTurn(const CAppendTurn&) = delete;
    CAppendTurn& operator=(const CAppendTurn&) = delete;
    ~CAppendTurn()
    {
        if (m_bLocked) {
            UnlockFileEx(m_hFile, 0, 1, 0, &m_overlapped);
        }
    }

private:
    HANDLE m_hFile;
    OVERLAPPED m_overlapped{};
    bool m_bLocked = false;
};

// Writes all nCount bytes; nWritten says how many reached the file.
bool WriteAll(HANDLE hFile, const char* pBytes, std::size_t nCount, std::size_t& nWritten,
              std::string& strError)
{
    nWritten = 0;
    while (nWritten < nCount) {
        // WriteFile takes at most 4 GiB less one byte at a time.
        const std::size_t nLeft = nCount - nWritten;
        const DWORD nChunk = nLeft > 0x40000000u ? 0x40000000u : static_cast<DWORD>(nLeft);
        DWORD nDone = 0;
        if (!WriteFile(hFile, pBytes + nWritten, nChunk, &nDone, nullptr)) {
            nWritten += nDone;
            strError = LastReason();
            return false;
        }
        if (nDone == 0) {
            strError = Reason(ERROR_WRITE_FAULT);
            return false;
        }
        nWritten += nDone;
    }
    return true;
}

// A handle that names a file on a disk: not a console, pipe or other device.
bool IsDiskFile(HANDLE hFile)
{
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(hFile) == FILE_TYPE_DISK && GetFileInformationByHandle(hFile, &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The identity and data of the file at strPath, links followed; no access
// is asked for.
bool InformationAt(const std::string& strPath, BY_HANDLE_FILE_INFORMATION& info)
{
    const HANDLE hFile =
        CreateFileA(strPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        return false;
    }
    const BOOL bOk = GetFileInformationByHandle(hFile, &info);
    CloseHandle(hFile);
    return bOk != FALSE;
}

bool SameFile(const BY_HANDLE_FILE_INFORMATION& info1, const BY_HANDLE_FILE_INFORMATION& info2)
{
    return info1.dwVolumeSerialNumber == info2.dwVolumeSerialNumber &&
           info1.nFileIndexHigh == info2.nFileIndexHigh && info1.nFileIndexLow == info2.nFileIndexLow;
}

} // namespace

EEntry EntryAt(const std::string& strPath)
{
    const DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    if (dwAttributes == INVALID_FILE_ATTRIBUTES) {
        return EEntry::Missing;
    }
    if ((dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return EEntry::Other;
    }
    if ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return EEntry::Folder;
    }
    return (dwAttributes & FILE_ATTRIBUTE_DEVICE) != 0 ? EEntry::Other : EEntry::File;
}

bool IsFolder(const std::string& strPath)
{
    const DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    return !strPath.empty() && dwAttributes != INVALID_FILE_ATTRIBUTES &&
           (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsSameFile(const std::string& strPath1, const std::string& strPath2)
{
    BY_HANDLE_FILE_INFORMATION info[2]{};
    const std::string* arrPaths[2] = {&strPath1, &strPath2};
    for (int i = 0; i < 2; ++i) {
        // No access asked for: only the file's identity is read.
        const HANDLE hFile =
            CreateFileA(arrPaths[i]->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (hFile == INVALID_HANDLE_VALUE) {
            return false;
        }
        const BOOL bOk = GetFileInformationByHandle(hFile, &info[i]);
        CloseHandle(hFile);
        if (!bOk) {
            return false;
        }
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh && info[0].nFileIndexLow == info[1].nFileIndexLow;
}

std::size_t LongestFileName()
{
    return 255;
}

std::size_t LongestPath()
{
    return MAX_PATH - 1; // what the ANSI functions take
}

std::string NameTooLongReason()
{
    return Reason(ERROR_FILENAME_EXCED_RANGE);
}

bool MayReplaceFile(const std::string& strPath, std::string& strError)
{
    const DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    if (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
        strError = Reason(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

std::string FolderInTheWayReason()
{
    return Reason(ERROR_ACCESS_DENIED);
}

bool RemoveFile(const std::string& strPath, std::string& strError)
{
    if (!DeleteFileA(strPath.c_str())) {
        strError = LastReason();
        return false;
    }
    return true;
}

bool TruncateFile(const std::string& strPath, std::uint64_t nSize, std::string& strError)
{
    const HANDLE hFile = CreateFileA(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) {
        strError = LastReason();
        return false;
    }
    LARGE_INTEGER nAt{};
    nAt.QuadPart = static_cast<LONGLONG>(nSize);
    const bool bOk = SetFilePointerEx(hFile, nAt, nullptr, FILE_BEGIN) && SetEndOfFile(hFile);
    if (!bOk) {
        strError = LastReason();
    }
    CloseHandle(hFile);
    return bOk;
}

CAppendFile::~CAppendFile()
{
    if (IsOpen()) {
        CloseHandle(ToHandle(m_nHandle));
    }
}

bool CAppendFile::OpenLog(const std::string& strPath, std::string& strError)
{
    // Devices (CON, NUL, COM1 ...) and folders are refused before any of
    // them is opened for writing.
    const DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    if (dwAttributes != INVALID_FILE_ATTRIBUTES &&
        (dwAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
        strError = (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Reason(ERROR_ACCESS_DENIED)
                                                                  : kReasonNotRegularFile;
        return false;
    }
    // Writes only through FILE_APPEND_DATA: each lands at the end of the
    // file, also when another run appends to it at the same time. Reading is
    // asked for because the lock that makes those writers take turns needs it.
    // An existing file (through a link, too) first; a missing one is made
    // only as a new file under this very name, never through a link. Should
    // another program make the name in between, it is taken once more.
    for (int nTry = 0; nTry < 2; ++nTry) {
        HANDLE hFile =
            CreateFileA(strPath.c_str(), FILE_APPEND_DATA | GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) {
            hFile = CreateFileA(strPath.c_str(), FILE_APPEND_DATA | GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
            if (hFile == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS) {
                // The name is there, yet no file opens under it: a link to
                // nothing, unless another program just made it.
                if (nTry == 1) {
                    strError = kReasonDanglingLink;
                    return false;
                }
                continue;
            }
        }
        if (hFile == INVALID_HANDLE_VALUE) {
            strError = LastReason();
            return false;
        }
        if (!IsDiskFile(hFile)) {
            CloseHandle(hFile);
            strError = kReasonNotRegularFile;
            return false;
        }
        m_nHandle = reinterpret_cast<std::intptr_t>(hFile);
        m_bShared = true;
        return true;
    }
    return false; // not reached: the second try returns
}

// --- Whether other names lead to the open file (the log's checks).

bool CAppendFile::IsThisFile(const std::string& strPath) const
{
    BY_HANDLE_FILE_INFORMATION infoOpen{};
    BY_HANDLE_FILE_INFORMATION infoPath{};
    return IsOpen() && GetFileInformationByHandle(ToHandle(m_nHandle), &infoOpen) &&
           InformationAt(strPath, infoPath) && SameFile(infoOpen, infoPath);
}

bool CAppendFile::MayHaveOtherNames(const std::string& strPath) const
{
    // Windows counts hard links and marks its own symbolic links, but Wine
    // shows a Unix link as the file it points to, with one name: the answer
    // is always yes.
    (void)strPath;
    return true;
}

bool CAppendFile::NamesOfThisFileIn(const std::string& strFolder,
                                    const std::function<bool(std::string_view)>& fnWanted,
                                    std::vector<std::string>& arrNames, std::string& strError) const
{
    BY_HANDLE_FILE_INFORMATION infoOpen{};
    if (!IsOpen() || !GetFileInformationByHandle(ToHandle(m_nHandle), &infoOpen)) {
        return true; // nothing to compare with
    }
    WIN32_FIND_DATAA found{};
    const HANDLE hFind = FindFirstFileA(JoinPath(strFolder, "*").c_str(), &found);
    if (hFind == INVALID_HANDLE_VALUE) {
        strError = LastReason();
        return false;
    }
    // Only a name with the open file's size and time of last write is
    // opened to compare identities: under Wine an open costs 0.6-0.9 ms. A
    // folder of 2,500 existing PID files takes 14-23 ms so, 1.4-2.3 s when
    // every name is opened.
    do {
        const std::string_view strName = found.cFileName;
        if (found.nFileSizeHigh == infoOpen.nFileSizeHigh && found.nFileSizeLow == infoOpen.nFileSizeLow &&
            CompareFileTime(&found.ftLastWriteTime, &infoOpen.ftLastWriteTime) == 0 && strName != "." &&
            strName != ".." && fnWanted(strName) && IsThisFile(JoinPath(strFolder, strName))) {
            arrNames.emplace_back(strName);
        }
    } while (FindNextFileA(hFind, &found));
    const DWORD dwError = GetLastError();
    FindClose(hFind);
    if (dwError != ERROR_NO_MORE_FILES) {
        strError = Reason(dwError);
        return false;
    }
    return true;
}

// --- End of the log's checks.

bool CAppendFile::Write(const char* pBytes, std::size_t nCount, std::size_t& nWritten, std::string& strError)
{
    const CAppendTurn turn(ToHandle(m_nHandle), m_bShared);
    return WriteAll(ToHandle(m_nHandle), pBytes, nCount, nWritten, strError);
}

bool CAppendFile::WritePieces(const std::vector<std::string_view>& arrPieces, std::size_t& nWritten,
                              std::string& strError)
{
    // Windows has no gathering write for ordinary files: the pieces go one
    // after the other, in one turn (only lines as long as the log's buffer
    // come here).
    const CAppendTurn turn(ToHandle(m_nHandle), m_bShared);
    nWritten = 0;
    for (const std::string_view strPiece : arrPieces) {
        std::size_t nDone = 0;
        const bool bOk = WriteAll(ToHandle(m_nHandle), strPiece.data(), strPiece.size(), nDone, strError);
        nWritten += nDone;
        if (!bOk) {
            return false;
        }
    }
    return true;
}

bool CAppendFile::Size(std::uint64_t& nSize) const
{
    LARGE_INTEGER nBytes{};
    if (!IsOpen() || !GetFileSizeEx(ToHandle(m_nHandle), &nBytes)) {
        return false;
    }
    nSize = static_cast<std::uint64_t>(nBytes.QuadPart);
    return true;
}

bool CAppendFile::Close(std::string& strError)
{
    if (!IsOpen()) {
        return true;
    }
    const HANDLE hFile = ToHandle(m_nHandle);
    m_nHandle = kNoHandle;
    if (!CloseHandle(hFile)) {
        strError = LastReason();
        return false;
    }
    return true;
}

} // namespace pinweave
