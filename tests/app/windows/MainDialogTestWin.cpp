// The main dialog of Pinweave.exe driven from outside: the enabling rule,
// scans and their results lines, the overwrite prompt, the Open dialog, the
// folder browser, the About box, and screenshots of the dialog and prompt.
#include "GuiDriverWin.h"

#include "common/MessageTable.h"
#include "resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace pinweave::test {
namespace {

// Controls of the common dialogs.
constexpr int kOpenFileNameId = 0x47c;
constexpr int kBrowseTreeId = 0x3741;
constexpr int kBrowseStatusId = 0x3743;

const char* const kPartFiles[] = {"harness.pid", "harness_1.pid", "harness_2.pid"};

class MainDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        const std::string strName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        m_strWork = FreshWorkDir(WorkDirName(strName));
        CreateDirectoryA((m_strWork + "\\jobs").c_str(), nullptr);
        CreateDirectoryA((m_strWork + "\\out").c_str(), nullptr);
        m_strCapH = m_strWork + "\\jobs\\harness.tst";
        m_strOut = m_strWork + "\\out";
        CopyFileTo(SourcePath("tests/app/windows/data/three-parts.tst"), m_strCapH);
    }
    void TearDown() override { DeleteSettings(); }

    virtual std::string WorkDirName(const std::string& strTest) const
    {
        return "dialog-" + std::regex_replace(strTest, std::regex("[^A-Za-z0-9]"), "_");
    }

    // Starts the program with the arguments; the main dialog or a failure.
    HWND Start(const std::string& strArguments)
    {
        EXPECT_TRUE(m_app.Start(strArguments));
        const HWND hDlg = m_app.MainDialog();
        EXPECT_NE(hDlg, nullptr) << "the main dialog did not appear";
        return hDlg;
    }

    static std::string Results(HWND hDlg) { return WindowText(Item(hDlg, IDC_RESULTS)); }

    // The results lines of a run over three-parts.tst into m_strOut.
    std::string CompletedRunLines() const { return test::CompletedRunLines(m_strCapH, "harness", 3); }

    // Waits until a scan has returned: no prompt is up and the dialog answers.
    static bool WaitForScanEnd(HWND hDlg)
    {
        return WaitUntil([&] { return IsWindowEnabled(hDlg) && !WindowText(hDlg).empty(); });
    }

    std::string m_strWork, m_strCapH, m_strOut;
    CAppProcess m_app;
};

TEST_F(MainDialogTest, ScanIsEnabledExactlyWhenBothFieldsHoldText)
{
    const HWND hDlg = Start(Quoted(m_strCapH) + " " + Quoted(m_strOut));
    ASSERT_NE(hDlg, nullptr);
    struct {
        const char* m_pszInput;
        const char* m_pszOutput;
        bool m_bEnabled;
    } const cases[] = {
        {"a.tst", "C:\\out", true}, {"", "C:\\out", false}, {" ", "C:\\out", true}, {"a.tst", "", false},
        {"a.tst", " ", true},       {"", "", false},        {"x", "y", true},
    };
    for (const auto& c : cases) {
        SetWindowTextTo(Item(hDlg, IDC_INPUT_PATH), c.m_pszInput);
        SetWindowTextTo(Item(hDlg, IDC_OUTPUT_PATH), c.m_pszOutput);
        EXPECT_EQ(IsEnabled(Item(hDlg, IDC_SCAN)), c.m_bEnabled)
            << "input '" << c.m_pszInput << "', output '" << c.m_pszOutput << "'";
    }
}

