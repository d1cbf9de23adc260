// The Linux program's command line, one table: arguments, what they ask for
// (the two paths, the usage, the version or a usage error) and the exit status
// of an answer without a conversion.
#include "cli/LinuxCommandLine.h"
#include "cli/ExitStatus.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace pinweave {
namespace {

// The exit status of a command line that runs a conversion: the run's own.
constexpr int kByTheRun = -1;

struct GrammarCase {
    const char* pszName;
    std::vector<std::string> arrArgs;
    std::string strExpected; // Describe() of the record
    int nStatus;
};

// The record in one line, so that a failing case shows every field.
std::string Describe(const CLinuxCommandLine& cmdLine)
{
    switch (cmdLine.m_command) {
    case LinuxCommand::Convert:
        return "convert '" + cmdLine.m_strInputPath + "' into '" + cmdLine.m_strOutputPath + "'" +
               (cmdLine.m_bOverwriteAll ? " replacing" : "");
    case LinuxCommand::PrintUsage:
        return "usage";
    case LinuxCommand::PrintVersion:
        return "version";
    case LinuxCommand::UsageError:
        break;
    }
    return "usage error: " + cmdLine.m_strError;
}

// What the fake file system holds at its top level.
const std::set<std::string> kExisting = {"/", "/srv", "/q"};

const char* const kTwoPaths = "': give one CAP-H file and one folder.";

// clang-format off
const GrammarCase kGrammarCases[] = {
    // Two paths, and the flags Q and Y in either spelling, anywhere.
    {"FileAndFolder", {"job.tst", "out"}, "convert 'job.tst' into 'out'", kByTheRun},
    {"AbsolutePaths", {"/tmp/job/x.tst", "/srv"}, "convert '/tmp/job/x.tst' into '/srv'", kByTheRun},
    {"SlashLetterFlags", {"/Q", "/y", "job.tst", "out"}, "convert 'job.tst' into 'out' replacing", kByTheRun},
    {"DashLetterFlags", {"-q", "-Y", "job.tst", "out"}, "convert 'job.tst' into 'out' replacing", kByTheRun},
    {"FlagsAnywhere", {"job.tst", "-y", "out", "/Q"}, "convert 'job.tst' into 'out' replacing", kByTheRun},
    // What begins with "/" or "-" and is a path.
    {"SlashWordIsAPath", {"x.tst", "/nonexistent"}, "convert 'x.tst' into '/nonexistent'", kByTheRun},
    {"ExistingSlashLetterIsAPath", {"job.tst", "/q"}, "convert 'job.tst' into '/q'", kByTheRun},
    {"LoneSlashIsAPath", {"job.tst", "/"}, "convert 'job.tst' into '/'", kByTheRun},
    {"SlashDigitIsAPath", {"job.tst", "/1"}, "convert 'job.tst' into '/1'", kByTheRun},
    {"LoneDashIsAPath", {"-", "out"}, "convert '-' into 'out'", kByTheRun},
    {"EmptyArgumentIsAPath", {"job.tst", ""}, "convert 'job.tst' into ''", kByTheRun},
    {"DoubleDashEndsFlags", {"--", "-y", "/q"}, "convert '-y' into '/q'", kByTheRun},
    {"FlagsBeforeDoubleDashCount", {"/Y", "--", "-x.tst", "--"}, "convert '-x.tst' into '--' replacing", kByTheRun},
    {"HelpAfterDoubleDashIsAPath", {"job.tst", "--", "--help"}, "convert 'job.tst' into '--help'", kByTheRun},
    // Answers without a conversion.
    {"ShortHelp", {"-h"}, "usage", kExitCompleted},
    {"SlashHelpIgnoresCase", {"/H"}, "usage", kExitCompleted},
    {"HelpWinsOverAnyPathCount", {"a", "b", "c", "--help"}, "usage", kExitCompleted},
    {"Version", {"--version"}, "version", kExitCompleted},
    {"FirstAnswerDecides", {"--version", "--help"}, "version", kExitCompleted},
    // Usage errors.
    {"NoArguments", {}, "usage error: ", kExitUsageError},
    {"OnlyOnePath", {"onlyone.tst"}, "usage error: Missing the output folder after 'onlyone.tst'.", kExitUsageError},
    {"OnlyFlags", {"/Q", "/y"}, "usage error: Missing the CAP-H file and the output folder.", kExitUsageError},
    {"ThreePaths", {"a", "b", "c"}, std::string("usage error: Unexpected argument 'c") + kTwoPaths, kExitUsageError},
    {"UnknownSlashLetter", {"/X", "job.tst", "out"}, "usage error: Unknown option '/X'.", kExitUsageError},
    {"UnknownDashLetter", {"job.tst", "out", "-x"}, "usage error: Unknown option '-x'.", kExitUsageError},
    {"DashWord", {"-quiet", "job.tst", "out"}, "usage error: Unknown option '-quiet'.", kExitUsageError},
    {"NoBundledLetters", {"-qy", "job.tst", "out"}, "usage error: Unknown option '-qy'.", kExitUsageError},
    {"DashBeforeAPath", {"-/tmp/x", "job.tst", "out"}, "usage error: Unknown option '-/tmp/x'.", kExitUsageError},
    {"UnknownLongOption", {"--quiet", "job.tst", "out"}, "usage error: Unknown option '--quiet'.", kExitUsageError},
    {"UnknownOptionBeforeHelp", {"-x", "--help"}, "usage error: Unknown option '-x'.", kExitUsageError},
};
// clang-format on

TEST(LinuxCommandLineTest, ReadsTheArguments)
{
    for (const GrammarCase& testCase : kGrammarCases) {
        SCOPED_TRACE(testCase.pszName);
        const auto pfnExists = [](const std::string& strPath) { return kExisting.count(strPath) != 0; };
        const CLinuxCommandLine cmdLine = ParseLinuxCommandLine(testCase.arrArgs, pfnExists);
        EXPECT_EQ(testCase.strExpected, Describe(cmdLine));
        if (cmdLine.m_command == LinuxCommand::Convert) {
            EXPECT_EQ(kByTheRun, testCase.nStatus);
            continue;
        }

        // The usage goes to standard output when asked for, to standard error
        // after a usage error, behind the line that says what is wrong.
        std::ostringstream streamOut;
        std::ostringstream streamErr;
        EXPECT_EQ(testCase.nStatus, AnswerWithoutConverting(cmdLine, streamOut, streamErr));
        std::string strExpectedOut;
        std::string strExpectedErr;
        if (cmdLine.m_command == LinuxCommand::PrintUsage)
            strExpectedOut = kUsageText;
        else if (cmdLine.m_command == LinuxCommand::PrintVersion)
            strExpectedOut = "pinweave " PINWEAVE_VERSION "\n";
        else if (!testCase.arrArgs.empty())
            strExpectedErr = "Pinweave: " + cmdLine.m_strError + "\n\n" + kUsageText;
        else
            strExpectedErr = kUsageText;
        EXPECT_EQ(strExpectedOut, streamOut.str());
        EXPECT_EQ(strExpectedErr, streamErr.str());
    }
}

} // namespace
} // namespace pinweave
