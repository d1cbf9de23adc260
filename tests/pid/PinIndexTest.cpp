// Wire ends find their fixture pins through the pin index, by connector and
// pin exactly as written, or land on splices numbered per part.
#include "TestSupport.h"

#include "common/MessageTable.h"
#include "pid/PidConverter.h"

namespace pinweave {
namespace {

TEST(PinIndexTest, AttachWireEndFollowsConnectorThenSplice)
{
    const char* pszSection =
        "[CONNECTOR]\n[FIXTURE]\nNAME=J1\n[PINS]\nNAME=1\nNAME=2\n[ENDPINS]\n[ENDFIXTURE]\n"
        "[FIXTURE]\nNAME=P 2\n[PINS]\nNAME=A\n[ENDPINS]\n[ENDFIXTURE]\n[ENDCONNECTOR]";
    CCapHElement rootEmpty, rootConnector;
    std::int64_t nPos = 0;
    ASSERT_TRUE(rootConnector.Parse(pszSection, nPos));
    CPidConverter converter(rootEmpty, rootEmpty, rootConnector, "", "");
    converter.BuildConnectorsSection();
    EXPECT_EQ(converter.ConnectorsText(), "[connectors]\r\nJ1 2 0 0 0 - -1 -1\r\nP_2 1 0 0 0 - -1 -1\r\n");

    struct Case {
        const char *pszConnector, *pszPin, *pszSplice, *pszWire;
        int nRecord;           // pin record that receives the end, -1 for none, -2 for a splice
        std::string strLogged;  // the line logged for it, or ""
    };
    const Case cases[] = {
        {"J1", "2", "", "W1", 1, ""},
        {"P 2", "A", "S1", "W2", 2, ""},  // a connector decides; its splice is not looked at
        {"J1", "3", "", "W3", -1, FormatTableMessage(IDS_UNDEFINED_CONNECTOR, {"W3", "J1", "3"})},
        {"j1", "1", "", "W4", -1, FormatTableMessage(IDS_UNDEFINED_CONNECTOR, {"W4", "j1", "1"})},
        {"P_2", "A", "", "W5", -1, FormatTableMessage(IDS_UNDEFINED_CONNECTOR, {"W5", "P_2", "A"})},
        {"J1", "", "S1", "W6", -1, ""},  // a connector without pin is dropped silently
        {"", "", "", "W7", -1, FormatTableMessage(IDS_MISSING_ENDPOINT, {"W7"})},
        {"", "", "S 9", "W 8", -2, ""},
        {"", "", "S1", "W9", -2, ""},
        {"", "", "S 9", "W10", -2, ""},
    };
    std::string strSplices;
    CPinEnds pinEnds;
    CSpliceNumbers mapSpliceNumbers;
    for (const Case& c : cases) {
        std::string strLogged;
        EXPECT_EQ(AttachEndTo(converter.PinTable(), pinEnds, mapSpliceNumbers, c.pszConnector, c.pszPin,
                              c.pszSplice, strSplices, c.pszWire, strLogged),
                  c.nRecord != -1)
            << c.pszWire;
        EXPECT_EQ(strLogged, c.strLogged);
        if (c.nRecord >= 0) {
            ASSERT_FALSE(pinEnds.Ends().empty());
            const CPinEnds::CEnd& end = pinEnds.Ends().back();
            EXPECT_EQ(end.m_nRecord, static_cast<std::size_t>(c.nRecord)) << c.pszWire;
            EXPECT_EQ(pinEnds.WireName(end), c.pszWire);
        }
    }
    EXPECT_EQ(strSplices, "1 W_8\r\n2 W9\r\n1 W10\r\n");
    EXPECT_EQ(pinEnds.Ends().size(), 2u) << "only W1 and W2 are on pins";
}

TEST(PinIndexTest, ManyPartsAndWiresLandOnTheirPins)
{
    constexpr int kParts = 25, kWires = 80, kPins = 500;
    auto pinOf = [](int p, int k, int nShift) {
        return std::to_string((p * 7 + k * 3 + nShift) % kPins + 1);
    };
    auto wireOf = [](int p, int k) { return "W" + std::to_string(p) + "-" + std::to_string(k); };
    Lines arrHeader = {"[HEADER]"}, arrConnection = {"[CONNECTION]"}, arrConnector = {"[CONNECTOR]"};
    for (int p = 0; p < kParts; ++p) {
        arrHeader.insert(arrHeader.end(), {"[PN]", "NAME=PN-" + std::to_string(p), "[ENDPN]"});
        arrConnection.push_back("[PART]");
        for (int k = 0; k < kWires; ++k) {
            arrConnection.insert(arrConnection.end(), {"[WIRE]", "NAME=" + wireOf(p, k), "CONNECTOR_A=J1",
                                                       "PIN_A=" + pinOf(p, k, 0), "CONNECTOR_B=J 2",
                                                       "PIN_B=" + pinOf(p, k, 11), "[ENDWIRE]"});
        }
        arrConnection.insert(arrConnection.end(),
                             {"[WIRE]", "NAME=X", "CONNECTOR_A=J1", "PIN_A=0", "[ENDWIRE]", "[ENDPART]"});
    }
    for (const char* pszFixture : {"J1", "J 2"}) {
        arrConnector.insert(arrConnector.end(), {"[FIXTURE]", std::string("NAME=") + pszFixture, "[PINS]"});
        for (int i = 1; i <= kPins; ++i) {
            arrConnector.push_back("NAME=" + std::to_string(i));
        }
        arrConnector.insert(arrConnector.end(), {"[ENDPINS]", "[ENDFIXTURE]"});
    }
    arrHeader.push_back("[ENDHEADER]");
    arrConnection.push_back("[ENDCONNECTION]");
    arrConnector.push_back("[ENDCONNECTOR]");

    CRunFixture run("many.tst", CrLf(arrHeader) + CrLf(arrConnection) + CrLf(arrConnector));
    ASSERT_TRUE(run.Run());
    const std::string strRejected = FormatTableMessage(IDS_UNDEFINED_CONNECTOR, {"X", "J1", "0"});
    EXPECT_EQ(Replaced(run.LogText(), strRejected, "").size() + kParts * strRejected.size(),
              run.LogText().size());
    for (int p = 0; p < kParts; ++p) {
        const std::string strPid =
            ReadBytes(run.Out(p == 0 ? "many.pid" : "many_" + std::to_string(p) + ".pid"));
        for (int k = 0; k < kWires; ++k) {
            EXPECT_NE(strPid.find("\r\nJ1 " + pinOf(p, k, 0) + " " + wireOf(p, k) + "\r\n"),
                      std::string::npos);
            EXPECT_NE(strPid.find("\r\nJ_2 " + pinOf(p, k, 11) + " " + wireOf(p, k) + "\r\n"),
                      std::string::npos);
        }
        EXPECT_EQ(strPid.find(" W" + std::to_string(p + 1) + "-"), std::string::npos)
            << "ends of another part";
    }
}

}  // namespace
}  // namespace pinweave
