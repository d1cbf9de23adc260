// One output file: its bytes reach its temporary in order whichever way the
// buffer is flushed, also when a finished file passes its buffer on; the PID
// file's name changes only when the file is put in place; a file that is not
// put in place leaves nothing behind.
#include "TestSupport.h"

#include "pid/OutputFileSet.h"

#include <algorithm>
#include <map>
#include <set>

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
        EXPECT_EQ(ReadFileBytes(set[i]->TemporaryPath()), writes[i].first + writes[i].second)
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
        EXPECT_EQ(ReadFileBytes(run.Out("f" + std::to_string(i) + ".pid")),
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
        WriteFileBytes(pathOutside, "outside");
        switch (c.before) {
        case Before::Nothing:
            break;
        case Before::OldFile:
            WriteFileBytes(strName, "old");
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
        EXPECT_EQ(ReadFileBytes(pathOutside), "outside") << "a link's target is never written";
        if (c.bPlaced) {
            EXPECT_EQ(ReadFileBytes(strName), "new");
        } else if (c.before == Before::OldFile) {
            EXPECT_EQ(ReadFileBytes(strName), "old");
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
    EXPECT_EQ(ReadFileBytes(next.TemporaryPath()), "pending\r\n");
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
    EXPECT_EQ(ReadFileBytes(run.Out("pieces.pid")), strExpected);
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

namespace pinweave {
namespace {

// A folder in memory that records every step that changes it or syncs it,
// temporaries written "<name>~tmp" and backups "<name>~bak", and fails the
// steps it is told to, once each.
class CFakeFolder final : public IOutputFolder {
public:
    CFakeFolder(std::vector<std::string>& arrSteps, std::multiset<std::string> setFailing)
        : m_arrSteps(arrSteps), m_setFailing(std::move(setFailing))
    {
    }
    bool CreateNew(const std::string& strName, CFileIdentity& id, std::string&) override
    {
        id.nFile = ++m_nLastFile;
        return m_mapNames.emplace(strName, id.nFile).second;
    }
    bool OpenToAppend(const std::string&, const CFileIdentity&, CAppendFile&, std::string&) override
    {
        return false;
    }
    bool IsFile(const std::string& strName, const CFileIdentity& id) override
    {
        return m_mapNames.count(strName) > 0 && m_mapNames[strName] == id.nFile;
    }
    bool TakeOverAttributes(const std::string& strFrom, const std::string&, const CFileIdentity&,
                            std::string& strError) override
    {
        return Step("attributes " + strFrom, strError);
    }
    bool SyncFiles(const std::vector<std::string>&, std::string& strError) override
    {
        return Step("sync files", strError);
    }
    bool KeepBackup(const std::string& strName, const std::string& strBackup, bool& bMissing,
                    std::string& strError) override
    {
        bMissing = m_mapNames.count(strName) == 0;
        if (!Step("backup " + strName, strError)) {
            return false;
        }
        if (!bMissing) {
            m_mapNames[strBackup] = m_mapNames[strName];
        }
        return true;
    }
    ERenamed Rename(const std::string& strFrom, const std::string& strTo, bool bReplace,
                    std::string& strError) override
    {
        if (!Step((bReplace ? "replace " : "rename ") + Short(strFrom) + " " + strTo, strError)) {
            return ERenamed::Failed;
        }
        if (!bReplace && m_mapNames.count(strTo) > 0) {
            return ERenamed::NameTaken;
        }
        m_mapNames[strTo] = m_mapNames[strFrom];
        m_mapNames.erase(strFrom);
        return ERenamed::Done;
    }
    bool Remove(const std::string& strName, std::string& strError) override
    {
        return Step("remove " + Short(strName), strError) && m_mapNames.erase(strName) > 0;
    }
    bool SyncFolder(std::string& strError) override { return Step("sync folder", strError); }
    bool IsStillAtItsPath() override { return true; }
    bool ListNames(std::vector<std::string>&) override { return false; }

    std::map<std::string, std::uint64_t> m_mapNames;

private:
    static std::string Short(const std::string& strName)
    {
        const std::size_t nMarker = strName.find(COutputFile::kTemporaryMarker);
        return nMarker == std::string::npos
                   ? strName
                   : strName.substr(0, nMarker) + "~" + strName.substr(strName.size() - 3);
    }
    bool Step(const std::string& strStep, std::string& strError)
    {
        m_arrSteps.push_back(strStep);
        const auto it = m_setFailing.find(strStep);
        if (it == m_setFailing.end()) {
            return true;
        }
        m_setFailing.erase(it);
        strError = "fake failure";
        return false;
    }
    std::vector<std::string>& m_arrSteps;
    std::multiset<std::string> m_setFailing;
    std::uint64_t m_nLastFile = 0;
};

// Two files, a.pid new and b.pid replacing an old file with consent: the
// temporaries reach the disk before the first rename and the folder after the
// last; backups go only when every name holds its new file; a failure at any
// step gives every name its old file back, and says exactly what stays when
// even that fails.
TEST(OutputFileSetTest, OrderOfThePutInPlaceAndItsUndoing)
{
    const std::vector<std::string> kPrepare = {"sync files", "attributes b.pid", "backup b.pid"};
    struct Case {
        std::multiset<std::string> setFailing;
        std::vector<std::string> arrAfterPrepare; // steps after kPrepare ("" for none: it failed)
        const char* pszLastLine;                  // of the lines; nullptr when all went in place
    };
    const Case cases[] = {
        {{},
         {"rename a.pid~tmp a.pid", "replace b.pid~tmp b.pid", "sync folder", "remove b.pid~bak"},
         nullptr},
        {{"replace b.pid~tmp b.pid"},
         {"rename a.pid~tmp a.pid", "replace b.pid~tmp b.pid", "remove a.pid", "sync folder",
          "remove b.pid~bak", "remove b.pid~tmp"},
         "No output file was changed."},
        {{"sync folder"},
         {"rename a.pid~tmp a.pid", "replace b.pid~tmp b.pid", "sync folder", "replace b.pid~bak b.pid",
          "remove a.pid", "sync folder"},
         "No output file was changed."},
        {{"sync files"}, {""}, "No output file was changed."},
        {{"sync folder", "replace b.pid~bak b.pid"},
         {"rename a.pid~tmp a.pid", "replace b.pid~tmp b.pid", "sync folder", "replace b.pid~bak b.pid",
          "remove a.pid", "sync folder"},
         "The output folder could not be put back as it was: fake failure. These output files hold their new "
         "content: 'out/b.pid'; every other output file holds its old content. The old content of replaced "
         "files "
         "is kept: 'out/b.pid' in 'out/b.pid.pinweave-XXXXXX.bak'. Files of this run left in the folder: "
         "none."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arrAfterPrepare.front());
        std::vector<std::string> arrSteps;
        auto pFolder = std::make_unique<CFakeFolder>(arrSteps, c.setFailing);
        CFakeFolder& folder = *pFolder;
        folder.m_mapNames["b.pid"] = 1000;
        COutputFileSet files;
        files.Open("out", std::move(pFolder));
        std::string strError;
        ASSERT_TRUE(files.Add("a.pid", false, s_random, strError) &&
                    files.Add("b.pid", true, s_random, strError));
        std::vector<std::string> arrLines;
        EXPECT_EQ(files.PutInPlace(arrLines), c.pszLastLine == nullptr);

        std::vector<std::string> arrExpected = kPrepare;
        if (c.arrAfterPrepare.front().empty()) {
            arrExpected.resize(1); // stopped at the sync
            arrExpected.insert(arrExpected.end(), {"sync folder", "remove a.pid~tmp", "remove b.pid~tmp"});
        } else {
            arrExpected.insert(arrExpected.end(), c.arrAfterPrepare.begin(), c.arrAfterPrepare.end());
        }
        EXPECT_EQ(arrSteps, arrExpected);
        std::string strLast = arrLines.empty() ? "" : arrLines.back();
        const std::size_t nLetters = strLast.find(".bak'");
        if (nLetters != std::string::npos) {
            strLast.replace(nLetters - 6, 6, "XXXXXX");
        }
        std::string strExpected = c.pszLastLine == nullptr ? "" : c.pszLastLine;
#ifdef _WIN32
        std::replace(strExpected.begin(), strExpected.end(), '/', '\\'); // the folder's separator
#endif
        EXPECT_EQ(strLast, strExpected);
        if (c.pszLastLine != nullptr && *c.pszLastLine == 'N') {
            EXPECT_EQ(folder.m_mapNames, (std::map<std::string, std::uint64_t>{{"b.pid", 1000}}));
        }
    }
}

} // namespace
} // namespace pinweave
