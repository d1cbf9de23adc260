// A scan in the dialog as the user sees it: the results pane (every line,
// byte for byte, scrolled to the last), and a scan that takes its time (the
// window answers and shows the lines that have come, input is blocked, no
// second scan starts and nothing closes the dialog until the run has ended).
#include "CapHBuilder.h"
#include "GuiDriverWin.h"

#include "common/MessageTable.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace pinweave::test {
namespace {

// A CAP-H file with nParts part numbers PN-1 ... PN-n, one wire each.
std::string ManyPartsCapH(int nParts)
{
    CCapHBuilder capH;
    capH.PartNumbers(nParts, "PN-", 1);
    for (int i = 1; i <= nParts; ++i) {
        capH.Group({{"W1", "J1", "1", "J1", "2"}});
    }
    return capH.Fixture("J1", {"1", "2"}).Text();
}

LRESULT Ask(HWND hWnd, UINT uMsg, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR nResult = 0;
    SendMessageTimeoutA(hWnd, uMsg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &nResult);
    return static_cast<LRESULT>(nResult);
}

// The last line of text in the pane (the one before the final CR LF) lies
// within the pane's client area, and the insertion point is after it.
void ExpectScrolledToEnd(HWND hPane, std::size_t nTextLength)
{
    const auto nLines = static_cast<int>(Ask(hPane, EM_GETLINECOUNT));
    ASSERT_GE(nLines, 2);
    const auto nLastTextLine = static_cast<WPARAM>(nLines - 2);
    const LRESULT nPosition =
        Ask(hPane, EM_POSFROMCHAR, static_cast<WPARAM>(Ask(hPane, EM_LINEINDEX, nLastTextLine)));
    RECT rcClient{};
    GetClientRect(hPane, &rcClient);
    const int y = static_cast<short>(HIWORD(nPosition));
    EXPECT_GE(y, 0) << "the last line is above the pane's view";
    EXPECT_LT(y, rcClient.bottom) << "the last line is below the pane's view";
    const auto nSelection = static_cast<DWORD>(Ask(hPane, EM_GETSEL));
    EXPECT_EQ(LOWORD(nSelection), nTextLength & 0xFFFF);
    EXPECT_EQ(HIWORD(nSelection), nTextLength & 0xFFFF);
}

class ScanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        m_strWork = FreshWorkDir(std::string("scan-") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_strOut = m_strWork + "\\out";
        CreateDirectoryA(m_strOut.c_str(), nullptr);
    }
    void TearDown() override { DeleteSettings(); }

    HWND Start(const std::string& strCapH)
    {
        EXPECT_TRUE(m_app.Start(Quoted(strCapH) + " " + Quoted(m_strOut)));
        const HWND hDlg = m_app.MainDialog();
        EXPECT_NE(hDlg, nullptr) << "the main dialog did not appear";
        return hDlg;
    }

    std::string m_strWork, m_strOut;
    CAppProcess m_app;
};

TEST_F(ScanTest, PaneHoldsEveryLineOfTwoLongScansScrolledToTheLast)
{
    constexpr int kParts = 400;
    const std::string strCapH = m_strWork + "\\many.tst";
    WriteFileBytes(strCapH, ManyPartsCapH(kParts));
    const HWND hDlg = Start(strCapH);
    ASSERT_NE(hDlg, nullptr);
    const HWND hPane = Item(hDlg, IDC_RESULTS);
    const std::string strRun = CompletedRunLines(strCapH, "many", kParts);

    ASSERT_TRUE(Click(Item(hDlg, IDC_SCAN)));
    ASSERT_TRUE(WaitUntil([&] { return IsEnabled(hDlg) && WindowText(hPane) == strRun; }, 60000))
        << WindowText(hPane).substr(0, 2000);
    ExpectScrolledToEnd(hPane, strRun.size());

    // The second run finds the first run's files ("Yes to All" replaces
    // them); its lines follow the first run's.
    ASSERT_TRUE(Click(Item(hDlg, IDC_SCAN)));
    const HWND hPrompt = m_app.WaitForDialog("Output File Exists");
    ASSERT_NE(hPrompt, nullptr);
    ASSERT_TRUE(Click(Item(hPrompt, IDC_YES_TO_ALL)));
    ASSERT_TRUE(WaitUntil([&] { return IsEnabled(hDlg) && WindowText(hPane) == strRun + strRun; }, 60000))
        << WindowText(hPane).substr(strRun.size(), 2000);
    ExpectScrolledToEnd(hPane, 2 * strRun.size());
    EXPECT_TRUE(TakeScreenshot(hDlg, "main-dialog-two-scans")) << "screenshot after two scans";
    EXPECT_TRUE(m_app.CloseMainDialog());
}

