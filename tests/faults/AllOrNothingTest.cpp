// A run of the real pinweave program changes the output folder only as a
// whole: every way a run can stop (an existing file without /Y, a file that
// cannot be made, write errors after any number of bytes, a log that cannot
// be written, a surplus part group, interrupts at any moment) leaves every
// file there byte for byte as it was, and no temporary behind; a run that
// completes replaces them all. Special files at the output names and the log
// path, closed standard streams, concurrent runs and open-file limits are
// here too.
#include "FaultSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace pinweave::test {
namespace {

using Lines = std::vector<std::string>;
using Snapshot = std::map<std::string, std::string>;

const char* const kOutputNames[] = {"job.pid", "job_1.pid", "job_2.pid"};

// A job of nParts part numbers, each with a part group of nWires wires on a
// fixture; wire nBigWire (of part 1) has a name of nBigWireBytes bytes. With
// bSurplus, one part group more than part numbers.
std::string JobCapH(int nParts, int nWires, std::size_t nBigWireBytes = 0, bool bSurplus = false)
{
    CCapHBuilder capH;
    capH.Preamble("CAP-H EXPORT").HeaderValue("FAMILY", "F").PartNumbers(nParts).FixturePins("J1", 0, 39);
    for (int i = 0; i < nParts + (bSurplus ? 1 : 0); ++i) {
        std::vector<CCapHMember> arrWires;
        for (int w = 0; w < nWires; ++w) {
            const std::string strName = i == 1 && w == 0 && nBigWireBytes > 0
                                            ? std::string(nBigWireBytes, 'W')
                                            : "W" + std::to_string(w);
            arrWires.push_back(
                {strName, "J1", std::to_string(w % 40), "", "", "", "S" + std::to_string(w % 7), "RD/BK"});
        }
        capH.Group(arrWires);
    }
    return capH.Text();
}

// The lines a run added to a log that held strBefore.
Lines AddedLines(const std::string& strBefore, const std::string& strAfter)
{
    return SplitCrLf(strAfter.substr(std::min(strBefore.size(), strAfter.size())));
}

bool Contains(const Lines& arrLines, const std::string& strLine)
{
    return std::find(arrLines.begin(), arrLines.end(), strLine) != arrLines.end();
}

// A job whose out/ holds an old file under each of its first nOldFiles output names.
struct CJob : CJobFolder {
    explicit CJob(const std::string& strCapH, int nOldFiles = 3) : CJobFolder(strCapH)
    {
        for (int i = 0; i < nOldFiles; ++i) {
            WriteFileBytes(Out() / kOutputNames[i],
                           "old content of " + std::string(kOutputNames[i]) + "\r\n");
        }
    }
    std::string Log() const { return Bytes("job.log"); }
};

const Lines kOverwriting = {"/Y", "job.tst", "out"};

// The temporaries of one PID file of the job.
std::vector<fs::path> TemporariesOf(const CJob& job, const std::string& strName)
{
    std::vector<fs::path> arrFound;
    for (const fs::directory_entry& entry : fs::directory_iterator(job.Out())) {
        if (entry.path().filename().string().rfind(strName + ".pinweave-", 0) == 0) {
            arrFound.push_back(entry.path());
        }
    }
    return arrFound;
}

std::string OutputName(int nIndex)
{
    return nIndex == 0 ? "job.pid" : "job_" + std::to_string(nIndex) + ".pid";
}

struct StopCase {
    const char* pszName;
    std::string strCapH;
    int nOldFiles; // job.pid, job_1.pid ... exist before, up to this many
    Lines arrArgs;
    std::uint64_t nFileSizeLimit;
    std::function<void(const CJob&)> fnFault;
    const char* pszStopLine; // a line the log must hold, with "Conversion aborted." where it has one
    // During the run: once fnWhen holds, fnThen acts; pszAppears names a
    // file it makes in out/ that stays ("appeared\r\n").
    std::function<bool(const CJob&)> fnWhen = nullptr;
    std::function<void(const CJob&)> fnThen = nullptr;
    const char* pszAppears = nullptr;
    // Another stop line that is just as right, where the moment fnThen acts
    // decides which step sees the fault first.
    const char* pszOrStopLine = nullptr;
};

void PrintTo(const StopCase& c, std::ostream* pStream)
{
    *pStream << c.pszName;
}

const std::string kJob = JobCapH(3, 20, 300 * 1024);

// clang-format off
const StopCase kStopCases[] = {
    {"ExistingFirstFileWithoutY", kJob, 1, {"job.tst", "out"}, 0, nullptr, "Conversion aborted."},
    {"ExistingSecondFileWithoutY", JobCapH(3, 3), 3, {"job.tst", "out"}, 0,
     [](const CJob& job) { fs::remove(job.Out() / "job.pid"); }, "Conversion aborted."},
    {"ExistingThirdFileWithoutY", JobCapH(3, 3), 3, {"job.tst", "out"}, 0,
     [](const CJob& job) { fs::remove(job.Out() / "job.pid"); fs::remove(job.Out() / "job_1.pid"); },
     "Conversion aborted."},
    {"FolderAtTheSecondName", kJob, 3, kOverwriting, 0,
     [](const CJob& job) { fs::remove(job.Out() / "job_1.pid"); fs::create_directory(job.Out() / "job_1.pid"); },
     "No output file was changed."},
    {"WriteErrorInTheFirstFile", kJob, 3, kOverwriting, 600, nullptr,
     "Write error on output file 'out/job.pid': File too large. Conversion aborted."},
    {"WriteErrorAfter4KiB", kJob, 3, kOverwriting, 4096, nullptr,
     "Write error on output file 'out/job_1.pid': File too large. Conversion aborted."},
    {"WriteErrorAfter128KiB", kJob, 3, kOverwriting, 128 * 1024, nullptr,
     "Write error on output file 'out/job_1.pid': File too large. Conversion aborted."},
    {"WriteErrorAfter299KiB", kJob, 3, kOverwriting, 299 * 1024, nullptr,
     "Write error on output file 'out/job_1.pid': File too large. Conversion aborted."},
    {"LogCannotBeWrittenHalfWay", JobCapH(3, 3), 3, kOverwriting, 64 * 1024,
     [](const CJob& job) { WriteFileBytes(job.Dir() / "job.log", std::string(64 * 1024 - 140, 'x') + "\r\n"); },
     nullptr},
    {"SurplusPartGroup", JobCapH(3, 3, 0, true), 3, kOverwriting, 0, nullptr,
     "The CAP-H file 'job.tst' has more part groups in its connection section than its 3 part number(s). "
     "Conversion aborted."},
    {"TemporaryGivenToAnotherFile", kJob, 3, kOverwriting, 0, nullptr,
     "Write error on output file 'out/job_2.pid': It is no longer the file this run made. Conversion aborted.",
     [](const CJob& job) { return !TemporariesOf(job, "job_2.pid").empty(); },
     [](const CJob& job) {
         const fs::path pathTemporary = TemporariesOf(job, "job_2.pid").front();
         fs::remove(pathTemporary);
         fs::create_hard_link(job.Dir() / "outside.txt", pathTemporary);
     }, nullptr,
     "Cannot give output file 'out/job_2.pid' the permissions of the file it replaces: It is no longer the file "
     "this run made. Conversion aborted."},
    {"NameAppearsWithoutConsent", JobCapH(2000, 1), 0, {"job.tst", "out"}, 0, nullptr,
     "The output file 'out/job_1999.pid' appeared during the run; it was not replaced. Conversion aborted.",
     [](const CJob& job) { return job.Log().find("PID File 'job_1999.pid' generated") != std::string::npos; },
     [](const CJob& job) { WriteFileBytes(job.Out() / "job_1999.pid", "appeared\r\n"); }, "job_1999.pid"},
};
// clang-format on

class StoppedRunTest : public testing::TestWithParam<StopCase> {};

TEST_P(StoppedRunTest, LeavesTheFolderAsItWas)
{
    const StopCase& c = GetParam();
    CJob job(c.strCapH, c.nOldFiles);
    if (c.fnFault) {
        c.fnFault(job);
    }
    WriteFileBytes(job.Dir() / "outside.txt", "outside\r\n");
    Snapshot before = FolderSnapshot(job.Out());
    const std::string strLogBefore = job.Log();
    ChildOptions options = job.Options(c.arrArgs);
    options.nFileSizeLimit = c.nFileSizeLimit;
    ChildResult result;
    {
        const CWhen during([&] { return c.fnWhen && c.fnWhen(job); }, [&] { c.fnThen(job); });
        result = RunChild(PINWEAVE_PROGRAM, options);
        EXPECT_EQ(during.Acted(), c.fnWhen != nullptr);
    }
    if (c.pszAppears != nullptr) {
        before[c.pszAppears] = "appeared\r\n";
    }

    EXPECT_EQ(result.nStatus, 1) << result.strErr;
    EXPECT_EQ(FolderSnapshot(job.Out()), before) << "every file as it was, and no temporary";
    EXPECT_EQ(ReadFileBytes(job.Dir() / "outside.txt"), "outside\r\n");
    const Lines arrAdded = AddedLines(strLogBefore, job.Log());
    EXPECT_FALSE(Contains(arrAdded, "Completed"));
    if (c.pszStopLine != nullptr) {
        const char* pszSeen = c.pszOrStopLine != nullptr && Contains(arrAdded, c.pszOrStopLine)
                                  ? c.pszOrStopLine
                                  : c.pszStopLine;
        EXPECT_TRUE(Contains(arrAdded, pszSeen)) << job.Log();
        EXPECT_NE(result.strErr.find(pszSeen), std::string::npos) << result.strErr;
    } else {
        EXPECT_NE(result.strErr.find("Cannot write log file"), std::string::npos) << result.strErr;
    }
    if (Contains(arrAdded, "Processing Part # P0")) {
        // Said in the log, or where the user sees it when the log fails.
        EXPECT_TRUE(arrAdded.back() == "No output file was changed." ||
                    result.strErr.find("Pinweave: No output file was changed.") != std::string::npos)
            << result.strErr;
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, StoppedRunTest, testing::ValuesIn(kStopCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.pszName); });

// Interrupted at random moments, a run either stops with the folder as it
// was or, when the signal came after the files were in place, has completed
// them all; never anything in between, never a temporary left.
TEST(InterruptedRunTest, FolderIsOldOrNewNeverBetween)
{
    const std::string strCapH = JobCapH(300, 30);
    CJob job(strCapH);
    CJob reference(strCapH, 0);
    ASSERT_EQ(RunChild(PINWEAVE_PROGRAM, reference.Options({"job.tst", "out"})).nStatus, 0);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunChild(PINWEAVE_PROGRAM, reference.Options(kOverwriting)).nStatus, 0);
    const auto nRunMicros =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start)
            .count();
    Snapshot complete;
    for (const auto& [strName, strBytes] : FolderSnapshot(reference.Out())) {
        complete[strName] = WithoutDate(strBytes);
    }

    std::mt19937 random(20261208);
    const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    int nStopped = 0;
    for (int i = 0; i < 60; ++i) {
        SCOPED_TRACE("interrupt " + std::to_string(i));
        for (const char* pszName : kOutputNames) {
            WriteFileBytes(job.Out() / pszName, "old\r\n");
        }
        const Snapshot before = FolderSnapshot(job.Out());
        const std::string strLogBefore = job.Log();
        const int nSignal = kSignals[i % 3];
        const pid_t pid = StartChild(PINWEAVE_PROGRAM, job.Options(kOverwriting));
        std::this_thread::sleep_for(std::chrono::microseconds(
            std::uniform_int_distribution<long>(0, nRunMicros + nRunMicros / 4)(random)));
        kill(pid, nSignal);
        const ChildResult result = WaitChild(pid, job.Options(kOverwriting));

        const Lines arrAdded = AddedLines(strLogBefore, job.Log());
        const Snapshot after = FolderSnapshot(job.Out());
        if (Contains(arrAdded, "Completed")) {
            EXPECT_TRUE(result.nStatus == 0 || result.nStatus == 128 + nSignal) << result.nStatus;
            Snapshot written;
            for (const auto& [strName, strBytes] : after) {
                written[strName] = WithoutDate(strBytes);
            }
            EXPECT_EQ(written, complete);
            continue;
        }
        // Stopped: by the signal's default action before the program could
        // take it, or by the program, which logs why once its run has begun.
        EXPECT_TRUE(result.nSignal == nSignal || result.nStatus == 128 + nSignal) << result.strErr;
        EXPECT_EQ(after, before);
        if (!arrAdded.empty()) {
            ++nStopped;
            const std::string strStop = std::string("Interrupted by ") +
                                        (nSignal == SIGINT    ? "SIGINT"
                                         : nSignal == SIGTERM ? "SIGTERM"
                                                              : "SIGHUP") +
                                        ". Conversion aborted.";
            EXPECT_TRUE(arrAdded.back() == strStop ||
                        (arrAdded.back() == "No output file was changed." && arrAdded.end()[-2] == strStop))
                << arrAdded.back();
        }
    }
    EXPECT_GE(nStopped, 10) << "many interrupts should land in the middle of a run";
}

