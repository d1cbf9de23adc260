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
#include <ostream>
#include <string>
#include <vector>

namespace pinweave::test {
namespace {

namespace fs = std::filesystem;

// Two part numbers, each with an empty part group; the program only carries
// the run, so the content of the PID files is not its concern here.
const std::string kTwoPartCapH =
    CrLf({"CAP-H export", "[HEADER]", "[PN=A]", "NAME=4711-A", "[ENDPN]", "[PN=B]", "NAME=4711-B", "[ENDPN]",
          "[ENDHEADER]", "[CONNECTION]", "[PN=A]", "[ENDPN]", "[PN=B]", "[ENDPN]", "[ENDCONNECTION]",
          "[CONNECTOR]", "[ENDCONNECTOR]"});

std::vector<std::string> CompletedLog(const std::string& strCapHPath)
{
    return {"Starting conversion of '" + strCapHPath + "'",
            "2 Part Number(s) detected.",
            "Processing Part # 4711-A",
            "PID File 'job.pid' generated",
            "Processing Part # 4711-B",
            "PID File 'job_1.pid' generated",
            "Completed"};
}

// A job folder holding job.tst and an empty output folder out/, and a
// separate folder for the captured output of the program.
class ProgramTest : public testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(Job());
        fs::create_directory(Out());
        fs::create_directory(Capture());
        WriteFileBytes(Job() / "job.tst", kTwoPartCapH);
    }

    fs::path Job() const { return m_temp.Path() / "job"; }
    fs::path Out() const { return Job() / "out"; }
    fs::path Capture() const { return m_temp.Path() / "capture"; }
    fs::path Log() const { return Job() / "job.log"; }

    ProgramResult Run(const std::vector<std::string>& arrArgs,
                      StdoutTarget target = StdoutTarget::Captured) const
    {
        return RunProgram(arrArgs, Job(), Capture(), target);
    }

private:
    CTempFolder m_temp;
};

struct ArgumentCase {
    const char* pszName;
    std::vector<std::string> arrArgs;
    int nStatus;
    std::string strOutPrefix; // standard output begins with it
    std::string strErrPart;   // standard error holds it
};

// Test names carry the case name; print no bytes of the case.
void PrintTo(const ArgumentCase& testCase, std::ostream* pStream)
{
    *pStream << testCase.pszName;
}

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

class ArgumentTest : public ProgramTest, public testing::WithParamInterface<ArgumentCase> {};

TEST_P(ArgumentTest, AnswersWithoutConverting)
{
    const ArgumentCase& testCase = GetParam();
    const ProgramResult result = Run(testCase.arrArgs);
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
    EXPECT_FALSE(fs::exists(Log()));
    EXPECT_TRUE(fs::is_empty(Out()));
}

INSTANTIATE_TEST_SUITE_P(Program, ArgumentTest, testing::ValuesIn(kArgumentCases),
                         [](const testing::TestParamInfo<ArgumentCase>& testInfo) {
                             return testInfo.param.pszName;
                         });

TEST_F(ProgramTest, CompleteConversion)
{
    const ProgramResult result = Run({"/Q", "job.tst", "out"});
    EXPECT_EQ(0, result.nStatus);
    EXPECT_EQ("", result.strErr);
    EXPECT_EQ(LfLines(CompletedLog("job.tst")), result.strOut);
    EXPECT_EQ(CrLf(CompletedLog("job.tst")), ReadFileBytes(Log()));
    EXPECT_EQ(0u, ReadFileBytes(Out() / "job.pid").rfind("; Generated from CAP-H file:\r\n; job.tst\r\n", 0));
    EXPECT_NE(std::string::npos, ReadFileBytes(Out() / "job.pid").find("; Part #4711-A\r\n"));
    EXPECT_NE(std::string::npos, ReadFileBytes(Out() / "job_1.pid").find("; Part #4711-B\r\n"));
    EXPECT_FALSE(fs::exists(Out() / "job.log"));
}

// On Linux an absolute path begins with "/" too; only a "/" argument without
// a further "/" that names nothing is a flag.
struct SpellingCase {
    const char* pszName;
    std::vector<std::string> arrFlags;
};

void PrintTo(const SpellingCase& testCase, std::ostream* pStream)
{
    *pStream << testCase.pszName;
}

const SpellingCase kSpellingCases[] = {
    {"WithoutQuietFlag", {}},
    {"SlashLowerQ", {"/q"}},
    {"DashUpperQ", {"-Q"}},
    {"BothFlags", {"/Y", "-q"}},
};

