// One output file: its bytes reach its temporary in order whichever way the
// buffer is flushed, also when a finished file passes its buffer on; the PID
// file's name changes only when the file is put in place; a file that is not
// put in place leaves nothing behind.
#include "TestSupport.h"

#include "pid/OutputFileSet.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace pinweave {
namespace {

// Where the temporaries' names take their random letters from.
std::mt19937_64 s_random(2026);

std::size_t CountEntries(const fs::path& pathFolder)
{
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator(pathFolder), fs::directory_iterator()));
}

// The run's output folder with nFiles files f0.pid, f1.pid ... (or the one
// file strName) that may replace what has their names.
void MakeFiles(COutputFileSet& files, const CRunFixture& run, std::size_t nFiles,
               const std::string& strName = "")
{
    std::string strError;
    ASSERT_TRUE(files.Open(run.m_strOutDir, strError)) << strError;
    for (std::size_t i = 0; i < nFiles; ++i) {
        ASSERT_TRUE(
            files.Add(strName.empty() ? "f" + std::to_string(i) + ".pid" : strName, true, s_random, strError))
            << strError;
    }
}

bool PutInPlace(COutputFileSet& files)
{
    std::vector<std::string> arrLines;
    return files.PutInPlace(arrLines);
}

TEST(OutputFileTest, BufferPassedOnKeepsEveryFilesBytesInOrder)
{
    CRunFixture run;
    const std::string strBig(3 * 1024 * 1024 / 2, 'x'); // more than the buffer holds
    // Per file: what it gets before the files before it pass their buffers
    // on, and what it gets after.
    const std::pair<std::string, std::string> writes[] = {
        {"head0\r\n", "body0\r\n" + strBig},
        {"head1\r\n", "body1\r\n"},
        {"", strBig + "body2\r\n"},
        {"head3\r\n", ""},
    };
    constexpr std::size_t kFiles = std::size(writes);
    COutputFileSet set;
    MakeFiles(set, run, kFiles);
    for (std::size_t i = 0; i < kFiles; ++i) {
        ASSERT_TRUE(set[i]->Write(writes[i].first));
    }
    for (std::size_t i = 0; i < kFiles; ++i) {
        ASSERT_TRUE(set[i]->Write(writes[i].second));
        ASSERT_TRUE(i + 1 < kFiles ? set[i]->FlushInto(*set[i + 1]) : set[i]->Flush());
        EXPECT_EQ(ReadBytes(set[i]->TemporaryPath()), writes[i].first + writes[i].second)
            << "file " << i << " is in its temporary once it passed its buffer on";
    }
    ASSERT_TRUE(set[0]->Write("tail0\r\n"));
    ASSERT_TRUE(set[0]->Flush());
    for (std::size_t i = 0; i < kFiles; ++i) {
        EXPECT_FALSE(fs::exists(run.Out("f" + std::to_string(i) + ".pid")))
            << "not before it is put in place";
    }
    EXPECT_TRUE(PutInPlace(set));
    for (std::size_t i = 0; i < kFiles; ++i) {
        EXPECT_EQ(ReadBytes(run.Out("f" + std::to_string(i) + ".pid")),
                  writes[i].first + writes[i].second + (i == 0 ? "tail0\r\n" : ""))
            << i;
    }
    EXPECT_EQ(CountEntries(run.m_strOutDir), kFiles) << "no temporary is left";
}