// Special files at the output names and at the log path are never opened
// for writing, and never make the run wait.
TEST(SpecialFileTest, NeverWrittenThroughNeverWaitedFor)
{
    const bool bRoot = CanSwitchUser();
    struct Case {
        const char* pszName;
        Lines arrArgs;
        std::function<void(const CJob&)> fnPlace;
        int nStatus;
        const char* pszErr; // a piece of standard error
    };
    const Case cases[] = {
        {"LinkToAFileOutside", kOverwriting,
         [](const CJob& job) { fs::create_symlink(job.Dir() / "outside.txt", job.Out() / "job.pid"); }, 0,
         ""},
        {"LinkToTheNextOutput", kOverwriting,
         [](const CJob& job) { fs::create_symlink("job.pid", job.Out() / "job_1.pid"); }, 0, ""},
        {"FifoWithY", kOverwriting, [](const CJob& job) { mkfifo((job.Out() / "job.pid").c_str(), 0600); }, 0,
         ""},
        {"FifoWithoutY",
         {"job.tst", "out"},
         [](const CJob& job) { mkfifo((job.Out() / "job.pid").c_str(), 0600); },
         1,
         "already exists"},
        {"DeviceWithY", kOverwriting,
         [bRoot](const CJob& job) {
             if (bRoot) {
                 mknod((job.Out() / "job_2.pid").c_str(), S_IFCHR | 0600, makedev(1, 3));
             }
         },
         0, ""},
        {"FifoAsLog", kOverwriting, [](const CJob& job) { mkfifo((job.Dir() / "job.log").c_str(), 0600); }, 1,
         "Cannot write log file 'job.log': It is not a regular file"},
        {"LinkToADeviceAsLog", kOverwriting,
         [](const CJob& job) { fs::create_symlink("/dev/null", job.Dir() / "job.log"); }, 1,
         "Cannot write log file 'job.log': It is not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        CJob job(JobCapH(3, 3), 0);
        WriteFileBytes(job.Dir() / "outside.txt", "outside\r\n");
        c.fnPlace(job);
        ChildOptions options = job.Options(c.arrArgs);
        options.nAlarmSeconds = 20;
        const ChildResult result = RunChild(PINWEAVE_PROGRAM, options);
        EXPECT_EQ(result.nSignal, 0) << "the run must not hang";
        EXPECT_EQ(result.nStatus, c.nStatus) << result.strErr;
        EXPECT_NE(result.strErr.find(c.pszErr), std::string::npos) << result.strErr;
        EXPECT_EQ(ReadFileBytes(job.Dir() / "outside.txt"), "outside\r\n")
            << "a link's target is never written";
        for (const char* pszName : kOutputNames) {
            const fs::path path = job.Out() / pszName;
            if (c.nStatus == 0) {
                EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path))) << pszName;
                EXPECT_NE(ReadFileBytes(path).find("; Part #P"), std::string::npos) << pszName;
            }
        }
        for (const auto& [strName, strWhat] : FolderSnapshot(job.Out())) {
            EXPECT_EQ(strName.find(".pinweave-"), std::string::npos) << strName;
        }
    }
}