class SpellingTest : public ProgramTest, public testing::WithParamInterface<SpellingCase> {};

TEST_P(SpellingTest, AbsolutePathsAreNotFlags)
{
    const std::string strCapH = (Job() / "job.tst").string();
    std::vector<std::string> arrArgs = GetParam().arrFlags;
    arrArgs.push_back(strCapH);
    arrArgs.push_back(Out().string());
    const ProgramResult result = Run(arrArgs);
    EXPECT_EQ(0, result.nStatus) << result.strErr;
    EXPECT_EQ(CrLf(CompletedLog(strCapH)), ReadFileBytes(Log()));
    EXPECT_TRUE(fs::exists(Out() / "job_1.pid"));
}

INSTANTIATE_TEST_SUITE_P(Program, SpellingTest, testing::ValuesIn(kSpellingCases),
                         [](const testing::TestParamInfo<SpellingCase>& testInfo) {
                             return testInfo.param.pszName;
                         });

// After "--" an argument that looks like a flag is a path.
TEST_F(ProgramTest, DoubleDashEndsTheFlags)
{
    fs::rename(Job() / "job.tst", Job() / "-y");
    const ProgramResult result = Run({"--", "-y", "out"});
    EXPECT_EQ(0, result.nStatus) << result.strErr;
    EXPECT_EQ(0u, ReadFileBytes(Job() / "-y.log").rfind("Starting conversion of '-y'\r\n", 0));
    EXPECT_TRUE(fs::exists(Out() / "-y_1.pid"));
}

TEST_F(ProgramTest, ExistingOutputStopsWithoutOverwriteFlag)
{
    WriteFileBytes(Out() / "job.pid", "old\r\n");
    const ProgramResult result = Run({"/Q", "job.tst", "out"});
    const std::vector<std::string> arrExpected = {
        "Starting conversion of 'job.tst'", "2 Part Number(s) detected.",
        "The output file 'job.pid' already exists.", "Conversion aborted."};
    EXPECT_EQ(1, result.nStatus);
    EXPECT_EQ(CrLf(arrExpected), ReadFileBytes(Log()));
    EXPECT_EQ(LfLines(arrExpected), result.strOut);
    EXPECT_EQ("Pinweave: The output file 'job.pid' already exists.\nConversion aborted.\n", result.strErr)
        << "the line that stops the run is on standard error too";
    EXPECT_EQ("old\r\n", ReadFileBytes(Out() / "job.pid"));
    EXPECT_FALSE(fs::exists(Out() / "job_1.pid"));
}

TEST_F(ProgramTest, ExistingOutputReplacedWithOverwriteFlag)
{
    WriteFileBytes(Out() / "job.pid", "old\r\n");
    WriteFileBytes(Out() / "job_1.pid", "old\r\n");
    const ProgramResult result = Run({"/Q", "-y", "job.tst", "out"});
    EXPECT_EQ(0, result.nStatus) << result.strErr;
    EXPECT_EQ(CrLf(CompletedLog("job.tst")), ReadFileBytes(Log()));
    EXPECT_EQ(0u, ReadFileBytes(Out() / "job.pid").rfind("; Generated from CAP-H file:\r\n", 0));
    EXPECT_EQ(0u, ReadFileBytes(Out() / "job_1.pid").rfind("; Generated from CAP-H file:\r\n", 0));
}

TEST_F(ProgramTest, RepeatedRunsAppendToTheLog)
{
    ASSERT_EQ(0, Run({"job.tst", "out"}).nStatus);
    ASSERT_EQ(1, Run({"job.tst", "out"}).nStatus);
    std::vector<std::string> arrExpected = CompletedLog("job.tst");
    arrExpected.insert(arrExpected.end(),
                       {"Starting conversion of 'job.tst'", "2 Part Number(s) detected.",
                        "The output file 'job.pid' already exists.", "Conversion aborted."});
    EXPECT_EQ(CrLf(arrExpected), ReadFileBytes(Log()));
}

TEST_F(ProgramTest, RejectedSectionStopsTheRun)
{
    WriteFileBytes(Job() / "job.tst", CrLf({"[HEADER]", "[PN=A", "[ENDHEADER]"}));
    const ProgramResult result = Run({"job.tst", "out"});
    EXPECT_EQ(1, result.nStatus);
    const std::string strLog = ReadFileBytes(Log());
    EXPECT_EQ(0u, strLog.rfind("Starting conversion of 'job.tst'\r\n", 0));
    EXPECT_EQ(std::string::npos, strLog.find("Completed"));
    EXPECT_EQ(ToTerminalText(strLog), result.strOut);
}

