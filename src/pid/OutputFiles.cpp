// The output folder check, the creation of one PID file per part number with
// the overwrite rules, the one way the writers put bytes into the files, and
// the end of a run's files: all put in place, or all taken away.
#include "pid/ConversionEngine.h"

#include "common/MessageTable.h"
#include "pid/FileSystem.h"
#include "pid/PathNames.h"
#include "pid/RunMessages.h"

#include <algorithm>

namespace pinweave {

bool CConversionEngine::CreateOutputFiles()
{
    if (m_strOutputPath.empty() || !IsFolder(m_strOutputPath)) {
        m_frontEnd.ShowMessageBox(FormatTableMessage(IDS_INVALID_OUTPUT_FOLDER, {m_strOutputPath}));
        return false;
    }
    const std::string strBaseName = BaseNameOf(m_strInputPath);
    // Seeded once per run from the system: two runs at the same moment draw
    // different names.
    m_randomNames.seed(std::random_device()());
    {
        std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
        m_arrOutputFiles.clear();
        m_arrOutputFiles.reserve(static_cast<std::size_t>(m_nPartCount));
    }
    for (int i = 0; i < m_nPartCount; ++i) {
        if (!CreateOutputFile(m_strOutputPath, strBaseName, i)) {
            return false;
        }
    }
    return true;
}

bool CConversionEngine::CreateOutputFile(const std::string& strFolder, const std::string& strBaseName,
                                         int nIndex)
{
    const std::string strFileName = OutputFileName(strBaseName, nIndex);
    const std::string strPath = JoinPath(strFolder, strFileName);

    // Anything of that name counts: a file, a folder, a link (dangling or
    // not), a FIFO or a device.
    const EEntry entry = EntryAt(strPath);
    if (!m_bOverwriteAll && entry != EEntry::Missing) {
        if (!m_frontEnd.HasWindow()) {
            return StopRun(FormatTableMessage(IDS_OUTPUT_EXISTS_ABORTED, {strFileName}));
        }
        switch (m_frontEnd.AskOverwrite(FormatTableMessage(IDS_OUTPUT_EXISTS_PROMPT, {strPath}))) {
        case OverwriteAnswer::Yes:
            break;
        case OverwriteAnswer::YesToAll:
            m_bOverwriteAll = true;
            break;
        default: // "No", "Cancel", Esc or the close box
            return false;
        }
    }

    // With consent, the name is replaced when the run completes: a link, a
    // FIFO or a device there is replaced itself, never written to. A folder
    // cannot give way to a file; nor is the CAP-H file replaced (a CAP-H
    // file named like a PID file, in the output folder), nor a file this user
    // may not write to.
    std::string strError;
    if (FileNameOf(strPath).size() > LongestFileName() || strPath.size() > LongestPath()) {
        strError = NameTooLongReason(); // its temporary may fit; the file itself never could
    } else if (entry == EEntry::Folder) {
        strError = FolderInTheWayReason();
    } else if (entry != EEntry::Missing && IsSameFile(strPath, m_strCapHPath)) {
        strError = kReasonIsCapHFile;
    } else if (entry == EEntry::File && !MayReplaceFile(strPath, strError)) {
        // strError says why
    } else {
        std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
        if (m_bAbandoned) {
            return false;
        }
        auto pFile = std::make_unique<COutputFile>();
        if (pFile->Create(strPath, m_randomNames, strError)) {
            m_arrOutputFiles.push_back(std::move(pFile));
            return true;
        }
    }
    m_frontEnd.ShowMessageBox(FormatTableMessage(IDS_FILE_OPEN_ERROR, {strPath, strError}));
    return false;
}

bool CConversionEngine::FinishOutputFiles(bool bRunOk)
{
    std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
    if (m_bAbandoned) {
        return false; // AbandonRun took the temporaries away and said so
    }
    // Every temporary holds its whole content before the first is put in
    // place, so a write error still leaves every PID file as it was.
    bRunOk = bRunOk && FlushOutputFiles() && PutOutputFilesInPlace();
    if (!bRunOk) {
        DiscardOutputFiles();
    }
    m_arrOutputFiles.clear();
    return bRunOk;
}

bool CConversionEngine::FlushOutputFiles()
{
    for (const std::unique_ptr<COutputFile>& pFile : m_arrOutputFiles) {
        if (!pFile->Flush()) {
            return StopRun(FormatMessageText(kMsgOutputWriteError, {pFile->Path(), pFile->Error()}));
        }
    }
    return true;
}

bool CConversionEngine::PutOutputFilesInPlace()
{
    // Each file that cannot take its name keeps its old content; the others
    // are replaced all the same: a file held open by another program should
    // not keep the rest of the run from its place.
    int nReplaced = 0;
    std::string strKept;
    for (const std::unique_ptr<COutputFile>& pFile : m_arrOutputFiles) {
        std::string strError;
        if (pFile->PutInPlace(strError)) {
            ++nReplaced;
        } else {
            strKept += (strKept.empty() ? "'" : ", '") + pFile->Path() + "' (" + strError + ")";
        }
    }
    if (strKept.empty()) {
        return true;
    }
    return StopRun(
        FormatMessageText(kMsgOutputsPartlyReplaced,
                          {std::to_string(nReplaced), std::to_string(m_arrOutputFiles.size()), strKept}));
}

void CConversionEngine::DiscardOutputFiles(bool bFromOtherThread)
{
    bool bAnyTemporary = false;
    std::string strNotRemoved;
    for (const std::unique_ptr<COutputFile>& pFile : m_arrOutputFiles) {
        if (!pFile->HasTemporary()) {
            continue;
        }
        bAnyTemporary = true;
        const std::string strTemporary = pFile->TemporaryPath();
        std::string strError;
        const bool bRemoved =
            bFromOtherThread ? RemoveFile(strTemporary, strError) || EntryAt(strTemporary) == EEntry::Missing
                             : pFile->Discard(strError);
        if (!bRemoved) {
            strNotRemoved += (strNotRemoved.empty() ? "'" : ", '") + strTemporary + "' (" + strError + ")";
        }
    }
    if (bAnyTemporary) {
        StopRun(strNotRemoved.empty() ? kMsgNoOutputChanged
                                      : FormatMessageText(kMsgTemporariesLeft, {strNotRemoved}));
    }
}

bool CConversionEngine::WriteOutput(std::string_view strText, int nIndex)
{
    const int nFiles = static_cast<int>(m_arrOutputFiles.size());
    const int nFirst = nIndex < 0 ? 0 : nIndex;
    const int nEnd = nIndex < 0 ? std::min(m_nPartCount, nFiles) : nIndex + 1;
    if (nIndex >= m_nPartCount || nIndex >= nFiles) {
        return StopRun(FormatMessageText(kMsgBadOutputIndex, {std::to_string(nIndex)}));
    }
    for (int i = nFirst; i < nEnd; ++i) {
        COutputFile& file = *m_arrOutputFiles[static_cast<std::size_t>(i)];
        if (!file.Write(strText)) {
            return StopRun(FormatMessageText(kMsgOutputWriteError, {file.Path(), file.Error()}));
        }
    }
    return true;
}

} // namespace pinweave
