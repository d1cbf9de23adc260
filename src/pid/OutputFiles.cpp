// The output folder check, the creation of one PID file per part number with
// the overwrite rules, the one way bytes reach the files, and the end of a
// run's files: all put in place, or all taken away.
#include "pid/OutputFiles.h"

#include "common/MessageTable.h"
#include "pid/FileSystem.h"
#include "pid/PathNames.h"

#include <algorithm>
#include <vector>

namespace pinweave {

bool COutputFiles::CreateOutputFiles(const CRunPaths& paths, int nPartCount, bool bOverwriteAll)
{
    m_paths = paths;
    m_bOverwriteAll = bOverwriteAll;
    const std::string& strFolder = m_paths.m_strOutputPath;
    if (strFolder.empty() || !IsFolder(strFolder)) {
        return ShowStop(FormatTableMessage(IDS_INVALID_OUTPUT_FOLDER, {strFolder}));
    }
    const std::string strBaseName = BaseNameOf(m_paths.m_strInputPath);
    // Seeded once per run from the system: two runs at the same moment draw
    // different names.
    m_randomNames.seed(std::random_device()());
    std::string strError;
    if (!m_files.Open(strFolder, strError)) {
        return ShowStop(FormatTableMessage(IDS_FILE_OPEN_ERROR, {strFolder, strError}));
    }
    if (!ReportLeftovers(strBaseName, nPartCount)) {
        return false;
    }
    for (int i = 0; i < nPartCount; ++i) {
        if (!CreateOutputFile(strBaseName, i)) {
            return false;
        }
    }
    return true;
}

bool COutputFiles::ReportLeftovers(const std::string& strBaseName, int nPartCount)
{
    std::vector<std::string> arrNames;
    arrNames.reserve(static_cast<std::size_t>(nPartCount));
    for (int i = 0; i < nPartCount; ++i) {
        arrNames.push_back(OutputFileName(strBaseName, i));
    }
    // Never removed here: another run may be writing them right now.
    const std::size_t nLeft = m_files.CountLeftovers(arrNames);
    if (nLeft == 0) {
        return true;
    }
    const std::string strPattern = strBaseName + "*.pid" + std::string(COutputFile::kTemporaryMarker) +
                                   "XXXXXX" + std::string(COutputFile::kTemporaryExtension) + " or " +
                                   std::string(COutputFileSet::kBackupExtension);
    return m_log.LogMessage(FormatMessageText(kMsgLeftovers, {std::to_string(nLeft), strPattern}));
}

bool COutputFiles::CreateOutputFile(const std::string& strBaseName, int nIndex)
{
    const std::string strFileName = OutputFileName(strBaseName, nIndex);
    const std::string strPath = JoinPath(m_paths.m_strOutputPath, strFileName);

    // Anything of that name counts: a file, a folder, a link (dangling or
    // not), a FIFO or a device. Whatever has the name when the run ends is
    // replaced only with consent: /Y, "Yes" or "Yes to All".
    const EEntry entry = EntryAt(strPath);
    if (!m_bOverwriteAll && entry != EEntry::Missing) {
        switch (m_frontEnd.AskOverwrite(FormatTableMessage(IDS_OUTPUT_EXISTS_PROMPT, {strPath}))) {
        case OverwriteAnswer::Yes:
            break;
        case OverwriteAnswer::YesToAll:
            m_bOverwriteAll = true;
            break;
        case OverwriteAnswer::NotAsked:
            return StopRun(FormatTableMessage(IDS_OUTPUT_EXISTS_ABORTED, {strFileName}));
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
    } else if (entry != EEntry::Missing && IsSameFile(strPath, m_paths.m_strCapHPath)) {
        strError = kReasonIsCapHFile;
    } else if (entry == EEntry::File && !MayReplaceFile(strPath, strError)) {
        // strError says why
    } else if (m_files.Add(strFileName, bMayReplace, m_randomNames, strError)) {
        return true;
    }
    return ShowStop(FormatTableMessage(IDS_FILE_OPEN_ERROR, {strPath, strError}));
}

bool COutputFiles::ShowStop(const std::string& strText)
{
    m_frontEnd.ShowMessageBox(strText);
    m_log.AddMessageBoxText(strText);
    return false;
}

bool COutputFiles::StopRun(const std::string& strLine)
{
    m_log.LogMessage(strLine, true);
    return false;
}

bool COutputFiles::WriteError(const COutputFile& file)
{
    return StopRun(FormatMessageText(kMsgOutputWriteError, {file.Path(), file.Error()}));
}

bool COutputFiles::WriteOutput(std::string_view strText, int nIndex)
{
    const int nFiles = static_cast<int>(m_files.size());
    if (nIndex >= nFiles) {
        return StopRun(FormatMessageText(kMsgBadOutputIndex, {std::to_string(nIndex)}));
    }
    const int nFirst = nIndex < 0 ? 0 : nIndex;
    const int nEnd = nIndex < 0 ? nFiles : nIndex + 1;
    for (int i = nFirst; i < nEnd; ++i) {
        COutputFile& file = *m_files[static_cast<std::size_t>(i)];
        if (!file.Write(strText)) {
            return WriteError(file);
        }
    }
    return true;
}

bool COutputFiles::WritePart(const CPartText& text, int nIndex)
{
    std::size_t nLine = 0;
    for (std::size_t i = 0; i <= text.m_arrPieces.size(); ++i) {
        for (; nLine < text.m_arrLogLines.size() && text.m_arrLogLines[nLine].m_nBeforePiece == i; ++nLine) {
            if (!m_log.LogMessage(*text.m_arrLogLines[nLine].m_pText)) {
                return false;
            }
        }
        if (i < text.m_arrPieces.size() && !WriteOutput(text.m_arrPieces[i], nIndex)) {
            return false;
        }
    }
    return true;
}

bool COutputFiles::EndPart(int nIndex, std::string& strFileName)
{
    const auto nFile = static_cast<std::size_t>(nIndex);
    if (nIndex < 0 || nFile >= m_files.size()) {
        return StopRun(FormatMessageText(kMsgBadOutputIndex, {std::to_string(nIndex)}));
    }
    COutputFile& file = *m_files[nFile];
    const bool bFlushed = nFile + 1 < m_files.size() ? file.FlushInto(*m_files[nFile + 1]) : file.Flush();
    if (!bFlushed) {
        return WriteError(file);
    }
    strFileName.assign(FileNameOf(file.Path()));
    return true;
}

bool COutputFiles::FinishOutputFiles(bool bRunOk)
{
    // Every temporary holds its whole content, and the log every line so
    // far, before the first is put in place: a write error still leaves
    // every PID file as it was.
    bRunOk = bRunOk && FlushOutputFiles() && m_log.Flush();
    if (!bRunOk) {
        DiscardOutputFiles();
        m_files.Clear();
        return false;
    }
    std::vector<std::string> arrLines;
    const bool bPlaced = m_files.PutInPlace(arrLines);
    if (bPlaced) {
        m_log.FilesPlaced();
    }
    for (const std::string& strLine : arrLines) {
        m_log.LogMessage(strLine, !bPlaced);
    }
    m_files.Clear();
    return bPlaced;
}

bool COutputFiles::FlushOutputFiles()
{
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        COutputFile& file = *m_files[i];
        if (!file.Flush()) {
            return WriteError(file);
        }
    }
    return true;
}

void COutputFiles::DiscardOutputFiles()
{
    if (!m_files.MadeTemporaries()) {
        return;
    }
    std::string strNotRemoved;
    StopRun(m_files.Discard(strNotRemoved) ? kMsgNoOutputChanged
                                           : FormatMessageText(kMsgTemporariesLeft, {strNotRemoved}));
}

} // namespace pinweave
