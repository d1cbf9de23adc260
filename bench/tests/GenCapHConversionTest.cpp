// A generated file makes the conversion do all its work: every part number
// gets its PID file, no wire end is rejected, and each file lists one pin
// line per attached pin end and one splice line per splice end.
#include "gen_caph.h"

#include "TestSupport.h"
#include "caph/SectionScan.h"
#include "pid/ConversionEngine.h"
#include "pid/FrontEnd.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pinweave {
namespace {

namespace fs = std::filesystem;

// The lines of one block: after its header line up to the next "[" line.
std::vector<std::string> BlockLines(const std::string& strPid, const std::string& strHeader)
{
    std::vector<std::string> lstLines;
    std::size_t nAt = strPid.find("\r\n" + strHeader + "\r\n");
    if (nAt == std::string::npos) {
        return lstLines;
    }
    nAt += strHeader.size() + 4;
    while (nAt < strPid.size() && strPid[nAt] != '[') {
        const std::size_t nEnd = strPid.find("\r\n", nAt);
        lstLines.push_back(strPid.substr(nAt, nEnd - nAt));
        nAt = nEnd + 2;
    }
    return lstLines;
}

class GenCapHConversion : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
        m_folder = fs::temp_directory_path() / ("pinweave-gen-" + std::string(pInfo->name()) + "-" +
                                                std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder / "out");
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Generates harness.tst with the options and points the engine at it and
    // at the output folder; the file's text.
    std::string Generate(const CGenOptions& options, CConversionEngine& engine) const
    {
        std::string strFile;
        std::string strError;
        EXPECT_TRUE(GenerateCapH(
            options,
            [&strFile](std::string_view strPiece) {
                strFile.append(strPiece);
                return true;
            },
            strError));
        const fs::path input = m_folder / "harness.tst";
        std::ofstream(input, std::ios::binary)
            .write(strFile.data(), static_cast<std::streamsize>(strFile.size()));
        engine.m_strInputPath = input.string();
        engine.m_strOutputPath = (m_folder / "out").string();
        return strFile;
    }

    fs::path m_folder;
};

TEST_F(GenCapHConversion, EveryEndIsAttached)
{
    CGenOptions options;
    options.m_nTargetBytes = 400000;
    options.m_nPartCount = 5;
    options.m_nFixtureCount = 12;
    options.m_nMaxPins = 30;
    CFakeFrontEnd frontEnd(true); // its lines in the results text
    CConversionEngine engine(frontEnd);
    std::string strFile = Generate(options, engine);
    ASSERT_TRUE(engine.RunConversion(engine.m_strInputPath)) << frontEnd.Results();
    EXPECT_EQ(frontEnd.Results().find("Skipping this wire"), std::string::npos) << frontEnd.Results();

    // The expected pin and splice ends of each part, from the parsed file.
    CCapHElement rootHeader;
    CCapHElement rootConnection;
    CCapHElement rootConnector;
    ASSERT_TRUE(ScanSections(strFile, rootHeader, rootConnection, rootConnector));
    std::size_t nAllPins = 0;
    for (const auto& pFixture : rootConnector.m_lstChildren) {
        nAllPins += pFixture->m_lstChildren.front()->m_mapAttributes.GetCount();
    }
    ASSERT_EQ(rootConnection.m_lstChildren.size(), 5U);
    for (std::size_t n = 0; n < 5; ++n) {
        std::size_t nPinEnds = 0;
        std::size_t nSpliceEnds = 0;
        for (const auto& pMember : rootConnection.m_lstChildren[n]->m_lstChildren) {
            if (pMember->m_strType != "[WIRE]" && pMember->m_strType != "[DIODE]") {
                continue;
            }
            for (const char* pszSide : {"A", "B"}) {
                const bool bPin = !pMember->Value(std::string("CONNECTOR_") + pszSide).empty();
                (bPin ? nPinEnds : nSpliceEnds) += 1;
            }
        }
        const fs::path pid =
            m_folder / "out" / (n == 0 ? "harness.pid" : "harness_" + std::to_string(n) + ".pid");
        const std::string strPid = ReadFileBytes(pid);
        ASSERT_FALSE(strPid.empty()) << pid;
        std::size_t nAttached = 0;
        std::size_t nFree = 0;
        for (const std::string& strLine : BlockLines(strPid, "[pins]")) {
            (strLine.size() > 7 && strLine.compare(strLine.size() - 7, 7, " (none)") == 0 ? nFree
                                                                                          : nAttached) += 1;
        }
        EXPECT_EQ(nAttached, nPinEnds) << pid;
        EXPECT_LT(nFree, nAllPins) << pid;
        EXPECT_EQ(BlockLines(strPid, "[splices]").size(), nSpliceEnds) << pid;
        EXPECT_EQ(BlockLines(strPid, "[connectors]").size(), rootConnector.m_lstChildren.size()) << pid;
    }
}

// With a share of pin ends on connectors no fixture has, the conversion logs
// one warning for each wire or diode whose end it rejects, about as many as
// asked for, and still writes every file.
TEST_F(GenCapHConversion, UnknownPinsLogAWarningEach)
{
    CGenOptions options;
    options.m_nTargetBytes = 400000;
    options.m_nPartCount = 4;
    options.m_nFixtureCount = 12;
    options.m_nMaxPins = 30;
    options.m_nUnknownPinPercent = 15;
    CFakeFrontEnd frontEnd(true); // its lines in the results text
    CConversionEngine engine(frontEnd);
    std::string strFile = Generate(options, engine);
    ASSERT_TRUE(engine.RunConversion(engine.m_strInputPath));
    EXPECT_TRUE(frontEnd.m_arrMessageBoxes.empty() && frontEnd.m_arrPrompts.empty());

    // The rejections the attaching rules call for: end A on an unknown
    // connector, or end A attached and end B on one.
    CCapHElement rootHeader;
    CCapHElement rootConnection;
    CCapHElement rootConnector;
    ASSERT_TRUE(ScanSections(strFile, rootHeader, rootConnection, rootConnector));
    std::size_t nPinEnds = 0;
    std::size_t nUnknown = 0;
    std::size_t nExpected = 0;
    for (const auto& pGroup : rootConnection.m_lstChildren) {
        for (const auto& pMember : pGroup->m_lstChildren) {
            if (pMember->m_strType != "[WIRE]" && pMember->m_strType != "[DIODE]") {
                continue;
            }
            bool bRejected = false;
            for (const char* pszSide : {"A", "B"}) {
                const std::string_view strConnector = pMember->Value(std::string("CONNECTOR_") + pszSide);
                const bool bUnknown = strConnector.rfind("XK", 0) == 0;
                nPinEnds += strConnector.empty() ? 0 : 1;
                nUnknown += bUnknown ? 1 : 0;
                if (bUnknown && !bRejected) {
                    ++nExpected;
                    bRejected = true;
                }
            }
        }
    }
    std::size_t nLogged = 0;
    for (std::size_t nAt = 0;
         (nAt = frontEnd.Results().find("references undefined connector 'XK", nAt)) != std::string::npos;
         ++nAt) {
        ++nLogged;
    }
    EXPECT_EQ(nLogged, nExpected);
    EXPECT_GT(nUnknown * 100, nPinEnds * 10) << nUnknown << " of " << nPinEnds;
    EXPECT_LT(nUnknown * 100, nPinEnds * 20) << nUnknown << " of " << nPinEnds;
    EXPECT_EQ(std::distance(fs::directory_iterator(m_folder / "out"), fs::directory_iterator()), 4);
}

} // namespace
} // namespace pinweave