// What is at the PID file's name before, and what is there after the file is
// put in place, or after it is dropped (discarded or destroyed unplaced).
TEST(OutputFileTest, TheNameChangesOnlyWhenPutInPlace)
{
    enum class Before { Nothing, OldFile, LinkToOutside, DanglingLink, Fifo, Folder };
    enum class End { PutInPlace, Discard, Destroy };
    struct Case {
        Before before;
        End end;
        bool bPlaced; // the new content is at the name afterwards
    };
    const Case cases[] = {
        {Before::Nothing, End::PutInPlace, true},       {Before::OldFile, End::PutInPlace, true},
        {Before::LinkToOutside, End::PutInPlace, true}, {Before::DanglingLink, End::PutInPlace, true},
        {Before::Fifo, End::PutInPlace, true},          {Before::Folder, End::PutInPlace, false},
        {Before::OldFile, End::Discard, false},         {Before::OldFile, End::Destroy, false},
        {Before::LinkToOutside, End::Destroy, false},   {Before::Nothing, End::Discard, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.before) * 10 + static_cast<int>(c.end));
#ifdef _WIN32
        if (c.before == Before::LinkToOutside || c.before == Before::DanglingLink ||
            c.before == Before::Fifo) {
            continue;
        }
#endif
        CRunFixture run;
        const std::string strName = run.Out("job.pid");
        const fs::path pathOutside = run.m_pathDir / "outside.txt";
        WriteBytes(pathOutside, "outside");
        switch (c.before) {
        case Before::Nothing:
            break;
        case Before::OldFile:
            WriteBytes(strName, "old");
            break;
        case Before::LinkToOutside:
            fs::create_symlink(pathOutside, strName);
            break;
        case Before::DanglingLink:
            fs::create_symlink(run.m_pathDir / "nowhere", strName);
            break;
        case Before::Fifo:
#ifndef _WIN32
            ASSERT_EQ(mkfifo(strName.c_str(), 0600), 0);
#endif
            break;
        case Before::Folder:
            fs::create_directory(strName);
            break;
        }
        {
            COutputFileSet set;
            MakeFiles(set, run, 1, "job.pid");
            COutputFile& file = *set[0];
            std::string strError;
            const std::string strTemporary = fs::path(file.TemporaryPath()).filename().string();
            EXPECT_EQ(strTemporary.rfind("job.pid.pinweave-", 0), 0u) << strTemporary;
            EXPECT_EQ(strTemporary.size(), std::string("job.pid.pinweave-123456.tmp").size()) << strTemporary;
            EXPECT_EQ(strTemporary.substr(strTemporary.size() - 4), ".tmp");
            ASSERT_TRUE(file.Write("new") && file.Flush());
            if (c.end == End::PutInPlace) {
                EXPECT_EQ(PutInPlace(set), c.bPlaced);
            } else if (c.end == End::Discard) {
                EXPECT_TRUE(file.Discard(strError)) << strError;
            }
        }
        EXPECT_EQ(ReadBytes(pathOutside), "outside") << "a link's target is never written";
        if (c.bPlaced) {
            EXPECT_EQ(ReadBytes(strName), "new");
        } else if (c.before == Before::OldFile) {
            EXPECT_EQ(ReadBytes(strName), "old");
        } else if (c.before == Before::Folder) {
            EXPECT_TRUE(fs::is_directory(strName));
        }
        EXPECT_EQ(CountEntries(run.m_strOutDir), c.bPlaced || c.before != Before::Nothing ? 1u : 0u)
            << "no temporary is left";
    }
}

// A temporary that vanishes behind the run's back fails the next write with
// the system's reason, and so does everything after it; other files keep
// their bytes, and none is put in place.
TEST(OutputFileTest, AFailedFileReportsItAndLeavesTheNextFileItsOwnBytes)
{
    CRunFixture run;
    COutputFileSet set;
    MakeFiles(set, run, 2);
    COutputFile& lost = *set[0];
    COutputFile& next = *set[1];
    ASSERT_TRUE(next.Write("pending\r\n"));
    ASSERT_TRUE(lost.WritePieces("short", "\r\n"));
    fs::remove(lost.TemporaryPath());
    EXPECT_FALSE(lost.FlushInto(next));
    const std::string strReason = lost.Error();
    EXPECT_FALSE(strReason.empty());
    EXPECT_FALSE(lost.WritePieces("a", "b")) << "failures are sticky";
    EXPECT_FALSE(lost.Write("c"));
    EXPECT_FALSE(lost.FlushInto(next));
    EXPECT_EQ(lost.Error(), strReason);
    EXPECT_TRUE(next.Flush());
    EXPECT_EQ(ReadBytes(next.TemporaryPath()), "pending\r\n");
    EXPECT_FALSE(PutInPlace(set));
    EXPECT_EQ(CountEntries(run.m_strOutDir), 0u);
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
        {"head", "", "\r\n"},
        {strA, strA},
        {strB, "x", "y"},
        {""},
        {strB, strA},
        {"z", strC},
        {strD},
        {"1", "2", "3", "4", "5", "6"},
        {strC, "", "", "q"},
        {strA, strD, strA},
        {strB, strB, "over"},
        {"tail\r\n"},
    };
    COutputFileSet set;
    MakeFiles(set, run, 1, "pieces.pid");
    COutputFile& file = *set[0];
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
        EXPECT_EQ(fs::file_size(file.TemporaryPath()), nOnDisk) << "call " << i;
    }
    EXPECT_TRUE(file.Flush() && PutInPlace(set));
    EXPECT_EQ(ReadBytes(run.Out("pieces.pid")), strExpected);
}

#ifndef _WIN32
// However many files a run has, the header step writes to all of them and no
// descriptor stays open: the body writer then opens one at a time.
TEST(OutputFileTest, NoFileStaysOpenBetweenWrites)
{
    CRunFixture run;
    COutputFileSet files;
    MakeFiles(files, run, 0);
    const std::size_t nOpenBefore = CountEntries("/proc/self/fd");
    for (std::size_t i = 0; i < 300; ++i) {
        std::string strError;
        ASSERT_TRUE(files.Add("f" + std::to_string(i) + ".pid", false, s_random, strError)) << strError;
        ASSERT_TRUE(files[i]->Write("head\r\n"));
    }
    ASSERT_TRUE(files[7]->Write(std::string(COutputFile::kBufferSize + 1, 'x')));
    EXPECT_EQ(CountEntries("/proc/self/fd"), nOpenBefore);
}
#endif

} // namespace
} // namespace pinweave
