// The existence test behind "/" and a letter; the rule itself is read through
// the command-line table (LinuxCommandLineTest.cpp).
#include "cli/LinuxFlagRule.h"

#include "FaultSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace pinweave {
namespace {

TEST(LinuxFlagRuleOnDiskTest, AsksTheFileSystem)
{
    EXPECT_TRUE(ExistsOnDisk("/usr"));
    EXPECT_TRUE(ExistsOnDisk("/"));
    const std::string strMissing = "/pinweave-absent-7f3c";
    ASSERT_FALSE(std::filesystem::exists(strMissing));
    EXPECT_FALSE(ExistsOnDisk(strMissing));
    EXPECT_TRUE(IsLinuxFlag("/Y", ExistsOnDisk));
    EXPECT_FALSE(IsLinuxFlag("/usr", ExistsOnDisk));
}

TEST(LinuxFlagRuleOnDiskTest, DanglingLinkCounts)
{
    const test::CTempFolder temp;
    const std::filesystem::path link = temp.Path() / "q";
    std::filesystem::create_symlink(temp.Path() / "absent", link);
    EXPECT_TRUE(ExistsOnDisk(link.string()));
}

} // namespace
} // namespace pinweave
