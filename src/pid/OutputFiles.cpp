// The output folder check, the creation of one PID file per part number with
// the overwrite rules, the one way the writers put bytes into the files, and
// the end of a run's files: all put in place, or all taken away.
#include "pid/ConversionEngine.h"

#include "common/MessageTable.h"
#include "pid/FileSystem.h"
#include "pid/PathNames.h"

#include <algorithm>

namespace pinweave {

bool CConversionEngine::CreateOutputFiles()
{
    if (m_strOutputPath.empty() || !IsFolder(m_strOutputPath)) {
        return ShowStop(FormatTableMessage(IDS_INVALID_OUTPUT_FOLDER, {m_strOutputPath}));
    }
    const std::string strBaseName = BaseNameOf(m_strInputPath);
    // Seeded once per run from the system: two runs at the same moment draw
    // different names.
    m_randomNames.seed(std::random_device()());
    std::string strError;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
        if (!m_arrOutputFiles.Open(m_strOutputPath, strError)) {
            return ShowStop(FormatTableMessage(IDS_FILE_OPEN_ERROR, {m_strOutputPath, strError}));
        }
    }
    if (!ReportLeftovers(strBaseName)) {
        return false;
    }
    for (int i = 0; i < m_nPartCount; ++i) {
        if (!CreateOutputFile(m_strOutputPath, strBaseName, i)) {
            return false;
        }
    }
    return true;
}

bool CConversionEngine::ReportLeftovers(const std::string& strBaseName)
{
    std::vector<std::string> arrNames;
    arrNames.reserve(static_cast<std::size_t>(m_nPartCount));
    for (int i = 0; i < m_nPartCount; ++i) {
        arrNames.push_back(OutputFileName(strBaseName, i));
    }
    // Never removed here: another run may be writing them right now.
    const std::size_t nLeft = m_arrOutputFiles.CountLeftovers(arrNames);
    if (nLeft == 0) {
        return true;
    }
    const std::string strPattern = strBaseName + "*.pid" + std::string(COutputFile::kTemporaryMarker) +
                                   "XXXXXX" + std::string(COutputFile::kTemporaryExtension) + " or " +
                                   std::string(COutputFileSet::kBackupExtension);
    return LogMessage(FormatMessageText(kMsgLeftovers, {std::to_string(nLeft), strPattern}));
}

bool CConversionEngine::CreateOutputFile(const std::string& strFolder, const std::string& strBaseName,
                                         int nIndex)
{
    const std::string strFileName = OutputFileName(strBaseName, nIndex);
    const std::string strPath = JoinPath(strFolder, strFileName);

    // Anything of that name counts: a file, a folder, a link (dangling or
    // not), a FIFO or a device. Whatever has the name when the run ends is
    // replaced only with consent: /Y, "Yes" or "Yes to All".
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
    const bool bMayReplace = m_bOverwriteAll || entry != EEntry::Missing;

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
        if (m_arrOutputFiles.Add(strFileName, bMayReplace, m_randomNames, strError)) {
            return true;
        }
    }
    return ShowStop(FormatTableMessage(IDS_FILE_OPEN_ERROR, {strPath, strError}));
}

bool CConversionEngine::ShowStop(const std::string& strText)
{
    m_frontEnd.ShowMessageBox(strText);
    if (m_frontEnd.HasWindow()) {
        return false;
    }
    // Without a window the log says it too, each "\r\n" of the box a line
    // end there.
    std::string strLine;
    for (std::size_t i = 0; i < strText.size(); ++i) {
        if (strText[i] != '\r' || i + 1 == strText.size() || strText[i + 1] != '\n') {
            strLine += strText[i];
        }
    }
    LogLine(strLine, false);
    return false;
}

bool CConversionEngine::FinishOutputFiles(bool bRunOk)
{
    std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
    if (m_bAbandoned) {
        return false; // AbandonRun took the temporaries away and said so
    }
    m_bPlacing = true;
    // Every temporary holds its whole content, and the log every line so
    // far, before the first is put in place: a write error still leaves
    // every PID file as it was.
    bRunOk = bRunOk && FlushOutputFiles() && FlushLog();
    if (!bRunOk) {
        DiscardOutputFiles();
        m_arrOutputFiles.Clear();
        return false;
    }
    std::vector<std::string> arrLines;
    m_bFilesPlaced = m_arrOutputFiles.PutInPlace(arrLines);
    for (const std::string& strLine : arrLines) {
        m_bFilesPlaced ? LogMessage(strLine) : StopRun(strLine);
    }
    m_arrOutputFiles.Clear();
    return m_bFilesPlaced;
}

bool CConversionEngine::FlushOutputFiles()
{
    for (std::size_t i = 0; i < m_arrOutputFiles.size(); ++i) {
        COutputFile& file = *m_arrOutputFiles[i];
        if (!file.Flush()) {
            return StopRun(FormatMessageText(kMsgOutputWriteError, {file.Path(), file.Error()}));
        }
    }
    return true;
}

void CConversionEngine::DiscardOutputFiles(bool bFromOtherThread)
{
    if (!m_arrOutputFiles.MadeTemporaries()) {
        return;
    }
    std::string strNotRemoved;
    StopRun(m_arrOutputFiles.Discard(bFromOtherThread, strNotRemoved)
                ? kMsgNoOutputChanged
                : FormatMessageText(kMsgTemporariesLeft, {strNotRemoved}));
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