// Appending through a link to a regular log file stays allowed.
TEST(SpecialFileTest, LogLinkedToARegularFileIsAppendedTo)
{
    CJob job(JobCapH(1, 1), 0);
    WriteFileBytes(job.Dir() / "elsewhere.log", "earlier\r\n");
    fs::create_symlink("elsewhere.log", job.Dir() / "job.log");
    EXPECT_EQ(RunChild(PINWEAVE_PROGRAM, job.Options(kOverwriting)).nStatus, 0);
    const std::string strLog = ReadFileBytes(job.Dir() / "elsewhere.log");
    EXPECT_EQ(strLog.rfind("earlier\r\nStarting conversion of 'job.tst'\r\n", 0), 0u);
    EXPECT_EQ(strLog.substr(strLog.size() - 11), "Completed\r\n");
}

// Started without standard streams, the program writes its PID files and
// reports nothing into them.
TEST(ClosedStreamsTest, NoFileTakesTheirPlace)
{
    CJob job(JobCapH(3, 3), 0);
    CJob reference(JobCapH(3, 3), 0);
    ASSERT_EQ(RunChild(PINWEAVE_PROGRAM, reference.Options({"job.tst", "out"})).nStatus, 0);
    for (const Lines& arrArgs : {Lines{"job.tst", "out"}, Lines{"/Y", "job.tst", "missing-folder"}}) {
        ChildOptions options = job.Options(arrArgs);
        options.bCloseStandardStreams = true;
        const ChildResult result = RunChild(PINWEAVE_PROGRAM, options);
        EXPECT_EQ(result.nStatus, arrArgs.back() == "out" ? 0 : 1);
    }
    for (const char* pszName : kOutputNames) {
        EXPECT_EQ(WithoutDate(ReadFileBytes(job.Out() / pszName)),
                  WithoutDate(ReadFileBytes(reference.Out() / pszName)))
            << pszName;
    }
}

