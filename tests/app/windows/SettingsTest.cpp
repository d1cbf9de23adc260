// The read-defaults-save rules of the remembered paths, against a store kept
// in memory.
#include "app/Settings.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pinweave {
namespace {

class CMemoryStore : public ISettingsStore {
public:
    bool m_bKeyAvailable = true;
    std::map<std::string, std::string> m_mapValues;
    std::vector<std::string> m_arrReads;
    std::vector<std::pair<std::string, std::string>> m_arrWrites;

    SettingRead Read(const char* pszName, std::string& strValue) override
    {
        m_arrReads.emplace_back(pszName);
        if (!m_bKeyAvailable) {
            return SettingRead::KeyUnavailable;
        }
        const auto it = m_mapValues.find(pszName);
        if (it == m_mapValues.end()) {
            return SettingRead::NoValue;
        }
        strValue = it->second;
        return SettingRead::Value;
    }
    void Write(const char* pszName, const std::string& strValue) override
    {
        m_arrWrites.emplace_back(pszName, strValue);
    }
};

struct CRestoreCase {
    const char* m_pszName;
    std::string m_strCmdInput, m_strCmdOutput; // from the command line
    bool m_bKeyAvailable;
    std::optional<std::string> m_storedInput, m_storedOutput;
    std::string m_strInput, m_strOutput; // after restoring
    std::vector<std::string> m_arrReads; // values read, in order
};

class RestorePathsTest : public ::testing::TestWithParam<CRestoreCase> {};

TEST_P(RestorePathsTest, FillsOnlyWhatTheCommandLineLeftEmpty)
{
    const CRestoreCase& c = GetParam();
    CMemoryStore store;
    store.m_bKeyAvailable = c.m_bKeyAvailable;
    if (c.m_storedInput) {
        store.m_mapValues["InputPath"] = *c.m_storedInput;
    }
    if (c.m_storedOutput) {
        store.m_mapValues["OutputPath"] = *c.m_storedOutput;
    }
    std::string strInput = c.m_strCmdInput;
    std::string strOutput = c.m_strCmdOutput;
    RestorePaths(store, strInput, strOutput);
    EXPECT_EQ(strInput, c.m_strInput);
    EXPECT_EQ(strOutput, c.m_strOutput);
    EXPECT_EQ(store.m_arrReads, c.m_arrReads);
    EXPECT_TRUE(store.m_arrWrites.empty());
}

const char* const kDefault = "c:\\Korvane Data\\Pid";
const std::vector<std::string> kBoth = {"InputPath", "OutputPath"};

INSTANTIATE_TEST_SUITE_P(
    Rules, RestorePathsTest,
    ::testing::Values(
        CRestoreCase{"FirstStart", "", "", true, std::nullopt, std::nullopt, "", kDefault, kBoth},
        CRestoreCase{"SavedValues", "", "", true, "C:\\a.tst", "D:\\out", "C:\\a.tst", "D:\\out", kBoth},
        CRestoreCase{
            "CommandLineWins", "x.tst", "C:\\cmd", true, "C:\\a.tst", "D:\\out", "x.tst", "C:\\cmd", {}},
        CRestoreCase{"OnlyFolderGiven",
                     "",
                     "C:\\cmd",
                     true,
                     "C:\\a.tst",
                     "D:\\out",
                     "C:\\a.tst",
                     "C:\\cmd",
                     {"InputPath"}},
        CRestoreCase{
            "OnlyFileGiven", "x.tst", "", true, "C:\\a.tst", "D:\\out", "x.tst", "D:\\out", {"OutputPath"}},
        CRestoreCase{"SavedEmptyFolderGivesDefault", "", "", true, "C:\\a.tst", "", "C:\\a.tst", kDefault,
                     kBoth},
        CRestoreCase{"SavedEmptyFileStaysEmpty", "", "", true, "", "D:\\out", "", "D:\\out", kBoth},
        CRestoreCase{"NoKeyNoDefault", "", "", false, std::nullopt, std::nullopt, "", "", {"InputPath"}},
        CRestoreCase{"NoKeyFileGivenNoDefault",
                     "x.tst",
                     "",
                     false,
                     std::nullopt,
                     std::nullopt,
                     "x.tst",
                     "",
                     {"OutputPath"}}),
    [](const ::testing::TestParamInfo<CRestoreCase>& testCase) {
        return std::string(testCase.param.m_pszName);
    });

TEST(SavePathsTest, WritesBothPathsAsTheyStandInputFirst)
{
    struct {
        std::string m_strInput, m_strOutput;
    } const cases[] = {{"C:\\a.tst", "D:\\out"}, {"", ""}, {"%TEMP%\\x.tst", " "}};
    for (const auto& c : cases) {
        CMemoryStore store;
        SavePaths(store, c.m_strInput, c.m_strOutput);
        const std::vector<std::pair<std::string, std::string>> expected = {{"InputPath", c.m_strInput},
                                                                           {"OutputPath", c.m_strOutput}};
        EXPECT_EQ(store.m_arrWrites, expected);
        EXPECT_TRUE(store.m_arrReads.empty());
    }
}

} // namespace
} // namespace pinweave