TEST_F(MainDialogTest, TwoScansWriteFilesAndAccumulateResults)
{
    const HWND hDlg = Start(Quoted(m_strCapH) + " " + Quoted(m_strOut));
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(Click(Item(hDlg, IDC_SCAN)));
    ASSERT_TRUE(WaitUntil([&] { return Results(hDlg) == CompletedRunLines(); })) << Results(hDlg);
    for (const char* pszFile : kPartFiles) {
        EXPECT_EQ(ReadFileBytes(m_strOut + "\\" + pszFile).rfind("; Generated from CAP-H file:", 0), 0u)
            << pszFile;
    }
    // The pane is scrolled to its end: the insertion point after the last byte.
    DWORD_PTR nSelection = 0;
    SendMessageTimeoutA(Item(hDlg, IDC_RESULTS), EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &nSelection);
    EXPECT_EQ(LOWORD(nSelection), CompletedRunLines().size());
    EXPECT_EQ(HIWORD(nSelection), CompletedRunLines().size());
    EXPECT_TRUE(TakeScreenshot(hDlg, "main-dialog")) << "screenshot of the main dialog";

    // A second scan into another folder: its lines follow the first run's.
    const std::string strFirst = Results(hDlg);
    const std::string strOut2 = m_strWork + "\\second out";
    CreateDirectoryA(strOut2.c_str(), nullptr);
    SetWindowTextTo(Item(hDlg, IDC_OUTPUT_PATH), strOut2);
    ASSERT_TRUE(Click(Item(hDlg, IDC_SCAN)));
    ASSERT_TRUE(WaitUntil([&] { return Results(hDlg) == strFirst + CompletedRunLines(); })) << Results(hDlg);
    EXPECT_TRUE(FileExists(strOut2 + "\\harness_2.pid"));

    ASSERT_TRUE(m_app.CloseMainDialog());
    EXPECT_EQ(LoadSetting("OutputPath"), (CStoredValue{REG_SZ, strOut2})) << "a scan takes the fields";
}

// --- The "Output File Exists" prompt

enum class Answer { Yes, YesToAll, No, Cancel, CloseBox };

struct COverwriteCase {
    const char* m_pszName;
    std::vector<int> m_arrExisting;   // indexes of the files that exist before the scan
    std::vector<Answer> m_arrAnswers; // one per prompt, in order
    const char* m_pszExpected;        // per file: N new content, O old content, E empty, - absent
    bool m_bCompleted;
};

class OverwritePromptTest : public MainDialogTest, public ::testing::WithParamInterface<COverwriteCase> {};

void GiveAnswer(HWND hPrompt, Answer answer)
{
    if (answer == Answer::CloseBox) {
        PostMessageA(hPrompt, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
    }
    const int arrButtons[] = {IDYES, IDC_YES_TO_ALL, IDNO, IDCANCEL}; // in the order of Answer
    EXPECT_TRUE(Click(Item(hPrompt, arrButtons[static_cast<int>(answer)])));
}

TEST_P(OverwritePromptTest, AnswersDecideWhichFilesAreReplaced)
{
    const COverwriteCase& c = GetParam();
    for (const int i : c.m_arrExisting) {
        WriteFileBytes(m_strOut + "\\" + kPartFiles[i], "old");
    }
    const HWND hDlg = Start(Quoted(m_strCapH) + " " + Quoted(m_strOut));
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(Click(Item(hDlg, IDC_SCAN)));

    std::size_t nPrompt = 0;
    for (const Answer answer : c.m_arrAnswers) {
        const HWND hPrompt = m_app.WaitForDialog("Output File Exists");
        ASSERT_NE(hPrompt, nullptr) << "prompt " << nPrompt << " did not appear";
        const std::string strPath = m_strOut + "\\" + kPartFiles[c.m_arrExisting[nPrompt]];
        EXPECT_EQ(WindowText(Item(hPrompt, IDC_OUTPUT_EXISTS_TEXT)),
                  FormatTableMessage(IDS_OUTPUT_EXISTS_PROMPT, {strPath}));
        DWORD_PTR nDefId = 0;
        SendMessageTimeoutA(hPrompt, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 5000, &nDefId);
        EXPECT_EQ(LOWORD(nDefId), IDNO) << "\"No\" is the default button";
        if (nPrompt == 0 && answer == Answer::YesToAll) {
            EXPECT_TRUE(TakeScreenshot(hPrompt, "output-exists")) << "screenshot of the prompt";
        }
        GiveAnswer(hPrompt, answer);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hPrompt); })) << "the prompt did not close";
        ++nPrompt;
    }
    ASSERT_TRUE(WaitForScanEnd(hDlg));
    EXPECT_EQ(m_app.WaitForDialog("Output File Exists", 100), nullptr) << "an unexpected further prompt";
    const std::string strResults = Results(hDlg);
    EXPECT_EQ(strResults == CompletedRunLines(), c.m_bCompleted) << strResults;
    EXPECT_EQ(strResults.find("Completed") != std::string::npos, c.m_bCompleted) << strResults;

    for (int i = 0; i < 3; ++i) {
        const std::string strPath = m_strOut + "\\" + kPartFiles[i];
        const std::string strBytes = ReadFileBytes(strPath);
        switch (c.m_pszExpected[i]) {
        case 'N':
            EXPECT_EQ(strBytes.rfind("; Generated from CAP-H file:", 0), 0u) << kPartFiles[i];
            break;
        case 'O':
            EXPECT_EQ(strBytes, "old") << kPartFiles[i];
            break;
        case 'E':
            EXPECT_TRUE(FileExists(strPath)) << kPartFiles[i];
            EXPECT_EQ(strBytes, "") << kPartFiles[i];
            break;
        default:
            EXPECT_FALSE(FileExists(strPath)) << kPartFiles[i];
            break;
        }
    }
    EXPECT_TRUE(NamesIn(m_strOut, "*.tmp").empty()) << "a temporary was left";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, OverwritePromptTest,
    ::testing::Values(
        COverwriteCase{"YesAsksAgainForTheNextFile", {0, 2}, {Answer::Yes, Answer::Yes}, "NNN", true},
        COverwriteCase{"YesToAllAsksOnce", {0, 1, 2}, {Answer::YesToAll}, "NNN", true},
        // "Yes" means "replace it when the run completes": a run that stops
        // changes no file.
        COverwriteCase{"NoStopsAndChangesNothing", {2}, {Answer::No}, "--O", false},
        COverwriteCase{"YesThenCancelChangesNothing", {0, 1}, {Answer::Yes, Answer::Cancel}, "OO-", false},
        COverwriteCase{"CloseBoxStops", {1}, {Answer::CloseBox}, "-O-", false}),
    [](const ::testing::TestParamInfo<COverwriteCase>& testCase) {
        return std::string(testCase.param.m_pszName);
    });