// Two runs writing the same names at the same moment each leave whole files:
// every file is one run's or the other's, never a mixture.
TEST(ConcurrentRunTest, EveryFileIsOneRunsWhole)
{
    const std::string strA = JobCapH(3, 400), strB = JobCapH(3, 401);
    CJob jobA(strA, 0), jobB(strB, 0);
    const fs::path pathShared = jobA.Out();
    CJob refA(strA, 0), refB(strB, 0);
    ASSERT_EQ(RunChild(PINWEAVE_PROGRAM, refA.Options({"job.tst", "out"})).nStatus, 0);
    ASSERT_EQ(RunChild(PINWEAVE_PROGRAM, refB.Options({"job.tst", "out"})).nStatus, 0);
    for (int i = 0; i < 10; ++i) {
        ChildOptions optionsA = jobA.Options({"/Y", "job.tst", pathShared.string()});
        ChildOptions optionsB = jobB.Options({"/Y", "job.tst", pathShared.string()});
        const pid_t pidA = StartChild(PINWEAVE_PROGRAM, optionsA);
        const pid_t pidB = StartChild(PINWEAVE_PROGRAM, optionsB);
        EXPECT_EQ(WaitChild(pidA, optionsA).nStatus, 0);
        EXPECT_EQ(WaitChild(pidB, optionsB).nStatus, 0);
        const Snapshot after = FolderSnapshot(pathShared);
        EXPECT_EQ(after.size(), 3u) << "no temporary is left";
        for (const char* pszName : kOutputNames) {
            const std::string strBytes = WithoutDate(after.at(pszName));
            EXPECT_TRUE(strBytes == WithoutDate(ReadFileBytes(refA.Out() / pszName)) ||
                        strBytes == WithoutDate(ReadFileBytes(refB.Out() / pszName)))
                << pszName << " in round " << i;
        }
    }
}

