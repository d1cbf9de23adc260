// The three writers of a PID file's text: the comment block and [header]
// section, the pin table and [connectors] block, and each part's body.
//
// Each group's body is made (MakePartBody) and handed back as views in file
// order, its log lines among them at exactly the points where the group gives
// rise to them, so a run that stops on a log or write failure stops right
// after the wire whose end called for the line. Making the bodies ahead on
// threads of their own bought at most 1.13x on the 100 MB bench case (their
// share of the run's processor time was 12 %; 19 % with 180,000 warning
// lines).
#include "pid/PidConverter.h"

#include "pid/PidFormat.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace pinweave {

namespace {

// The pin list of a fixture is its first child; a fixture without children
// has none.
const CAttributeTable* PinListOf(const CCapHElement& fixture)
{
    return fixture.m_lstChildren.empty() ? nullptr : &fixture.m_lstChildren.front()->m_mapAttributes;
}

void AddPiece(CPartText& text, std::string_view strPiece)
{
    if (!strPiece.empty()) {
        text.m_arrPieces.push_back(strPiece);
    }
}

} // namespace

std::string CPartText::Bytes() const
{
    std::string strBytes;
    for (const std::string_view strPiece : m_arrPieces) {
        strBytes.append(strPiece);
    }
    return strBytes;
}

CPidConverter::CPidConverter(const CCapHElement& rootHeader, const CCapHElement& rootConnection,
                             const CCapHElement& rootConnector, std::string_view strCapHPath,
                             std::string_view strDate)
    : m_rootConnection(rootConnection), m_rootConnector(rootConnector)
{
    // Every child of the header root is a part number, whatever its type.
    m_arrPartNumbers.reserve(rootHeader.m_lstChildren.size());
    for (const CCapHElement* pPart : rootHeader.m_lstChildren) {
        m_arrPartNumbers.push_back(pPart->Value("NAME"));
    }
    // Comment lines 1 to 3 are the same in every file, the date taken once.
    m_strComment.assign(kPidCommentFirst).append(strCapHPath).append(kPidCommentDate);
    m_strComment.append(strDate).append(kPidNewLine);
    m_strHeader.assign(kPidHeaderLine);
    for (const char* pszKey : {"FAMILY", "CLIENTFAM", "DATE", "CLIENT", "EXTRA"}) {
        m_strHeader.append(rootHeader.Value(pszKey)).append(kPidNewLine);
    }
    // Lines 6 to 9: the part number, then header values again (EXTRA twice in
    // every file is what the tester's importer expects).
    for (const char* pszKey : {"CLIENTPN", "LEVEL", "EXTRA"}) {
        m_strTail.append(rootHeader.Value(pszKey)).append(kPidNewLine);
    }
}

void CPidConverter::WriteHeaderSection(int nPart, CPartText& text) const
{
    text.Clear();
    const std::string_view strPart = PartNumber(nPart);
    for (const std::string_view strPiece :
         {std::string_view(m_strComment), kPidCommentPart, strPart, kPidNewLine,
          std::string_view(m_strHeader), strPart, kPidNewLine, std::string_view(m_strTail), kPidWiresLine}) {
        AddPiece(text, strPiece);
    }
}

