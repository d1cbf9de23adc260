// Wire ends find their fixture pins through the pin index, by connector and
// pin exactly as written, or land on splices numbered per part.
#include "TestSupport.h"

#include "common/MessageTable.h"
#include "pid/PidConverter.h"

namespace pinweave {
namespace {

TEST(PinIndexTest, WireEndsFollowConnectorThenSplice)
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
        std::string strLogged; // the line logged for it, or ""
    };
    const Case cases[] = {
        {"J1", "2", "", "W1", 1, ""},
        {"P 2", "A", "S1", "W2", 2, ""}, // a connector decides; its splice is not looked at
        {"J1", "3", "", "W3", -1, FormatTableMessage(IDS_UNDEFINED_CONNECTOR, {"W3", "J1", "3"})},
        {"j1", "1", "", "W4", -1, FormatTableMessage(IDS_UNDEFINED_CONNECTOR, {"W4", "j1", "1"})},
        {"P_2", "A", "", "W5", -1, FormatTableMessage(IDS_UNDEFINED_CONNECTOR, {"W5", "P_2", "A"})},
        {"J1", "", "S1", "W6", -1, ""}, // a connector without pin is dropped silently
        {"", "", "", "W7", -1, FormatTableMessage(IDS_MISSING_ENDPOINT, {"W7"})},
        {"", "", "S 9", "W 8", -2, ""},
        {"", "", "S1", "W9", -2, ""},
        {"", "", "S 9", "W10", -2, ""},
    };
    CPartBody body;
    const CPinEnds& pinEnds = body.m_pinEnds;
    for (const Case& c : cases) {
        std::string strLogged;
        EXPECT_EQ(AttachEndTo(converter.PinTable(), body, c.pszConnector, c.pszPin, c.pszSplice, c.pszWire,
                              strLogged),
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
    EXPECT_EQ(body.m_strSplices, "1 W_8\r\n2 W9\r\n1 W10\r\n");
    EXPECT_EQ(pinEnds.Ends().size(), 2u) << "only W1 and W2 are on pins";
}

TEST(PinIndexTest, ManyPartsAndWiresLandOnTheirPins)
{
    constexpr int kParts = 25, kWires = 80, kPins = 500;
    auto pinOf = [](int p, int k, int nShift) {
        return std::to_string((p * 7 + k * 3 + nShift) % kPins + 1);
    };
    auto wireOf = [](int p, int k) { return "W" + std::to_string(p) + "-" + std::to_string(k); };
    CCapHBuilder capH;
    capH.PartNumbers(kParts, "PN-");
    for (int p = 0; p < kParts; ++p) {
        std::vector<CCapHMember> arrWires;
        for (int k = 0; k < kWires; ++k) {
            arrWires.push_back({wireOf(p, k), "J1", pinOf(p, k, 0), "J 2", pinOf(p, k, 11)});
        }
        arrWires.push_back({"X", "J1", "0"});
        capH.Group(arrWires);
    }
    capH.FixturePins("J1", 1, kPins).FixturePins("J 2", 1, kPins);

    CRunFixture run("many.tst", capH.Text());
    ASSERT_TRUE(run.Run());
    const std::string strRejected = FormatTableMessage(IDS_UNDEFINED_CONNECTOR, {"X", "J1", "0"});
    EXPECT_EQ(Replaced(run.LogText(), strRejected, "").size() + kParts * strRejected.size(),
              run.LogText().size());
    for (int p = 0; p < kParts; ++p) {
        const std::string strPid =
            ReadFileBytes(run.Out(p == 0 ? "many.pid" : "many_" + std::to_string(p) + ".pid"));
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

} // namespace
} // namespace pinweave
