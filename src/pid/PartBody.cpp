// Making a part group's body: each wire or diode is read with one pass over
// its attributes, its [wires] line appended, its ends attached to fixture pins
// or numbered splices. This is where a run spends most of its time once the
// CAP-H file is parsed.
#include "pid/PartBody.h"

#include "common/MessageTable.h"
#include "pid/PidFormat.h"

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

// A wire or diode of the part group, its values read at once.
struct CMember {
    bool m_bWire = false; // else a diode
    std::string_view m_arrValues[kMemberValueCount];
};

bool ReadMember(const CCapHElement& element, CMember& member)
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

class CBodyMaker {
public:
    CBodyMaker(const CPinTable& pinTable, CPartBody& body) : m_pinTable(pinTable), m_body(body) {}

    void AddWire(const CMember& wire)
    {
        // The line stays in the file whatever becomes of the wire's ends.
        const std::string_view strName = wire.m_arrValues[kName];
        const auto arrColour = ColourFieldPieces(wire.m_arrValues[kColour]);
        m_body.m_strWires.append(strName).append(kWireLineZero);
        m_body.m_strWires.append(arrColour[0]).append(arrColour[1]).append(arrColour[2]).append(kWireLineEnd);
        AttachEnds(wire, strName, strName);
    }

    void AddDiode(const CMember& diode)
    {
        const std::string_view strName = diode.m_arrValues[kName];
        const std::string strUnderscored = Underscored(strName);
        std::string& strComponents = m_body.m_strComponents;
        strComponents.append("DIODE 1 ").append(strUnderscored).append("_A ");
        strComponents.append(strUnderscored).append("_C 0\r\n");
        AttachEnds(diode, std::string(strName) + "_A", std::string(strName) + "_C");
    }

private:
    void AttachEnds(const CMember& member, std::string_view strNameA, std::string_view strNameB)
    {
        // End B is tried only when end A found its place.
        const std::string_view* const arrValues = member.m_arrValues;
        if (AttachEnd(arrValues[kConnectorA], arrValues[kPinA], arrValues[kSpliceA], strNameA)) {
            AttachEnd(arrValues[kConnectorB], arrValues[kPinB], arrValues[kSpliceB], strNameB);
        }
    }

    bool AttachEnd(std::string_view strConnector, std::string_view strPin, std::string_view strSplice,
                   std::string_view strWireName)
    {
        const bool bAttached =
            AttachEndTo(m_pinTable, m_body, strConnector, strPin, strSplice, strWireName, m_strLogLine);
        if (!m_strLogLine.empty()) {
            m_body.m_lstLogLines.push_back({m_body.m_strWires.size(), std::move(m_strLogLine)});
            m_strLogLine.clear();
        }
        return bAttached;
    }

    const CPinTable& m_pinTable;
    CPartBody& m_body;
    std::string m_strLogLine;
};

} // namespace

void CPartBody::Clear()
{
    m_strWires.clear();
    m_lstLogLines.clear();
    m_pinEnds.Clear();
    m_mapSpliceNumbers.clear();
    m_strSplices.clear();
    m_strComponents.clear();
}

void MakePartBody(const CPinTable& pinTable, std::string_view strPartNumber, const CCapHElement& partGroup,
                  CPartBody& body)
{
    body.Clear();
    body.m_strPartNumber = strPartNumber;
    CBodyMaker maker(pinTable, body);
    CMember member;
    for (const CCapHElement* pElement : partGroup.m_lstChildren) {
        if (!ReadMember(*pElement, member)) {
            continue;
        }
        if (member.m_bWire) {
            maker.AddWire(member);
        } else {
            maker.AddDiode(member);
        }
    }
    body.m_pinEnds.SortByRecord();
}

bool AttachEndTo(const CPinTable& pinTable, CPartBody& body, std::string_view strConnector,
                 std::string_view strPin, std::string_view strSplice, std::string_view strWireName,
                 std::string& strLogLine)
{
    // A connector decides the path; the end's splice is then not looked at.
    if (!strConnector.empty()) {
        if (strPin.empty()) {
            return false;
        }
        const std::size_t nRecord = pinTable.Find(strConnector, strPin);
        if (nRecord == CPinTable::npos) {
            strLogLine = FormatTableMessage(IDS_UNDEFINED_CONNECTOR, {strWireName, strConnector, strPin});
            return false;
        }
        body.m_pinEnds.Add(nRecord, strWireName);
        return true;
    }
    if (strSplice.empty()) {
        strLogLine = FormatTableMessage(IDS_MISSING_ENDPOINT, {strWireName});
        return false;
    }
    // Splices are numbered from 1 in the order this part first meets them;
    // a number's text is made once.
    const auto [itSplice, bNew] = body.m_mapSpliceNumbers.try_emplace(strSplice);
    if (bNew) {
        itSplice->second = std::to_string(body.m_mapSpliceNumbers.size());
    }
    body.m_strSplices.append(itSplice->second).append(" ");
    AppendUnderscored(body.m_strSplices, strWireName);
    body.m_strSplices.append(kPidNewLine);
    return true;
}

} // namespace pinweave
