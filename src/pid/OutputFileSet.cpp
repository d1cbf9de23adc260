#include "pid/OutputFileSet.h"

#include "common/MessageTable.h"
#include "pid/PathNames.h"

#include <unordered_set>

namespace pinweave {

namespace {

// Adds "'text'" to a list separated by ", ".
void AddQuoted(std::string& strList, const std::string& strText, const std::string& strAfter = "")
{
    strList += (strList.empty() ? "'" : ", '") + strText + "'" + strAfter;
}

const std::string& OrNone(const std::string& strList)
{
    static const std::string kNone = "none";
    return strList.empty() ? kNone : strList;
}

} // namespace

bool COutputFileSet::Open(const std::string& strPath, std::string& strError)
{
    std::unique_ptr<IOutputFolder> pFolder = OpenOutputFolder(strPath, strError);
    if (!pFolder) {
        return false;
    }
    Open(strPath, std::move(pFolder));
    return true;
}

void COutputFileSet::Open(const std::string& strPath, std::unique_ptr<IOutputFolder> pFolder)
{
    Clear();
    m_strPath = strPath;
    m_pFolder = std::move(pFolder);
}

std::size_t COutputFileSet::CountLeftovers(const std::vector<std::string>& arrNames)
{
    std::vector<std::string> arrInFolder;
    if (!m_pFolder || !m_pFolder->ListNames(arrInFolder)) {
        return 0;
    }
    const std::unordered_set<std::string> setNames(arrNames.begin(), arrNames.end());
    // "<name>.pinweave-" and six letters, then ".tmp" or ".bak".
    const std::size_t nSuffix =
        COutputFile::kTemporaryMarker.size() + 6 + COutputFile::kTemporaryExtension.size();
    std::size_t nCount = 0;
    for (const std::string& strEntry : arrInFolder) {
        const std::size_t nMarker = strEntry.rfind(COutputFile::kTemporaryMarker);
        if (nMarker == std::string::npos || strEntry.size() != nMarker + nSuffix) {
            continue;
        }
        const std::string_view strEnd = std::string_view(strEntry).substr(strEntry.size() - 4);
        if ((strEnd == COutputFile::kTemporaryExtension || strEnd == kBackupExtension) &&
            setNames.count(strEntry.substr(0, nMarker)) > 0) {
            ++nCount;
        }
    }
    return nCount;
}

bool COutputFileSet::Add(const std::string& strName, bool bMayReplace, std::mt19937_64& random,
                         std::string& strError)
{
    auto pFile = std::make_unique<COutputFile>();
    m_arrPlacing.emplace_back();
    m_arrPlacing.back().m_bMayReplace = bMayReplace;
    if (!pFile->Create(*m_pFolder, m_strPath, strName, random, strError)) {
        m_arrPlacing.pop_back();
        return false;
    }
    m_bMadeTemporaries = true;
    m_arrFiles.push_back(std::move(pFile));
    return true;
}

bool COutputFileSet::PutInPlace(std::vector<std::string>& arrLines)
{
    if (m_arrFiles.empty()) {
        return true;
    }
    if (!PrepareAll(arrLines) || !KeepBackups(arrLines)) {
        Undo(arrLines); // nothing was put in place: the backups and temporaries go
        return false;
    }
    // Nothing here takes memory until a step fails.
    for (std::size_t i = 0; i < m_arrFiles.size(); ++i) {
        COutputFile& file = *m_arrFiles[i];
        CPlacing& placing = m_arrPlacing[i];
        std::string strError;
        ERenamed renamed =
            m_pFolder->Rename(file.TemporaryName(), file.Name(), !placing.m_strBackup.empty(), strError);
        if (renamed == ERenamed::NameTaken && placing.m_bMayReplace) {
            // Consent covers a name taken meanwhile (by another run with /Y):
            // what took it is kept aside like the others before it goes.
            bool bMissing = false;
            std::string strBackup = BackupNameOf(file);
            renamed = !m_pFolder->KeepBackup(file.Name(), strBackup, bMissing, strError)
                          ? ERenamed::Failed
                          : ERenamed::NameTaken;
            if (renamed == ERenamed::NameTaken && !bMissing) {
                placing.m_strBackup.swap(strBackup);
                renamed = m_pFolder->Rename(file.TemporaryName(), file.Name(), true, strError);
            }
        }
        if (renamed == ERenamed::Done) {
            file.MarkInPlace();
            placing.m_bPlaced = true;
            continue;
        }
        arrLines.push_back(renamed == ERenamed::NameTaken
                               ? FormatMessageText(kMsgOutputAppeared, {file.Path()})
                               : FormatMessageText(kMsgCannotPutInPlace, {file.Path(), strError}));
        Undo(arrLines);
        return false;
    }
    std::string strError;
    if (!m_pFolder->SyncFolder(strError)) {
        arrLines.push_back(FormatMessageText(kMsgFolderSyncError, {m_strPath, strError}));
        Undo(arrLines);
        return false;
    }
    RemoveBackups(arrLines);
    return true;
}

bool COutputFileSet::PrepareAll(std::vector<std::string>& arrLines)
{
    if (!m_pFolder->IsStillAtItsPath()) {
        arrLines.push_back(FormatMessageText(kMsgOutputFolderMoved, {m_strPath}));
        return false;
    }
    std::vector<std::string> arrTemporaries;
    arrTemporaries.reserve(m_arrFiles.size());
    for (const std::unique_ptr<COutputFile>& pFile : m_arrFiles) {
        if (!m_pFolder->IsFile(pFile->TemporaryName(), pFile->Identity())) {
            arrLines.push_back(
                FormatMessageText(kMsgOutputWriteError, {pFile->Path(), kReasonNotTheSameFile}));
            return false;
        }
        arrTemporaries.push_back(pFile->TemporaryName());
    }
    std::string strError;
    if (!m_pFolder->SyncFiles(arrTemporaries, strError)) {
        arrLines.push_back(FormatMessageText(kMsgSyncError, {m_strPath, strError}));
        return false;
    }
    // After the sync: the bits taken over may keep this process from
    // opening the file again.
    for (std::size_t i = 0; i < m_arrFiles.size(); ++i) {
        const COutputFile& file = *m_arrFiles[i];
        if (m_arrPlacing[i].m_bMayReplace &&
            !m_pFolder->TakeOverAttributes(file.Name(), file.TemporaryName(), file.Identity(), strError)) {
            arrLines.push_back(FormatMessageText(kMsgCannotKeepAttributes, {file.Path(), strError}));
            return false;
        }
    }
    return true;
}

bool COutputFileSet::KeepBackups(std::vector<std::string>& arrLines)
{
    // The names first, so that no backup is made before the memory for all
    // of them is taken.
    std::vector<std::string> arrBackups(m_arrFiles.size());
    for (std::size_t i = 0; i < m_arrFiles.size(); ++i) {
        if (m_arrPlacing[i].m_bMayReplace) {
            arrBackups[i] = BackupNameOf(*m_arrFiles[i]);
        }
    }
    for (std::size_t i = 0; i < m_arrFiles.size(); ++i) {
        if (arrBackups[i].empty()) {
            continue;
        }
        bool bMissing = false;
        std::string strError;
        if (!m_pFolder->KeepBackup(m_arrFiles[i]->Name(), arrBackups[i], bMissing, strError)) {
            arrLines.push_back(FormatMessageText(kMsgBackupError, {m_arrFiles[i]->Path(), strError}));
            return false;
        }
        if (!bMissing) {
            m_arrPlacing[i].m_strBackup.swap(arrBackups[i]);
        }
    }
    return true;
}

void COutputFileSet::Undo(std::vector<std::string>& arrLines)
{
    // Backwards, so that the folder goes back the way it came.
    std::string strNew, strKept, strWhy;
    for (std::size_t i = m_arrFiles.size(); i-- > 0;) {
        CPlacing& placing = m_arrPlacing[i];
        if (!placing.m_bPlaced) {
            continue;
        }
        const std::string& strName = m_arrFiles[i]->Name();
        std::string strError;
        const bool bUndone =
            placing.m_strBackup.empty()
                ? m_pFolder->Remove(strName, strError)
                : m_pFolder->Rename(placing.m_strBackup, strName, true, strError) == ERenamed::Done;
        if (bUndone) {
            placing.m_bPlaced = false;
            placing.m_strBackup.clear();
            continue;
        }
        strWhy = strError;
        AddQuoted(strNew, m_arrFiles[i]->Path());
        if (!placing.m_strBackup.empty()) {
            AddQuoted(strKept, m_arrFiles[i]->Path(), " in '" + PathOf(placing.m_strBackup) + "'");
        }
    }
    std::string strIgnored;
    m_pFolder->SyncFolder(strIgnored);
    // What stays of the run besides: backups of names never reached, and the
    // temporaries.
    std::string strLeft;
    for (std::size_t i = 0; i < m_arrFiles.size(); ++i) {
        CPlacing& placing = m_arrPlacing[i];
        std::string strError;
        if (!placing.m_bPlaced && !placing.m_strBackup.empty()) {
            if (m_pFolder->Remove(placing.m_strBackup, strError)) {
                placing.m_strBackup.clear();
            } else {
                AddQuoted(strLeft, PathOf(placing.m_strBackup), " (" + strError + ")");
            }
        }
    }
    std::string strNotRemoved;
    Discard(strNotRemoved);
    if (!strNotRemoved.empty()) {
        strLeft += (strLeft.empty() ? "" : ", ") + strNotRemoved;
    }
    if (!strNew.empty()) {
        arrLines.push_back(
            FormatMessageText(kMsgUndoIncomplete, {strWhy, strNew, OrNone(strKept), OrNone(strLeft)}));
    } else {
        arrLines.push_back(strLeft.empty() ? std::string(kMsgNoOutputChanged)
                                           : FormatMessageText(kMsgTemporariesLeft, {strLeft}));
    }
}

void COutputFileSet::RemoveBackups(std::vector<std::string>& arrLines)
{
    std::string strLeft;
    for (CPlacing& placing : m_arrPlacing) {
        std::string strError;
        if (!placing.m_strBackup.empty() && !m_pFolder->Remove(placing.m_strBackup, strError)) {
            AddQuoted(strLeft, PathOf(placing.m_strBackup), " (" + strError + ")");
        }
        placing.m_strBackup.clear();
    }
    if (!strLeft.empty()) {
        arrLines.push_back(FormatMessageText(kMsgBackupsLeft, {strLeft}));
    }
}

bool COutputFileSet::Discard(std::string& strNotRemoved)
{
    for (const std::unique_ptr<COutputFile>& pFile : m_arrFiles) {
        std::string strError;
        if (pFile->HasTemporary() && !pFile->Discard(strError)) {
            AddQuoted(strNotRemoved, pFile->TemporaryPath(), " (" + strError + ")");
        }
    }
    return strNotRemoved.empty();
}

void COutputFileSet::Clear()
{
    // Backups of a run stopped by an error that escaped it go with it.
    for (CPlacing& placing : m_arrPlacing) {
        std::string strIgnored;
        if (!placing.m_bPlaced && !placing.m_strBackup.empty()) {
            m_pFolder->Remove(placing.m_strBackup, strIgnored);
        }
    }
    // The files first: their destructors remove their temporaries through
    // the folder.
    m_arrFiles.clear();
    m_arrPlacing.clear();
    m_pFolder.reset();
    m_strPath.clear();
    m_bMadeTemporaries = false;
}

std::string COutputFileSet::BackupNameOf(const COutputFile& file)
{
    const std::string& strTemporary = file.TemporaryName();
    return strTemporary.substr(0, strTemporary.size() - COutputFile::kTemporaryExtension.size()) +
           std::string(kBackupExtension);
}

std::string COutputFileSet::PathOf(const std::string& strName) const
{
    return JoinPath(m_strPath, strName);
}

} // namespace pinweave
