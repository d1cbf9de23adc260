// The run itself: open and scan the CAP-H file, run the three writers, close
// the output files, and leave nothing of the run behind however it ends.
#include "pid/ConversionEngine.h"

#include "caph/CapHFile.h"
#include "caph/SectionScan.h"
#include "common/MessageTable.h"
#include "pid/FileSystem.h"
#include "pid/ReportHookGuard.h"

#include <cstring>
#include <exception>
#include <new>
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

// Why the CAP-H file was not opened: the system's reason, or what the path
// names instead of a file.
std::string WhyNotOpened(EFileKind kind, const std::string& strError)
{
    switch (kind) {
    case EFileKind::RegularFile:
    case EFileKind::Folder:
        return strError;
    case EFileKind::CharacterDevice:
        return kReasonCharacterDevice;
    case EFileKind::BlockDevice:
        return kReasonBlockDevice;
    case EFileKind::Fifo:
        return kReasonFifo;
    case EFileKind::Socket:
        return kReasonSocket;
    case EFileKind::Other:
        break;
    }
    return kReasonNotAFile;
}

} // namespace

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
    try {
        return Convert(strCapHPath);
    } catch (const std::bad_alloc&) {
        return StopEscapedRun(kMsgOutOfMemory);
    } catch (const std::exception& e) {
        return StopEscapedRun(FormatMessageText(kMsgInternalError, {e.what()}));
    }
}

bool CConversionEngine::Convert(const std::string& strCapHPath)
{
    CCapHFile fileCapH;
    std::string strError;
    EFileKind kind = EFileKind::RegularFile;
    if (!fileCapH.Open(strCapHPath, strError, kind)) {
        ReportCapHNotOpened(
            FormatMessageText(kMsgCannotOpenCapH, {strCapHPath, WhyNotOpened(kind, strError)}));
        return false;
    }

    CRunStateGuard runState(*this);
    {
        std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
        m_bRunning = true;
        m_bAbandoned = false;
        m_bLogFailed = false;
        m_bPlacing = false;
        m_bFilesPlaced = false;
    }
    m_strCapHPath = strCapHPath;
    bool bOk = false;
    {
        // A rejected section says why, in the same place as every other line.
        CReportHookGuard parserReports([this](int, const char* pszText) { StopRun(pszText); });
        bOk = RunSteps(fileCapH);
    }
    // From putting the files in place to "Completed", nothing can stop the
    // run half way: an AbandonRun waits, and then finds the run past that
    // point; and the room for the line is taken first, so that no lack of
    // memory keeps a run whose files are in place from saying so. A log that
    // cannot take the line then does not undo the run: the line goes where
    // the user sees it (standard error), and the run has completed.
    std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
    ReserveLogLine(std::strlen(MessageText(IDS_COMPLETED)));
    bOk = FinishOutputFiles(bOk);
    ResetRunState();
    if (bOk) {
        LogMessage(MessageText(IDS_COMPLETED));
    }
    CloseLog();
    m_bRunning = false;
    return bOk;
}

bool CConversionEngine::RunSteps(CCapHFile& fileCapH)
{
    return LogMessage(FormatTableMessage(IDS_STARTING_CONVERSION, {m_strCapHPath})) &&
           ReadAndScan(fileCapH) && RunWriters();
}

bool CConversionEngine::StopEscapedRun(const std::string& strReason)
{
    // The run state, and with it every temporary, goes first: then what the
    // run held is free again, and saying so needs no memory it cannot get.
    // Putting the files in place takes no memory once it renames, so an
    // error escapes it only before the first rename or after the last.
    const bool bMadeTemporaries = m_arrOutputFiles.MadeTemporaries();
    ResetRunState();
    if (m_bFilesPlaced) {
        LogMessage(MessageText(IDS_COMPLETED));
    } else {
        StopRun(strReason);
        if (bMadeTemporaries) {
            StopRun(kMsgNoOutputChanged);
        }
    }
    CloseLog();
    std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
    m_bRunning = false;
    return m_bFilesPlaced;
}

bool CConversionEngine::ReadAndScan(CCapHFile& fileCapH)
{
    CFileBytes& bytes = m_capHBytes;
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
    return WriteHeaderSection() && BuildConnectorsSection() && WriteBodySections();
}

void CConversionEngine::ReleaseTrees()
{
    // The pin table refers to the connector root's names: it goes first.
    m_pinTable.Clear();
    m_pinEnds.Release();
    m_rootHeader.Clear();
    m_rootConnection.Clear();
    m_rootConnector.Clear();
    m_capHBytes.Release(); // last: the trees point into it
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
    LogLine(strMessage, true);
    return false;
}

CConversionEngine::EAbandoned CConversionEngine::AbandonRun(const std::string& strReason)
{
    std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
    if (m_bPlacing) {
        return m_bFilesPlaced ? EAbandoned::TooLateCompleted : EAbandoned::TooLateStopped;
    }
    if (!m_bRunning || m_bAbandoned) {
        return EAbandoned::NoRun;
    }
    StopRun(strReason);
    // Only the temporaries go: the files themselves belong to the thread of
    // the run, which may be writing into their buffers right now.
    DiscardOutputFiles(true);
    FlushLog();
    m_bAbandoned = true;
    return EAbandoned::Stopped;
}

void CConversionEngine::ResetRunState()
{
    // Temporaries still here belong to a run that already reported its end;
    // their destructors remove them.
    {
        std::lock_guard<std::recursive_mutex> lock(m_mtxRun);
        m_arrOutputFiles.Clear();
    }
    m_strCapHPath.clear();
    ReleaseTrees();
    m_nPartCount = 0;
    std::vector<std::string>().swap(m_arrPartNumbers);
    m_mapSpliceNumbers.clear();
    std::string().swap(m_strConnectors);
    m_bOverwriteAll = false;
}

} // namespace pinweave
