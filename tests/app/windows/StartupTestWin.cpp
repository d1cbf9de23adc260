// Dialog-mode start-up of Pinweave.exe: which paths the fields show for a
// command line and the saved settings, and what is saved when it closes.
#include "GuiDriverWin.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pinweave::test {
namespace {

constexpr const char* kDefaultFolder = "c:\\Korvane Data\\Pid";

struct CSaved {
    DWORD m_dwType; // REG_NONE: no value
    std::string m_strText;
};

struct CStartCase {
    const char* m_pszName;
    std::string m_strArguments;
    CSaved m_input;
    CSaved m_output;
    std::string m_strExpectedInput; // the fields after start-up
    std::string m_strExpectedOutput;
};

void Store(const char* pszName, const CSaved& saved)
{
    if (saved.m_dwType != REG_NONE) {
        StoreSetting(pszName, saved.m_dwType, saved.m_strText);
    }
}

class StartupTest : public ::testing::TestWithParam<CStartCase> {
protected:
    void SetUp() override { DeleteSettings(); }
    void TearDown() override { DeleteSettings(); }
};

TEST_P(StartupTest, FieldsShowCommandLineThenSavedThenDefault)
{
    CStartCase c = GetParam();
    // "<existing>" stands for a file that exists.
    const std::string strExisting = FreshWorkDir("startup-existing") + "\\existing.tst";
    WriteFileBytes(strExisting, "[HEADER]\r\n");
    for (std::string* pstr : {&c.m_strArguments, &c.m_strExpectedInput, &c.m_strExpectedOutput}) {
        if (*pstr == "<existing>") {
            *pstr = strExisting;
        }
    }
    Store("InputPath", c.m_input);
    Store("OutputPath", c.m_output);

    CAppProcess app;
    ASSERT_TRUE(app.Start(c.m_strArguments));
    const HWND hDlg = app.MainDialog();
    ASSERT_NE(hDlg, nullptr) << "the main dialog did not appear";
    EXPECT_EQ(WindowText(Item(hDlg, IDC_INPUT_PATH)), c.m_strExpectedInput);
    EXPECT_EQ(WindowText(Item(hDlg, IDC_OUTPUT_PATH)), c.m_strExpectedOutput);
    EXPECT_EQ(IsEnabled(Item(hDlg, IDC_SCAN)),
              !c.m_strExpectedInput.empty() && !c.m_strExpectedOutput.empty());

    // Closing takes nothing from the fields and saves the stored values.
    ASSERT_TRUE(app.CloseMainDialog());
    EXPECT_EQ(LoadSetting("InputPath"), (CStoredValue{REG_SZ, c.m_strExpectedInput}));
    EXPECT_EQ(LoadSetting("OutputPath"), (CStoredValue{REG_SZ, c.m_strExpectedOutput}));
}

const std::string k259(259, 'a');
const std::string k260(260, 'b');

INSTANTIATE_TEST_SUITE_P(
    Settings, StartupTest,
    ::testing::Values(
        CStartCase{"FirstStart", "", {REG_NONE, ""}, {REG_NONE, ""}, "", kDefaultFolder},
        CStartCase{
            "SavedPaths", "", {REG_SZ, "C:\\in\\a.tst"}, {REG_SZ, "C:\\out"}, "C:\\in\\a.tst", "C:\\out"},
        CStartCase{"CommandLineBeatsSaved",
                   "x.tst C:\\cmd",
                   {REG_SZ, "C:\\in\\a.tst"},
                   {REG_SZ, "C:\\out"},
                   "x.tst",
                   "C:\\cmd"},
        CStartCase{"OutputFolderAloneOnCommandLine",
                   "C:\\cmd",
                   {REG_SZ, "C:\\in\\a.tst"},
                   {REG_SZ, "C:\\out"},
                   "C:\\in\\a.tst",
                   "C:\\cmd"},
        CStartCase{"SavedEmptyOutputBringsDefault",
                   "",
                   {REG_SZ, "C:\\in\\a.tst"},
                   {REG_SZ, ""},
                   "C:\\in\\a.tst",
                   kDefaultFolder},
        CStartCase{"ExpandableTakenLiterally",
                   "",
                   {REG_EXPAND_SZ, "%TEMP%\\in.tst"},
                   {REG_EXPAND_SZ, "%TEMP%"},
                   "%TEMP%\\in.tst",
                   "%TEMP%"},
        CStartCase{"LongestAcceptedValue", "", {REG_SZ, k259}, {REG_SZ, k259}, k259, k259},
        CStartCase{"TooLongValueIgnored", "", {REG_SZ, k260}, {REG_SZ, k260}, "", kDefaultFolder},
        CStartCase{"NumberIsNoPath", "", {REG_DWORD, "abc"}, {REG_BINARY, "C:\\bin"}, "", kDefaultFolder}),
    [](const ::testing::TestParamInfo<CStartCase>& testCase) {
        return std::string(testCase.param.m_pszName);
    });

// The run-time library splits the command line; flags are "-" or "/" plus a
// letter, and the last plain argument is the output folder.
INSTANTIATE_TEST_SUITE_P(
    Grammar, StartupTest,
    ::testing::Values(
        CStartCase{"QuotedBlanks",
                   "\"C:\\my jobs\\a b.tst\" \"D:\\out dir\"",
                   {},
                   {},
                   "C:\\my jobs\\a b.tst",
                   "D:\\out dir"},
        CStartCase{"SinglePathIsTheFolder", "x.tst", {}, {}, "", "x.tst"},
        CStartCase{"SingleFolderIsTheFolder", "C:\\windows", {}, {}, "", "C:\\windows"},
        CStartCase{"SingleExistingFileIsTheCapHFile",
                   "<existing>",
                   {REG_SZ, "C:\\in\\a.tst"},
                   {REG_SZ, "C:\\saved out"},
                   "<existing>",
                   "C:\\saved out"},
        CStartCase{"LaterPathReplacesEarlier", "a b c", {}, {}, "b", "c"},
        CStartCase{"FlagLastLeavesNoFolder", "x.tst C:\\out /Y", {}, {}, "C:\\out", kDefaultFolder},
        CStartCase{"UnknownFlagsIgnored", "/Quiet -Q: / x.tst C:\\out", {}, {}, "x.tst", "C:\\out"},
        CStartCase{"OverwriteFlagAnywhere", "-y x.tst /Y C:\\out", {}, {}, "x.tst", "C:\\out"}),
    [](const ::testing::TestParamInfo<CStartCase>& testCase) {
        return std::string(testCase.param.m_pszName);
    });

} // namespace
} // namespace pinweave::test
