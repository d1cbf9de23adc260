#include "cli/LinuxFlagRule.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <set>
#include <string>

namespace pinweave {
namespace {

struct RuleCase {
    const char* pszName;
    std::string strArg;
    bool bFlag;
};

// Test names carry the case name; print no bytes of the case.
void PrintTo(const RuleCase& testCase, std::ostream* pStream)
{
    *pStream << testCase.pszName;
}

// What the fake file system holds at its top level.
const std::set<std::string> kExisting = {"/", "/srv", "/q"};

const RuleCase kRuleCases[] = {
    {"SlashLetterIsAFlag", "/Y", true},
    {"SlashWordIsAFlag", "/Quiet", true},
    {"AbsolutePathIsAPath", "/tmp/job/harness.tst", false},
    {"TrailingSlashIsAPath", "/out/", false},
    {"ExistingTopLevelNameIsAPath", "/srv", false},
    {"ExistingNameWinsOverTheFlag", "/q", false},
    {"RootIsAPath", "/", false},
    {"DashIsAlwaysAFlag", "-q", true},
    {"DashWithSlashIsAFlag", "-/tmp/x", true},
    {"DashNamingSomethingIsAFlag", "-srv", true},
    {"RelativePathIsAPath", "job/harness.tst", false},
    {"EmptyIsAPath", "", false},
};

class LinuxFlagRuleTest : public testing::TestWithParam<RuleCase> {};

TEST_P(LinuxFlagRuleTest, DecidesFlagOrPath)
{
    const auto pfnExists = [](const std::string& strPath) { return kExisting.count(strPath) != 0; };
    EXPECT_EQ(GetParam().bFlag, IsLinuxFlag(GetParam().strArg, pfnExists)) << GetParam().strArg;
}

INSTANTIATE_TEST_SUITE_P(FakeDisk, LinuxFlagRuleTest, testing::ValuesIn(kRuleCases),
                         [](const testing::TestParamInfo<RuleCase>& testInfo) {
                             return testInfo.param.pszName;
                         });

TEST(LinuxFlagRuleOnDiskTest, AsksTheFileSystem)
{
    EXPECT_FALSE(IsLinuxFlagOnDisk("/usr"));
    const std::string strMissing = "/pinweave-absent-7f3c";
    ASSERT_FALSE(std::filesystem::exists(strMissing));
    EXPECT_TRUE(IsLinuxFlagOnDisk(strMissing));
}

}  // namespace
}  // namespace pinweave
