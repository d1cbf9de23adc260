// Paths whose names hold bytes above 0x7F in the system's ANSI code page
// (Wine: 1252) in every path operation of both modes: the CAP-H file, the log
// beside it, the output folder and files, the results pane and the saved
// settings. Every byte must arrive as it was given; nothing may pass through
// another encoding on the way.
//
// Bytes 0xA0-0xFF ("Kabelb\xE4ume") mean the same letters in code page 1252
// and in Latin-1; bytes 0x80-0x9F do not (0x80 is the euro sign in 1252, a
// control character in Latin-1). A std::filesystem::path made from a narrow
// string under MinGW-w64 GCC 12 reads the bytes as Latin-1 (the C run-time
// library's "C" locale), so only the second kind finds out whether a path
// operation goes through it.
#include "GuiDriverWin.h"

#include "common/MessageTable.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace pinweave::test {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;

struct CAnsiCase {
    const char* m_pszName;
    const char* m_pszCapHFolder; // below the test's work folder
    const char* m_pszOutputFolder;
};

class AnsiPathTest : public ::testing::TestWithParam<CAnsiCase> {
protected:
    void SetUp() override
    {
        DeleteSettings();
        m_strWork = FreshWorkDir(std::string("ansi-") + GetParam().m_pszName);
        m_strInDir = m_strWork + "\\" + GetParam().m_pszCapHFolder;
        m_strOutDir = m_strWork + "\\" + GetParam().m_pszOutputFolder;
        CreateDirectoryA(m_strInDir.c_str(), nullptr);
        CreateDirectoryA(m_strOutDir.c_str(), nullptr);
        m_strCapH = m_strInDir + "\\sample.tst";
        CopyFileTo(SourcePath("examples/sample.tst"), m_strCapH);
    }
    void TearDown() override { DeleteSettings(); }

    // A message box of the program, answered so nothing waits; its text.
    std::optional<std::string> AnswerMessageBox(CAppProcess& app, DWORD dwWaitMs)
    {
        const HWND hBox = app.WaitForDialog("Pinweave", dwWaitMs);
        if (hBox == nullptr) {
            return std::nullopt;
        }
        const std::string strText = WindowText(Item(hBox, kMessageBoxTextId));
        PostCommand(hBox, IDOK);
        return strText;
    }

    void ExpectPidFilesNameTheCapHFile()
    {
        const std::string strComment = "; Generated from CAP-H file:\r\n; " + m_strCapH + "\r\n";
        for (const char* pszFile : {"\\sample.pid", "\\sample_1.pid"}) {
            EXPECT_EQ(ReadFileBytes(m_strOutDir + pszFile).substr(0, strComment.size()), strComment)
                << pszFile;
        }
    }

    std::string m_strWork, m_strInDir, m_strOutDir, m_strCapH;
};

