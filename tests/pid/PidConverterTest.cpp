// The converter on its own, no disk and no front end: which members of a
// part group the body writer takes, read through their values all at once (a
// stored NAME counts even when it is empty, values are found however many
// other attributes a member carries), and the log lines among the bytes.
#include "TestSupport.h"

#include "caph/SectionScan.h"
#include "pid/PidConverter.h"

namespace pinweave {
namespace {

TEST(PidConverterTest, StoredNamesCountAndValuesAreFoundAmongMany)
{
    Lines arrCapH = {
        "[HEADER]", "FAMILY=F",  "[PN]",           "NAME=P1",     "[ENDPN]",    "[ENDHEADER]", "[CONNECTION]",
        "[PART]",   "[WIRE]",    "NAME=W1",        "COLOR=RED",   "[ENDWIRE]",  // NAME emptied below
        "[DIODE]",  "NAME=D1",   "SPLICE_A=S1",    "SPLICE_B=S2", "[ENDDIODE]", // likewise
        "[WIRE]",   "COLOR=BLU", "SPLICE_A=S1",    "[ENDWIRE]",                 // no NAME: skipped
        "[WIRE]",   "NAME=W5",   "CONNECTOR_A=J9", "PIN_A=1",     "[ENDWIRE]",  // no such pin
        "[wire]"};
    // A wire of more attributes than a small table searches one by one.
    for (int i = 0; i < 40; ++i) {
        arrCapH.push_back("X" + std::to_string(i) + "=" + std::to_string(i));
    }
    arrCapH.insert(arrCapH.end(),
                   {"NAME=W 4", "COLOR=GRN/YEL", "CONNECTOR_A=J1", "PIN_A=2", "SPLICE_B=S1", "[ENDWIRE]",
                    "[ENDPART]", "[ENDCONNECTION]", "[CONNECTOR]", "[FIXTURE]", "NAME=J1", "[PINS]", "NAME=1",
                    "NAME=2", "[ENDPINS]", "[ENDFIXTURE]", "[ENDCONNECTOR]"});
    std::string strBytes = CrLf(arrCapH);
    CCapHElement rootHeader, rootConnection, rootConnector;
    ASSERT_TRUE(ScanSections(strBytes, rootHeader, rootConnection, rootConnector));
    // The parser stores no empty value; a tree built otherwise can hold one.
    const CCapHElement& part = *rootConnection.m_lstChildren.at(0);
    part.m_lstChildren.at(0)->m_mapAttributes.SetAt("NAME", "");
    part.m_lstChildren.at(1)->m_mapAttributes.SetAt("NAME", "");

    CPidConverter converter(rootHeader, rootConnection, rootConnector, "C:\\x.tst", "DATE");
    ASSERT_EQ(converter.PartCount(), 1);
    EXPECT_EQ(converter.PartNumber(0), "P1");
    CPartText text;
    converter.WriteHeaderSection(0, text);
    EXPECT_TRUE(text.m_arrLogLines.empty());
    EXPECT_EQ(text.Bytes(),
              CrLf({"; Generated from CAP-H file:", "; C:\\x.tst", "; Date:  DATE", "; Part #P1", "[header]",
                    "F", "", "", "", "", "P1", "", "", "", "[wires]"}));

    converter.BuildConnectorsSection();
    ASSERT_EQ(converter.GroupCount(), 1);
    EXPECT_FALSE(converter.HasSurplusGroups());
    converter.WriteBodySections(0, text);
    EXPECT_EQ(text.Bytes(), CrLf({" 0 RED 0 0", "W5 0  0 0 0", "W 4 0 GRN YEL 0", "", "[pins]", "J1 1 (none)",
                                  "J1 2 W 4", "[splices]", "1 _A", "2 _C", "1 W_4", "[components]",
                                  "DIODE 1 _A _C 0", "[connectors]", "J1 2 0 0 0 - -1 -1"}));
    // Each log line stands right after the wire line whose end called for it.
    std::string strWithLines;
    for (std::size_t i = 0, nLine = 0; i < text.m_arrPieces.size(); strWithLines += text.m_arrPieces[i++]) {
        for (; nLine < text.m_arrLogLines.size() && text.m_arrLogLines[nLine].m_nBeforePiece == i; ++nLine) {
            strWithLines += "<" + *text.m_arrLogLines[nLine].m_pText + ">";
        }
    }
    EXPECT_EQ(
        strWithLines.substr(0, strWithLines.find("W 4")),
        " 0 RED 0 0\r\n<Wire '' is missing an endpoint (connector-pin or splice).  Skipping this wire.>"
        "W5 0  0 0 0\r\n<Wire 'W5' references undefined connector 'J9' or pin '1'.  Skipping this wire.>");
}

} // namespace
} // namespace pinweave
