// The disk operations of a run's output files and log: what a name is,
// creating, appending to, renaming and removing files.
//
// One header, two implementations: FileSystemPosix.cpp for Linux and, in the
// Windows build, app/FileSystemWin.cpp, which hands every path to the
// system's ANSI functions exactly as it is, so a name in the system's code
// page reaches the disk unchanged. A failure comes back as the system's own
// sentence for it.
#ifndef PINWEAVE_PID_FILESYSTEM_H
#define PINWEAVE_PID_FILESYSTEM_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pinweave {

// What a name in a folder is. A symbolic link is Other, whatever it points
// to: it is the name itself that a run looks at.
enum class EEntry { Missing, File, Folder, Other };

// The entry at strPath itself (a link is not followed). Missing also when it
// cannot be examined.
EEntry EntryAt(const std::string& strPath);

// Whether strPath names an existing folder (a link to one counts).
bool IsFolder(const std::string& strPath);

// Whether both paths name the same existing file.
bool IsSameFile(const std::string& strPath1, const std::string& strPath2);

// Whether this user may replace the regular file at strPath: a file the user
// may not write to (read-only, or another user's) keeps its content, as it
// would if it were written over; so does another user's file in a folder with
// the sticky bit. False with the system's reason.
bool MayReplaceFile(const std::string& strPath, std::string& strError);

// The system's sentence for a file that cannot be replaced because a folder
// has its name.
std::string FolderInTheWayReason();

// The longest file name (one component of a path) and the longest whole path
// the system takes, in bytes, and its sentence for a name beyond them.
std::size_t LongestFileName();
std::size_t LongestPath();
std::string NameTooLongReason();

// The reason given when a file that must be a regular file is something else
// (a FIFO, a device, a socket).
inline constexpr const char* kReasonNotRegularFile =
    "It is not a regular file (it may be a FIFO or a device)";

// Removes the file. False with the system's reason.
bool RemoveFile(const std::string& strPath, std::string& strError);

// Cuts the file (links followed) to nSize bytes. False with the system's reason.
bool TruncateFile(const std::string& strPath, std::uint64_t nSize, std::string& strError);

// An open file that only ever grows: written at its end, whole writes at a
// time. Closed by its destructor, silently; a caller that cares about the
// outcome calls Close.
class CAppendFile {
public:
    CAppendFile() = default;
    CAppendFile(const CAppendFile&) = delete;
    CAppendFile& operator=(const CAppendFile&) = delete;
    ~CAppendFile();

    // Opens a log file to add to its end: an existing regular file, or a
    // link to one; when the name is missing, a new file is made under it,
    // never through a link (a link to nothing is refused). Anything but a
    // regular file (a FIFO, a device, a folder) is refused, and nothing here
    // ever waits for a reader. Other programs may read and append to it
    // meanwhile: every Write lands whole at the end of the file, after what
    // others appended.
    bool OpenLog(const std::string& strPath, std::string& strError);

    // --- Whether other names lead to the open file (the log's checks).

    // Whether strPath names the open file itself (links followed).
    bool IsThisFile(const std::string& strPath) const;

    // Whether the open file, opened under strPath, may have another name as
    // well: it has several (hard links), or strPath is a symbolic link. True
    // where the system cannot tell.
    bool MayHaveOtherNames(const std::string& strPath) const;

    // Adds to arrNames the names in strFolder that fnWanted accepts and that
    // lead to the open file itself (links followed). False with the system's
    // reason when the folder cannot be read.
    bool NamesOfThisFileIn(const std::string& strFolder,
                           const std::function<bool(std::string_view)>& fnWanted,
                           std::vector<std::string>& arrNames, std::string& strError) const;

    // --- End of the log's checks.

    // Writes all nCount bytes at the end of the file in one request. False
    // with the system's reason; nWritten then says how many of them reached
    // the file.
    bool Write(const char* pBytes, std::size_t nCount, std::size_t& nWritten, std::string& strError);

    // Writes the pieces one after the other at the end of the file, in one
    // request where the system has one for it (so that they land together),
    // without joining them first. As Write otherwise.
    bool WritePieces(const std::vector<std::string_view>& arrPieces, std::size_t& nWritten,
                     std::string& strError);

    // Closes the file; false when what was written could not be stored.
    // Harmless when it is not open.
    bool Close(std::string& strError);

    // The file's size now; false when it cannot be told.
    bool Size(std::uint64_t& nSize) const;

    bool IsOpen() const { return m_nHandle != kNoHandle; }

    // Takes over an open descriptor (a Windows file handle there) to write at
    // the end of its file; the object closes it. Only when not open.
    void Adopt(std::intptr_t nHandle) { m_nHandle = nHandle; }

private:
    static constexpr std::intptr_t kNoHandle = -1;
    // A file descriptor, or a Windows file handle.
    std::intptr_t m_nHandle = kNoHandle;
#ifdef _WIN32
    // Others may append at the same time (a log): Windows does not land each
    // write whole on its own, so writes take turns.
    bool m_bShared = false;
#endif
};

} // namespace pinweave

#endif // PINWEAVE_PID_FILESYSTEM_H
