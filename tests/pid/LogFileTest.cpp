// The log file of a run: lines reach it whole, in order, with CR LF ends,
// however they are handed over; two runs appending to one log at the same
// time never tear each other's lines.
#include "TestSupport.h"

#include "pid/LogFile.h"

#include <map>
#include <thread>

namespace pinweave {
namespace {

TEST(LogFileTest, LinesArriveWholeInOrderHoweverHandedOver)
{
    enum class Way { Gathered, Now };
    // A line, how it is handed over, and the file lines it gives.
    const std::string strLong(CLogFile::kBufferSize + 10, 'L');
    const struct {
        std::string strLine;
        Way way;
        Lines arrFileLines;
    } steps[] = {
        {"Starting conversion of 'x.tst'", Way::Gathered, {"Starting conversion of 'x.tst'"}},
        {"The output file 'x.pid' already exists.\nConversion aborted.",
         Way::Gathered,
         {"The output file 'x.pid' already exists.", "Conversion aborted."}},
        {"", Way::Gathered, {""}},
        {strLong, Way::Now, {strLong}},
        {"a\nb\n", Way::Now, {"a", "b", ""}},
        {"Completed", Way::Gathered, {"Completed"}},
    };
    CRunFixture run;
    const std::string strPath = run.Out("x.log");
    WriteFileBytes(strPath, "earlier\r\n");
    CLogFile log;
    std::string strError;
    ASSERT_TRUE(log.Open(strPath, strError)) << strError;
    Lines arrExpected = {"earlier"};
    std::size_t nLines = 0;
    for (const auto& step : steps) {
        if (step.way == Way::Gathered) {
            log.AppendLine(step.strLine);
        } else {
            ASSERT_TRUE(log.WriteLineNow(step.strLine, nLines, strError)) << strError;
            EXPECT_EQ(log.PendingBytes(), 0u) << "the lines gathered before go first";
        }
        arrExpected.insert(arrExpected.end(), step.arrFileLines.begin(), step.arrFileLines.end());
    }
    ASSERT_TRUE(log.Close(nLines, strError)) << strError;
    EXPECT_EQ(nLines, 1u) << "the lines gathered since the last hand-over";
    EXPECT_EQ(ReadFileBytes(strPath), CrLf(arrExpected));
}

// Two logs open on one file, each handing over many lines at a time as a run
// does: every line in the file is one that was written, whole, and each
// writer's lines keep their order.
TEST(LogFileTest, ConcurrentAppendsNeverTearALine)
{
    CRunFixture run;
    const std::string strPath = run.Out("shared.log");
    constexpr int kLines = 4000;
    auto fnWriter = [&strPath](char cWriter) {
        CLogFile log;
        std::string strError;
        std::size_t nLines = 0;
        EXPECT_TRUE(log.Open(strPath, strError)) << strError;
        for (int i = 0; i < kLines; ++i) {
            // Lengths from a few bytes to several kilobytes.
            log.AppendLine(std::string(1, cWriter) + std::to_string(i) + " " +
                           std::string(static_cast<std::size_t>((i * 7919) % 5000), cWriter));
            if (log.PendingBytes() >= CLogFile::kBufferSize) {
                EXPECT_TRUE(log.Flush(nLines, strError)) << strError;
            }
        }
        EXPECT_TRUE(log.Close(nLines, strError)) << strError;
    };
    std::thread writerA(fnWriter, 'a');
    std::thread writerB(fnWriter, 'b');
    writerA.join();
    writerB.join();

    std::map<char, int> mapNext;
    for (const std::string& strLine : SplitCrLf(ReadFileBytes(strPath))) {
        ASSERT_FALSE(strLine.empty());
        const char cWriter = strLine[0];
        const int nIndex = mapNext[cWriter]++;
        ASSERT_EQ(strLine, std::string(1, cWriter) + std::to_string(nIndex) + " " +
                               std::string(static_cast<std::size_t>((nIndex * 7919) % 5000), cWriter));
    }
    EXPECT_EQ(mapNext['a'], kLines);
    EXPECT_EQ(mapNext['b'], kLines);
}

} // namespace
} // namespace pinweave
