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

}  // namespace
}  // namespace pinweave
