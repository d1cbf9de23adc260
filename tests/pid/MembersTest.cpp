// Which members of a part group the body writer takes, read through their
// values all at once: a stored NAME counts even when it is empty, and values
// are found however many other attributes a member carries.
#include "TestSupport.h"

#include "caph/SectionScan.h"

namespace pinweave {
namespace {

TEST(MembersTest, StoredNamesCountAndValuesAreFoundAmongMany)
{
    Lines arrCapH = {"[HEADER]", "[PN]",      "NAME=P1",     "[ENDPN]",     "[ENDHEADER]", "[CONNECTION]",
                     "[PART]",   "[WIRE]",    "NAME=W1",     "COLOR=RED",   "[ENDWIRE]", // NAME emptied below
                     "[DIODE]",  "NAME=D1",   "SPLICE_A=S1", "SPLICE_B=S2", "[ENDDIODE]", // likewise
                     "[WIRE]",   "COLOR=BLU", "SPLICE_A=S1", "[ENDWIRE]",                 // no NAME: skipped
                     "[wire]"};
    // A wire of more attributes than a small table searches one by one.
    for (int i = 0; i < 40; ++i) {
        arrCapH.push_back("X" + std::to_string(i) + "=" + std::to_string(i));
    }
    arrCapH.insert(arrCapH.end(),
                   {"NAME=W 4", "COLOR=GRN/YEL", "CONNECTOR_A=J1", "PIN_A=2", "SPLICE_B=S1", "[ENDWIRE]",
                    "[ENDPART]", "[ENDCONNECTION]", "[CONNECTOR]", "[FIXTURE]", "NAME=J1", "[PINS]", "NAME=1",
                    "NAME=2", "[ENDPINS]", "[ENDFIXTURE]", "[ENDCONNECTOR]"});
    CRunFixture run("members.tst", CrLf(arrCapH));
    CConversionEngine& engine = run.m_engine;
    std::string strBytes = ReadBytes(run.m_strCapHPath);
    ASSERT_TRUE(ScanSections(strBytes, engine.m_rootHeader, engine.m_rootConnection, engine.m_rootConnector));
    // The parser stores no empty value; a tree built otherwise can hold one.
    const CCapHElement& part = *engine.m_rootConnection.m_lstChildren.at(0);
    part.m_lstChildren.at(0)->m_mapAttributes.SetAt("NAME", "");
    part.m_lstChildren.at(1)->m_mapAttributes.SetAt("NAME", "");

    engine.m_strCapHPath = run.m_strCapHPath;
    ASSERT_TRUE(engine.WriteHeaderSection() && engine.BuildConnectorsSection() && engine.WriteBodySections());
    std::vector<std::string> arrLines;
    ASSERT_TRUE(engine.m_arrOutputFiles[0]->Flush() && engine.m_arrOutputFiles.PutInPlace(arrLines));
    engine.ResetRunState();
    const std::string strPid = ReadBytes(run.Out("members.pid"));
    const std::size_t nWires = strPid.find("[wires]\r\n");
    ASSERT_NE(nWires, std::string::npos);
    EXPECT_EQ(strPid.substr(nWires),
              CrLf({"[wires]", " 0 RED 0 0", "W 4 0 GRN YEL 0", "", "[pins]", "J1 1 (none)", "J1 2 W 4",
                    "[splices]", "1 _A", "2 _C", "1 W_4", "[components]", "DIODE 1 _A _C 0", "[connectors]",
                    "J1 2 0 0 0 - -1 -1"}));
}

} // namespace
} // namespace pinweave
