// Runs the real pinweave program: what it prints, its exit status, the log
// file beside the CAP-H file and the PID files it leaves.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pinweave::test {
namespace {

namespace fs = std::filesystem;

// Two part numbers, each with an empty part group; the program only carries
// the run, so the content of the PID files is not its concern here.
const std::string kTwoPartCapH =
    CCapHBuilder().Preamble("CAP-H export").PartNumber("4711-A").PartNumber("4711-B").Group().Group().Text();

Lines CompletedLog(const std::string& strCapHPath)
{
    return {"Starting conversion of '" + strCapHPath + "'",
            "2 Part Number(s) detected.",
            "Processing Part # 4711-A",
            "PID File 'job.pid' generated",
            "Processing Part # 4711-B",
            "PID File 'job_1.pid' generated",
            "Completed"};
}

// A job folder holding job.tst and an empty output folder out/, run by the
// program with its output captured.
struct CJob : CJobFolder {
    CJob() : CJobFolder(kTwoPartCapH) {}
    fs::path Log() const { return Dir() / "job.log"; }
    ProgramResult Run(const Lines& arrArgs, StdoutTarget target = StdoutTarget::Captured) const
    {
        return RunProgram(arrArgs, Dir(), Capture(), target);
    }
};

struct ArgumentCase {
    const char* pszName;
    Lines arrArgs;
    int nStatus;
    std::string strOutPrefix; // standard output begins with it
    std::string strErrPart;   // standard error holds it
};

const char* const kUsageLine = "Usage: pinweave [-Y] [-Q] [--] FILE.tst FOLDER\n";

const ArgumentCase kArgumentCases[] = {
    {"NoArgumentsIsAUsageError", {}, 2, "", kUsageLine},
    {"HelpOnStandardOutput", {"--help"}, 0, kUsageLine, ""},
    {"ShortHelpOnStandardOutput", {"-h"}, 0, kUsageLine, ""},
    {"HelpWinsOverPaths", {"/Q", "job.tst", "out", "--help"}, 0, "Usage: pinweave", ""},
    {"Version", {"--version"}, 0, "pinweave " PINWEAVE_VERSION "\n", ""},
    {"UnknownLongOption", {"--quiet", "job.tst", "out"}, 2, "", "Pinweave: Unknown option '--quiet'.\n"},
    {"UnknownFlag", {"/x", "job.tst", "out"}, 2, "", "Pinweave: Unknown option '/x'.\n\nUsage: pinweave"},
    {"OnlyOnePath", {"job.tst"}, 2, "", "Pinweave: Missing the output folder after 'job.tst'.\n"},
    {"OnlyFlags", {"/Q"}, 2, "", "Pinweave: Missing the CAP-H file and the output folder.\n"},
    {"FolderOnly", {"-q", "-y", "out"}, 2, "", "Pinweave: Missing the output folder after 'out'.\n"},
    {"ThreePaths", {"a", "job.tst", "out"}, 2, "", "Pinweave: Unexpected argument 'out'"},
};

TEST(ArgumentTest, AnswersWithoutConverting)
{
    for (const ArgumentCase& testCase : kArgumentCases) {
        SCOPED_TRACE(testCase.pszName);
        const CJob job;
        const ProgramResult result = job.Run(testCase.arrArgs);
        EXPECT_EQ(testCase.nStatus, result.nStatus);
        if (testCase.strOutPrefix.empty()) {
            EXPECT_EQ("", result.strOut);
        } else {
            EXPECT_EQ(testCase.strOutPrefix, result.strOut.substr(0, testCase.strOutPrefix.size()));
        }
        if (testCase.strErrPart.empty()) {
            EXPECT_EQ("", result.strErr);
        } else {
            EXPECT_NE(std::string::npos, result.strErr.find(testCase.strErrPart)) << result.strErr;
        }
        EXPECT_FALSE(fs::exists(job.Log()));
        EXPECT_TRUE(fs::is_empty(job.Out()));
    }
}

TEST(ProgramTest, CompleteConversion)
{
    const CJob job;
    const ProgramResult result = job.Run({"/Q", "job.tst", "out"});
    EXPECT_EQ(0, result.nStatus);
    EXPECT_EQ("", result.strErr);
    EXPECT_EQ(LfLines(CompletedLog("job.tst")), result.strOut);
    EXPECT_EQ(CrLf(CompletedLog("job.tst")), ReadFileBytes(job.Log()));
    EXPECT_EQ(0u,
              ReadFileBytes(job.Out() / "job.pid").rfind("; Generated from CAP-H file:\r\n; job.tst\r\n", 0));
    EXPECT_NE(std::string::npos, ReadFileBytes(job.Out() / "job.pid").find("; Part #4711-A\r\n"));
    EXPECT_NE(std::string::npos, ReadFileBytes(job.Out() / "job_1.pid").find("; Part #4711-B\r\n"));
    EXPECT_FALSE(fs::exists(job.Out() / "job.log"));
}

// On Linux an absolute path begins with "/" too; only a "/" argument without
// a further "/" that names nothing is a flag.
TEST(SpellingTest, AbsolutePathsAreNotFlags)
{
    for (Lines arrArgs : {Lines{}, Lines{"/q"}, Lines{"-Q"}, Lines{"/Y", "-q"}}) {
        SCOPED_TRACE(testing::PrintToString(arrArgs));
        const CJob job;
        const std::string strCapH = (job.Dir() / "job.tst").string();
        arrArgs.push_back(strCapH);
        arrArgs.push_back(job.Out().string());
        const ProgramResult result = job.Run(arrArgs);
        EXPECT_EQ(0, result.nStatus) << result.strErr;
        EXPECT_EQ(CrLf(CompletedLog(strCapH)), ReadFileBytes(job.Log()));
        EXPECT_TRUE(fs::exists(job.Out() / "job_1.pid"));
    }
}

// After "--" an argument that looks like a flag is a path.
TEST(ProgramTest, DoubleDashEndsTheFlags)
{
    const CJob job;
    fs::rename(job.Dir() / "job.tst", job.Dir() / "-y");
    const ProgramResult result = job.Run({"--", "-y", "out"});
    EXPECT_EQ(0, result.nStatus) << result.strErr;
    EXPECT_EQ(0u, ReadFileBytes(job.Dir() / "-y.log").rfind("Starting conversion of '-y'\r\n", 0));
    EXPECT_TRUE(fs::exists(job.Out() / "-y_1.pid"));
}

TEST(ProgramTest, ExistingOutputStopsWithoutOverwriteFlag)
{
    const CJob job;
    WriteFileBytes(job.Out() / "job.pid", "old\r\n");
    const ProgramResult result = job.Run({"/Q", "job.tst", "out"});
    const Lines arrExpected = {"Starting conversion of 'job.tst'", "2 Part Number(s) detected.",
                               "The output file 'job.pid' already exists.", "Conversion aborted."};
    EXPECT_EQ(1, result.nStatus);
    EXPECT_EQ(CrLf(arrExpected), ReadFileBytes(job.Log()));
    EXPECT_EQ(LfLines(arrExpected), result.strOut);
    EXPECT_EQ("Pinweave: The output file 'job.pid' already exists.\nConversion aborted.\n", result.strErr)
        << "the line that stops the run is on standard error too";
    EXPECT_EQ("old\r\n", ReadFileBytes(job.Out() / "job.pid"));
    EXPECT_FALSE(fs::exists(job.Out() / "job_1.pid"));
}

TEST(ProgramTest, ExistingOutputReplacedWithOverwriteFlag)
{
    const CJob job;
    WriteFileBytes(job.Out() / "job.pid", "old\r\n");
    WriteFileBytes(job.Out() / "job_1.pid", "old\r\n");
    const ProgramResult result = job.Run({"/Q", "-y", "job.tst", "out"});
    EXPECT_EQ(0, result.nStatus) << result.strErr;
    EXPECT_EQ(CrLf(CompletedLog("job.tst")), ReadFileBytes(job.Log()));
    EXPECT_EQ(0u, ReadFileBytes(job.Out() / "job.pid").rfind("; Generated from CAP-H file:\r\n", 0));
    EXPECT_EQ(0u, ReadFileBytes(job.Out() / "job_1.pid").rfind("; Generated from CAP-H file:\r\n", 0));
}

TEST(ProgramTest, RepeatedRunsAppendToTheLog)
{
    const CJob job;
    ASSERT_EQ(0, job.Run({"job.tst", "out"}).nStatus);
    ASSERT_EQ(1, job.Run({"job.tst", "out"}).nStatus);
    Lines arrExpected = CompletedLog("job.tst");
    arrExpected.insert(arrExpected.end(),
                       {"Starting conversion of 'job.tst'", "2 Part Number(s) detected.",
                        "The output file 'job.pid' already exists.", "Conversion aborted."});
    EXPECT_EQ(CrLf(arrExpected), ReadFileBytes(job.Log()));
}

TEST(ProgramTest, RejectedSectionStopsTheRun)
{
    const CJob job;
    WriteFileBytes(job.Dir() / "job.tst", CrLf({"[HEADER]", "[PN=A", "[ENDHEADER]"}));
    const ProgramResult result = job.Run({"job.tst", "out"});
    EXPECT_EQ(1, result.nStatus);
    const std::string strLog = ReadFileBytes(job.Log());
    EXPECT_EQ(0u, strLog.rfind("Starting conversion of 'job.tst'\r\n", 0));
    EXPECT_EQ(std::string::npos, strLog.find("Completed"));
    EXPECT_EQ(ToTerminalText(strLog), result.strOut);
}

// The log file is the record of a run; an echo that cannot be written is
// reported but neither stops the run nor changes its outcome.
TEST(BrokenEchoTest, RunCompletesAndSaysSo)
{
    for (const StdoutTarget target : {StdoutTarget::FullDevice, StdoutTarget::ClosedPipe}) {
        SCOPED_TRACE(target == StdoutTarget::FullDevice ? "full device" : "closed pipe");
        const CJob job;
        const ProgramResult result = job.Run({"job.tst", "out"}, target);
        EXPECT_EQ(0, result.nStatus);
        EXPECT_EQ("Pinweave: Cannot write to standard output; the log file holds every line.\n",
                  result.strErr);
        EXPECT_EQ(CrLf(CompletedLog("job.tst")), ReadFileBytes(job.Log()));
        EXPECT_TRUE(fs::exists(job.Out() / "job_1.pid"));
    }
}

TEST(ProgramTest, VersionThatCannotBeWrittenFails)
{
    const CJob job;
    const ProgramResult result = job.Run({"--version"}, StdoutTarget::FullDevice);
    EXPECT_EQ(1, result.nStatus);
    EXPECT_EQ("Pinweave: Cannot write to standard output.\n", result.strErr);
}

TEST(InvalidFolderTest, ReportedOnStandardErrorAndLogged)
{
    for (const std::string strFolder : {"missing", "job.tst", "", "/pinweave-absent-folder"}) {
        SCOPED_TRACE("folder '" + strFolder + "'");
        const CJob job;
        const ProgramResult result = job.Run({"job.tst", strFolder});
        EXPECT_EQ(1, result.nStatus);
        const std::string strStop = "The output file path '" + strFolder +
                                    "' is not a valid folder.  Please select a valid folder path.";
        EXPECT_EQ("Pinweave: " + strStop + "\n", result.strErr);
        const Lines arrLogged = {"Starting conversion of 'job.tst'", "2 Part Number(s) detected.", strStop};
        EXPECT_EQ(CrLf(arrLogged), ReadFileBytes(job.Log()));
        EXPECT_EQ(LfLines(arrLogged), result.strOut);
        EXPECT_EQ(kTwoPartCapH, ReadFileBytes(job.Dir() / "job.tst"));
    }
}

// A CAP-H path that names nothing, the empty one too: no log is made for it.
TEST(MissingCapHTest, ReportedWithoutLogFile)
{
    for (const auto& [pszCapH, pszLog] : {std::pair{"absent.tst", "absent.log"}, std::pair{"", ".log"}}) {
        SCOPED_TRACE(std::string("CAP-H file '") + pszCapH + "'");
        const CJob job;
        const ProgramResult result = job.Run({pszCapH, "out"});
        EXPECT_EQ(1, result.nStatus);
        EXPECT_EQ(0u, result.strErr.rfind("Pinweave: Cannot open CAP-H file ", 0)) << result.strErr;
        EXPECT_EQ("", result.strOut);
        EXPECT_FALSE(fs::exists(job.Dir() / pszLog));
        EXPECT_FALSE(fs::exists(job.Log()));
        EXPECT_TRUE(fs::is_empty(job.Out()));
    }
}

// What a run refuses to read or to log into, at once: one line (the log's
// refusal, then the line that could not be logged), and nothing written
// anywhere, not even the target of a link.
enum class Place { Link, HardLink, Fifo, Socket };

struct RefusalCase {
    const char* pszName;
    Place place;
    const char* pszAt;     // in the job folder
    const char* pszTarget; // of a link; one in out/ is made first, and a missing one's folder
    Lines arrArgs;
    int nStatus;
    std::string strErr;
};

void PlaceIn(const fs::path& job, const RefusalCase& c)
{
    const fs::path at = job / c.pszAt;
    const fs::path target = job / (c.pszTarget != nullptr ? c.pszTarget : "");
    if (c.pszTarget != nullptr) {
        fs::create_directories(target.parent_path());
        if (target.parent_path() == job / "out") {
            WriteFileBytes(target, "old\r\n");
        }
    }
    sockaddr_un address{AF_UNIX, {}};
    switch (c.place) {
    case Place::Link:
        return fs::create_symlink(c.pszTarget, at);
    case Place::HardLink:
        return fs::create_hard_link(target, at);
    case Place::Fifo:
        ASSERT_EQ(mkfifo(at.c_str(), 0600), 0);
        return;
    case Place::Socket:
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", at.c_str());
        const int nSocket = socket(AF_UNIX, SOCK_STREAM, 0);
        EXPECT_EQ(bind(nSocket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        close(nSocket);
    }
}

const std::string kOpen = "Pinweave: Cannot open CAP-H file ";
const std::string kLog = "Pinweave: Cannot write log file 'job.log': It is ";
const std::string kStopped = ". Conversion aborted.\nPinweave: Starting conversion of 'job.tst'\n";

// clang-format off
const RefusalCase kRefusalCases[] = {
    {"LinkToADevice", Place::Link, "z.tst", "/dev/zero", {"-Y", "z.tst", "out"}, 1,
     kOpen + "'z.tst': It is a character device, not a regular file\n"},
    {"FifoWithoutWriter", Place::Fifo, "p.tst", nullptr, {"p.tst", "out"}, 1,
     kOpen + "'p.tst': It is a FIFO (named pipe), not a regular file\n"},
    {"Socket", Place::Socket, "s.tst", nullptr, {"s.tst", "out"}, 1,
     kOpen + "'s.tst': It is a socket, not a regular file\n"},
    {"LogLinkedToAnOutputFile", Place::Link, "job.log", "out/job.pid", {"job.tst", "out"}, 1,
     kLog + "the output file 'out/job.pid'" + kStopped},
    {"LogHardLinkedToTheNextOutputFile", Place::HardLink, "job.log", "out/job_1.pid", {"-Y", "job.tst", "out"}, 1,
     kLog + "the output file 'out/job_1.pid'" + kStopped},
    {"LogHardLinkedToATemporary", Place::HardLink, "job.log", "out/job.pid.pinweave-a8Kq2Z.tmp",
     {"-Y", "job.tst", "out"}, 1, kLog + "the output file 'out/job.pid.pinweave-a8Kq2Z.tmp'" + kStopped},
    {"LogLinkedToTheCapHFile", Place::Link, "job.log", "job.tst", {"-Y", "job.tst", "out"}, 1,
     kLog + "the CAP-H file being converted" + kStopped},
    {"LogLinkedToNothing", Place::Link, "job.log", "elsewhere/planted.conf", {"-Y", "job.tst", "out"}, 1,
     kLog + "a symbolic link to a file that does not exist" + kStopped},
};
// clang-format on

TEST(RefusalTest, RefusedAtOnceWithNothingWritten)
{
    for (const RefusalCase& c : kRefusalCases) {
        SCOPED_TRACE(c.pszName);
        const CJob job;
        PlaceIn(job.Dir(), c);
        const std::map<std::string, std::string> before = FolderSnapshot(job.Dir());
        const ProgramResult result = job.Run(c.arrArgs);
        EXPECT_EQ(c.nStatus, result.nStatus);
        EXPECT_EQ(c.strErr, result.strErr);
        EXPECT_EQ("", result.strOut);
        EXPECT_EQ(before, FolderSnapshot(job.Dir())) << "nothing written, nothing made";
    }
}

// On a terminal the control bytes of a name show as escapes, in the echo and
// on standard error alike; the log and redirected output keep them.
TEST(ProgramTest, TerminalShowsControlBytesAsEscapes)
{
    const CJob job;
    const std::string strName = "j\x1b]0;owned\x07\x1b[31m\r\x7f\xE4";
    fs::rename(job.Dir() / "job.tst", job.Dir() / (strName + ".tst"));
    WriteFileBytes(job.Out() / (strName + ".pid"), "old\r\n");
    const auto lines = [](const std::string& strShown) {
        return Lines{"Starting conversion of '" + strShown + ".tst'", "2 Part Number(s) detected.",
                     "The output file '" + strShown + ".pid' already exists.", "Conversion aborted."};
    };
    const ProgramResult redirected = job.Run({strName + ".tst", "out"});
    EXPECT_EQ(LfLines(lines(strName)), redirected.strOut);
    const ProgramResult shown = job.Run({strName + ".tst", "out"}, StdoutTarget::Terminal);
    EXPECT_EQ(1, shown.nStatus);
    const std::string strShown = "j\\x1b]0;owned\\x07\\x1b[31m\\x0d\\x7f\xE4";
    EXPECT_EQ(LfLines(lines(strShown)) + "Pinweave: " + LfLines({lines(strShown)[2], lines(strShown)[3]}),
              shown.strOut);
    EXPECT_EQ(CrLf(lines(strName)) + CrLf(lines(strName)), ReadFileBytes(job.Dir() / (strName + ".log")));
}

// Every output file stays open until the run ends: a run with more part
// numbers than the usual open-file allowance still completes, because the
// program takes the whole allowance the system grants.
TEST(ProgramTest, MorePartNumbersThanTheSoftOpenFileLimit)
{
    const CJob job;
    constexpr int kParts = 300;
    WriteFileBytes(job.Dir() / "job.tst", CCapHBuilder().PartNumbers(kParts).Text());

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < 2 * kParts) {
        GTEST_SKIP() << "the hard open-file limit is below what the test needs";
    }
    rlimit lowered = saved;
    lowered.rlim_cur = kParts / 3;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const ProgramResult result = job.Run({"job.tst", "out"});
    setrlimit(RLIMIT_NOFILE, &saved);

    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_TRUE(fs::exists(job.Out() / ("job_" + std::to_string(kParts - 1) + ".pid")));
}

} // namespace
} // namespace pinweave::test