TEST_F(MainDialogTest, OverwriteAllCoversOneScanOnly)
{
    for (const char* pszFile : kPartFiles) {
        WriteFileBytes(m_strOut + "\\" + pszFile, "old");
    }
    // Flag Y: the first scan replaces silently, the second asks again.
    const HWND hDlg = Start("/Y " + Quoted(m_strCapH) + " " + Quoted(m_strOut));
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(Click(Item(hDlg, IDC_SCAN)));
    ASSERT_TRUE(WaitUntil([&] { return Results(hDlg) == CompletedRunLines(); })) << Results(hDlg);

    ASSERT_TRUE(Click(Item(hDlg, IDC_SCAN)));
    const HWND hPrompt = m_app.WaitForDialog("Output File Exists");
    ASSERT_NE(hPrompt, nullptr) << "the second scan must ask";
    GiveAnswer(hPrompt, Answer::YesToAll);
    ASSERT_TRUE(WaitUntil([&] { return Results(hDlg) == CompletedRunLines() + CompletedRunLines(); }));

    // "Yes to All" too lasts one scan.
    ASSERT_TRUE(Click(Item(hDlg, IDC_SCAN)));
    const HWND hPromptAgain = m_app.WaitForDialog("Output File Exists");
    ASSERT_NE(hPromptAgain, nullptr) << "the third scan must ask again";
    GiveAnswer(hPromptAgain, Answer::Cancel);
    ASSERT_TRUE(WaitForScanEnd(hDlg));
}

// --- Choosing paths

TEST_F(MainDialogTest, OpenDialogTakesBothFields)
{
    const std::string strOther = m_strWork + "\\jobs\\other job.tst";
    CopyFileTo(m_strCapH, strOther);
    const HWND hDlg = Start(Quoted(m_strCapH) + " " + Quoted(m_strOut));
    ASSERT_NE(hDlg, nullptr);

    // Cancelled: nothing is taken, so the typed folder is not saved later.
    SetWindowTextTo(Item(hDlg, IDC_OUTPUT_PATH), "C:\\typed");
    ASSERT_TRUE(Click(Item(hDlg, IDC_BROWSE_INPUT)));
    HWND hOpen = m_app.WaitForDialog("Open");
    ASSERT_NE(hOpen, nullptr) << "the Open dialog did not appear";
    PostCommand(hOpen, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hOpen); }));
    EXPECT_EQ(WindowText(Item(hDlg, IDC_INPUT_PATH)), m_strCapH);

    // Accepted: the path goes into the field, and every field is taken.
    SetWindowTextTo(Item(hDlg, IDC_OUTPUT_PATH), "C:\\typed again");
    ASSERT_TRUE(Click(Item(hDlg, IDC_BROWSE_INPUT)));
    hOpen = m_app.WaitForDialog("Open");
    ASSERT_NE(hOpen, nullptr);
    const HWND hFileName = FindDescendant(hOpen, kOpenFileNameId, "Edit");
    ASSERT_NE(hFileName, nullptr);
    SetWindowTextTo(hFileName, strOther);
    PostCommand(hOpen, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hOpen); }));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(Item(hDlg, IDC_INPUT_PATH)) == strOther; }))
        << WindowText(Item(hDlg, IDC_INPUT_PATH));

    ASSERT_TRUE(m_app.CloseMainDialog());
    EXPECT_EQ(LoadSetting("InputPath"), (CStoredValue{REG_SZ, strOther}));
    EXPECT_EQ(LoadSetting("OutputPath"), (CStoredValue{REG_SZ, "C:\\typed again"}));
}