// Far more part numbers than open files are allowed: one file is open at a
// time.
TEST(OpenFileLimitTest, ThousandsOfPartNumbersUnderATightLimit)
{
    constexpr int kParts = 3000;
    CJob job(JobCapH(kParts, 1), 0);
    ChildOptions options = job.Options({"job.tst", "out"});
    options.nOpenFileLimit = 32;
    const ChildResult result = RunChild(PINWEAVE_PROGRAM, options);
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_EQ(FolderSnapshot(job.Out()).size(), static_cast<std::size_t>(kParts));
}

// A signal while the files are put in place waits for that step: the run
// completes, and says on standard error why the signal changed nothing.
TEST(PutInPlaceTest, InterruptDuringTheRenamesWaitsForThem)
{
    constexpr int kParts = 3000;
    CJob job(JobCapH(kParts, 1), 0);
    const ChildOptions options = job.Options({"job.tst", "out"});
    const pid_t pid = StartChild(PINWEAVE_PROGRAM, options);
    ChildResult result;
    {
        const CWhen during([&] { return fs::exists(job.Out() / "job.pid"); }, [&] { kill(pid, SIGINT); });
        result = WaitChild(pid, options);
        EXPECT_TRUE(during.Acted());
    }
    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_EQ(AddedLines("", job.Log()).back(), "Completed");
    EXPECT_EQ(FolderSnapshot(job.Out()).size(), static_cast<std::size_t>(kParts)) << "no temporary is left";
    EXPECT_NE(
        result.strErr.find("Pinweave: SIGINT came while the output files were put in place; that step was "
                           "finished first.\n"),
        std::string::npos)
        << result.strErr;
}

