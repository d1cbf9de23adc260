#include "app/CommandLineInfo.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace pinweave {
namespace {

struct Record {
    bool bQuiet;
    bool bOverwriteAll;
    std::string strInputPath;
    std::string strOutputPath;
};

// The whole record in one line, so that a failing case shows every field.
std::string Describe(const Record& record)
{
    return std::string("quiet=") + (record.bQuiet ? "1" : "0") +
           " overwrite=" + (record.bOverwriteAll ? "1" : "0") + " input='" + record.strInputPath +
           "' output='" + record.strOutputPath + "'";
}

std::string Describe(const CPinweaveCommandLineInfo& info)
{
    return Describe(Record{info.m_bQuiet, info.m_bOverwriteAll, info.m_strInputPath, info.m_strOutputPath});
}

struct GrammarCase {
    const char* pszName;
    std::vector<std::string> arrArgs;
    Record expected;
};

// Test names carry the case name; print no bytes of the case.
void PrintTo(const GrammarCase& testCase, std::ostream* pStream)
{
    *pStream << testCase.pszName;
}

const GrammarCase kGrammarCases[] = {
    {"EmptyList", {}, {false, false, "", ""}},
    {"FileThenFolder", {"x.tst", "C:\\out"}, {false, false, "x.tst", "C:\\out"}},
    {"FolderAlone", {"C:\\out"}, {false, false, "", "C:\\out"}},
    {"FileAloneBecomesFolder", {"x.tst"}, {false, false, "", "x.tst"}},
    {"LaterPathReplacesEarlier", {"a", "b", "c"}, {false, false, "b", "c"}},
    {"SlashLowerQ", {"/q", "x.tst", "C:\\out"}, {true, false, "x.tst", "C:\\out"}},
    {"DashUpperQ", {"-Q", "x.tst", "C:\\out"}, {true, false, "x.tst", "C:\\out"}},
    {"SlashUpperQ", {"/Q", "x.tst", "C:\\out"}, {true, false, "x.tst", "C:\\out"}},
    {"DashLowerQ", {"-q", "x.tst", "C:\\out"}, {true, false, "x.tst", "C:\\out"}},
    {"FlagLastLeavesFolderEmpty", {"x.tst", "C:\\out", "/Q"}, {true, false, "C:\\out", ""}},
    {"FlagBetweenPaths", {"x.tst", "/Q", "C:\\out"}, {true, false, "x.tst", "C:\\out"}},
    {"LongerFlagsAndLoneSlashIgnored",
     {"/Quiet", "/Q:", "/", "x.tst", "C:\\out"},
     {false, false, "x.tst", "C:\\out"}},
    {"LoneDashIgnored", {"-", "x.tst", "C:\\out"}, {false, false, "x.tst", "C:\\out"}},
    {"CombinedLettersIgnored", {"/QY", "-yq", "x.tst", "C:\\out"}, {false, false, "x.tst", "C:\\out"}},
    {"SlashLowerY", {"/y", "x.tst", "C:\\out"}, {false, true, "x.tst", "C:\\out"}},
    {"SlashUpperY", {"/Y", "x.tst", "C:\\out"}, {false, true, "x.tst", "C:\\out"}},
    {"BothFlagsAnyOrder", {"-y", "/Q", "x.tst", "C:\\out"}, {true, true, "x.tst", "C:\\out"}},
    {"OverwriteFlagLast", {"x.tst", "C:\\out", "/Y"}, {false, true, "C:\\out", ""}},
    {"EmptyArgumentIsAPath", {"x.tst", ""}, {false, false, "x.tst", ""}},
    {"EmptyLastArgumentClearsFolder", {"C:\\out", "x.tst", "C:\\other", ""}, {false, false, "C:\\other", ""}},
    {"QuotedBlanksKept",
     {"/Q", "C:\\Jobs\\my harness.tst", "D:\\PID out\\"},
     {true, false, "C:\\Jobs\\my harness.tst", "D:\\PID out\\"}},
};

class GrammarTest : public testing::TestWithParam<GrammarCase> {};

TEST_P(GrammarTest, RecordMatches)
{
    CPinweaveCommandLineInfo info;
    info.ParseArguments(GetParam().arrArgs);
    EXPECT_EQ(Describe(GetParam().expected), Describe(info));
}

INSTANTIATE_TEST_SUITE_P(WindowsRule, GrammarTest, testing::ValuesIn(kGrammarCases),
                         [](const testing::TestParamInfo<GrammarCase>& testInfo) {
                             return testInfo.param.pszName;
                         });

// The flag decision is the caller's; the rest of the grammar stays the same.
bool SlashPathRule(const std::string& strArg)
{
    return strArg[0] == '-' || strArg.find('/', 1) == std::string::npos;
}

bool EverythingIsAFlag(const std::string&)
{
    return true;
}

struct RuleCase {
    const char* pszName;
    CPinweaveCommandLineInfo::FlagRule pfnRule;
    std::vector<std::string> arrArgs;
    Record expected;
};

void PrintTo(const RuleCase& testCase, std::ostream* pStream)
{
    *pStream << testCase.pszName;
}

const RuleCase kRuleCases[] = {
    {"AbsolutePathsAreNotFlags",
     SlashPathRule,
     {"/q", "/tmp/job/harness.tst", "/tmp/out"},
     {true, false, "/tmp/job/harness.tst", "/tmp/out"}},
    {"DashStaysAFlag",
     SlashPathRule,
     {"-y", "-tmp/x", "/tmp/a.tst", "/tmp/out"},
     {false, true, "/tmp/a.tst", "/tmp/out"}},
    {"RuleCannotMakeAFlagOfAPlainArgument",
     EverythingIsAFlag,
     {"qx.tst", "y"},
     {false, false, "qx.tst", "y"}},
    {"EmptyRuleIsTheWindowsRule", {}, {"/q", "/tmp/out"}, {true, false, "", ""}},
};

class FlagRuleTest : public testing::TestWithParam<RuleCase> {};

TEST_P(FlagRuleTest, RecordMatches)
{
    CPinweaveCommandLineInfo info;
    info.ParseArguments(GetParam().arrArgs, GetParam().pfnRule);
    EXPECT_EQ(Describe(GetParam().expected), Describe(info));
}

INSTANTIATE_TEST_SUITE_P(CallerRule, FlagRuleTest, testing::ValuesIn(kRuleCases),
                         [](const testing::TestParamInfo<RuleCase>& testInfo) {
                             return testInfo.param.pszName;
                         });

// A lone argument naming an existing file is the CAP-H file; the test's
// "file system" holds the files job.tst and /Q and the folder C:\out.
bool IsTestFile(const std::string& strPath)
{
    return strPath == "job.tst" || strPath == "/Q";
}

const GrammarCase kLoneCases[] = {
    {"ExistingFileIsTheCapHFile", {"job.tst"}, {false, false, "job.tst", ""}},
    {"FolderStaysTheOutputFolder", {"C:\\out"}, {false, false, "", "C:\\out"}},
    {"MissingPathStaysTheOutputFolder", {"gone.tst"}, {false, false, "", "gone.tst"}},
    {"TwoArgumentsKeepTheGrammar", {"job.tst", "job.tst"}, {false, false, "job.tst", "job.tst"}},
    {"WithAFlagKeepsTheGrammar", {"/Y", "job.tst"}, {false, true, "", "job.tst"}},
    {"AFlagIsNoFile", {"/Q"}, {true, false, "", ""}},
    {"NoArguments", {}, {false, false, "", ""}},
};

class LoneArgumentTest : public testing::TestWithParam<GrammarCase> {};

TEST_P(LoneArgumentTest, RecordMatches)
{
    CPinweaveCommandLineInfo info;
    info.ParseArguments(GetParam().arrArgs);
    info.TakeLoneFileAsCapH(GetParam().arrArgs, IsTestFile);
    EXPECT_EQ(Describe(GetParam().expected), Describe(info));
}

INSTANTIATE_TEST_SUITE_P(Windows, LoneArgumentTest, testing::ValuesIn(kLoneCases),
                         [](const testing::TestParamInfo<GrammarCase>& testInfo) {
                             return testInfo.param.pszName;
                         });

TEST(ParseParamTest, NullTextCountsAsEmpty)
{
    CPinweaveCommandLineInfo info;
    info.ParseParam("x.tst", false, false);
    info.ParseParam("C:\\out", false, true);
    info.ParseParam(nullptr, true, false);
    info.ParseParam(nullptr, false, true);
    EXPECT_EQ(Describe(Record{false, false, "x.tst", ""}), Describe(info));
}

} // namespace
} // namespace pinweave