TEST_P(AnsiPathTest, QuietRunReadsLogsAndWritesThere)
{
    CAppProcess app;
    ASSERT_TRUE(app.Start("/Q " + Quoted(m_strCapH) + " " + Quoted(m_strOutDir)));
    WaitUntil([&] { return app.WaitForExit(0).has_value() || app.WaitForDialog("Pinweave", 0) != nullptr; },
              15000);
    const std::optional<std::string> strBox = AnswerMessageBox(app, 0);
    EXPECT_FALSE(strBox.has_value()) << *strBox;
    EXPECT_EQ(app.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_EQ(app.StdErr(), "");
    const std::string strLog = ReadFileBytes(m_strInDir + "\\sample.log");
    EXPECT_EQ(strLog.rfind(FormatTableMessage(IDS_STARTING_CONVERSION, {m_strCapH}) + "\r\n", 0), 0u)
        << strLog;
    EXPECT_NE(strLog.find("\r\nCompleted\r\n"), std::string::npos) << strLog;
    ExpectPidFilesNameTheCapHFile();
}

TEST_P(AnsiPathTest, DialogScansAsksAboutExistingFilesAndSavesThePaths)
{
    WriteFileBytes(m_strOutDir + "\\sample_1.pid", "old");
    CAppProcess app;
    ASSERT_TRUE(app.Start(Quoted(m_strCapH) + " " + Quoted(m_strOutDir)));
    const HWND hDlg = app.MainDialog();
    ASSERT_NE(hDlg, nullptr);
    EXPECT_EQ(WindowText(Item(hDlg, IDC_INPUT_PATH)), m_strCapH);
    EXPECT_EQ(WindowText(Item(hDlg, IDC_OUTPUT_PATH)), m_strOutDir);

    ASSERT_TRUE(Click(Item(hDlg, IDC_SCAN)));
    // The existing sample_1.pid is found under its own name and asked about.
    const HWND hPrompt = app.WaitForDialog("Output File Exists", 5000);
    if (hPrompt == nullptr) {
        const std::optional<std::string> strBox = AnswerMessageBox(app, 0);
        FAIL() << "no prompt for the existing file; " << strBox.value_or("no message box either");
    }
    EXPECT_EQ(WindowText(Item(hPrompt, IDC_OUTPUT_EXISTS_TEXT)),
              FormatTableMessage(IDS_OUTPUT_EXISTS_PROMPT, {m_strOutDir + "\\sample_1.pid"}));
    ASSERT_TRUE(Click(Item(hPrompt, IDYES)));
    // The dialog is enabled for a moment as the prompt closes, while the run
    // goes on: its end is the run's last line in an enabled dialog.
    std::string strResults;
    WaitUntil([&] {
        strResults = WindowText(Item(hDlg, IDC_RESULTS));
        return IsEnabled(hDlg) && strResults.find("\r\nCompleted\r\n") != std::string::npos;
    });
    EXPECT_EQ(strResults.rfind(FormatTableMessage(IDS_STARTING_CONVERSION, {m_strCapH}) + "\r\n", 0), 0u)
        << strResults;
    EXPECT_NE(strResults.find("\r\nCompleted\r\n"), std::string::npos) << strResults;
    ExpectPidFilesNameTheCapHFile();
    EXPECT_FALSE(FileExists(m_strInDir + "\\sample.log")) << "the dialog writes no log";

    ASSERT_TRUE(app.CloseMainDialog());
    EXPECT_EQ(LoadSetting("InputPath"), (CStoredValue{REG_SZ, m_strCapH}));
    EXPECT_EQ(LoadSetting("OutputPath"), (CStoredValue{REG_SZ, m_strOutDir}));
}

// A folder given as the CAP-H file is refused as a folder, whatever its name.
TEST(AnsiCapHPathTest, FolderAsCapHFileIsRefusedAsSuch)
{
    const std::string strFolder = FreshWorkDir("ansi-folder-as-caph") + "\\Preise \x80.tst";
    CreateDirectoryA(strFolder.c_str(), nullptr);
    CAppProcess app;
    ASSERT_TRUE(app.Start("/Q \"" + strFolder + "\" \"" + FreshWorkDir("ansi-folder-as-caph-out") + "\""));
    EXPECT_EQ(app.WaitForExit(), std::optional<DWORD>(1));
    EXPECT_EQ(app.StdErr(), "Cannot open CAP-H file '" + strFolder + "': Is a directory\r\n");
}

// "Kabelb\xE4ume": letters that code page 1252 and Latin-1 share; "\x80" the
// euro sign, "\x96" an en dash, "\x9C" the ligature oe, which they do not.
INSTANTIATE_TEST_SUITE_P(
    Folders, AnsiPathTest,
    ::testing::Values(CAnsiCase{"SharedLetters", "Kabelb\xE4ume", "Ausg\xE4nge \xFC\xDF"},
                      CAnsiCase{"CodePageOnlyInCapHFolder", "Preise \x80 \x96 \x9C", "out"},
                      CAnsiCase{"CodePageOnlyInOutputFolder", "in", "Preise \x80 \x96 \x9C"},
                      CAnsiCase{"CodePageOnlyInBoth", "Kabelb\xE4ume \x80", "Ausg\xE4nge \x9C"}),
    [](const ::testing::TestParamInfo<CAnsiCase>& testCase) {
        return std::string(testCase.param.m_pszName);
    });

} // namespace
} // namespace pinweave::test
