// The run itself: open and scan the CAP-H file, run the three writers, close
// the output files, and leave nothing of the run behind however it ends.
#include "pid/ConversionEngine.h"

#include "caph/CapHFile.h"
#include "caph/SectionScan.h"
#include "common/MessageTable.h"
#include "pid/ReportHookGuard.h"
#include "pid/RunMessages.h"

#include <string_view>
#include <utility>

namespace pinweave {

namespace {

// Empties the run state when a run is left, also by an exception.
class CRunStateGuard {
public:
    explicit CRunStateGuard(CConversionEngine& engine) : m_engine(engine) {}
    CRunStateGuard(const CRunStateGuard&) = delete;
    CRunStateGuard& operator=(const CRunStateGuard&) = delete;
    ~CRunStateGuard() { m_engine.ResetRunState(); }

private:
    CConversionEngine& m_engine;
};

}  // namespace

CConversionEngine::CConversionEngine(IFrontEnd& frontEnd)
    : m_fnNow([] { return std::time(nullptr); }), m_frontEnd(frontEnd)
{
}

CConversionEngine::~CConversionEngine()
{
    ResetRunState();
}

bool CConversionEngine::RunConversion(const std::string& strCapHPath)
{
    CCapHFile fileCapH;
    std::string strError;
    if (!fileCapH.Open(strCapHPath, strError)) {
        ReportCapHNotOpened(FormatMessageText(kMsgCannotOpenCapH, {strCapHPath, strError}));
        return false;
    }

    CRunStateGuard runState(*this);
    m_bLogFailed = false;
    m_strCapHPath = strCapHPath;
    bool bOk = false;
    {
        // A rejected section says why, in the same place as every other line.
        CReportHookGuard parserReports([this](int, const char* pszText) { LogMessage(pszText); });
        bOk = LogMessage(FormatTableMessage(IDS_STARTING_CONVERSION, {strCapHPath})) && ReadAndScan(fileCapH) &&
              RunWriters();
    }
    bOk = FinishOutputFiles(bOk);
    ResetRunState();
    return bOk && LogMessage(MessageText(IDS_COMPLETED));
}

bool CConversionEngine::ReadAndScan(CCapHFile& fileCapH)
{
    CFileBytes bytes;
    std::string strError;
    if (!fileCapH.ReadAll(bytes, strError)) {
        return StopRun(FormatMessageText(kMsgCapHReadError, {m_strCapHPath, strError}));
    }
    fileCapH.Close();
    // The parser's own message has been logged through the report hook.
    CScanFindings findings;
    if (!ScanSections(bytes.data(), bytes.size(), m_rootHeader, m_rootConnection, m_rootConnector, &findings,
                      ELineEnds::Joined)) {
        return false;
    }
    // A section without its end marker means a file cut short: converting the
    // rest would write PID files that lack it and still say "Completed".
    if (!findings.strUnclosedSection.empty()) {
        return StopRun(FormatMessageText(
            kMsgUnclosedSection, {m_strCapHPath, findings.strUnclosedSection, findings.strUnclosedSection}));
    }
    // A file without a single section marker is no CAP-H export (an empty
    // file, some other text, or an export saved as UTF-16): "0 Part Number(s)
    // detected." and "Completed" would report a failure as success.
    if (!findings.bStartMarkerSeen) {
        const char* const pszText =
            BeginsWithUtf16Mark(std::string_view(bytes.data(), bytes.size())) ? kMsgUtf16CapH : kMsgNotCapH;
        return StopRun(FormatMessageText(pszText, {m_strCapHPath}));
    }
    return true;
}

bool CConversionEngine::RunWriters()
{
    if (!WriteHeaderSection() || !BuildConnectorsSection() || !WriteBodySections()) {
        return false;
    }
    // Files without a part group hold all the run gives them, too.
    for (const std::unique_ptr<COutputFile>& pFile : m_arrOutputFiles) {
        pFile->m_bComplete = true;
    }
    return true;
}

bool CConversionEngine::FinishOutputFiles(bool bRunOk)
{
    for (const std::unique_ptr<COutputFile>& pFile : m_arrOutputFiles) {
        if (!pFile->Close()) {
            pFile->m_bComplete = false;
            if (bRunOk) {
                bRunOk = StopRun(FormatMessageText(kMsgOutputWriteError, {pFile->Path(), pFile->Error()}));
            }
        }
    }
    if (!bRunOk) {
        std::string strIncomplete;
        for (const std::unique_ptr<COutputFile>& pFile : m_arrOutputFiles) {
            if (!pFile->m_bComplete) {
                strIncomplete += strIncomplete.empty() ? "'" : ", '";
                strIncomplete += pFile->Path();
                strIncomplete += "'";
            }
        }
        if (!strIncomplete.empty()) {
            LogMessage(FormatMessageText(kMsgIncompleteOutputs, {strIncomplete}));
        }
    }
    m_arrOutputFiles.clear();
    return bRunOk;
}

void CConversionEngine::ReportCapHNotOpened(const std::string& strText)
{
    // No run has started, so there is no log file to create for it.
    if (m_frontEnd.HasWindow()) {
        m_strResults += strText;
        m_strResults += "\r\n";
        m_frontEnd.AppendResults(strText + "\r\n");
    } else {
        m_frontEnd.ReportUnlogged(strText);
    }
}

bool CConversionEngine::StopRun(const std::string& strMessage)
{
    LogMessage(strMessage);
    return false;
}

void CConversionEngine::ResetRunState()
{
    // Files still open here belong to a run that already reported its end.
    m_arrOutputFiles.clear();
    m_strCapHPath.clear();
    // The pin table refers to the connector root's names: it goes first.
    m_pinTable.Clear();
    m_pinEnds.Release();
    m_rootHeader.Clear();
    m_rootConnection.Clear();
    m_rootConnector.Clear();
    m_nPartCount = 0;
    std::vector<std::string>().swap(m_arrPartNumbers);
    m_mapSpliceNumbers.clear();
    std::string().swap(m_strConnectors);
    m_bOverwriteAll = false;
}

}  // namespace pinweave