void CPidConverter::BuildConnectorsSection()
{
    m_strConnectors.assign(kPidConnectorsLine);
    m_pinTable.Clear();

    // The fixtures first, with the number of entries of their pin lists, so
    // that the pin table is sized once, whatever the number of pins.
    std::vector<std::pair<std::string_view, const CCapHElement*>> arrFixtures;
    std::size_t nEntries = 0;
    for (const CCapHElement* pChild : m_rootConnector.m_lstChildren) {
        const std::optional<std::string_view> strName = pChild->m_mapAttributes.Find("NAME");
        if (strName && EqualsNoCaseAscii(pChild->m_strType, "[FIXTURE]")) {
            arrFixtures.emplace_back(*strName, pChild);
            const CAttributeTable* pPins = PinListOf(*pChild);
            nEntries += pPins != nullptr ? pPins->GetCount() : 0;
        }
    }
    m_pinTable.Reserve(arrFixtures.size(), nEntries);

    std::string strKey;
    for (const auto& [strConnector, pFixture] : arrFixtures) {
        m_pinTable.AddFixture(strConnector);
        // The pins are the NAME values of the pin list, stored under NAME,
        // NAME||1, NAME||2 ... up to its entry count - 1. A position whose key
        // another attribute took holds no pin and is not counted.
        std::size_t nPins = 0;
        if (const CAttributeTable* pPins = PinListOf(*pFixture)) {
            for (std::size_t i = 0; i < pPins->GetCount(); ++i) {
                strKey.assign("NAME");
                if (i > 0) {
                    strKey.append("||").append(std::to_string(i));
                }
                const std::optional<std::string_view> strPin = pPins->Find(strKey);
                if (strPin) {
                    m_pinTable.AddPin(*strPin);
                    ++nPins;
                }
            }
        }
        AppendUnderscored(m_strConnectors, strConnector);
        m_strConnectors.append(" ").append(std::to_string(nPins)).append(" 0 0 0 - -1 -1\r\n");
    }
    m_pinTable.Complete();
}

int CPidConverter::GroupCount() const
{
    return static_cast<int>(std::min(m_rootConnection.m_lstChildren.size(), m_arrPartNumbers.size()));
}

void CPidConverter::WriteBodySections(int nPart, CPartText& text)
{
    text.Clear();
    MakePartBody(m_pinTable, PartNumber(nPart),
                 *m_rootConnection.m_lstChildren[static_cast<std::size_t>(nPart)], m_body);

    // The wire lines up to each log line, then the line itself.
    const std::string_view strWires = m_body.m_strWires;
    std::size_t nWritten = 0;
    for (const CPartBody::CLogLine& line : m_body.m_lstLogLines) {
        AddPiece(text, strWires.substr(nWritten, line.m_nAt - nWritten));
        nWritten = line.m_nAt;
        text.m_arrLogLines.push_back({text.m_arrPieces.size(), &line.m_strText});
    }
    AddPiece(text, strWires.substr(nWritten));

    AddPiece(text, kPidPinsLine);
    AddPins(text);
    if (!m_body.m_strSplices.empty()) {
        AddPiece(text, kPidSplicesLine);
        AddPiece(text, m_body.m_strSplices);
    }
    if (!m_body.m_strComponents.empty()) {
        AddPiece(text, kPidComponentsLine);
        AddPiece(text, m_body.m_strComponents);
    }
    AddPiece(text, m_strConnectors);
}

void CPidConverter::AddPins(CPartText& text) const
{
    // Every pin of the run is listed in every file. The block is the run's
    // block of free pins with the lines of the part's attached pins put in:
    // the free lines up to the next attached pin are copied as they are, its
    // "(none)" line gives way to one line per wire end, in attach order.
    const std::string_view strFree = m_pinTable.FreeLines();
    const CPinEnds& pinEnds = m_body.m_pinEnds;
    const std::vector<CPinEnds::CEnd>& arrEnds = pinEnds.Ends();

    CPinTable::CLineCursor cursor(m_pinTable);
    std::size_t nFreeFrom = 0; // the free lines before this offset are written or replaced
    for (std::size_t i = 0; i < arrEnds.size();) {
        const std::size_t nRecord = arrEnds[i].m_nRecord;
        const std::string_view strLine = cursor.Line(nRecord);
        const std::string_view strPrefix =
            strLine.substr(0, strLine.size() - kPidNoWire.size() - kPidNewLine.size());
        const auto nLineStart = static_cast<std::size_t>(strLine.data() - strFree.data());
        AddPiece(text, strFree.substr(nFreeFrom, nLineStart - nFreeFrom));
        for (; i < arrEnds.size() && arrEnds[i].m_nRecord == nRecord; ++i) {
            AddPiece(text, strPrefix);
            AddPiece(text, pinEnds.WireName(arrEnds[i]));
            AddPiece(text, kPidNewLine);
        }
        nFreeFrom = nLineStart + strLine.size();
    }
    AddPiece(text, strFree.substr(nFreeFrom));
}

} // namespace pinweave
