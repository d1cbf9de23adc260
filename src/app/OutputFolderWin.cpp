// The output folder of a run on Windows. Windows has no operations relative
// to a folder handle; instead the folder is held open for the whole run
// without sharing its deletion, so that nobody can rename or remove it
// meanwhile, and every name is joined to its path. The ANSI functions take
// every path as it is.
#include "pid/OutputFolder.h"

#include "app/SystemReasonWin.h"
#include "pid/PathNames.h"

#include <windows.h>

namespace pinweave {

namespace {

bool Fail(std::string& strError)
{
    strError = Reason(GetLastError());
    return false;
}

// The identity of an open file; false for anything but a file on a disk.
bool IdentityOf(HANDLE hFile, CFileIdentity& id, bool bFolder = false)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(hFile, &info) ||
        ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != bFolder ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return false;
    }
    id = {info.dwVolumeSerialNumber, (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    return true;
}

// Opens a name itself, never what a link points to.
HANDLE OpenName(const std::string& strPath, DWORD dwAccess, DWORD dwShare, DWORD dwFlags = 0)
{
    return CreateFileA(strPath.c_str(), dwAccess, dwShare, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | dwFlags, nullptr);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class COutputFolderWin final : public IOutputFolder {
public:
    COutputFolderWin(std::string strPath, HANDLE hFolder) : m_strPath(std::move(strPath)), m_hFolder(hFolder)
    {
    }
    COutputFolderWin(const COutputFolderWin&) = delete;
    COutputFolderWin& operator=(const COutputFolderWin&) = delete;
    ~COutputFolderWin() override { CloseHandle(m_hFolder); }

    bool CreateNew(const std::string& strName, CFileIdentity& id, std::string& strError) override
    {
        const HANDLE hFile = CreateFileA(PathOf(strName).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                         CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile == INVALID_HANDLE_VALUE) {
            return Fail(strError);
        }
        const bool bOk = IdentityOf(hFile, id) || Fail(strError);
        return CloseHandle(hFile) && bOk;
    }

    bool OpenToAppend(const std::string& strName, const CFileIdentity& id, CAppendFile& file,
                      std::string& strError) override
    {
        const HANDLE hFile = OpenName(PathOf(strName), FILE_APPEND_DATA, FILE_SHARE_READ);
        if (hFile == INVALID_HANDLE_VALUE) {
            return Fail(strError);
        }
        CFileIdentity opened;
        if (GetFileType(hFile) != FILE_TYPE_DISK || !IdentityOf(hFile, opened) || !(opened == id)) {
            CloseHandle(hFile);
            strError = kReasonNotTheSameFile;
            return false;
        }
        file.Adopt(reinterpret_cast<std::intptr_t>(hFile));
        return true;
    }

    bool IsFile(const std::string& strName, const CFileIdentity& id) override
    {
        const HANDLE hFile = OpenName(PathOf(strName), 0, kShareAll, FILE_FLAG_BACKUP_SEMANTICS);
        if (hFile == INVALID_HANDLE_VALUE) {
            return false;
        }
        CFileIdentity opened;
        const bool bSame = IdentityOf(hFile, opened) && opened == id;
        CloseHandle(hFile);
        return bSame;
    }

    bool TakeOverAttributes(const std::string& strFrom, const std::string& strName, const CFileIdentity& id,
                            std::string& strError) override
    {
        // The attribute bits a PID file may carry (a read-only one is never
        // replaced); its security follows the folder, as for a new file.
        (void)id;
        const DWORD dwOld = GetFileAttributesA(PathOf(strFrom).c_str());
        if (dwOld == INVALID_FILE_ATTRIBUTES || (dwOld & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE |
                                                          FILE_ATTRIBUTE_REPARSE_POINT)) != 0) {
            return true;
        }
        const DWORD dwKept = dwOld & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        return SetFileAttributesA(PathOf(strName).c_str(), dwKept != 0 ? dwKept : FILE_ATTRIBUTE_NORMAL) ||
               Fail(strError);
    }

    bool SyncFiles(const std::vector<std::string>& arrNames, std::string& strError) override
    {
        for (const std::string& strName : arrNames) {
            const HANDLE hFile = OpenName(PathOf(strName), GENERIC_WRITE, FILE_SHARE_READ);
            if (hFile == INVALID_HANDLE_VALUE) {
                return Fail(strError);
            }
            const bool bOk = FlushFileBuffers(hFile) || Fail(strError);
            CloseHandle(hFile);
            if (!bOk) {
                return false;
            }
        }
        return true;
    }

    bool KeepBackup(const std::string& strName, const std::string& strBackup, bool& bMissing,
                    std::string& strError) override
    {
        bMissing = false;
        // A file another program holds open without sharing its deletion can
        // be neither replaced nor, once linked, unlinked again: it is refused
        // before it gets a second name.
        const HANDLE hOld = OpenName(PathOf(strName), DELETE, kShareAll);
        if (hOld == INVALID_HANDLE_VALUE) {
            bMissing = GetLastError() == ERROR_FILE_NOT_FOUND;
            return bMissing || Fail(strError);
        }
        CloseHandle(hOld);
        if (CreateHardLinkA(PathOf(strBackup).c_str(), PathOf(strName).c_str(), nullptr)) {
            return true;
        }
        const DWORD dwError = GetLastError();
        if (dwError == ERROR_FILE_NOT_FOUND) {
            bMissing = true;
            return true;
        }
        // A file system without hard links (FAT): a copy serves as well to
        // give the name its old content back.
        if ((dwError == ERROR_INVALID_FUNCTION || dwError == ERROR_NOT_SUPPORTED) &&
            CopyFileA(PathOf(strName).c_str(), PathOf(strBackup).c_str(), TRUE)) {
            return true;
        }
        strError = Reason(dwError);
        return false;
    }

    ERenamed Rename(const std::string& strFrom, const std::string& strTo, bool bReplace,
                    std::string& strError) override
    {
        const std::string strPathFrom = PathOf(strFrom);
        const std::string strPathTo = PathOf(strTo);
        if (bReplace) {
            if (MoveFileExA(strPathFrom.c_str(), strPathTo.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                return ERenamed::Done;
            }
            Fail(strError);
            return ERenamed::Failed;
        }
        // Without MOVEFILE_REPLACE_EXISTING an existing name is left as it is.
        if (MoveFileExA(strPathFrom.c_str(), strPathTo.c_str(), MOVEFILE_WRITE_THROUGH)) {
            return ERenamed::Done;
        }
        const DWORD dwError = GetLastError();
        if (dwError == ERROR_ALREADY_EXISTS || dwError == ERROR_FILE_EXISTS) {
            return ERenamed::NameTaken;
        }
        strError = Reason(dwError);
        return ERenamed::Failed;
    }

    bool Remove(const std::string& strName, std::string& strError) override
    {
        return DeleteFileA(PathOf(strName).c_str()) || Fail(strError);
    }

    bool SyncFolder(std::string& strError) override
    {
        // Every rename was written through (MOVEFILE_WRITE_THROUGH); Windows
        // has no flush of a folder's entries.
        (void)strError;
        return true;
    }

    bool IsStillAtItsPath() override
    {
        const HANDLE hAtPath = OpenName(m_strPath, 0, kShareAll, FILE_FLAG_BACKUP_SEMANTICS);
        if (hAtPath == INVALID_HANDLE_VALUE) {
            return false;
        }
        CFileIdentity atPath, held;
        const bool bSame =
            IdentityOf(hAtPath, atPath, true) && IdentityOf(m_hFolder, held, true) && atPath == held;
        CloseHandle(hAtPath);
        return bSame;
    }

    bool ListNames(std::vector<std::string>& arrNames) override
    {
        WIN32_FIND_DATAA found{};
        const HANDLE hFind = FindFirstFileA(PathOf("*").c_str(), &found);
        if (hFind == INVALID_HANDLE_VALUE) {
            return false;
        }
        do {
            arrNames.emplace_back(found.cFileName);
        } while (FindNextFileA(hFind, &found));
        FindClose(hFind);
        return true;
    }

private:
    std::string PathOf(const std::string& strName) const { return JoinPath(m_strPath, strName); }

    std::string m_strPath;
    HANDLE m_hFolder;
};

} // namespace

std::unique_ptr<IOutputFolder> OpenOutputFolder(const std::string& strPath, std::string& strError)
{
    // Shared for reading and writing, not for deletion: the folder cannot be
    // renamed or removed while the run holds it.
    const HANDLE hFolder =
        CreateFileA(strPath.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (hFolder == INVALID_HANDLE_VALUE) {
        Fail(strError);
        return nullptr;
    }
    return std::make_unique<COutputFolderWin>(strPath, hFolder);
}

} // namespace pinweave
