// The rest of every PID file, part group by part group: the [wires] lines,
// the wire ends attached to fixture pins or numbered splices, and the [pins],
// [splices], [components] and [connectors] blocks.
//
// This is where a run spends its time once the CAP-H file is parsed: the
// members are read with one pass over their attributes, and every line goes
// straight into the part's output buffer in pieces, without a copy of its own.
#include "pid/ConversionEngine.h"

#include "common/MessageTable.h"
#include "pid/PathNames.h"
#include "pid/PidFormat.h"
#include "pid/RunMessages.h"

#include <iterator>

namespace pinweave {

namespace {

// The values a wire or diode is read for, fetched together.
enum EMemberValue { kName, kColour, kConnectorA, kPinA, kSpliceA, kConnectorB, kPinB, kSpliceB };
constexpr std::string_view kMemberKeys[] = {"NAME",     "COLOR",       "CONNECTOR_A", "PIN_A",
                                            "SPLICE_A", "CONNECTOR_B", "PIN_B",       "SPLICE_B"};
constexpr std::size_t kMemberValueCount = std::size(kMemberKeys);

// The fixed pieces of a [wires] line around its colour fields.
constexpr std::string_view kWireLineZero = " 0 ";
constexpr std::string_view kWireLineEnd = " 0\r\n";

}  // namespace

// A wire or diode of the part group being written, its values read at once.
struct CConversionEngine::CMember {
    bool m_bWire = false;  // else a diode
    std::string_view m_arrValues[kMemberValueCount];
};

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
    // Every write of the part goes to this file; without it (the run would
    // have stopped before) each write reports the index as WriteOutput does.
    const auto nFile = static_cast<std::size_t>(nIndex);
    COutputFile* const pFile = nFile < m_arrOutputFiles.size() ? m_arrOutputFiles[nFile].get() : nullptr;

    std::string strSplices;
    std::string strComponents;
    CMember member;
    for (const CChildPtr& pElement : partGroup.m_lstChildren) {
        if (!ReadMember(*pElement, member)) {
            continue;
        }
        const bool bOk = member.m_bWire ? WriteWire(member, strSplices, pFile, nIndex)
                                        : AddDiode(member, strSplices, strComponents);
        if (!bOk) {
            return false;
        }
    }

    if (!WritePartPieces(pFile, nIndex, kPidPinsLine) || !WritePins(pFile, nIndex)) {
        return false;
    }
    if (!strSplices.empty() && !WritePartPieces(pFile, nIndex, kPidSplicesLine, strSplices)) {
        return false;
    }
    if (!strComponents.empty() && !WritePartPieces(pFile, nIndex, kPidComponentsLine, strComponents)) {
        return false;
    }
    if (!WritePartPieces(pFile, nIndex, m_strConnectors)) {
        return false;
    }

    // The file receives nothing more: put it on disk now. Its buffer serves
    // the next part's file, and is freed after the last.
    COutputFile& file = *pFile;
    const bool bFlushed =
        nFile + 1 < m_arrOutputFiles.size() ? file.FlushInto(*m_arrOutputFiles[nFile + 1]) : file.Flush();
    if (!bFlushed) {
        return StopRun(FormatMessageText(kMsgOutputWriteError, {file.Path(), file.Error()}));
    }
    file.m_bComplete = true;
    return LogMessage(FormatTableMessage(IDS_PID_FILE_GENERATED, {FileNameOf(file.Path())}));
}

bool CConversionEngine::ReadMember(const CCapHElement& element, CMember& member)
{
    // Only wires and diodes with a NAME count; an empty NAME can still be a
    // stored one.
    if (EqualsNoCaseAscii(element.m_strType, "[WIRE]")) {
        member.m_bWire = true;
    } else if (EqualsNoCaseAscii(element.m_strType, "[DIODE]")) {
        member.m_bWire = false;
    } else {
        return false;
    }
    const CAttributeTable& attributes = element.m_mapAttributes;
    std::string_view* const arrValues = member.m_arrValues;
    attributes.FindValues(kMemberKeys, arrValues, kMemberValueCount);
    return !arrValues[kName].empty() || attributes.Find(kMemberKeys[kName]);
}

