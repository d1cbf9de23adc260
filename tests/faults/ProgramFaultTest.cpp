// Faults injected into runs of the real pinweave program: write errors half
// way through, folders and files it may not touch, folders where files must
// go, CAP-H files it cannot read. Whatever happens, the user is told what and
// where, "Completed" is not logged, the exit status says failure, the output
// folder holds what it held before (no file is created, cut or replaced), and
// the log holds every line up to the fault and says that no output file was
// changed. The lines that stop the run are on standard error as well.
#include "FaultSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace pinweave::test {
namespace {

using Lines = std::vector<std::string>;

const char* const kOutputNames[] = {"job.pid", "job_1.pid", "job_2.pid"};
const std::string kOld = "old content\r\n";

// Three part numbers P1 to P3 with a part group each; the wire of group 1 has
// a name of nWireNameBytes bytes, so its file can be made as large as a case
// needs.
std::string JobCapH(std::size_t nWireNameBytes)
{
    const std::string strBigWire = nWireNameBytes == 0 ? "W2" : std::string(nWireNameBytes, 'W');
    return CCapHBuilder()
        .Preamble("CAP-H EXPORT")
        .HeaderValue("FAMILY", "F")
        .PartNumbers(3, "P", 1)
        .Group({{"W1", "J1", "1", "", "", "", "S1"}})
        .Group({{strBigWire, "J1", "2", "", "", "", "S1", "RD/BK"}})
        .Group({{"D1", "", "", "", "", "S1", "S2", "", true}})
        .Fixture("J1", {"1", "2"})
        .Text();
}

// The job folder, owned so that a run as user nobody may write the log and
// the PID files unless a case takes that away.
struct CJob : CJobFolder {
    explicit CJob(const std::string& strCapH) : CJobFolder(strCapH)
    {
        GiveToNobody(Dir());
        GiveToNobody(Out());
    }
};

// How an output file looks after the run, one letter per file in a case's
// pszAfter: - absent, O its old content, E empty, C complete (as a faultless
// run writes it), P a non-empty part of the complete file, D a folder, T the
// CAP-H file's text.
char StateOf(const fs::path& path, const std::string& strComplete, const std::string& strCapH)
{
    if (fs::is_directory(path)) {
        return 'D';
    }
    if (!fs::exists(path)) {
        return '-';
    }
    const std::string strBytes = WithoutDate(ReadFileBytes(path));
    if (strBytes == kOld) {
        return 'O';
    }
    if (strBytes == strCapH) {
        return 'T';
    }
    if (strBytes.empty()) {
        return 'E';
    }
    if (strBytes == strComplete) {
        return 'C';
    }
    return strComplete.compare(0, strBytes.size(), strBytes) == 0 ? 'P' : '?';
}

constexpr std::size_t kBigWire = 300 * 1024;
constexpr std::uint64_t kFileLimit = 128 * 1024;

// How the program is started.
enum class Start {
    AsRoot,                 // as the tests' user, root on the test machine
    AsNobody,               // as user nobody, whom permission bits keep out
    SizeLimited,            // with a file-size limit of kFileLimit, SIGXFSZ ignored
    SizeLimitedSignalArmed, // the same with SIGXFSZ at its default (ending the process)
};

struct FaultCase {
    const char* pszName;
    Lines arrArgs;
    std::size_t nWireNameBytes; // of the job's big wire; 0 for a small job
    std::function<void(const CJob&)> fnFault;
    Start start;
    int nStatus;
    std::string strErr;             // exactly, as LF lines
    Lines arrLogged;                // the lines this run added to the log
    const char* pszAfter;           // job.pid, job_1.pid, job_2.pid
    const char* pszLog = "job.log"; // in the job folder
};

void PrintTo(const FaultCase& testCase, std::ostream* pStream)
{
    *pStream << testCase.pszName;
}

const Lines kStart = {"Starting conversion of 'job.tst'", "3 Part Number(s) detected."};

Lines Concat(Lines arrFirst, const Lines& arrSecond)
{
    arrFirst.insert(arrFirst.end(), arrSecond.begin(), arrSecond.end());
    return arrFirst;
}

void MakeOld(const fs::path& path)
{
    WriteFileBytes(path, kOld);
}

void RemoveWriteAccess(const fs::path& path)
{
    TakeBack(path);
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

// Part 0 is written completely, part 1 outgrows the limit when its file is
// written out, part 2 never comes.
const Lines kWriteErrorStop = {
    "Write error on output file 'out/job_1.pid': File too large. Conversion aborted.",
    "No output file was changed."};
const Lines kWriteErrorLog =
    Concat(Concat(kStart, {"Processing Part # P1", "PID File 'job.pid' generated", "Processing Part # P2"}),
           kWriteErrorStop);

// The stop lines as standard error shows them.
std::string OnStandardError(const Lines& arrLines)
{
    Lines arrShown;
    for (const std::string& strLine : arrLines) {
        arrShown.push_back("Pinweave: " + strLine);
    }
    return LfLines(arrShown);
}

const Lines kCompleted =
    Concat(kStart, {"Processing Part # P1", "PID File 'job.pid' generated", "Processing Part # P2",
                    "PID File 'job_1.pid' generated", "Processing Part # P3",
                    "PID File 'job_2.pid' generated", "Completed"});

// A log this close to the limit takes the lines up to the first file and
// refuses those of the second part (they reach it together, at the part's
// end); nothing of them may stay in it.
const Lines kLoggedBeforeFull = Concat(kStart, {"Processing Part # P1", "PID File 'job.pid' generated"});
void FillLogToTheLimit(const CJob& job)
{
    const std::size_t nRoom = CrLf(kLoggedBeforeFull).size() + 5;
    WriteFileBytes(job.Dir() / "job.log", std::string(kFileLimit - nRoom, 'x') + "\r\n");
    GiveToNobody(job.Dir() / "job.log");
}

// The same with room for every line but "Completed".
void FillLogAllButTheLastLine(const CJob& job)
{
    const std::size_t nRoom = CrLf(kCompleted).size() - 5;
    WriteFileBytes(job.Dir() / "job.log", std::string(kFileLimit - nRoom - 2, 'x') + "\r\n");
}

void MoveCapH(const CJob& job, const char* pszTo)
{
    fs::rename(job.Dir() / "job.tst", job.Dir() / pszTo);
}

const Lines kJobTstOut = {"job.tst", "out"};
const Lines kOverwriting = {"/Y", "job.tst", "out"};

// clang-format off
const FaultCase kFaultCases[] = {
    {"NoFault", kJobTstOut, 0, nullptr, Start::AsRoot, 0, "", kCompleted, "CCC"},
    {"WriteErrorHalfWay", kJobTstOut, kBigWire, nullptr, Start::SizeLimited, 1, OnStandardError(kWriteErrorStop),
     kWriteErrorLog, "---"},
    {"WriteErrorHalfWayWithTheSignalAtItsDefault", kJobTstOut, kBigWire, nullptr,
     Start::SizeLimitedSignalArmed, 1, OnStandardError(kWriteErrorStop), kWriteErrorLog, "---"},
    {"LogFileFillsUpHalfWay", kJobTstOut, 0, FillLogToTheLimit, Start::SizeLimited, 1,
     LfLines({"Pinweave: Cannot write log file 'job.log': File too large. Conversion aborted.",
              "Pinweave: Processing Part # P2", "Pinweave: PID File 'job_1.pid' generated",
              "Pinweave: No output file was changed."}),
     kLoggedBeforeFull, "---"},
    {"ReadOnlyOutputFolder", kJobTstOut, 0, [](const CJob& job) { RemoveWriteAccess(job.Out()); },
     Start::AsNobody, 1, LfLines({"Pinweave: File open error on file 'out/job.pid'", "Permission denied"}),
     Concat(kStart, {"File open error on file 'out/job.pid'", "Permission denied"}), "---"},
    {"ReadOnlyOutputFileWithOverwriteFlag", kOverwriting, 0,
     [](const CJob& job) {
         MakeOld(job.Out() / "job_1.pid");
         RemoveWriteAccess(job.Out() / "job_1.pid");
     },
     Start::AsNobody, 1,
     LfLines({"Pinweave: File open error on file 'out/job_1.pid'", "Permission denied",
              "Pinweave: No output file was changed."}),
     Concat(kStart, {"File open error on file 'out/job_1.pid'", "Permission denied", "No output file was changed."}),
     "-O-"},
    {"FolderWhereAnOutputFileGoesWithOverwriteFlag", kOverwriting, 0,
     [](const CJob& job) { fs::create_directory(job.Out() / "job.pid"); },
     Start::AsRoot, 1, LfLines({"Pinweave: File open error on file 'out/job.pid'", "Is a directory"}),
     Concat(kStart, {"File open error on file 'out/job.pid'", "Is a directory"}), "D--"},
    {"FolderWhereAnOutputFileGoes", kJobTstOut, 0,
     [](const CJob& job) { fs::create_directory(job.Out() / "job_2.pid"); }, Start::AsRoot, 1,
     OnStandardError({"The output file 'job_2.pid' already exists.\nConversion aborted.",
                      "No output file was changed."}),
     Concat(kStart, {"The output file 'job_2.pid' already exists.", "Conversion aborted.",
                     "No output file was changed."}), "--D"},
    {"FolderWhereTheLogFileGoes", kJobTstOut, 0,
     [](const CJob& job) { fs::create_directory(job.Dir() / "job.log"); }, Start::AsRoot, 1,
     LfLines({"Pinweave: Cannot write log file 'job.log': Is a directory. Conversion aborted.",
              "Pinweave: Starting conversion of 'job.tst'"}), {}, "---"},
    {"ReadOnlyLogFile", kJobTstOut, 0,
     [](const CJob& job) {
         WriteFileBytes(job.Dir() / "job.log", "earlier run\r\n");
         RemoveWriteAccess(job.Dir() / "job.log");
     },
     Start::AsNobody, 1,
     LfLines({"Pinweave: Cannot write log file 'job.log': Permission denied. Conversion aborted.",
              "Pinweave: Starting conversion of 'job.tst'"}), {}, "---"},
    {"CapHPathIsAFolder", {"/Y", "dir.tst", "out"}, 0,
     [](const CJob& job) { fs::create_directory(job.Dir() / "dir.tst"); }, Start::AsRoot, 1,
     LfLines({"Pinweave: Cannot open CAP-H file 'dir.tst': Is a directory"}), {}, "---"},
    {"CapHFileNotReadable", kJobTstOut, 0,
     [](const CJob& job) { fs::permissions(job.Dir() / "job.tst", fs::perms::none); }, Start::AsNobody, 1,
     LfLines({"Pinweave: Cannot open CAP-H file 'job.tst': Permission denied"}), {}, "---"},
    {"CapHReadFails", kJobTstOut, 0,
     [](const CJob& job) {
         fs::remove(job.Dir() / "job.tst");
         fs::create_symlink("/proc/self/mem", job.Dir() / "job.tst");
     },
     Start::AsRoot, 1, OnStandardError({"Read error on CAP-H file 'job.tst': Input/output error. Conversion aborted."}),
     {"Starting conversion of 'job.tst'",
      "Read error on CAP-H file 'job.tst': Input/output error. Conversion aborted."}, "---"},
    {"CapHEndsInsideASection", kOverwriting, 0,
     [](const CJob& job) {
         const std::string strCapH = ReadFileBytes(job.Dir() / "job.tst");
         WriteFileBytes(job.Dir() / "job.tst", strCapH.substr(0, strCapH.find("[ENDCONNECTION]") + 6));
         MakeOld(job.Out() / "job.pid");
     },
     Start::AsRoot, 1,
     OnStandardError({"The CAP-H file 'job.tst' ends inside its [CONNECTION] section ([ENDCONNECTION] is "
                      "missing). Conversion aborted."}),
     {"Starting conversion of 'job.tst'",
      "The CAP-H file 'job.tst' ends inside its [CONNECTION] section ([ENDCONNECTION] is missing). "
      "Conversion aborted."}, "O--"},
    {"CapHFileNamedLikeItsLog", {"job.log", "out"}, 0, [](const CJob& job) { MoveCapH(job, "job.log"); },
     Start::AsRoot, 1,
     LfLines({"Pinweave: Cannot write log file 'job.log': It is the CAP-H file being converted. "
              "Conversion aborted.",
              "Pinweave: Starting conversion of 'job.log'"}), {}, "---"},
    {"CapHFileAmongTheOutputs", {"/Y", "out/job.pid", "out"}, 0,
     [](const CJob& job) { MoveCapH(job, "out/job.pid"); }, Start::AsRoot, 1,
     LfLines({"Pinweave: File open error on file 'out/job.pid'", "It is the CAP-H file being converted"}),
     {"Starting conversion of 'out/job.pid'", "3 Part Number(s) detected.", "File open error on file 'out/job.pid'",
      "It is the CAP-H file being converted"}, "T--", "out/job.log"},
    {"ExistingOutputFileInQuietMode", {"/Q", "job.tst", "out"}, 0,
     [](const CJob& job) { MakeOld(job.Out() / "job_1.pid"); }, Start::AsRoot, 1,
     OnStandardError({"The output file 'job_1.pid' already exists.\nConversion aborted.",
                      "No output file was changed."}),
     Concat(kStart, {"The output file 'job_1.pid' already exists.", "Conversion aborted.",
                     "No output file was changed."}), "-O-"},
    {"StickyFolderWithAnotherUsersFile", kOverwriting, 0,
     [](const CJob& job) {
         for (const char* pszName : kOutputNames) {
             MakeOld(job.Out() / pszName);
             GiveToNobody(job.Out() / pszName);
         }
         TakeBack(job.Out() / "job_1.pid");
         fs::permissions(job.Out() / "job_1.pid", fs::perms::all);
         TakeBack(job.Out());
         fs::permissions(job.Out(), fs::perms::all | fs::perms::sticky_bit);
     },
     Start::AsNobody, 1,
     LfLines({"Pinweave: File open error on file 'out/job_1.pid'", "Operation not permitted",
              "Pinweave: No output file was changed."}),
     Concat(kStart, {"File open error on file 'out/job_1.pid'", "Operation not permitted", "No output file was changed."}),
     "OOO"},
    {"LogFullAfterTheFilesAreInPlace", kJobTstOut, 0, FillLogAllButTheLastLine, Start::SizeLimited, 0,
     LfLines({"Pinweave: Cannot write log file 'job.log': File too large. Every output file is in place.",
              "Pinweave: Completed"}),
     Lines(kCompleted.begin(), kCompleted.end() - 1), "CCC"},
    {"LeftoverTemporaryReported", kJobTstOut, 0,
     [](const CJob& job) { WriteFileBytes(job.Out() / "job_1.pid.pinweave-Ab12Cd.tmp", "killed\r\n"); },
     Start::AsRoot, 0, "",
     Concat(Concat(kStart, {"The output folder holds 1 file(s) named like this run's temporary files "
                            "(job*.pid.pinweave-XXXXXX.tmp or .bak): another run is writing them, or a run that "
                            "was stopped abruptly left them, and then they can be deleted."}),
            Lines(kCompleted.begin() + 2, kCompleted.end())), "CCC"},
    {"ExistingOutputFilesInQuietModeWithOverwriteFlag", {"/Q", "/Y", "job.tst", "out"}, 0,
     [](const CJob& job) {
         for (const char* pszName : kOutputNames) {
             MakeOld(job.Out() / pszName);
         }
     },
     Start::AsRoot, 0, "", kCompleted, "CCC"},
};
// clang-format on

class ProgramFaultTest : public testing::TestWithParam<FaultCase> {};

TEST_P(ProgramFaultTest, ToldWhatAndWhereNothingLost)
{
    const FaultCase& c = GetParam();
    if (c.start == Start::AsNobody && !CanSwitchUser()) {
        GTEST_SKIP() << "needs root to run the program as another user";
    }
    const std::string strCapH = JobCapH(c.nWireNameBytes);
    CJob job(strCapH);
    CJob reference(strCapH);
    ASSERT_EQ(0, RunChild(PINWEAVE_PROGRAM, reference.Options(kJobTstOut)).nStatus);

    if (c.fnFault) {
        c.fnFault(job);
    }
    const std::string strLogBefore = job.Bytes(c.pszLog);
    ChildOptions options = job.Options(c.arrArgs);
    options.bAsNobody = c.start == Start::AsNobody;
    options.nFileSizeLimit =
        c.start == Start::SizeLimited || c.start == Start::SizeLimitedSignalArmed ? kFileLimit : 0;
    options.bIgnoreFileSizeSignal = c.start != Start::SizeLimitedSignalArmed;
    const ChildResult result = RunChild(PINWEAVE_PROGRAM, options);

    EXPECT_EQ(c.nStatus, result.nStatus) << "signal " << result.nSignal;
    EXPECT_EQ(c.strErr, result.strErr);
    const std::string strLogAfter = job.Bytes(c.pszLog);
    ASSERT_EQ(strLogBefore, strLogAfter.substr(0, strLogBefore.size())) << "the log lost earlier lines";
    EXPECT_EQ(CrLf(c.arrLogged), strLogAfter.substr(strLogBefore.size()));
    EXPECT_EQ(LfLines(c.arrLogged), result.strOut) << "every logged line is echoed, and nothing else";
    EXPECT_EQ(c.nStatus == 0, (!c.arrLogged.empty() && c.arrLogged.back() == "Completed") ||
                                  result.strErr.find("Pinweave: Completed\n") != std::string::npos);

    std::string strAfter;
    for (const char* pszName : kOutputNames) {
        strAfter +=
            StateOf(job.Out() / pszName, WithoutDate(ReadFileBytes(reference.Out() / pszName)), strCapH);
    }
    EXPECT_EQ(c.pszAfter, strAfter);
}

INSTANTIATE_TEST_SUITE_P(Faults, ProgramFaultTest, testing::ValuesIn(kFaultCases),
                         [](const auto& testInfo) { return std::string(testInfo.param.pszName); });

} // namespace
} // namespace pinweave::test
