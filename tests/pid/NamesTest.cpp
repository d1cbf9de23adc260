// The name and field rules: file names from the CAP-H path, one separator
// between folder and file name, colour fields, underscored names, the date.
#include "pid/GenerationDate.h"
#include "pid/PathNames.h"
#include "pid/PidFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <tuple>

namespace pinweave {
namespace {

TEST(NamesTest, NamesFromTheCapHPath)
{
    // CAP-H path, base name, log file
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"/jobs/harness.tst", "harness", "/jobs/harness.log"},
        {"/jobs/harness.rev.tst", "harness.rev", "/jobs/harness.rev.log"},
        {"/jobs/harness", "harness", "/jobs/harness.log"},
        {"/jobs.v2/harness", "harness", "/jobs.v2/harness.log"}, // a dot in the folder is no extension
        {"harness.", "harness", "harness.log"},
        {"/jobs/my harness.tst", "my harness", "/jobs/my harness.log"},
#ifdef _WIN32
        {"C:\\Jobs\\harness.rev.tst", "harness.rev", "C:\\Jobs\\harness.rev.log"},
        {"C:\\Jobs.v2\\harness", "harness", "C:\\Jobs.v2\\harness.log"},
#endif
    };
    for (const auto& [pszCapH, pszBase, pszLog] : cases) {
        EXPECT_EQ(BaseNameOf(pszCapH), pszBase) << pszCapH;
        EXPECT_EQ(LogFilePathOf(pszCapH), pszLog) << pszCapH;
    }
    EXPECT_EQ(OutputFileName("harness.rev", 0), "harness.rev.pid");
    EXPECT_EQ(OutputFileName("harness", 12), "harness_12.pid");
}

TEST(NamesTest, ExactlyOneSeparatorBetweenFolderAndName)
{
    const std::pair<const char*, const char*> cases[] = {
#ifdef _WIN32
        {"D:\\Out", "D:\\Out\\a.pid"}, {"D:\\Out\\", "D:\\Out\\a.pid"}, {"D:\\Out/", "D:\\Out\\a.pid"},
        {"D:\\", "D:\\a.pid"},         {"/out//", "/out\\a.pid"},
#else
        {"/out", "/out/a.pid"}, {"/out/", "/out/a.pid"},          {"/out//", "/out/a.pid"},
        {"/", "/a.pid"},        {"C:\\Out\\", "C:\\Out\\/a.pid"}, // a backslash is no separator here
#endif
    };
    for (const auto& [pszFolder, pszPath] : cases) {
        EXPECT_EQ(JoinPath(pszFolder, "a.pid"), pszPath) << pszFolder;
    }
}

TEST(NamesTest, ColourFieldsAndUnderscoredNames)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", " 0 0"},       {"RED", "RED 0"}, {"RED/BLK", "RED BLK"}, {"RED/BLK/GRN", "RED BLK/GRN"},
        {"/RED", "/RED 0"}, {"RED/", "RED "}, {"/", "/ 0"},           {"GRY BLU", "GRY BLU 0"},
    };
    for (const auto& [pszColour, pszFields] : cases) {
        EXPECT_EQ(ColourFields(pszColour), pszFields) << pszColour;
    }
    EXPECT_EQ(Underscored(" P  2\t"), "_P__2\t"); // only blanks are replaced
}

#ifndef _WIN32
TEST(NamesTest, GenerationDateInTheUsFormUnderTheClassicLocale)
{
    setenv("TZ", "UTC0", 1);
    tzset();
    const std::pair<std::time_t, const char*> cases[] = {
        {1109672142, "3/1/2005 10:15:42 AM"}, {1109635200, "3/1/2005 12:00:00 AM"},
        {1109678400, "3/1/2005 12:00:00 PM"}, {1104537599, "12/31/2004 11:59:59 PM"},
        {0, "1/1/1970 12:00:00 AM"},          {std::numeric_limits<std::time_t>::max(), "Invalid DateTime"},
    };
    for (const auto& [tNow, pszText] : cases) {
        EXPECT_EQ(GenerationDateText(tNow), pszText) << tNow;
    }
}
#endif

} // namespace
} // namespace pinweave
