// The output folder check, the creation of one PID file per part number with
// the overwrite rules, and the one way the writers put bytes into the files.
#include "pid/ConversionEngine.h"

#include "common/MessageTable.h"
#include "pid/PathNames.h"
#include "pid/RunMessages.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace pinweave {

bool CConversionEngine::CreateOutputFiles()
{
    std::error_code ec;
    if (m_strOutputPath.empty() ||
        !std::filesystem::is_directory(std::filesystem::path(m_strOutputPath), ec)) {
        m_frontEnd.ShowMessageBox(FormatTableMessage(IDS_INVALID_OUTPUT_FOLDER, {m_strOutputPath}));
        return false;
    }
    const std::string strBaseName = BaseNameOf(m_strInputPath);
    m_arrOutputFiles.clear();
    m_arrOutputFiles.reserve(static_cast<std::size_t>(m_nPartCount));
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

    // Anything of that name counts, a folder or a dangling link included.
    // Where nothing is there, it cannot be the CAP-H file either.
    std::error_code ec;
    const bool bMayExist =
        m_bOverwriteAll || std::filesystem::exists(std::filesystem::symlink_status(strPath, ec));
    if (!m_bOverwriteAll && bMayExist) {
        if (!m_frontEnd.HasWindow()) {
            return StopRun(FormatTableMessage(IDS_OUTPUT_EXISTS_ABORTED, {strFileName}));
        }
        switch (m_frontEnd.AskOverwrite(FormatTableMessage(IDS_OUTPUT_EXISTS_PROMPT, {strPath}))) {
        case OverwriteAnswer::Yes:
            break;
        case OverwriteAnswer::YesToAll:
            m_bOverwriteAll = true;
            break;
        default:  // "No", "Cancel", Esc or the close box
            return false;
        }
    }

    // Named after the CAP-H file, an output can be that very file (a CAP-H
    // file named like a PID file, in the output folder): it is not replaced.
    if (bMayExist && std::filesystem::equivalent(strPath, m_strCapHPath, ec)) {
        m_frontEnd.ShowMessageBox(FormatTableMessage(IDS_FILE_OPEN_ERROR, {strPath, kReasonIsCapHFile}));
        return false;
    }
    auto pFile = std::make_unique<COutputFile>();
    std::string strError;
    if (!pFile->Open(strPath, strError)) {
        m_frontEnd.ShowMessageBox(FormatTableMessage(IDS_FILE_OPEN_ERROR, {strPath, strError}));
        return false;
    }
    m_arrOutputFiles.push_back(std::move(pFile));
    return true;
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

}  // namespace pinweave