// The log file is the record of a run; an echo that cannot be written is
// reported but neither stops the run nor changes its outcome.
struct BrokenEchoCase {
    const char* pszName;
    StdoutTarget target;
};

void PrintTo(const BrokenEchoCase& testCase, std::ostream* pStream)
{
    *pStream << testCase.pszName;
}

const BrokenEchoCase kBrokenEchoCases[] = {
    {"FullDevice", StdoutTarget::FullDevice},
    {"ClosedPipe", StdoutTarget::ClosedPipe},
};

class BrokenEchoTest : public ProgramTest, public testing::WithParamInterface<BrokenEchoCase> {};

TEST_P(BrokenEchoTest, RunCompletesAndSaysSo)
{
    const ProgramResult result = Run({"job.tst", "out"}, GetParam().target);
    EXPECT_EQ(0, result.nStatus);
    EXPECT_EQ("Pinweave: Cannot write to standard output; the log file holds every line.\n", result.strErr);
    EXPECT_EQ(CrLf(CompletedLog("job.tst")), ReadFileBytes(Log()));
    EXPECT_TRUE(fs::exists(Out() / "job_1.pid"));
}

INSTANTIATE_TEST_SUITE_P(Program, BrokenEchoTest, testing::ValuesIn(kBrokenEchoCases),
                         [](const testing::TestParamInfo<BrokenEchoCase>& testInfo) {
                             return testInfo.param.pszName;
                         });

TEST_F(ProgramTest, VersionThatCannotBeWrittenFails)
{
    const ProgramResult result = Run({"--version"}, StdoutTarget::FullDevice);
    EXPECT_EQ(1, result.nStatus);
    EXPECT_EQ("Pinweave: Cannot write to standard output.\n", result.strErr);
}

struct FolderCase {
    const char* pszName;
    std::string strFolder;
};

void PrintTo(const FolderCase& testCase, std::ostream* pStream)
{
    *pStream << testCase.pszName;
}

const FolderCase kInvalidFolders[] = {
    {"MissingFolder", "missing"},
    {"FileInsteadOfFolder", "job.tst"},
    {"EmptyFolderArgument", ""},
    {"AbsoluteMissingFolder", "/pinweave-absent-folder"},
};

class InvalidFolderTest : public ProgramTest, public testing::WithParamInterface<FolderCase> {};

TEST_P(InvalidFolderTest, ReportedOnStandardErrorAndLogged)
{
    const ProgramResult result = Run({"job.tst", GetParam().strFolder});
    EXPECT_EQ(1, result.nStatus);
    const std::string strStop = "The output file path '" + GetParam().strFolder +
                                "' is not a valid folder.  Please select a valid folder path.";
    EXPECT_EQ("Pinweave: " + strStop + "\n", result.strErr);
    const std::vector<std::string> arrLogged = {"Starting conversion of 'job.tst'",
                                                "2 Part Number(s) detected.", strStop};
    EXPECT_EQ(CrLf(arrLogged), ReadFileBytes(Log()));
    EXPECT_EQ(LfLines(arrLogged), result.strOut);
    EXPECT_EQ(kTwoPartCapH, ReadFileBytes(Job() / "job.tst"));
}

INSTANTIATE_TEST_SUITE_P(Program, InvalidFolderTest, testing::ValuesIn(kInvalidFolders),
                         [](const testing::TestParamInfo<FolderCase>& testInfo) {
                             return testInfo.param.pszName;
                         });

struct MissingCapHCase {
    const char* pszName;
    std::vector<std::string> arrArgs;
    std::string strLogNotCreated;
};

void PrintTo(const MissingCapHCase& testCase, std::ostream* pStream)
{
    *pStream << testCase.pszName;
}

const MissingCapHCase kMissingCapHCases[] = {
    {"FileDoesNotExist", {"absent.tst", "out"}, "absent.log"},
    {"EmptyCapHPath", {"", "out"}, ".log"},
};

class MissingCapHTest : public ProgramTest, public testing::WithParamInterface<MissingCapHCase> {};

TEST_P(MissingCapHTest, ReportedWithoutLogFile)
{
    const ProgramResult result = Run(GetParam().arrArgs);
    EXPECT_EQ(1, result.nStatus);
    EXPECT_EQ(0u, result.strErr.rfind("Pinweave: Cannot open CAP-H file ", 0)) << result.strErr;
    EXPECT_EQ("", result.strOut);
    EXPECT_FALSE(fs::exists(Job() / GetParam().strLogNotCreated));
    EXPECT_FALSE(fs::exists(Log()));
    EXPECT_TRUE(fs::is_empty(Out()));
}

