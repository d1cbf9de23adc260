// The run itself: open and scan the CAP-H file, have the converter make each
// part's text and the output files take it, put the files in place, and
// leave nothing of the run behind however it ends.
#include "pid/ConversionEngine.h"

#include "caph/SectionScan.h"
#include "common/MessageTable.h"
#include "pid/CapHFile.h"
#include "pid/FileSystem.h"
#include "pid/GenerationDate.h"

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

CConversionEngine::CConversionEngine(IFrontEnd& frontEnd, const CInterrupt* pInterrupt)
    : m_fnNow([] { return std::time(nullptr); }), m_frontEnd(frontEnd), m_pInterrupt(pInterrupt)
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
    m_bReachedPlacing = false;
    m_bInterrupted = false;
    m_bFilesPlaced = false;
    m_bRunBegun = false;
    m_pLog = &m_frontEnd.Log();
    CCapHFile fileCapH;
    std::string strError;
    EFileKind kind = EFileKind::RegularFile;
    if (!fileCapH.Open(strCapHPath, strError, kind)) {
        m_pLog->ReportBeforeRun(
            FormatMessageText(kMsgCannotOpenCapH, {strCapHPath, WhyNotOpened(kind, strError)}));
        return false;
    }

    CRunStateGuard runState(*this);
    m_paths = CRunPaths{m_strInputPath, strCapHPath, m_strOutputPath};
    m_pLog->BeginRun(m_paths);
    m_bRunBegun = true;
    m_pOutputFiles = std::make_unique<COutputFiles>(m_frontEnd, *m_pLog);
    bool bOk = RunSteps(fileCapH);
    // From putting the files in place to "Completed", nothing stops the run
    // half way: the interrupt is no longer looked at, and the room for the
    // line is taken first, so that no lack of memory keeps a run whose files
    // are in place from saying so. A log that cannot take the line then does
    // not undo the run: the line goes where the user sees it (standard
    // error), and the run has completed.
    m_pLog->Reserve(std::strlen(MessageText(IDS_COMPLETED)));
    m_bReachedPlacing = !m_bInterrupted;
    bOk = m_pOutputFiles->FinishOutputFiles(bOk);
    m_bFilesPlaced = bOk;
    ResetRunState();
    if (bOk) {
        LogMessage(MessageText(IDS_COMPLETED));
    }
    m_pLog->EndRun();
    return bOk;
}

bool CConversionEngine::RunSteps(CCapHFile& fileCapH)
{
    if (!LogMessage(FormatTableMessage(IDS_STARTING_CONVERSION, {m_paths.m_strCapHPath})) ||
        !NotInterrupted() || !ReadAndScan(fileCapH) || !NotInterrupted() || !WriteHeaderSection() ||
        !NotInterrupted()) {
        return false;
    }
    m_pConverter->BuildConnectorsSection();
    return WriteBodySections() && NotInterrupted();
}

bool CConversionEngine::StopEscapedRun(const std::string& strReason)
{
    // The run state, and with it every temporary, goes first: then what the
    // run held is free again, and saying so needs no memory it cannot get.
    // Putting the files in place takes no memory once it renames, so an
    // error escapes it only before the first rename or after the last.
    const bool bMadeTemporaries = m_pOutputFiles != nullptr && m_pOutputFiles->MadeTemporaries();
    ResetRunState();
    if (!m_bRunBegun) {
        m_pLog = &m_frontEnd.Log();
        m_pLog->BeginRun(CRunPaths{m_strInputPath, m_strInputPath, m_strOutputPath});
    }
    if (m_bFilesPlaced) {
        LogMessage(MessageText(IDS_COMPLETED));
    } else {
        StopRun(strReason);
        if (bMadeTemporaries) {
            StopRun(kMsgNoOutputChanged);
        }
    }
    m_pLog->EndRun();
    return m_bFilesPlaced;
}

