// The [pins] block of each part: every fixture pin once in table order, each
// pin with wire ends listing them in attach order instead of "(none)", and
// nothing carried from one part into the next.
#include "TestSupport.h"

#include "caph/SectionScan.h"
#include "pid/PidConverter.h"

#include "common/MessageTable.h"

namespace pinweave {
namespace {

struct CPartCase {
    std::vector<CCapHMember> arrWires;
    Lines arrPins; // the expected [pins] lines
};

// Records: 0 "J1 1", 1 "J1 2", 2 "J1 3", 3 "P 2/A", 4 "P 2/B C", 5 "J1 2"
// (a second fixture J1, which takes pin 2 over), 6 "K 9". E0 has an empty pin
// list and E1 none at all.
CCapHBuilder& AddFixtures(CCapHBuilder& capH)
{
    return capH.Fixture("E0", {})
        .Fixture("J1", {"1", "2", "3"})
        .Fixture("P 2", {"A", "B C"})
        .Fixture("E1", {}, false)
        .Fixture("J1", {"2"})
        .Fixture("K", {"9"});
}

const Lines kAllFree = {"J1 1 (none)",    "J1 2 (none)", "J1 3 (none)", "P_2 A (none)",
                        "P_2 B_C (none)", "J1 2 (none)", "K 9 (none)"};

std::vector<CPartCase> Parts()
{
    std::vector<CPartCase> arrParts = {
        {{}, kAllFree},
        // Two ends on the first pin, in attach order; the last pin.
        {{{"W1", "J1", "1", "J1", "3"}, {"W2", "K", "9", "J1", "1"}},
         {"J1 1 W1", "J1 1 W2", "J1 2 (none)", "J1 3 W1", "P_2 A (none)", "P_2 B_C (none)", "J1 2 (none)",
          "K 9 W2"}},
        // Ends attached against table order; the pin that lost its key to a
        // later record stays free.
        {{{"W5", "K", "9", "P 2", "B C"},
          {"W6", "P 2", "B C", "J1", "2"},
          {"D1", "J1", "2", "K", "9", "", "", "", true}},
         {"J1 1 (none)", "J1 2 (none)", "J1 3 (none)", "P_2 A (none)", "P_2 B_C W5", "P_2 B_C W6", "J1 2 W6",
          "J1 2 D1_A", "K 9 W5", "K 9 D1_C"}},
        // A rejected end A keeps end B off its pin.
        {{{"W7", "J1", "1", "K", "9"}, {"W8", "J1", "4", "J1", "1"}},
         {"J1 1 W7", "J1 2 (none)", "J1 3 (none)", "P_2 A (none)", "P_2 B_C (none)", "J1 2 (none)",
          "K 9 W7"}},
        // Neighbouring pins all taken; wire names are written as stored.
        {{{"W 9", "J1", "1", "J1", "2"}, {"W10", "J1", "3", "P 2", "A"}, {"W11", "P 2", "B C", "K", "9"}},
         {"J1 1 W 9", "J1 2 (none)", "J1 3 W10", "P_2 A W10", "P_2 B_C W11", "J1 2 W 9", "K 9 W11"}},
        {{}, kAllFree},
    };
    // Many ends on few pins, arriving in turns: each pin keeps the order its
    // own ends came in.
    CPartCase crowded;
    Lines arrOnK, arrOnJ1, arrOnP;
    for (int i = 0; i < 60; ++i) {
        const std::string strWire = "M" + std::to_string(i);
        const bool bOnK = i % 3 != 0;
        crowded.arrWires.push_back({strWire, bOnK ? "K" : "J1", bOnK ? "9" : "3", "P 2", "A"});
        (bOnK ? arrOnK : arrOnJ1).push_back((bOnK ? "K 9 " : "J1 3 ") + strWire);
        arrOnP.push_back("P_2 A " + strWire);
    }
    crowded.arrPins = {"J1 1 (none)", "J1 2 (none)"};
    crowded.arrPins.insert(crowded.arrPins.end(), arrOnJ1.begin(), arrOnJ1.end());
    crowded.arrPins.insert(crowded.arrPins.end(), arrOnP.begin(), arrOnP.end());
    crowded.arrPins.insert(crowded.arrPins.end(), {"P_2 B_C (none)", "J1 2 (none)"});
    crowded.arrPins.insert(crowded.arrPins.end(), arrOnK.begin(), arrOnK.end());
    arrParts.push_back(crowded);
    return arrParts;
}

std::string CapHFile(const std::vector<CPartCase>& arrParts)
{
    CCapHBuilder capH;
    capH.PartNumbers(static_cast<int>(arrParts.size()));
    for (const CPartCase& part : arrParts) {
        capH.Group(part.arrWires);
    }
    return AddFixtures(capH).Text();
}

TEST(PinsBlockTest, EachPartListsEveryPinWithItsOwnWireEnds)
{
    const std::vector<CPartCase> arrParts = Parts();
    CRunFixture run("pins.tst", CapHFile(arrParts));
    ASSERT_TRUE(run.Run()) << run.LogText();
    EXPECT_NE(run.LogText().find(FormatTableMessage(IDS_UNDEFINED_CONNECTOR, {"W8", "J1", "4"})),
              std::string::npos);
    for (std::size_t p = 0; p < arrParts.size(); ++p) {
        const std::string strPid =
            ReadFileBytes(run.Out(p == 0 ? "pins.pid" : "pins_" + std::to_string(p) + ".pid"));
        const std::size_t nStart = strPid.find("\r\n[pins]\r\n");
        const std::size_t nEnd = strPid.find("[components]\r\n") != std::string::npos
                                     ? strPid.find("[components]\r\n")
                                     : strPid.find("[connectors]\r\n");
        ASSERT_NE(nStart, std::string::npos) << p;
        ASSERT_NE(nEnd, std::string::npos) << p;
        const std::size_t nFrom = nStart + std::string("\r\n[pins]\r\n").size();
        EXPECT_EQ(strPid.substr(nFrom, nEnd - nFrom), CrLf(arrParts[p].arrPins)) << "part " << p;
    }
}

TEST(PinsBlockTest, BuildingTheConnectorsAgainReplacesThePinTable)
{
    CCapHBuilder capH;
    std::string strText = AddFixtures(capH).Text();
    CCapHElement rootHeader, rootConnection, rootConnector;
    ASSERT_TRUE(ScanSections(strText, rootHeader, rootConnection, rootConnector));
    CPidConverter converter(rootHeader, rootConnection, rootConnector, "", "");
    for (int nBuild = 0; nBuild < 2; ++nBuild) {
        converter.BuildConnectorsSection();
        EXPECT_EQ(converter.PinTable().GetCount(), 7u);
        EXPECT_EQ(converter.PinTable().Find("J1", "2"), 5u);
        EXPECT_EQ(converter.ConnectorsText(),
                  "[connectors]\r\nE0 0 0 0 0 - -1 -1\r\nJ1 3 0 0 0 - -1 -1\r\n"
                  "P_2 2 0 0 0 - -1 -1\r\nE1 0 0 0 0 - -1 -1\r\nJ1 1 0 0 0 - -1 -1\r\n"
                  "K 1 0 0 0 - -1 -1\r\n");
    }
}

} // namespace
} // namespace pinweave
