// Whole runs, with and without a window, compared byte for byte with the
// expected PID files and log lines of a scenario folder under golden/ (every
// folder there is a scenario: its .tst, or the bundled example for "sample").
// Lines 2 and 3 of a PID file (CAP-H path, generation date) are checked
// against the run itself; the run is given its CAP-H path spelled with "."
// and a blank, and must write it exactly so.
// tools/golden.sh (make golden) makes the expected files anew.
#include "TestSupport.h"

#include "pid/GenerationDate.h"
#include "pid/PathNames.h"

#include <algorithm>

namespace pinweave {
namespace {

constexpr std::time_t kRunTime = 1109672142; // 2005-03-01 10:15:42 UTC

std::string MaskRunLines(Lines arrLines)
{
    for (std::size_t i = 1; i < 3 && i < arrLines.size(); ++i) {
        arrLines[i] = "<masked>";
    }
    return CrLf(arrLines);
}

std::vector<std::string> Scenarios()
{
    std::vector<std::string> arrNames;
    for (const fs::directory_entry& entry : fs::directory_iterator(PINWEAVE_PID_GOLDEN_DIR)) {
        if (entry.is_directory()) {
            arrNames.push_back(entry.path().filename().string());
        }
    }
    std::sort(arrNames.begin(), arrNames.end());
    return arrNames;
}

class GoldenTest : public ::testing::TestWithParam<std::string> {};

TEST_P(GoldenTest, FilesAndLogMatch)
{
    const std::string strName = GetParam();
    const fs::path pathGolden = fs::path(PINWEAVE_PID_GOLDEN_DIR) / strName;
    const fs::path pathInput = fs::exists(pathGolden / (strName + ".tst"))
                                   ? pathGolden / (strName + ".tst")
                                   : fs::path(PINWEAVE_EXAMPLES_DIR) / (strName + ".tst");
    Lines arrExpectedNames;
    for (const fs::directory_entry& entry : fs::directory_iterator(pathGolden)) {
        if (entry.path().extension() == ".pid") {
            arrExpectedNames.push_back(entry.path().filename().string());
        }
    }
    std::sort(arrExpectedNames.begin(), arrExpectedNames.end());

    for (const bool bWindow : {false, true}) {
        SCOPED_TRACE(bWindow ? "with a window" : "without a window");
        CRunFixture run(strName + ".tst", ReadFileBytes(pathInput));
        run.m_ui.m_bHasWindow = bWindow;
        run.m_engine.m_fnNow = [] { return kRunTime; };
        const std::string strGiven = (run.m_pathDir / "." / (strName + ".tst")).string();
        const bool bCompleted = run.m_engine.RunConversion(strGiven);
        EXPECT_FALSE(CCapHElement::s_pfnReport) << "the run installs no report hook";

        ASSERT_EQ(run.OutputNames(), arrExpectedNames);
        for (const std::string& strFile : arrExpectedNames) {
            const Lines arrActual = SplitCrLf(ReadFileBytes(run.Out(strFile)));
            EXPECT_EQ(MaskRunLines(arrActual), MaskRunLines(SplitCrLf(ReadFileBytes(pathGolden / strFile))))
                << strFile;
            EXPECT_EQ(CrLf(arrActual), ReadFileBytes(run.Out(strFile))) << "every byte is in a CR LF line";
            ASSERT_GE(arrActual.size(), 3u);
            EXPECT_EQ(arrActual[1], "; " + strGiven);
            EXPECT_EQ(arrActual[2], "; Date:  " + GenerationDateText(kRunTime));
        }
        const std::string strLog =
            Replaced(ReadFileBytes(pathGolden / (strName + ".log")), "@CAPH@", strGiven);
        EXPECT_EQ(bCompleted, SplitCrLf(strLog).back() == "Completed");
        EXPECT_EQ(bWindow ? run.m_ui.Results() : run.LogText(), strLog);
        EXPECT_EQ(run.m_ui.m_strShownResults + CrLf(run.m_ui.m_arrLogLines), strLog);
        EXPECT_EQ(fs::exists(LogFilePathOf(run.m_strCapHPath)), !bWindow);
        EXPECT_TRUE(run.m_ui.m_arrMessageBoxes.empty() && run.m_ui.m_arrUnlogged.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Scenarios, GoldenTest, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<std::string>& param) { return param.param; });

} // namespace
} // namespace pinweave