bool CConversionEngine::WriteWire(const CMember& wire, std::string& strSplices, COutputFile* pFile,
                                  int nIndex)
{
    // The line stays in the file whatever becomes of the wire's ends.
    const std::string_view strName = wire.m_arrValues[kName];
    const auto arrColour = ColourFieldPieces(wire.m_arrValues[kColour]);
    return WritePartPieces(pFile, nIndex, strName, kWireLineZero, arrColour[0], arrColour[1], arrColour[2],
                           kWireLineEnd) &&
           AttachEnds(wire, strSplices, strName, strName);
}

bool CConversionEngine::AddDiode(const CMember& diode, std::string& strSplices, std::string& strComponents)
{
    const std::string_view strName = diode.m_arrValues[kName];
    const std::string strUnderscored = Underscored(strName);
    strComponents.append("DIODE 1 ").append(strUnderscored).append("_A ");
    strComponents.append(strUnderscored).append("_C 0\r\n");
    return AttachEnds(diode, strSplices, std::string(strName) + "_A", std::string(strName) + "_C");
}

bool CConversionEngine::AttachEnds(const CMember& member, std::string& strSplices, std::string_view strNameA,
                                   std::string_view strNameB)
{
    // End B is tried only when end A found its place.
    const std::string_view* const arrValues = member.m_arrValues;
    if (AttachWireEnd(arrValues[kConnectorA], arrValues[kPinA], arrValues[kSpliceA], strSplices, strNameA)) {
        AttachWireEnd(arrValues[kConnectorB], arrValues[kPinB], arrValues[kSpliceB], strSplices, strNameB);
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
    // Splices are numbered from 1 in the order this part first meets them;
    // a number's text is made once.
    const auto [itSplice, bNew] = m_mapSpliceNumbers.try_emplace(strSplice);
    if (bNew) {
        itSplice->second = std::to_string(m_mapSpliceNumbers.size());
    }
    strSplices.append(itSplice->second).append(" ");
    AppendUnderscored(strSplices, strWireName);
    strSplices.append(kPidNewLine);
    return true;
}

bool CConversionEngine::WritePins(COutputFile* pFile, int nIndex)
{
    // Every pin of the run is listed in every file. The block is the run's
    // block of free pins with the lines of the part's attached pins put in:
    // the free lines up to the next attached pin are copied as they are, its
    // "(none)" line gives way to one line per wire end, in attach order.
    m_pinEnds.SortByRecord();
    const std::string_view strFree = m_pinTable.FreeLines();
    const std::vector<CPinEnds::CEnd>& arrEnds = m_pinEnds.Ends();

    CPinTable::CLineCursor cursor(m_pinTable);
    std::size_t nFreeFrom = 0;  // the free lines before this offset are written or replaced
    for (std::size_t i = 0; i < arrEnds.size();) {
        const std::size_t nRecord = arrEnds[i].m_nRecord;
        const std::string_view strLine = cursor.Line(nRecord);
        const std::string_view strPrefix =
            strLine.substr(0, strLine.size() - kPidNoWire.size() - kPidNewLine.size());
        const auto nLineStart = static_cast<std::size_t>(strLine.data() - strFree.data());
        // The free lines before the pin go out with its first end's line.
        std::string_view strFreeBefore = strFree.substr(nFreeFrom, nLineStart - nFreeFrom);
        for (; i < arrEnds.size() && arrEnds[i].m_nRecord == nRecord; ++i) {
            if (!WritePartPieces(pFile, nIndex, strFreeBefore, strPrefix, m_pinEnds.WireName(arrEnds[i]),
                                 kPidNewLine)) {
                return false;
            }
            strFreeBefore = {};
        }
        nFreeFrom = nLineStart + strLine.size();
    }
    m_pinEnds.Clear();
    return WritePartPieces(pFile, nIndex, strFree.substr(nFreeFrom));
}

}  // namespace pinweave
