// One output file's buffer: bytes reach the disk in order whichever way the
// buffer is flushed, also when a finished file passes its buffer on.
#include "TestSupport.h"

#include "pid/OutputFile.h"

namespace pinweave {
namespace {

TEST(OutputFileTest, BufferPassedOnKeepsEveryFilesBytesInOrder)
{
    CRunFixture run;
    const std::string strBig(3 * 1024 * 1024 / 2, 'x');  // more than the buffer holds
    // Per file: what it gets before the files before it pass their buffers
    // on, and what it gets after.
    const std::pair<std::string, std::string> writes[] = {
        {"head0\r\n", "body0\r\n" + strBig},
        {"head1\r\n", "body1\r\n"},
        {"", strBig + "body2\r\n"},
        {"head3\r\n", ""},
    };
    constexpr std::size_t kFiles = std::size(writes);
    COutputFile files[kFiles];
    for (std::size_t i = 0; i < kFiles; ++i) {
        std::string strError;
        ASSERT_TRUE(files[i].Open(run.Out("f" + std::to_string(i) + ".pid"), strError)) << strError;
        ASSERT_TRUE(files[i].Write(writes[i].first));
    }
    for (std::size_t i = 0; i < kFiles; ++i) {
        ASSERT_TRUE(files[i].Write(writes[i].second));
        ASSERT_TRUE(i + 1 < kFiles ? files[i].FlushInto(files[i + 1]) : files[i].Flush());
        EXPECT_EQ(ReadBytes(run.Out("f" + std::to_string(i) + ".pid")), writes[i].first + writes[i].second)
            << "file " << i << " is on disk once it passed its buffer on";
    }
    ASSERT_TRUE(files[0].Write("tail0\r\n"));
    for (COutputFile& file : files) {
        EXPECT_TRUE(file.Close());
    }
    for (std::size_t i = 0; i < kFiles; ++i) {
        EXPECT_EQ(ReadBytes(run.Out("f" + std::to_string(i) + ".pid")),
                  writes[i].first + writes[i].second + (i == 0 ? "tail0\r\n" : ""))
            << i;
    }
}

TEST(OutputFileTest, AFailedFileReportsItAndLeavesTheNextFileItsOwnBytes)
{
    // Linux's /dev/full refuses every write; Wine would pass the path on to
    // it in a way of its own.
#ifdef _WIN32
    const bool bHasFullDevice = false;
#else
    const bool bHasFullDevice = fs::exists("/dev/full");
#endif
    if (!bHasFullDevice) {
        GTEST_SKIP() << "no device that refuses every write";
    }
    CRunFixture run;
    COutputFile full, next;
    std::string strError;
    ASSERT_TRUE(full.Open("/dev/full", strError)) << strError;
    ASSERT_TRUE(next.Open(run.Out("next.pid"), strError)) << strError;
    ASSERT_TRUE(next.Write("pending\r\n"));
    ASSERT_TRUE(full.Write("lost\r\n"));
    EXPECT_FALSE(full.FlushInto(next));
    EXPECT_FALSE(full.Error().empty());
    EXPECT_FALSE(full.FlushInto(next)) << "failures are sticky";
    EXPECT_TRUE(next.Close());
    EXPECT_EQ(ReadBytes(run.Out("next.pid")), "pending\r\n");
}

// Pieces reach the disk exactly when their concatenation, written in one
// Write, would: the buffer takes writes while they fit in kBufferSize bytes;
// one that does not fit sends the buffer out first, and goes straight out
// itself when it is that large (so a failure shows at the same write as
// ever). Checked after every call, through the buffer's growth, its limit
// and pieces too large for it.
TEST(OutputFileTest, PiecesAreWrittenAsTheirConcatenationWouldBe)
{
    CRunFixture run;
    constexpr std::size_t kLimit = COutputFile::kBufferSize;
    const std::string strA(300, 'a'), strB(kLimit / 2, 'b'), strC(kLimit - 1, 'c'), strD(kLimit, 'd');
    const std::vector<std::vector<std::string>> calls = {
        {"head", "", "\r\n"},  {strA, strA},       {strB, "x", "y"},     {""},
        {strB, strA},          {"z", strC},        {strD},               {"1", "2", "3", "4", "5", "6"},
        {strC, "", "", "q"},   {strA, strD, strA}, {strB, strB, "over"}, {"tail\r\n"},
    };
    COutputFile file;
    std::string strError;
    ASSERT_TRUE(file.Open(run.Out("pieces.pid"), strError)) << strError;
    std::string strExpected;
    std::size_t nOnDisk = 0, nBuffered = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const std::vector<std::string>& c = calls[i];
        ASSERT_TRUE(c.size() == 1   ? file.WritePieces(c[0])
                    : c.size() == 2 ? file.WritePieces(c[0], c[1])
                    : c.size() == 3 ? file.WritePieces(c[0], c[1], c[2])
                    : c.size() == 4 ? file.WritePieces(c[0], c[1], c[2], c[3])
                                    : file.WritePieces(c[0], c[1], c[2], c[3], c[4], c[5]));
        std::size_t nBytes = 0;
        for (const std::string& strPiece : c) {
            strExpected += strPiece;
            nBytes += strPiece.size();
        }
        if (nBuffered + nBytes <= kLimit) {
            nBuffered += nBytes;
        } else {
            nOnDisk += nBuffered;
            nBuffered = 0;
            (nBytes >= kLimit ? nOnDisk : nBuffered) += nBytes;
        }
        EXPECT_EQ(fs::file_size(run.Out("pieces.pid")), nOnDisk) << "call " << i;
    }
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(ReadBytes(run.Out("pieces.pid")), strExpected);
}

#ifndef _WIN32
// A failed file takes no more bytes, not even a few that its buffer would
// have room for.
TEST(OutputFileTest, NothingIsBufferedAfterAFailure)
{
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no device that refuses every write";
    }
    COutputFile full;
    std::string strError;
    ASSERT_TRUE(full.Open("/dev/full", strError)) << strError;
    ASSERT_TRUE(full.WritePieces("short", "\r\n"));
    EXPECT_FALSE(full.Write(std::string(COutputFile::kBufferSize, 'x')));
    const std::string strReason = full.Error();
    EXPECT_FALSE(strReason.empty());
    EXPECT_FALSE(full.WritePieces("a", "b"));
    EXPECT_FALSE(full.Write("c"));
    EXPECT_EQ(full.Error(), strReason);
    EXPECT_FALSE(full.Close());
}
#endif

}  // namespace
}  // namespace pinweave