// A folder that loses its write permission half way through the renames
// cannot be put back as it was: the last line says exactly which files hold
// new content and where their old content is kept, and the folder bears it
// out name by name.
TEST(PutInPlaceTest, FolderMadeReadOnlyDuringTheRenamesIsReportedExactly)
{
    if (!CanSwitchUser()) {
        GTEST_SKIP() << "needs root to run the program as another user";
    }
    constexpr int kParts = 3000;
    CJob job(JobCapH(kParts, 1), 0);
    GiveToNobody(job.Dir());
    GiveToNobody(job.Out());
    for (int i = 0; i < kParts; ++i) {
        WriteFileBytes(job.Out() / OutputName(i), "old\r\n");
        GiveToNobody(job.Out() / OutputName(i));
    }
    ChildOptions options = job.Options(kOverwriting);
    options.bAsNobody = true;
    ChildResult result;
    {
        const CWhen during([&] { return ReadFileBytes(job.Out() / "job.pid") != "old\r\n"; },
                           [&] {
                               fs::permissions(job.Out(), fs::perms::owner_write | fs::perms::others_write,
                                               fs::perm_options::remove);
                           });
        result = RunChild(PINWEAVE_PROGRAM, options);
    }
    ASSERT_EQ(result.nStatus, 1);
    const std::string strLast = AddedLines("", job.Log()).back();
    const std::string strHead = "The output folder could not be put back as it was: Permission denied. These "
                                "output files hold their new content: ";
    ASSERT_EQ(strLast.rfind(strHead, 0), 0u) << strLast.substr(0, 300);
    const std::string strNew = strLast.substr(strHead.size(), strLast.find("; every other") - strHead.size());
    const std::string strKept = strLast.substr(strLast.find("is kept: ") + 9);
    int nNew = 0;
    for (int i = 0; i < kParts; ++i) {
        const std::string strPath = "out/" + OutputName(i);
        const bool bNew = (", " + strNew + ",").find(", '" + strPath + "',") != std::string::npos;
        nNew += bNew ? 1 : 0;
        EXPECT_EQ(ReadFileBytes(job.Dir() / strPath) == "old\r\n", !bNew) << strPath;
        if (bNew) {
            const std::size_t nAt = strKept.find("'" + strPath + "' in '");
            ASSERT_NE(nAt, std::string::npos) << strPath;
            const std::size_t nBackup = nAt + strPath.size() + 7;
            EXPECT_EQ(
                ReadFileBytes(job.Dir() / strKept.substr(nBackup, strKept.find('\'', nBackup) - nBackup)),
                "old\r\n");
        }
    }
    EXPECT_GT(nNew, 0);
    EXPECT_LT(nNew, kParts);
    fs::permissions(job.Out(), fs::perms::owner_write, fs::perm_options::add);
}

// A replaced file keeps its permission bits and its owner; a new one gets
// the defaults.
TEST(PutInPlaceTest, AReplacedFileKeepsItsPermissionsAndOwner)
{
    CJob job(JobCapH(3, 3), 2);
    fs::permissions(job.Out() / "job_1.pid", fs::perms::owner_read | fs::perms::owner_write);
    GiveToNobody(job.Out() / "job_1.pid");
    ASSERT_EQ(RunChild(PINWEAVE_PROGRAM, job.Options(kOverwriting)).nStatus, 0);
    struct stat info {};
    ASSERT_EQ(stat((job.Out() / "job_1.pid").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(info.st_uid, CanSwitchUser() ? kNobody : getuid());
    EXPECT_EQ(ReadFileBytes(job.Out() / "job_1.pid").rfind("; ", 0), 0u);
    ASSERT_EQ(stat((job.Out() / "job_2.pid").c_str(), &info), 0);
    const mode_t nMask = umask(0);
    umask(nMask);
    EXPECT_EQ(info.st_mode & 07777, 0666u & ~nMask);
}

} // namespace
} // namespace pinweave::test
