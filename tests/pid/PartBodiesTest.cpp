// Bodies made ahead on another thread are the bodies made one by one, in
// the same order, however far ahead the maker runs and wherever the writer
// stops taking them.
#include "TestSupport.h"

#include "caph/SectionScan.h"
#include "pid/PartBodies.h"

namespace pinweave {
namespace {

// A run of nGroups part groups that differ from each other: wires on pins,
// on splices, on an undefined connector and without an end, and diodes.
Lines ManyGroups(int nGroups)
{
    Lines arrCapH = {"[HEADER]", "[ENDHEADER]", "[CONNECTION]"};
    for (int g = 0; g < nGroups; ++g) {
        arrCapH.push_back("[PN=" + std::to_string(g) + "]");
        for (int w = 0; w <= g % 7; ++w) {
            const std::string strWire = "W" + std::to_string(g) + "_" + std::to_string(w);
            arrCapH.insert(arrCapH.end(), {"[WIRE]", "NAME=" + strWire, "COLOR=RED/BLU"});
            switch ((g + w) % 4) {
            case 0:
                arrCapH.insert(arrCapH.end(), {"CONNECTOR_A=J1", "PIN_A=" + std::to_string(1 + w % 4),
                                               "SPLICE_B=S" + std::to_string(w % 3)});
                break;
            case 1:
                arrCapH.insert(arrCapH.end(), {"CONNECTOR_A=J9", "PIN_A=1"}); // undefined connector
                break;
            case 2:
                arrCapH.insert(arrCapH.end(), {"PIN_A=1"}); // no end at all
                break;
            default:
                arrCapH.insert(arrCapH.end(), {"SPLICE_A=S1", "CONNECTOR_B=J1", "PIN_B=2"});
            }
            arrCapH.push_back("[ENDWIRE]");
        }
        if (g % 3 == 0) {
            arrCapH.insert(arrCapH.end(), {"[DIODE]", "NAME=D" + std::to_string(g), "SPLICE_A=S1",
                                           "CONNECTOR_B=J1", "PIN_B=4", "[ENDDIODE]"});
        }
        arrCapH.push_back("[ENDPN]");
    }
    arrCapH.insert(arrCapH.end(),
                   {"[ENDCONNECTION]", "[CONNECTOR]", "[FIXTURE]", "NAME=J1", "[PINS]", "NAME=1", "NAME=2",
                    "NAME=3", "NAME=4", "[ENDPINS]", "[ENDFIXTURE]", "[ENDCONNECTOR]"});
    return arrCapH;
}

// Everything a body holds, as text.
std::string Describe(const CPartBody& body)
{
    std::string strText = body.m_strWires + "|" + body.m_strSplices + "|" + body.m_strComponents + "|";
    for (const CPartBody::CLogLine& line : body.m_lstLogLines) {
        strText += std::to_string(line.m_nAt) + ":" + line.m_strText + ";";
    }
    for (const CPinEnds::CEnd& end : body.m_pinEnds.Ends()) {
        strText += std::to_string(end.m_nRecord) + "=" + std::string(body.m_pinEnds.WireName(end)) + ";";
    }
    return strText;
}

class PartBodiesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_strBytes = CrLf(ManyGroups(kGroups));
        CConversionEngine& engine = m_run.m_engine;
        ASSERT_TRUE(
            ScanSections(m_strBytes, engine.m_rootHeader, engine.m_rootConnection, engine.m_rootConnector));
        ASSERT_TRUE(engine.BuildConnectorsSection());
        for (const CCapHElement* pGroup : engine.m_rootConnection.m_lstChildren) {
            m_lstGroups.push_back(pGroup);
        }
        ASSERT_EQ(m_lstGroups.size(), static_cast<std::size_t>(kGroups));
        for (const CCapHElement* pGroup : m_lstGroups) {
            CPartBody body;
            MakePartBody(engine.m_pinTable, *pGroup, body);
            m_lstExpected.push_back(Describe(body));
        }
    }

    static constexpr int kGroups = 40;
    CRunFixture m_run{"bodies.tst", ""};
    std::string m_strBytes; // the trees point into it
    std::vector<const CCapHElement*> m_lstGroups;
    Lines m_lstExpected;
};

TEST_F(PartBodiesTest, TakenInOrderTheyAreTheBodiesMadeOneByOne)
{
    EXPECT_NE(m_lstExpected[1].find("undefined connector 'J9'"), std::string::npos)
        << "the groups call for log lines";
    for (const unsigned nThreads : {0u, 1u, 2u, 3u, 8u}) {
        CPartBodies bodies(m_run.m_engine.m_pinTable, m_lstGroups, nThreads);
        for (std::size_t i = 0; i < m_lstGroups.size(); ++i) {
            ASSERT_EQ(Describe(bodies.Take(i)), m_lstExpected[i])
                << "group " << i << ", " << nThreads << " threads";
        }
    }
}

TEST_F(PartBodiesTest, AWriterThatStopsEarlyLeavesNoMakerBehind)
{
    for (const std::size_t nTaken : {0u, 1u, 2u, 5u}) {
        CPartBodies bodies(m_run.m_engine.m_pinTable, m_lstGroups, 2);
        for (std::size_t i = 0; i < nTaken; ++i) {
            ASSERT_EQ(Describe(bodies.Take(i)), m_lstExpected[i]);
        }
    } // each maker must stop and be joined here
}

} // namespace
} // namespace pinweave
