// A run's output files and the all-or-nothing rule: the one owner of the
// temporaries, from their creation to their end, and of the output folder
// they live in. The engine asks it to make a file, to write (through the
// files it hands out), to put every file in place, or to take them all away.
//
// Putting in place, in this order: every temporary is checked to be still
// the file the run made and reaches the disk, then takes over the permission
// bits (and owner and group, where allowed) of the file it replaces; every
// file that will be replaced keeps a second name, a backup in the same
// folder ("<name>.pinweave-XXXXXX.bak", the letters of its temporary); then
// each temporary gets its PID file's name (replacing the file there only with
// the user's consent, else only where the name is still free; a name taken
// meanwhile that consent covers is kept aside first too); the folder is
// synced; the backups go. If any step fails, every name already given gets
// its old file back from its backup (or, if it had none, is removed again),
// the temporaries and backups go, and the folder is as it was. Only when that
// undoing fails too do the run's lines say which names hold new content,
// which old, and where the backups are.
#ifndef PINWEAVE_PID_OUTPUTFILESET_H
#define PINWEAVE_PID_OUTPUTFILESET_H

#include "pid/OutputFile.h"
#include "pid/OutputFolder.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace pinweave {

class COutputFileSet {
public:
    // The suffix of a backup, in place of the temporary's kTemporaryExtension.
    static constexpr std::string_view kBackupExtension = ".bak";

    COutputFileSet() = default;
    COutputFileSet(const COutputFileSet&) = delete;
    COutputFileSet& operator=(const COutputFileSet&) = delete;
    ~COutputFileSet() { Clear(); }

    // Opens the checked output folder at strPath for this run; false with the
    // system's reason. The folder stays open until Clear.
    bool Open(const std::string& strPath, std::string& strError);
    // The same with a folder the caller made (tests fake one).
    void Open(const std::string& strPath, std::unique_ptr<IOutputFolder> pFolder);

    // How many files the folder holds that are named like temporaries or
    // backups of the given PID file names (left by a run that was killed or
    // lost its power). 0 when the folder cannot be read.
    std::size_t CountLeftovers(const std::vector<std::string>& arrNames);

    // Makes the temporary of the PID file strName of the folder. bMayReplace:
    // the user consented to replacing what stands at the name. False with the
    // system's reason.
    bool Add(const std::string& strName, bool bMayReplace, std::mt19937_64& random, std::string& strError);

    // The files made so far, in index order (the writers fill them).
    std::size_t size() const { return m_arrFiles.size(); }
    const std::unique_ptr<COutputFile>& operator[](std::size_t nIndex) const { return m_arrFiles[nIndex]; }
    bool MadeTemporaries() const { return m_bMadeTemporaries; }

    // Puts every file in place, each already written out. True when every
    // name holds its new file. Otherwise the lines in arrLines say why, and
    // the last of them what the folder holds now.
    bool PutInPlace(std::vector<std::string>& arrLines);

    // Removes every temporary. False, with the quoted paths and reasons of
    // those that stay in strNotRemoved, when some could not be removed.
    bool Discard(std::string& strNotRemoved);

    // Forgets the files (their destructors remove what temporaries remain)
    // and closes the folder.
    void Clear();

private:
    struct CPlacing {
        bool m_bMayReplace = false;
        std::string m_strBackup; // the backup's name while it exists
        bool m_bPlaced = false;
    };
    bool PrepareAll(std::vector<std::string>& arrLines);
    bool KeepBackups(std::vector<std::string>& arrLines);
    // Gives the names back their old files after the first nPlaced were put
    // in place; says what the folder holds when that cannot be finished.
    void Undo(std::vector<std::string>& arrLines);
    void RemoveBackups(std::vector<std::string>& arrLines);
    std::string PathOf(const std::string& strName) const;
    // The temporary's name with kBackupExtension for its extension.
    static std::string BackupNameOf(const COutputFile& file);

    std::string m_strPath;
    std::unique_ptr<IOutputFolder> m_pFolder;
    std::vector<std::unique_ptr<COutputFile>> m_arrFiles;
    std::vector<CPlacing> m_arrPlacing; // one per file
    bool m_bMadeTemporaries = false;
};

} // namespace pinweave

#endif // PINWEAVE_PID_OUTPUTFILESET_H
