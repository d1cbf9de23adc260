// The bundled example cut off after every one of its bytes. A file cut before
// its first start marker is whole stops the run as no CAP-H export; a file
// that ends before a section's end marker stops the run and says which
// section; a file cut between sections converts what it holds; a file cut
// after the connector section converts exactly as the whole file does.
#include "InProcessRun.h"

#include "FaultSupport.h"

#include <gtest/gtest.h>

namespace pinweave::test {
namespace {

TEST(TruncationTest, EveryOffsetOfTheExample)
{
    const std::string strSample = ReadFileBytes(PINWEAVE_EXAMPLES_DIR "/sample.tst");
    CTempFolder temp;
    const std::string strCapHPath = (temp.Path() / "harness.tst").string();
    const InProcessOutcome whole = ConvertInProcess(temp.Path(), strSample);
    ASSERT_TRUE(whole.bCompleted);

    // Where each section's start marker is complete, and where its end marker
    // is, in the example; a cut before a start marker's last byte leaves no
    // start marker at all.
    struct Section {
        const char* pszName;
        std::size_t nOpened;
        std::size_t nClosed;
    };
    std::vector<Section> arrSections;
    for (const char* pszName : {"HEADER", "CONNECTION", "CONNECTOR"}) {
        const std::string strStart = "[" + std::string(pszName) + "]";
        const std::string strEnd = "[END" + std::string(pszName) + "]";
        arrSections.push_back(
            {pszName, strSample.find(strStart) + strStart.size(), strSample.find(strEnd) + strEnd.size()});
    }

    for (std::size_t nCut = 0; nCut <= strSample.size(); ++nCut) {
        SCOPED_TRACE("cut after " + std::to_string(nCut) + " bytes");
        const InProcessOutcome outcome = ConvertInProcess(temp.Path(), strSample.substr(0, nCut));
        ASSERT_FALSE(outcome.arrResults.empty());
        EXPECT_TRUE(outcome.arrMessageBoxes.empty());

        const Section* pOpen = nullptr;
        for (const Section& section : arrSections) {
            if (nCut >= section.nOpened && nCut < section.nClosed) {
                pOpen = &section;
            }
        }
        if (nCut < arrSections[0].nOpened) {
            EXPECT_FALSE(outcome.bCompleted);
            EXPECT_EQ(outcome.arrResults.back(), NotCapHLine(strCapHPath));
            EXPECT_EQ(outcome.arrResults.size(), 2u);
            EXPECT_TRUE(outcome.arrOutputs.empty());
            continue;
        }
        if (pOpen != nullptr) {
            EXPECT_FALSE(outcome.bCompleted);
            EXPECT_EQ(outcome.arrResults.back(), UnclosedSectionLine(strCapHPath, pOpen->pszName));
            EXPECT_TRUE(outcome.arrOutputs.empty()) << "nothing is written for a file that ends too early";
            continue;
        }
        ASSERT_TRUE(outcome.bCompleted) << outcome.arrResults.back();
        EXPECT_EQ(outcome.arrResults.back(), "Completed");
        EXPECT_EQ(outcome.arrResults[1], "2 Part Number(s) detected.");
        EXPECT_EQ(outcome.arrOutputs.size(), 2u);
        if (nCut >= arrSections[2].nClosed) {
            EXPECT_EQ(outcome.arrResults, whole.arrResults);
            for (std::size_t i = 0; i < outcome.arrOutputs.size(); ++i) {
                EXPECT_EQ(WithoutDate(outcome.arrOutputs[i]), WithoutDate(whole.arrOutputs[i]));
            }
        }
    }
}

} // namespace
} // namespace pinweave::test
