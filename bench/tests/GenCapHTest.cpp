// The generator's promises: the size it is asked for, a file the scan reads
// whole, every wire and diode end on a listed fixture pin or a splice, CR LF
// lines only, the same bytes for the same seed, and its command line.
#include "gen_caph.h"

#include "caph/SectionScan.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace pinweave {
namespace {

std::string Generate(const CGenOptions& options)
{
    std::string strFile;
    std::string strError;
    const bool bOk = GenerateCapH(
        options,
        [&strFile](std::string_view strPiece) {
            strFile.append(strPiece);
            return true;
        },
        strError);
    EXPECT_TRUE(bOk) << strError;
    return strFile;
}

CGenOptions Options(std::uint64_t nBytes, int nParts, int nFixtures, int nMaxPins, std::uint64_t nSeed)
{
    CGenOptions options;
    options.m_nTargetBytes = nBytes;
    options.m_nPartCount = nParts;
    options.m_nFixtureCount = nFixtures;
    options.m_nMaxPins = nMaxPins;
    options.m_nSeed = nSeed;
    return options;
}

struct CScanned {
    CCapHElement m_rootHeader;
    CCapHElement m_rootConnection;
    CCapHElement m_rootConnector;
};

// One end of a wire or diode: on a pin the fixtures list, or on a splice.
void ExpectEndLands(const CCapHElement& member, char cSide,
                    const std::set<std::pair<std::string, std::string>>& pins)
{
    const std::string strConnector(member.Value(std::string("CONNECTOR_") + cSide));
    const std::string strPin(member.Value(std::string("PIN_") + cSide));
    const std::string strSplice(member.Value(std::string("SPLICE_") + cSide));
    const std::string strWhere = std::string(member.Value("NAME")) + " end " + cSide;
    if (!strConnector.empty()) {
        EXPECT_EQ(pins.count({strConnector, strPin}), 1U)
            << strWhere << " on " << strConnector << "/" << strPin;
    } else {
        EXPECT_FALSE(strSplice.empty()) << strWhere << " has neither pin nor splice";
    }
}

struct CGenCase {
    const char* pszName;
    CGenOptions m_options;
};

class GenCapHProperties : public ::testing::TestWithParam<CGenCase> {};

TEST_P(GenCapHProperties, ReachesSizeAndEveryEndLands)
{
    const CGenOptions& options = GetParam().m_options;
    std::string strFile = Generate(options);
    const std::string strOriginal = strFile;

    // The size is reached within one wire's bytes.
    EXPECT_GE(strFile.size() + 400, options.m_nTargetBytes);
    EXPECT_LE(strFile.size(), options.m_nTargetBytes + 400);

    // Lines end in CR LF, and nothing else ends a line.
    for (std::size_t i = 0; i < strOriginal.size(); ++i) {
        if (strOriginal[i] == '\n') {
            ASSERT_TRUE(i > 0 && strOriginal[i - 1] == '\r') << "bare LF at " << i;
        } else if (strOriginal[i] == '\r') {
            ASSERT_TRUE(i + 1 < strOriginal.size() && strOriginal[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    ASSERT_EQ(strOriginal.substr(strOriginal.size() - 2), "\r\n");

    CScanned scanned;
    ASSERT_TRUE(
        ScanSections(strFile, scanned.m_rootHeader, scanned.m_rootConnection, scanned.m_rootConnector));
    const auto nParts = static_cast<std::size_t>(ResolvedPartCount(options));
    ASSERT_EQ(scanned.m_rootHeader.m_lstChildren.size(), nParts);
    ASSERT_EQ(scanned.m_rootConnection.m_lstChildren.size(), nParts);
    ASSERT_EQ(scanned.m_rootConnector.m_lstChildren.size(),
              static_cast<std::size_t>(options.m_nFixtureCount));
    EXPECT_EQ(scanned.m_rootHeader.Value("FAMILY"), "F-20 DOOR HARNESS");

    // Fixture pins as the conversion indexes them: the first child's NAME,
    // NAME||1 ... NAME||count-1.
    std::set<std::pair<std::string, std::string>> pins;
    for (const auto& pFixture : scanned.m_rootConnector.m_lstChildren) {
        ASSERT_EQ(pFixture->m_strType, "[FIXTURE]");
        ASSERT_FALSE(pFixture->m_lstChildren.empty());
        const CCapHElement& pinList = *pFixture->m_lstChildren.front();
        const std::size_t nPins = pinList.m_mapAttributes.GetCount();
        EXPECT_GE(nPins, 4U);
        EXPECT_LE(nPins, static_cast<std::size_t>(options.m_nMaxPins));
        for (std::size_t i = 0; i < nPins; ++i) {
            const std::string strKey = i == 0 ? "NAME" : "NAME||" + std::to_string(i);
            const std::string_view strPin = pinList.Value(strKey);
            ASSERT_FALSE(strPin.empty()) << strKey;
            pins.emplace(std::string(pFixture->Value("NAME")), std::string(strPin));
        }
    }

    std::size_t nWires = 0;
    for (std::size_t n = 0; n < nParts; ++n) {
        const CCapHElement& part = *scanned.m_rootHeader.m_lstChildren[n];
        const CCapHElement& group = *scanned.m_rootConnection.m_lstChildren[n];
        EXPECT_EQ(group.m_strType, "[PN=" + std::string(part.Value("NAME")) + "]");
        for (const auto& pMember : group.m_lstChildren) {
            if (pMember->m_strType == "[WIRE]" || pMember->m_strType == "[DIODE]") {
                nWires += pMember->m_strType == "[WIRE]" ? 1 : 0;
                EXPECT_FALSE(pMember->Value("NAME").empty());
                ExpectEndLands(*pMember, 'A', pins);
                ExpectEndLands(*pMember, 'B', pins);
            }
        }
    }
    EXPECT_GT(nWires, 0U);
}

INSTANTIATE_TEST_SUITE_P(Sizes, GenCapHProperties,
                         ::testing::Values(CGenCase{"tiny_one_part", Options(20000, 1, 3, 6, 1)},
                                           CGenCase{"many_parts", Options(300000, 60, 10, 40, 2)},
                                           CGenCase{"default_parts_1mb", Options(1000000, 0, 60, 120, 3)},
                                           CGenCase{"long_pin_lists", Options(2000000, 5, 30, 1000, 4)}),
                         [](const ::testing::TestParamInfo<CGenCase>& param) {
                             return std::string(param.param.pszName);
                         });

TEST(GenCapH, SameSeedSameBytesOtherSeedOtherBytes)
{
    const CGenOptions a = Options(200000, 3, 8, 30, 42);
    CGenOptions b = a;
    b.m_nSeed = 43;
    EXPECT_EQ(Generate(a), Generate(a));
    EXPECT_NE(Generate(a), Generate(b));
}

TEST(GenCapH, StopsWhenTheSinkFails)
{
    int nCalls = 0;
    std::string strError;
    const bool bOk = GenerateCapH(
        Options(5000000, 0, 60, 120, 1),
        [&nCalls](std::string_view) {
            ++nCalls;
            return false;
        },
        strError);
    EXPECT_FALSE(bOk);
    EXPECT_EQ(nCalls, 1);
    EXPECT_FALSE(strError.empty());
}

TEST(GenCapH, RejectsOptionsWithoutPinsToLandOn)
{
    const CGenOptions rejected[] = {Options(0, 1, 5, 10, 1), Options(1000, -1, 5, 10, 1),
                                    Options(1000, 1, 0, 10, 1), Options(1000, 1, 5, 3, 1)};
    for (const CGenOptions& options : rejected) {
        std::string strError;
        EXPECT_FALSE(GenerateCapH(
            options, [](std::string_view) { return true; }, strError));
        EXPECT_FALSE(strError.empty());
    }
}

TEST(GenCapH, ParsesByteSizes)
{
    const struct {
        const char* pszText;
        bool bOk;
        std::uint64_t nBytes;
    } cases[] = {
        {"250", true, 250},     {"64K", true, 64000}, {"10m", true, 10000000}, {"1.5G", true, 1500000000},
        {"0.5M", true, 500000}, {"", false, 0},       {"M", false, 0},         {"10MB", false, 0},
        {"-5M", false, 0},      {"1e3", false, 0},    {"2..5M", false, 0},     {"9999999G", false, 0},
    };
    for (const auto& c : cases) {
        std::uint64_t nBytes = 0;
        EXPECT_EQ(ParseByteSize(c.pszText, nBytes), c.bOk) << c.pszText;
        if (c.bOk) {
            EXPECT_EQ(nBytes, c.nBytes) << c.pszText;
        }
    }
}

TEST(GenCapH, ParsesItsCommandLine)
{
    const struct {
        std::vector<std::string> lstArgs;
        bool bOk;
        std::uint64_t nBytes;
        int nParts;
        int nFixtures;
        int nMaxPins;
        std::uint64_t nSeed;
        const char* pszOutput;
    } cases[] = {
        {{"out.tst"}, true, 1000000, 0, 60, 120, 1, "out.tst"},
        {{"--size", "200M", "--parts", "800", "--fixtures", "300", "--max-pins", "200", "--seed", "7", "-"},
         true,
         200000000,
         800,
         300,
         200,
         7,
         "-"},
        {{"--parts", "0", "x.tst"}, false, 0, 0, 0, 0, 0, ""},
        {{"--max-pins", "3", "x.tst"}, false, 0, 0, 0, 0, 0, ""},
        {{"--size", "big", "x.tst"}, false, 0, 0, 0, 0, 0, ""},
        {{"--size"}, false, 0, 0, 0, 0, 0, ""},
        {{"--colour", "red", "x.tst"}, false, 0, 0, 0, 0, 0, ""},
        {{"a.tst", "b.tst"}, false, 0, 0, 0, 0, 0, ""},
        {{}, false, 0, 0, 0, 0, 0, ""},
    };
    for (const auto& c : cases) {
        CGenCommandLine cmdLine;
        std::string strError;
        const std::string strWhat = c.lstArgs.empty() ? "(none)" : c.lstArgs.front();
        ASSERT_EQ(ParseGenCommandLine(c.lstArgs, cmdLine, strError), c.bOk) << strWhat << ": " << strError;
        if (!c.bOk) {
            EXPECT_FALSE(strError.empty()) << strWhat;
            continue;
        }
        EXPECT_EQ(cmdLine.m_options.m_nTargetBytes, c.nBytes) << strWhat;
        EXPECT_EQ(cmdLine.m_options.m_nPartCount, c.nParts) << strWhat;
        EXPECT_EQ(cmdLine.m_options.m_nFixtureCount, c.nFixtures) << strWhat;
        EXPECT_EQ(cmdLine.m_options.m_nMaxPins, c.nMaxPins) << strWhat;
        EXPECT_EQ(cmdLine.m_options.m_nSeed, c.nSeed) << strWhat;
        EXPECT_EQ(cmdLine.m_strOutputPath, c.pszOutput) << strWhat;
    }
    CGenCommandLine help;
    std::string strError;
    EXPECT_TRUE(ParseGenCommandLine({"--help"}, help, strError));
    EXPECT_TRUE(help.m_bHelp);
}

} // namespace
} // namespace pinweave
