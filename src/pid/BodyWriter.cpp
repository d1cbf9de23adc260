// The rest of every PID file, part group by part group: the [wires] lines,
// the wire ends attached to fixture pins or numbered splices, and the [pins],
// [splices], [components] and [connectors] blocks.
#include "pid/ConversionEngine.h"

#include "common/MessageTable.h"
#include "pid/PathNames.h"
#include "pid/PidFormat.h"
#include "pid/RunMessages.h"

namespace pinweave {

namespace {

// Short pieces of a [pins] block are gathered up to this size before they
// are handed to the output file.
constexpr std::size_t kPinChunkSize = 64 * 1024;

}  // namespace

bool CConversionEngine::WriteBodySections()
{
    if (!WriteOutput(kPidWiresLine, kAllOutputs)) {
        return false;
    }
    // Part group n belongs to part number n. Groups missing at the end leave
    // their files ending after "[wires]"; a group beyond the last part number
    // has no file to go to and stops the run.
    int nIndex = 0;
    for (const CChildPtr& pGroup : m_rootConnection.m_lstChildren) {
        m_mapSpliceNumbers.clear();
        m_pinEnds.Clear();
        if (nIndex >= m_nPartCount) {
            return StopRun(
                FormatMessageText(kMsgSurplusPartGroup, {m_strCapHPath, std::to_string(m_nPartCount)}));
        }
        if (!WritePartGroup(*pGroup, nIndex)) {
            return false;
        }
        ++nIndex;
    }
    return true;
}

bool CConversionEngine::WritePartGroup(const CCapHElement& partGroup, int nIndex)
{
    if (!LogMessage(
            FormatTableMessage(IDS_PROCESSING_PART, {m_arrPartNumbers[static_cast<std::size_t>(nIndex)]}))) {
        return false;
    }
    std::string strSplices;
    std::string strComponents;
    for (const CChildPtr& pMember : partGroup.m_lstChildren) {
        const std::optional<std::string_view> strName = pMember->m_mapAttributes.Find("NAME");
        if (!strName) {
            continue;
        }
        bool bOk = true;
        if (EqualsNoCaseAscii(pMember->m_strType, "[WIRE]")) {
            bOk = WriteWire(*pMember, *strName, strSplices, nIndex);
        } else if (EqualsNoCaseAscii(pMember->m_strType, "[DIODE]")) {
            bOk = AddDiode(*pMember, *strName, strSplices, strComponents);
        }
        if (!bOk) {
            return false;
        }
    }

    if (!WriteOutput(kPidPinsLine, nIndex) || !WritePins(nIndex)) {
        return false;
    }
    if (!strSplices.empty() && !(WriteOutput(kPidSplicesLine, nIndex) && WriteOutput(strSplices, nIndex))) {
        return false;
    }
    if (!strComponents.empty() &&
        !(WriteOutput(kPidComponentsLine, nIndex) && WriteOutput(strComponents, nIndex))) {
        return false;
    }
    if (!WriteOutput(m_strConnectors, nIndex)) {
        return false;
    }

    // The file receives nothing more: put it on disk now. Its buffer serves
    // the next part's file, and is freed after the last.
    const auto nFile = static_cast<std::size_t>(nIndex);
    COutputFile& file = *m_arrOutputFiles[nFile];
    const bool bFlushed =
        nFile + 1 < m_arrOutputFiles.size() ? file.FlushInto(*m_arrOutputFiles[nFile + 1]) : file.Flush();
    if (!bFlushed) {
        return StopRun(FormatMessageText(kMsgOutputWriteError, {file.Path(), file.Error()}));
    }
    file.m_bComplete = true;
    return LogMessage(FormatTableMessage(IDS_PID_FILE_GENERATED, {FileNameOf(file.Path())}));
}

bool CConversionEngine::WriteWire(const CCapHElement& wire, std::string_view strName, std::string& strSplices,
                                  int nIndex)
{
    // The line stays in the file whatever becomes of the wire's ends.
    std::string strLine(strName);
    strLine += " 0 ";
    strLine += ColourFields(wire.Value("COLOR"));
    strLine += " 0\r\n";
    return WriteOutput(strLine, nIndex) && AttachEnds(wire, strSplices, strName, strName);
}

bool CConversionEngine::AddDiode(const CCapHElement& diode, std::string_view strName, std::string& strSplices,
                                 std::string& strComponents)
{
    const std::string strUnderscored = Underscored(strName);
    strComponents.append("DIODE 1 ").append(strUnderscored).append("_A ");
    strComponents.append(strUnderscored).append("_C 0\r\n");
    return AttachEnds(diode, strSplices, std::string(strName) + "_A", std::string(strName) + "_C");
}

bool CConversionEngine::AttachEnds(const CCapHElement& member, std::string& strSplices,
                                   std::string_view strNameA, std::string_view strNameB)
{
    // End B is tried only when end A found its place.
    if (AttachWireEnd(member.Value("CONNECTOR_A"), member.Value("PIN_A"), member.Value("SPLICE_A"),
                      strSplices, strNameA)) {
        AttachWireEnd(member.Value("CONNECTOR_B"), member.Value("PIN_B"), member.Value("SPLICE_B"),
                      strSplices, strNameB);
    }
    return !m_bLogFailed;
}

bool CConversionEngine::AttachWireEnd(std::string_view strConnector, std::string_view strPin,
                                      std::string_view strSplice, std::string& strSplices,
                                      std::string_view strWireName)
{
    // A connector decides the path; the end's splice is then not looked at.
    if (!strConnector.empty()) {
        if (strPin.empty()) {
            return false;
        }
        const std::size_t nRecord = m_pinTable.Find(strConnector, strPin);
        if (nRecord == CPinTable::npos) {
            LogMessage(FormatTableMessage(IDS_UNDEFINED_CONNECTOR, {strWireName, strConnector, strPin}));
            return false;
        }
        m_pinEnds.Add(nRecord, strWireName);
        return true;
    }
    if (strSplice.empty()) {
        LogMessage(FormatTableMessage(IDS_MISSING_ENDPOINT, {strWireName}));
        return false;
    }
    // Splices are numbered from 1 in the order this part first meets them.
    const auto [itSplice, bNew] = m_mapSpliceNumbers.try_emplace(std::string(strSplice));
    if (bNew) {
        itSplice->second = std::to_string(m_mapSpliceNumbers.size());
    }
    strSplices.append(itSplice->second).append(" ");
    AppendUnderscored(strSplices, strWireName);
    strSplices.append(kPidNewLine);
    return true;
}

bool CConversionEngine::WritePins(int nIndex)
{
    // Every pin of the run is listed in every file. The block is the run's
    // block of free pins with the lines of the part's attached pins put in:
    // the free lines up to the next attached pin are copied as they are, its
    // "(none)" line gives way to one line per wire end, in attach order.
    m_pinEnds.SortByRecord();
    const std::string_view strFree = m_pinTable.FreeLines();
    const std::vector<CPinEnds::CEnd>& arrEnds = m_pinEnds.Ends();

    // Short pieces are gathered into a chunk before they go to the file;
    // a piece that would overflow it, such as a long run of free lines,
    // follows the chunk as it stands.
    std::string strChunk;
    bool bOk = true;
    const auto put = [&](std::string_view strPiece) {
        if (strChunk.size() + strPiece.size() < kPinChunkSize) {
            strChunk.append(strPiece);
            return;
        }
        bOk = bOk && WriteOutput(strChunk, nIndex) && WriteOutput(strPiece, nIndex);
        strChunk.clear();
    };

    CPinTable::CLineCursor cursor(m_pinTable);
    std::size_t nFreeFrom = 0;  // the free lines before this offset are written or replaced
    for (std::size_t i = 0; i < arrEnds.size();) {
        const std::size_t nRecord = arrEnds[i].m_nRecord;
        const std::string_view strLine = cursor.Line(nRecord);
        const std::string_view strPrefix =
            strLine.substr(0, strLine.size() - kPidNoWire.size() - kPidNewLine.size());
        const auto nLineStart = static_cast<std::size_t>(strLine.data() - strFree.data());
        put(strFree.substr(nFreeFrom, nLineStart - nFreeFrom));
        for (; i < arrEnds.size() && arrEnds[i].m_nRecord == nRecord; ++i) {
            put(strPrefix);
            put(m_pinEnds.WireName(arrEnds[i]));
            put(kPidNewLine);
        }
        nFreeFrom = nLineStart + strLine.size();
    }
    put(strFree.substr(nFreeFrom));
    m_pinEnds.Clear();
    return bOk && WriteOutput(strChunk, nIndex);
}

}  // namespace pinweave