class FolderBrowserTest : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        // Folders on the prefix's own drive C:, made once and kept. Wine's
        // tree loses its way to folders on the drive that maps the Unix root
        // under some checkouts (it stopped one level short of the folder when
        // the tree lived under /tmp), and now and then to a folder that was
        // only just created.
        const std::string strKept = "C:\\pinweave-browse";
        m_strFolderA = strKept + "\\folderA";
        m_strFolderB = strKept + "\\folderB";
        CreateDirectoryA(strKept.c_str(), nullptr);
        CreateDirectoryA(m_strFolderA.c_str(), nullptr);
        CreateDirectoryA(m_strFolderB.c_str(), nullptr);
    }

    // Opens the browser; it must preselect strExpected (shown as status text).
    // Wine's tree now and then ends on another folder than the one the
    // program asked for; a browser that sits elsewhere is closed and opened
    // again, up to three times.
    HWND OpenBrowser(HWND hDlg, const std::string& strExpected)
    {
        std::string strShown;
        for (int nAttempt = 0; nAttempt < 3; ++nAttempt) {
            EXPECT_TRUE(Click(Item(hDlg, IDC_BROWSE_OUTPUT)));
            const HWND hBrowse = m_app.WaitForDialog("Browse for Folder");
            if (hBrowse == nullptr) {
                ADD_FAILURE() << "the folder browser did not appear";
                return nullptr;
            }
            if (WaitUntil([&] { return WindowText(Item(hBrowse, kBrowseStatusId)) == strExpected; }, 2500)) {
                return hBrowse;
            }
            strShown = WindowText(Item(hBrowse, kBrowseStatusId));
            PostCommand(hBrowse, IDCANCEL);
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hBrowse); }));
        }
        ADD_FAILURE() << "preselected '" << strShown << "', expected '" << strExpected << "'";
        return nullptr;
    }

    // Moves the selection to the next folder (A to B) and accepts it.
    void ChooseNext(HWND hBrowse)
    {
        PostMessageA(Item(hBrowse, kBrowseTreeId), WM_KEYDOWN, VK_DOWN, 0);
        EXPECT_TRUE(WaitUntil([&] { return WindowText(Item(hBrowse, kBrowseStatusId)) == m_strFolderB; }))
            << WindowText(Item(hBrowse, kBrowseStatusId));
        PostCommand(hBrowse, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(hBrowse); }));
    }

    std::string m_strFolderA, m_strFolderB;
};

TEST_F(FolderBrowserTest, ChosenFolderIsNotSavedWithoutATake)
{
    const HWND hDlg = Start(Quoted(m_strCapH) + " " + Quoted(m_strFolderA));
    ASSERT_NE(hDlg, nullptr);
    const HWND hBrowse = OpenBrowser(hDlg, m_strFolderA);
    ASSERT_NE(hBrowse, nullptr);
    ChooseNext(hBrowse);
    EXPECT_EQ(WindowText(Item(hDlg, IDC_OUTPUT_PATH)), m_strFolderB);

    ASSERT_TRUE(m_app.CloseMainDialog());
    EXPECT_EQ(LoadSetting("OutputPath"), (CStoredValue{REG_SZ, m_strFolderA}));
}