bool CConversionEngine::ReadAndScan(CCapHFile& fileCapH)
{
    CFileBytes& bytes = m_capHBytes;
    std::string strError;
    if (!fileCapH.ReadAll(bytes, strError)) {
        return StopRun(FormatMessageText(kMsgCapHReadError, {m_paths.m_strCapHPath, strError}));
    }
    fileCapH.Close();
    // A rejected section says why, in the same place as every other line.
    CScanFindings findings;
    if (const CParseResult result = ScanSections(bytes.data(), bytes.size(), m_rootHeader, m_rootConnection,
                                                 m_rootConnector, &findings, ELineEnds::Joined);
        !result) {
        return StopRun(result.m_strMessage);
    }
    // A section without its end marker means a file cut short: converting the
    // rest would write PID files that lack it and still say "Completed".
    if (!findings.strUnclosedSection.empty()) {
        return StopRun(
            FormatMessageText(kMsgUnclosedSection, {m_paths.m_strCapHPath, findings.strUnclosedSection,
                                                    findings.strUnclosedSection}));
    }
    // A file without a single section marker is no CAP-H export (an empty
    // file, some other text, or an export saved as UTF-16): "0 Part Number(s)
    // detected." and "Completed" would report a failure as success.
    if (!findings.bStartMarkerSeen) {
        const char* const pszText =
            BeginsWithUtf16Mark(std::string_view(bytes.data(), bytes.size())) ? kMsgUtf16CapH : kMsgNotCapH;
        return StopRun(FormatMessageText(pszText, {m_paths.m_strCapHPath}));
    }
    return true;
}

bool CConversionEngine::WriteHeaderSection()
{
    m_pConverter = std::make_unique<CPidConverter>(m_rootHeader, m_rootConnection, m_rootConnector,
                                                   m_paths.m_strCapHPath, GenerationDateText(m_fnNow()));
    const int nParts = m_pConverter->PartCount();
    if (!LogMessage(FormatTableMessage(IDS_PART_NUMBERS_DETECTED, {std::to_string(nParts)})) ||
        !m_pOutputFiles->CreateOutputFiles(m_paths, nParts, m_bOverwriteAll)) {
        return false;
    }
    CPartText text;
    for (int i = 0; i < nParts; ++i) {
        m_pConverter->WriteHeaderSection(i, text);
        if (!m_pOutputFiles->WritePart(text, i)) {
            return false;
        }
    }
    return true;
}

bool CConversionEngine::WriteBodySections()
{
    CPidConverter& converter = *m_pConverter;
    CPartText text;
    std::string strFileName;
    const int nGroups = converter.GroupCount();
    for (int i = 0; i < nGroups; ++i) {
        // A statement of its own, so that the line's text is gone before the
        // part is written: a part number may be as long as the file.
        if (!NotInterrupted() ||
            !LogMessage(FormatTableMessage(IDS_PROCESSING_PART, {converter.PartNumber(i)}))) {
            return false;
        }
        converter.WriteBodySections(i, text);
        // The part's lines reach the log (and its echo) once its file has
        // everything, whatever follows.
        if (!m_pOutputFiles->WritePart(text, i) || !m_pOutputFiles->EndPart(i, strFileName) ||
            !LogMessage(FormatTableMessage(IDS_PID_FILE_GENERATED, {strFileName})) || !m_pLog->Flush()) {
            return false;
        }
    }
    // Groups missing at the end leave their files ending after "[wires]"; a
    // group beyond the last part number has no file to go to.
    if (converter.HasSurplusGroups()) {
        return StopRun(FormatMessageText(kMsgSurplusPartGroup,
                                         {m_paths.m_strCapHPath, std::to_string(converter.PartCount())}));
    }
    return true;
}

bool CConversionEngine::NotInterrupted()
{
    const char* const pszCause = m_pInterrupt != nullptr ? m_pInterrupt->Cause() : nullptr;
    if (pszCause == nullptr) {
        return true;
    }
    m_bInterrupted = true;
    return StopRun(FormatMessageText(kMsgInterrupted, {pszCause}));
}

bool CConversionEngine::StopRun(const std::string& strLine)
{
    m_pLog->LogMessage(strLine, true);
    return false;
}

void CConversionEngine::ResetRunState()
{
    // Temporaries still here belong to a run that already reported its end;
    // their destructors remove them. The converter points into the roots,
    // and the roots into the CAP-H text: they go in this order.
    m_pOutputFiles.reset();
    m_pConverter.reset();
    m_rootHeader.Clear();
    m_rootConnection.Clear();
    m_rootConnector.Clear();
    m_capHBytes.Release();
    m_paths = CRunPaths();
}

} // namespace pinweave
