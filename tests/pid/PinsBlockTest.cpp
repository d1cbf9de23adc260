// The [pins] block of each part: every fixture pin once in table order, each
// pin with wire ends listing them in attach order instead of "(none)", and
// nothing carried from one part into the next.
#include "TestSupport.h"

#include "pid/PidConverter.h"

#include "common/MessageTable.h"

#include <cstdint>

namespace pinweave {
namespace {

struct CWireCase {
    std::string strType;  // [WIRE] or [DIODE]
    std::string strName, strConnectorA, strPinA, strConnectorB, strPinB;
};

struct CPartCase {
    std::vector<CWireCase> arrWires;
    Lines arrPins;  // the expected [pins] lines
};

// Records: 0 "J1 1", 1 "J1 2", 2 "J1 3", 3 "P 2/A", 4 "P 2/B C", 5 "J1 2"
// (a second fixture J1, which takes pin 2 over), 6 "K 9". E0 has an empty pin
// list and E1 none at all.
const std::string kConnectorSection =
    "[CONNECTOR]\r\n"
    "[FIXTURE]\r\nNAME=E0\r\n[PINS]\r\n[ENDPINS]\r\n[ENDFIXTURE]\r\n"
    "[FIXTURE]\r\nNAME=J1\r\n[PINS]\r\nNAME=1\r\nNAME=2\r\nNAME=3\r\n"
    "[ENDPINS]\r\n[ENDFIXTURE]\r\n"
    "[FIXTURE]\r\nNAME=P 2\r\n[PINS]\r\nNAME=A\r\nNAME=B C\r\n"
    "[ENDPINS]\r\n[ENDFIXTURE]\r\n"
    "[FIXTURE]\r\nNAME=E1\r\n[ENDFIXTURE]\r\n"
    "[FIXTURE]\r\nNAME=J1\r\n[PINS]\r\nNAME=2\r\n[ENDPINS]\r\n[ENDFIXTURE]\r\n"
    "[FIXTURE]\r\nNAME=K\r\n[PINS]\r\nNAME=9\r\n[ENDPINS]\r\n[ENDFIXTURE]\r\n"
    "[ENDCONNECTOR]\r\n";

const Lines kAllFree = {"J1 1 (none)",    "J1 2 (none)", "J1 3 (none)", "P_2 A (none)",
                        "P_2 B_C (none)", "J1 2 (none)", "K 9 (none)"};

std::vector<CPartCase> Parts()
{
    std::vector<CPartCase> arrParts = {
        {{}, kAllFree},
        // Two ends on the first pin, in attach order; the last pin.
        {{{"[WIRE]", "W1", "J1", "1", "J1", "3"}, {"[WIRE]", "W2", "K", "9", "J1", "1"}},
         {"J1 1 W1", "J1 1 W2", "J1 2 (none)", "J1 3 W1", "P_2 A (none)", "P_2 B_C (none)", "J1 2 (none)",
          "K 9 W2"}},
        // Ends attached against table order; the pin that lost its key to a
        // later record stays free.
        {{{"[WIRE]", "W5", "K", "9", "P 2", "B C"},
          {"[WIRE]", "W6", "P 2", "B C", "J1", "2"},
          {"[DIODE]", "D1", "J1", "2", "K", "9"}},
         {"J1 1 (none)", "J1 2 (none)", "J1 3 (none)", "P_2 A (none)", "P_2 B_C W5", "P_2 B_C W6", "J1 2 W6",
          "J1 2 D1_A", "K 9 W5", "K 9 D1_C"}},
        // A rejected end A keeps end B off its pin.
        {{{"[WIRE]", "W7", "J1", "1", "K", "9"}, {"[WIRE]", "W8", "J1", "4", "J1", "1"}},
         {"J1 1 W7", "J1 2 (none)", "J1 3 (none)", "P_2 A (none)", "P_2 B_C (none)", "J1 2 (none)",
          "K 9 W7"}},
        // Neighbouring pins all taken; wire names are written as stored.
        {{{"[WIRE]", "W 9", "J1", "1", "J1", "2"},
          {"[WIRE]", "W10", "J1", "3", "P 2", "A"},
          {"[WIRE]", "W11", "P 2", "B C", "K", "9"}},
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
        crowded.arrWires.push_back({"[WIRE]", strWire, bOnK ? "K" : "J1", bOnK ? "9" : "3", "P 2", "A"});
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
    Lines arrLines = {"[HEADER]"};
    for (std::size_t p = 0; p < arrParts.size(); ++p) {
        arrLines.insert(arrLines.end(), {"[PN]", "NAME=P" + std::to_string(p), "[ENDPN]"});
    }
    arrLines.insert(arrLines.end(), {"[ENDHEADER]", "[CONNECTION]"});
    for (const CPartCase& part : arrParts) {
        arrLines.push_back("[PART]");
        for (const CWireCase& w : part.arrWires) {
            arrLines.insert(arrLines.end(), {w.strType, "NAME=" + w.strName, "CONNECTOR_A=" + w.strConnectorA,
                                             "PIN_A=" + w.strPinA, "CONNECTOR_B=" + w.strConnectorB,
                                             "PIN_B=" + w.strPinB, "[END" + w.strType.substr(1)});
        }
        arrLines.push_back("[ENDPART]");
    }
    arrLines.push_back("[ENDCONNECTION]");
    return CrLf(arrLines) + kConnectorSection;
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
            ReadBytes(run.Out(p == 0 ? "pins.pid" : "pins_" + std::to_string(p) + ".pid"));
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
    CCapHElement rootEmpty, rootConnector;
    std::int64_t nPos = 0;
    ASSERT_TRUE(rootConnector.Parse(kConnectorSection.c_str(), nPos));
    CPidConverter converter(rootEmpty, rootEmpty, rootConnector, "", "");
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

}  // namespace
}  // namespace pinweave