TEST_F(ScanTest, WhileARunWaitsForAnAnswerNothingElseStartsOrEndsTheDialog)
{
    constexpr int kParts = 5;
    const std::string strCapH = m_strWork + "\\held.tst";
    WriteFileBytes(strCapH, ManyPartsCapH(kParts));
    WriteFileBytes(m_strOut + "\\held_2.pid", "old");
    const HWND hDlg = Start(strCapH);
    ASSERT_NE(hDlg, nullptr);
    const HWND hPane = Item(hDlg, IDC_RESULTS);

    // The run stops at the prompt for held_2.pid, with its first lines shown.
    ASSERT_TRUE(Click(Item(hDlg, IDC_SCAN)));
    const HWND hPrompt = m_app.WaitForDialog("Output File Exists");
    ASSERT_NE(hPrompt, nullptr);
    EXPECT_EQ(WindowText(hPane), FormatTableMessage(IDS_STARTING_CONVERSION, {strCapH}) + "\r\n" +
                                     FormatTableMessage(IDS_PART_NUMBERS_DETECTED, {"5"}) + "\r\n");
    EXPECT_EQ(GetWindow(hPrompt, GW_OWNER), hDlg) << "the prompt belongs to the dialog";

    // Close, Esc, the close box, Enter and a second scan, all sent to the
    // dialog directly: none of them may end it or start a run.
    PostCommand(hDlg, IDC_SCAN);
    PostCommand(hDlg, IDCANCEL);
    PostCommand(hDlg, IDOK);
    PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    PostMessageA(hDlg, WM_CLOSE, 0, 0);
    Ask(hDlg, WM_NULL); // the posted ones have been handled before this
    Sleep(300);
    ASSERT_TRUE(IsWindow(hPrompt));
    ASSERT_TRUE(Click(Item(hPrompt, IDYES)));

    // The prompt's end enables its owner for a moment before the run, still
    // going, disables it again: the run's end is its last line.
    const std::string strRun = CompletedRunLines(strCapH, "held", kParts);
    const auto endsRun = [&] {
        const std::string strPane = WindowText(hPane);
        return strPane.size() >= strRun.size() && IsEnabled(hDlg);
    };
    ASSERT_TRUE(WaitUntil(endsRun, 30000)) << "the dialog was not given back";
    EXPECT_TRUE(IsWindow(hDlg)) << "the dialog ended in the middle of a run";
    Sleep(300);
    EXPECT_EQ(WindowText(hPane), strRun) << "exactly one run";
    EXPECT_EQ(m_app.WaitForDialog("Output File Exists", 200), nullptr);
    EXPECT_TRUE(m_app.CloseMainDialog()) << "afterwards the dialog closes as usual";
}

TEST_F(ScanTest, DuringALongRunTheDialogAnswersAndShowsTheLinesSoFar)
{
    constexpr int kParts = 1500;
    const std::string strCapH = m_strWork + "\\long.tst";
    WriteFileBytes(strCapH, ManyPartsCapH(kParts));
    const HWND hDlg = Start(strCapH);
    ASSERT_NE(hDlg, nullptr);
    const HWND hPane = Item(hDlg, IDC_RESULTS);

    ASSERT_TRUE(Click(Item(hDlg, IDC_SCAN)));
    ASSERT_TRUE(WaitUntil([&] { return !IsEnabled(hDlg); })) << "the run did not start";
    // Sampled while the run goes on: the dialog answers at once, is not
    // taken for hung, keeps its input blocked, and shows the lines so far.
    int nSamples = 0;
    std::size_t nLongest = 0;
    const ULONGLONG tGiveUp = GetTickCount64() + 60000;
    while (!IsEnabled(hDlg)) {
        ASSERT_LT(GetTickCount64(), tGiveUp) << "the run did not end: " << WindowText(hPane).substr(0, 300);
        ASSERT_EQ(m_app.WaitForDialog("Pinweave", 0), nullptr) << "a message box came up";
        DWORD_PTR nIgnored = 0;
        const ULONGLONG tAsked = GetTickCount64();
        ASSERT_NE(SendMessageTimeoutA(hDlg, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &nIgnored), 0)
            << "the dialog did not answer during the run";
        EXPECT_LT(GetTickCount64() - tAsked, 1000u);
        EXPECT_FALSE(IsHungAppWindow(hDlg));
        const std::string strShown = WindowText(hPane);
        if (!IsEnabled(hDlg) && strShown.find("Completed") == std::string::npos) {
            ++nSamples;
            nLongest = std::max(nLongest, strShown.size());
        }
        if (nSamples == 1) {
            EXPECT_TRUE(TakeScreenshot(hDlg, "main-dialog-scanning")) << "screenshot of a running scan";
        }
        Sleep(50);
    }
    EXPECT_GT(nSamples, 0) << "the run ended before it could be watched";
    EXPECT_GT(nLongest, 0u) << "no line was shown before the run ended";
    EXPECT_EQ(WindowText(hPane), CompletedRunLines(strCapH, "long", kParts));
    EXPECT_TRUE(m_app.CloseMainDialog());
}

} // namespace
} // namespace pinweave::test
