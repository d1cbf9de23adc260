// What a run tells the user, in which order and where: the results text with
// a window, the log file beside the CAP-H file without one, and the failures
// that have no log line.
#include "TestSupport.h"

#include "common/MessageTable.h"
#include "pid/PathNames.h"

namespace pinweave {
namespace {

std::string Starting(const std::string& strPath)
{
    return FormatTableMessage(IDS_STARTING_CONVERSION, {strPath});
}

TEST(RunLogTest, ExistingFileWithoutWindowLogsMessage111AsTwoLines)
{
    CRunFixture run;
    WriteFileBytes(run.Out("harness.pid"), "old");
    EXPECT_FALSE(run.Run());
    const std::string str111 = "The output file 'harness.pid' already exists.\nConversion aborted.";
    EXPECT_EQ(run.LogText(), CrLf({Starting(run.m_strCapHPath), "3 Part Number(s) detected.",
                                   "The output file 'harness.pid' already exists.", "Conversion aborted."}));
    EXPECT_EQ(run.m_ui.m_arrLogLines,
              (Lines{Starting(run.m_strCapHPath), "3 Part Number(s) detected.", str111}));
    EXPECT_EQ(run.OutputNames(), Lines{"harness.pid"});
    EXPECT_EQ(ReadFileBytes(run.Out("harness.pid")), "old");
}

// The stored consent (flag Y) is the caller's: a run leaves it as it is, and
// once the caller clears it (the dialog does after every scan) the next run
// asks again. The log and the results text keep the lines of every run.
TEST(RunLogTest, LinesAccumulateAcrossRunsAndConsentIsTheCallers)
{
    for (const bool bWindow : {false, true}) {
        CRunFixture run;
        run.m_ui.m_bHasWindow = bWindow;
        run.m_ui.m_lstAnswers = {OverwriteAnswer::Cancel};
        run.m_engine.m_bOverwriteAll = true;
        WriteFileBytes(run.Out("harness.pid"), "old");
        EXPECT_TRUE(run.Run());
        EXPECT_TRUE(run.m_engine.m_bOverwriteAll);
        run.m_engine.m_bOverwriteAll = false;
        EXPECT_FALSE(run.Run());
        Lines arrBoth = {Starting(run.m_strCapHPath),
                         "3 Part Number(s) detected.",
                         "Processing Part # P1",
                         "PID File 'harness.pid' generated",
                         "Completed",
                         Starting(run.m_strCapHPath),
                         "3 Part Number(s) detected."};
        if (!bWindow) {
            arrBoth.insert(arrBoth.end(),
                           {"The output file 'harness.pid' already exists.", "Conversion aborted."});
        }
        EXPECT_EQ(bWindow ? run.m_ui.Results() : run.LogText(), CrLf(arrBoth));
        EXPECT_EQ(run.m_ui.m_arrPrompts.size(), bWindow ? 1u : 0u);
    }
}

TEST(RunLogTest, UnopenableCapHFileIsReportedWithoutLogFile)
{
    for (const bool bWindow : {false, true}) {
        CRunFixture run;
        run.m_ui.m_bHasWindow = bWindow;
        run.m_engine.m_bOverwriteAll = true;
        const std::string strMissing = run.m_engine.m_strInputPath = (run.m_pathDir / "missing.tst").string();
        const std::string strReport =
            "Cannot open CAP-H file '" + strMissing + "': No such file or directory";
        EXPECT_FALSE(run.m_engine.RunConversion(strMissing));
        EXPECT_EQ(run.m_ui.m_arrUnlogged, bWindow ? Lines{} : Lines{strReport});
        EXPECT_EQ(run.m_ui.m_strShownResults, bWindow ? strReport + "\r\n" : "");
        EXPECT_FALSE(fs::exists(LogFilePathOf(strMissing)));
        EXPECT_TRUE(run.m_engine.m_bOverwriteAll)
            << "a run that never started leaves the stored values alone";
    }
}

TEST(RunLogTest, UnwritableLogFileStopsTheRunAndSaysSo)
{
    CRunFixture run;
    const std::string strLogPath = LogFilePathOf(run.m_strCapHPath);
    fs::create_directory(strLogPath); // a folder where the log file should be
    EXPECT_FALSE(run.Run());
    ASSERT_EQ(run.m_ui.m_arrUnlogged.size(), 2u);
    EXPECT_EQ(run.m_ui.m_arrUnlogged[0].rfind("Cannot write log file '" + strLogPath + "': ", 0), 0u);
    EXPECT_EQ(run.m_ui.m_arrUnlogged[1], Starting(run.m_strCapHPath));
    EXPECT_TRUE(run.m_ui.m_arrLogLines.empty() && run.OutputNames().empty());
}

// The file is read with its CR LF pairs joined, once: a CR before a pair
// stays, and parser positions count the text joined once.
TEST(RunLogTest, ParserPositionsCountTheFileJoinedOnce)
{
    CRunFixture run("joined.tst", "[HEADER]\r\r\n[P\r\n]\r\n[ENDHEADER]\r\n");
    EXPECT_FALSE(run.Run());
    EXPECT_EQ(run.LogText(),
              CrLf({Starting(run.m_strCapHPath),
                    "CAP-H Parser error:  Illegal character at position 12 ('[HEADER]\r[P][ENDH...')"}));
}

#ifdef __linux__
TEST(RunLogTest, ReadErrorOnCapHFileIsLogged)
{
    CRunFixture run;
    EXPECT_FALSE(run.m_engine.RunConversion("/proc/self/mem")); // opens, but its start cannot be read
    EXPECT_EQ(run.LogText(), CrLf({Starting("/proc/self/mem"), "Read error on CAP-H file '/proc/self/mem': "
                                                               "Input/output error. Conversion aborted."}));
}
#endif

} // namespace
} // namespace pinweave