INSTANTIATE_TEST_SUITE_P(Program, MissingCapHTest, testing::ValuesIn(kMissingCapHCases),
                         [](const testing::TestParamInfo<MissingCapHCase>& testInfo) {
                             return testInfo.param.pszName;
                         });

// Every name under the folder with what it holds: a file's bytes, a link's
// target, another entry's kind; nothing else is opened.
std::map<std::string, std::string> Snapshot(const fs::path& folder)
{
    std::map<std::string, std::string> mapEntries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        const fs::file_status status = entry.symlink_status();
        mapEntries[fs::relative(entry.path(), folder).string()] =
            fs::is_symlink(status)        ? "link to " + fs::read_symlink(entry.path()).string()
            : fs::is_regular_file(status) ? ReadFileBytes(entry.path())
                                          : std::to_string(static_cast<int>(status.type()));
    }
    return mapEntries;
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
    std::vector<std::string> arrArgs;
    int nStatus;
    std::string strErr;
};

void PrintTo(const RefusalCase& testCase, std::ostream* pStream)
{
    *pStream << testCase.pszName;
}

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

class RefusalTest : public ProgramTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, RefusedAtOnceWithNothingWritten)
{
    PlaceIn(Job(), GetParam());
    const std::map<std::string, std::string> before = Snapshot(Job());
    const ProgramResult result = Run(GetParam().arrArgs);
    EXPECT_EQ(GetParam().nStatus, result.nStatus);
    EXPECT_EQ(GetParam().strErr, result.strErr);
    EXPECT_EQ("", result.strOut);
    EXPECT_EQ(before, Snapshot(Job())) << "nothing written, nothing made";
}

INSTANTIATE_TEST_SUITE_P(Program, RefusalTest, testing::ValuesIn(kRefusalCases),
                         [](const testing::TestParamInfo<RefusalCase>& testInfo) {
                             return testInfo.param.pszName;
                         });

// On a terminal the control bytes of a name show as escapes, in the echo and
// on standard error alike; the log and redirected output keep them.
TEST_F(ProgramTest, TerminalShowsControlBytesAsEscapes)
{
    const std::string strName = "j\x1b]0;owned\x07\x1b[31m\r\x7f\xE4";
    fs::rename(Job() / "job.tst", Job() / (strName + ".tst"));
    WriteFileBytes(Out() / (strName + ".pid"), "old\r\n");
    const auto lines = [](const std::string& strShown) {
        return std::vector<std::string>{
            "Starting conversion of '" + strShown + ".tst'", "2 Part Number(s) detected.",
            "The output file '" + strShown + ".pid' already exists.", "Conversion aborted."};
    };
    const ProgramResult redirected = Run({strName + ".tst", "out"});
    EXPECT_EQ(LfLines(lines(strName)), redirected.strOut);
    const ProgramResult shown = Run({strName + ".tst", "out"}, StdoutTarget::Terminal);
    EXPECT_EQ(1, shown.nStatus);
    const std::string strShown = "j\\x1b]0;owned\\x07\\x1b[31m\\x0d\\x7f\xE4";
    EXPECT_EQ(LfLines(lines(strShown)) + "Pinweave: " + LfLines({lines(strShown)[2], lines(strShown)[3]}),
              shown.strOut);
    EXPECT_EQ(CrLf(lines(strName)) + CrLf(lines(strName)), ReadFileBytes(Job() / (strName + ".log")));
}

} // namespace
} // namespace pinweave::test

namespace pinweave::test {
namespace {

// Every output file stays open until the run ends: a run with more part
// numbers than the usual open-file allowance still completes, because the
// program takes the whole allowance the system grants.
TEST_F(ProgramTest, MorePartNumbersThanTheSoftOpenFileLimit)
{
    constexpr int kParts = 300;
    WriteFileBytes(Job() / "job.tst", CCapHBuilder().PartNumbers(kParts).Text());

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < 2 * kParts) {
        GTEST_SKIP() << "the hard open-file limit is below what the test needs";
    }
    rlimit lowered = saved;
    lowered.rlim_cur = kParts / 3;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const ProgramResult result = Run({"job.tst", "out"});
    setrlimit(RLIMIT_NOFILE, &saved);

    EXPECT_EQ(result.nStatus, 0) << result.strErr;
    EXPECT_TRUE(fs::exists(Out() / ("job_" + std::to_string(kParts - 1) + ".pid")));
}

} // namespace
} // namespace pinweave::test
