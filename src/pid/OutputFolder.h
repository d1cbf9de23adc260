// The output folder of one run, opened once on the folder the run checked:
// every disk operation on the run's PID files, their temporaries and their
// backups goes through it, by file name within that folder. A folder renamed
// during the run therefore keeps receiving the run's operations, and nothing
// of the run is left behind under its old or new name.
//
// One interface, two implementations: OutputFolderPosix.cpp (a descriptor of
// the folder and the *at functions) and, in the Windows build,
// app/OutputFolderWin.cpp (the folder held open so that it cannot be renamed
// or removed, the ANSI functions with the path's bytes as they are). Tests
// fake it to check the order of the steps. A failure comes back as the
// system's own sentence for it.
#ifndef PINWEAVE_PID_OUTPUTFOLDER_H
#define PINWEAVE_PID_OUTPUTFOLDER_H

#include "pid/FileSystem.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace pinweave {

// Which file a name referred to when it was made: a reopened name that
// refers to another file is refused.
struct CFileIdentity {
    std::uint64_t nVolume = 0;
    std::uint64_t nFile = 0;
    bool operator==(const CFileIdentity& other) const
    {
        return nVolume == other.nVolume && nFile == other.nFile;
    }
};

// The reason given when a name no longer refers to the file the run made
// there (someone put another file, or a link, in its place).
inline constexpr const char* kReasonNotTheSameFile = "It is no longer the file this run made";

// How a rename ended.
enum class ERenamed { Done, NameTaken, Failed };

class IOutputFolder {
public:
    virtual ~IOutputFolder() = default;

    // Makes a new, empty file that no other name refers to (never an existing
    // name, a link included) and tells its identity. Other programs may read
    // it, not write it.
    virtual bool CreateNew(const std::string& strName, CFileIdentity& id, std::string& strError) = 0;

    // Opens the file made by CreateNew to add to its end; anything else at
    // the name now (another file, a link, a FIFO) is refused.
    virtual bool OpenToAppend(const std::string& strName, const CFileIdentity& id, CAppendFile& file,
                              std::string& strError) = 0;

    // Whether the name still refers to the file id.
    virtual bool IsFile(const std::string& strName, const CFileIdentity& id) = 0;

    // Gives the file strName (identity id) the permission bits of the regular
    // file strFrom, and its owner and group where this process may set them;
    // nothing when strFrom is no regular file.
    virtual bool TakeOverAttributes(const std::string& strFrom, const std::string& strName,
                                    const CFileIdentity& id, std::string& strError) = 0;

    // The bytes of every named file reach the disk.
    virtual bool SyncFiles(const std::vector<std::string>& arrNames, std::string& strError) = 0;

    // Keeps the file at strName under strBackup too (a second name of the
    // same file). bMissing: there was nothing at strName, which is no
    // failure.
    virtual bool KeepBackup(const std::string& strName, const std::string& strBackup, bool& bMissing,
                            std::string& strError) = 0;

    // Gives strTo the file strFrom. With bReplace whatever had the name is
    // replaced; without it, a name that exists is left as it is (NameTaken).
    virtual ERenamed Rename(const std::string& strFrom, const std::string& strTo, bool bReplace,
                            std::string& strError) = 0;

    // Removes the name.
    virtual bool Remove(const std::string& strName, std::string& strError) = 0;

    // The folder's own entries (the names it holds) reach the disk.
    virtual bool SyncFolder(std::string& strError) = 0;

    // Whether the folder's path still names this folder (it was neither
    // renamed nor removed).
    virtual bool IsStillAtItsPath() = 0;

    // The names the folder holds; false when it cannot be read.
    virtual bool ListNames(std::vector<std::string>& arrNames) = 0;
};

// Opens the folder at strPath for one run; null with the system's reason.
std::unique_ptr<IOutputFolder> OpenOutputFolder(const std::string& strPath, std::string& strError);

} // namespace pinweave

#endif // PINWEAVE_PID_OUTPUTFOLDER_H
