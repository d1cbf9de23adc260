// The rest of every PID file, part group by part group: the [wires] lines,
// the wire ends attached to fixture pins or numbered splices, and the [pins],
// [splices], [components] and [connectors] blocks.
//
// Each group's body is made (MakePartBody) and written here in order: its
// bytes go to the part's file and its log lines to the log at exactly the
// points where the group gives rise to them, so a run that stops on a log or
// write failure stops where it always did. Making the bodies ahead on threads
// of their own bought at most 1.13x on the 100 MB bench case (their share of
// the run's processor time was 12 %; 19 % with 180,000 warning lines).
#include "pid/ConversionEngine.h"

#include "common/MessageTable.h"
#include "pid/PathNames.h"
#include "pid/PidFormat.h"

namespace pinweave {

// Writes to part nIndex's file as WriteOutput would, minus the search for
// the file: the same bytes, the same report when they cannot be written.
template <typename... TPieces>
bool CConversionEngine::WritePartPieces(COutputFile* pFile, int nIndex, const TPieces&... pieces)
{
    if (pFile == nullptr) {
        return WriteOutput({}, nIndex);
    }
    if (!pFile->WritePieces(pieces...)) {
        return StopRun(FormatMessageText(kMsgOutputWriteError, {pFile->Path(), pFile->Error()}));
    }
    return true;
}

bool CConversionEngine::WriteBodySections()
{
    if (!WriteOutput(kPidWiresLine, kAllOutputs)) {
        return false;
    }
    // Part group n belongs to part number n. Groups missing at the end leave
    // their files ending after "[wires]"; a group beyond the last part number
    // has no file to go to and stops the run.
    std::vector<const CCapHElement*> lstGroups;
    for (const CCapHElement* pGroup : m_rootConnection.m_lstChildren) {
        if (lstGroups.size() == static_cast<std::size_t>(m_nPartCount)) {
            break;
        }
        lstGroups.push_back(pGroup);
    }
    CPartBody body;
    for (std::size_t i = 0; i < lstGroups.size(); ++i) {
        // A statement of its own, so that the line's text is gone before the
        // part is written: a part number may be as long as the file.
        if (!LogMessage(FormatTableMessage(IDS_PROCESSING_PART, {m_arrPartNumbers[i]}))) {
            return false;
        }
        MakePartBody(m_pinTable, *lstGroups[i], body);
        if (!WritePartGroup(body, static_cast<int>(i))) {
            return false;
        }
    }
    if (m_rootConnection.m_lstChildren.size() > lstGroups.size()) {
        return StopRun(
            FormatMessageText(kMsgSurplusPartGroup, {m_strCapHPath, std::to_string(m_nPartCount)}));
    }
    return true;
}

bool CConversionEngine::WritePartGroup(const CPartBody& body, int nIndex)
{
    // Every write of the part goes to this file; without it (the run would
    // have stopped before) each write reports the index as WriteOutput does.
    const auto nFile = static_cast<std::size_t>(nIndex);
    COutputFile* const pFile = nFile < m_arrOutputFiles.size() ? m_arrOutputFiles[nFile].get() : nullptr;

    // The wire lines up to each log line, then the line itself: a log that
    // fails stops the run right after the wire whose end called for it.
    const std::string_view strWires = body.m_strWires;
    std::size_t nWritten = 0;
    for (const CPartBody::CLogLine& line : body.m_lstLogLines) {
        if (!WritePartPieces(pFile, nIndex, strWires.substr(nWritten, line.m_nAt - nWritten))) {
            return false;
        }
        nWritten = line.m_nAt;
        LogMessage(line.m_strText);
        if (m_bLogFailed) {
            return false;
        }
    }
    if (!WritePartPieces(pFile, nIndex, strWires.substr(nWritten))) {
        return false;
    }

    if (!WritePartPieces(pFile, nIndex, kPidPinsLine) || !WritePins(body.m_pinEnds, pFile, nIndex)) {
        return false;
    }
    if (!body.m_strSplices.empty() && !WritePartPieces(pFile, nIndex, kPidSplicesLine, body.m_strSplices)) {
        return false;
    }
    if (!body.m_strComponents.empty() &&
        !WritePartPieces(pFile, nIndex, kPidComponentsLine, body.m_strComponents)) {
        return false;
    }
    if (!WritePartPieces(pFile, nIndex, m_strConnectors)) {
        return false;
    }

    // The file receives nothing more: put it into its temporary now. Its
    // buffer serves the next part's file, and is freed after the last.
    COutputFile& file = *pFile;
    const bool bFlushed =
        nFile + 1 < m_arrOutputFiles.size() ? file.FlushInto(*m_arrOutputFiles[nFile + 1]) : file.Flush();
    if (!bFlushed) {
        return StopRun(FormatMessageText(kMsgOutputWriteError, {file.Path(), file.Error()}));
    }
    // The part's lines reach the log (and its echo) now, whatever follows.
    return LogMessage(FormatTableMessage(IDS_PID_FILE_GENERATED, {FileNameOf(file.Path())})) && FlushLog();
}

bool CConversionEngine::AttachWireEnd(std::string_view strConnector, std::string_view strPin,
                                      std::string_view strSplice, std::string& strSplices,
                                      std::string_view strWireName)
{
    std::string strLogLine;
    const bool bAttached = AttachEndTo(m_pinTable, m_pinEnds, m_mapSpliceNumbers, strConnector, strPin,
                                       strSplice, strSplices, strWireName, strLogLine);
    if (!strLogLine.empty()) {
        LogMessage(strLogLine);
    }
    return bAttached;
}

bool CConversionEngine::WritePins(const CPinEnds& pinEnds, COutputFile* pFile, int nIndex)
{
    // Every pin of the run is listed in every file. The block is the run's
    // block of free pins with the lines of the part's attached pins put in:
    // the free lines up to the next attached pin are copied as they are, its
    // "(none)" line gives way to one line per wire end, in attach order.
    const std::string_view strFree = m_pinTable.FreeLines();
    const std::vector<CPinEnds::CEnd>& arrEnds = pinEnds.Ends();

    CPinTable::CLineCursor cursor(m_pinTable);
    std::size_t nFreeFrom = 0; // the free lines before this offset are written or replaced
    for (std::size_t i = 0; i < arrEnds.size();) {
        const std::size_t nRecord = arrEnds[i].m_nRecord;
        const std::string_view strLine = cursor.Line(nRecord);
        const std::string_view strPrefix =
            strLine.substr(0, strLine.size() - kPidNoWire.size() - kPidNewLine.size());
        const auto nLineStart = static_cast<std::size_t>(strLine.data() - strFree.data());
        // The free lines before the pin go out with its first end's line.
        std::string_view strFreeBefore = strFree.substr(nFreeFrom, nLineStart - nFreeFrom);
        for (; i < arrEnds.size() && arrEnds[i].m_nRecord == nRecord; ++i) {
            if (!WritePartPieces(pFile, nIndex, strFreeBefore, strPrefix, pinEnds.WireName(arrEnds[i]),
                                 kPidNewLine)) {
                return false;
            }
            strFreeBefore = {};
        }
        nFreeFrom = nLineStart + strLine.size();
    }
    return WritePartPieces(pFile, nIndex, strFree.substr(nFreeFrom));
}

} // namespace pinweave