TEST_F(FolderBrowserTest, BrowserPreselectsTheLastTakeUntilAFileIsChosen)
{
    const HWND hDlg = Start(Quoted(m_strCapH) + " " + Quoted(m_strFolderA));
    ASSERT_NE(hDlg, nullptr);
    HWND hBrowse = OpenBrowser(hDlg, m_strFolderA);
    ASSERT_NE(hBrowse, nullptr);
    ChooseNext(hBrowse);

    // Again: still the folder of the last take, not the one in the field.
    hBrowse = OpenBrowser(hDlg, m_strFolderA);
    ASSERT_NE(hBrowse, nullptr);
    PostCommand(hBrowse, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hBrowse); }));
    EXPECT_EQ(WindowText(Item(hDlg, IDC_OUTPUT_PATH)), m_strFolderB) << "cancelling changes nothing";

    // Choosing a CAP-H file takes the fields: now folder B is the stored one.
    ASSERT_TRUE(Click(Item(hDlg, IDC_BROWSE_INPUT)));
    const HWND hOpen = m_app.WaitForDialog("Open");
    ASSERT_NE(hOpen, nullptr);
    SetWindowTextTo(FindDescendant(hOpen, kOpenFileNameId, "Edit"), m_strCapH);
    PostCommand(hOpen, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hOpen); }));
    hBrowse = OpenBrowser(hDlg, m_strFolderB);
    ASSERT_NE(hBrowse, nullptr);
    PostCommand(hBrowse, IDCANCEL);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hBrowse); }));

    ASSERT_TRUE(m_app.CloseMainDialog());
    EXPECT_EQ(LoadSetting("OutputPath"), (CStoredValue{REG_SZ, m_strFolderB}));
}

// Folder and file names with letters of the ANSI code page (0x80 is the euro
// sign in 1252, 0xE4 an a with umlaut) come back from both browsers with
// their bytes unchanged.
TEST_F(FolderBrowserTest, BrowsersKeepTheBytesOfAnsiNames)
{
    const std::string strFolder = "C:\\pinweave-browse\\Preise \x80 Kabelb\xE4ume";
    const std::string strFile = strFolder + "\\Kabelb\xE4ume \x80.tst";
    CreateDirectoryA(strFolder.c_str(), nullptr);
    CopyFileTo(m_strCapH, strFile);
    const HWND hDlg = Start(Quoted(m_strCapH) + " " + Quoted(strFolder));
    ASSERT_NE(hDlg, nullptr);

    const HWND hBrowse = OpenBrowser(hDlg, strFolder); // preselected and shown by its path
    ASSERT_NE(hBrowse, nullptr);
    SetWindowTextTo(Item(hDlg, IDC_OUTPUT_PATH), "C:\\elsewhere");
    PostCommand(hBrowse, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hBrowse); }));
    EXPECT_EQ(WindowText(Item(hDlg, IDC_OUTPUT_PATH)), strFolder);

    ASSERT_TRUE(Click(Item(hDlg, IDC_BROWSE_INPUT)));
    const HWND hOpen = m_app.WaitForDialog("Open");
    ASSERT_NE(hOpen, nullptr);
    SetWindowTextTo(FindDescendant(hOpen, kOpenFileNameId, "Edit"), strFile);
    PostCommand(hOpen, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hOpen); }));
    EXPECT_EQ(WindowText(Item(hDlg, IDC_INPUT_PATH)), strFile);

    ASSERT_TRUE(m_app.CloseMainDialog());
    EXPECT_EQ(LoadSetting("InputPath"), (CStoredValue{REG_SZ, strFile}));
    EXPECT_EQ(LoadSetting("OutputPath"), (CStoredValue{REG_SZ, strFolder}));
}

// --- The About box

TEST_F(MainDialogTest, AboutBoxFromTheSystemMenu)
{
    const HWND hDlg = Start(Quoted(m_strCapH) + " " + Quoted(m_strOut));
    ASSERT_NE(hDlg, nullptr);
    for (const int nCloseWith : {IDOK, IDCANCEL}) { // "OK", then Esc
        PostMessageA(hDlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        const HWND hAbout = m_app.WaitForDialog("About Pinweave");
        ASSERT_NE(hAbout, nullptr) << "the About box did not appear";
        std::vector<std::string> arrTexts;
        for (HWND h = GetWindow(hAbout, GW_CHILD); h != nullptr; h = GetWindow(h, GW_HWNDNEXT)) {
            arrTexts.push_back(WindowText(h));
        }
        EXPECT_NE(std::find(arrTexts.begin(), arrTexts.end(), "Pinweave Version 1.0.0.2"), arrTexts.end());
        EXPECT_NE(std::find(arrTexts.begin(), arrTexts.end(), "OK"), arrTexts.end());
        if (nCloseWith == IDOK) {
            EXPECT_TRUE(TakeScreenshot(hAbout, "about-box")) << "screenshot of the About box";
        }
        PostCommand(hAbout, nCloseWith);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hAbout); }));
    }
    EXPECT_TRUE(m_app.CloseMainDialog());
}

} // namespace
} // namespace pinweave::test
