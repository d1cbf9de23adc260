// Where Pinweave.exe's windows appear and how the main dialog resizes: the
// dialog centred on the screen's work area, the prompt and the About box
// centred on the dialog, the controls following the edges when the dialog
// grows or is maximised, and never smaller than the template. Screenshots of
// the centred, resized and maximised dialog land in build/windows/screenshots.
#include "GuiDriverWin.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

namespace pinweave::test {
namespace {

POINT Centre(const RECT& rc)
{
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

RECT WindowRect(HWND hWnd)
{
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    return rc;
}

// Centres agree within a pixel or two (odd sizes, rounding).
void ExpectCentredOn(HWND hWnd, const RECT& rcReference, const char* pszWhat)
{
    const POINT ptWindow = Centre(WindowRect(hWnd));
    const POINT ptReference = Centre(rcReference);
    EXPECT_LE(std::abs(ptWindow.x - ptReference.x), 2) << pszWhat;
    EXPECT_LE(std::abs(ptWindow.y - ptReference.y), 2) << pszWhat;
}

// Every control's rectangle in the dialog's client coordinates, by id.
std::map<int, RECT> ControlRects(HWND hDlg)
{
    std::map<int, RECT> mapRects;
    for (const int nId : {IDC_INPUT_PATH, IDC_BROWSE_INPUT, IDC_OUTPUT_PATH, IDC_BROWSE_OUTPUT, IDC_SCAN,
                          static_cast<int>(IDCANCEL), IDC_RESULTS}) {
        RECT rc = WindowRect(Item(hDlg, nId));
        MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
        mapRects[nId] = rc;
    }
    return mapRects;
}

RECT ClientRect(HWND hDlg)
{
    RECT rc{};
    GetClientRect(hDlg, &rc);
    return rc;
}

// After the client area grew by (dx, dy): the fields stretch, the buttons
// keep their distance to the right edge, the pane takes the rest.
void ExpectFollowedTheEdges(HWND hDlg, const std::map<int, RECT>& mapBefore, int dx, int dy,
                            const char* pszWhen)
{
    const std::map<int, RECT> mapAfter = ControlRects(hDlg);
    for (const auto& [nId, rcBefore] : mapBefore) {
        const RECT& rcAfter = mapAfter.at(nId);
        const bool bStretch = nId == IDC_INPUT_PATH || nId == IDC_OUTPUT_PATH || nId == IDC_RESULTS;
        EXPECT_EQ(rcAfter.left, rcBefore.left + (bStretch ? 0 : dx)) << pszWhen << ", control " << nId;
        EXPECT_EQ(rcAfter.right, rcBefore.right + dx) << pszWhen << ", control " << nId;
        EXPECT_EQ(rcAfter.top, rcBefore.top) << pszWhen << ", control " << nId;
        EXPECT_EQ(rcAfter.bottom, rcBefore.bottom + (nId == IDC_RESULTS ? dy : 0))
            << pszWhen << ", control " << nId;
    }
}

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettings();
        m_strWork = FreshWorkDir(std::string("layout-") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_strCapH = m_strWork + "\\harness.tst";
        CopyFileTo(SourcePath("tests/app/windows/data/three-parts.tst"), m_strCapH);
        ASSERT_TRUE(m_app.Start("\"" + m_strCapH + "\" \"" + m_strWork + "\""));
        m_hDlg = m_app.MainDialog();
        ASSERT_NE(m_hDlg, nullptr) << "the main dialog did not appear";
    }
    void TearDown() override { DeleteSettings(); }

    std::string m_strWork, m_strCapH;
    CAppProcess m_app;
    HWND m_hDlg = nullptr;
};

TEST_F(LayoutTest, DialogCentredOnTheScreenThePromptAndAboutBoxOnTheDialog)
{
    RECT rcWork{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
    ExpectCentredOn(m_hDlg, rcWork, "the main dialog on the work area");
    EXPECT_TRUE(TakeScreenshot(m_hDlg, "main-dialog-centred"));

    // Moved aside, the dialog takes its boxes along.
    SetWindowPos(m_hDlg, nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PostMessageA(m_hDlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    const HWND hAbout = m_app.WaitForDialog("About Pinweave");
    ASSERT_NE(hAbout, nullptr);
    ExpectCentredOn(hAbout, WindowRect(m_hDlg), "the About box on the dialog");
    PostCommand(hAbout, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(hAbout); }));

    WriteFileBytes(m_strWork + "\\harness.pid", "old");
    ASSERT_TRUE(Click(Item(m_hDlg, IDC_SCAN)));
    const HWND hPrompt = m_app.WaitForDialog("Output File Exists");
    ASSERT_NE(hPrompt, nullptr);
    ExpectCentredOn(hPrompt, WindowRect(m_hDlg), "the prompt on the dialog");
    ASSERT_TRUE(Click(Item(hPrompt, IDCANCEL)));
    ASSERT_TRUE(WaitUntil([&] { return IsEnabled(m_hDlg); }));
    EXPECT_TRUE(m_app.CloseMainDialog());
}

TEST_F(LayoutTest, ControlsFollowTheEdgesWhenResizedAndMaximised)
{
    const RECT rcTemplate = WindowRect(m_hDlg);
    const RECT rcClient = ClientRect(m_hDlg);
    const std::map<int, RECT> mapBefore = ControlRects(m_hDlg);
    EXPECT_NE(GetWindowLongA(m_hDlg, GWL_STYLE) & WS_THICKFRAME, 0) << "the frame is resizable";

    // Larger by 150 x 100 pixels.
    SetWindowPos(m_hDlg, nullptr, 0, 0, rcTemplate.right - rcTemplate.left + 150,
                 rcTemplate.bottom - rcTemplate.top + 100, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(WaitUntil([&] { return ClientRect(m_hDlg).right == rcClient.right + 150; }));
    ExpectFollowedTheEdges(m_hDlg, mapBefore, 150, 100, "resized");
    EXPECT_TRUE(TakeScreenshot(m_hDlg, "main-dialog-resized"));

    // Maximised: the same rule for the whole work area.
    PostMessageA(m_hDlg, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    // The frame is zoomed and sized before the dialog hears of it (WM_SIZE):
    // wait until its last button has followed the right edge.
    ASSERT_TRUE(WaitUntil([&] {
        return IsZoomed(m_hDlg) != FALSE &&
               ControlRects(m_hDlg).at(IDCANCEL).right ==
                   mapBefore.at(IDCANCEL).right + ClientRect(m_hDlg).right - rcClient.right;
    })) << "the controls did not follow the maximised frame";
    const RECT rcMaximised = ClientRect(m_hDlg);
    ExpectFollowedTheEdges(m_hDlg, mapBefore, rcMaximised.right - rcClient.right,
                           rcMaximised.bottom - rcClient.bottom, "maximised");
    EXPECT_TRUE(TakeScreenshot(m_hDlg, "main-dialog-maximised"));

    // Restored, then made smaller than the template: the template's size is
    // the least, and the controls are back where they started.
    PostMessageA(m_hDlg, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsZoomed(m_hDlg); }));
    SetWindowPos(m_hDlg, nullptr, 0, 0, 200, 150, SWP_NOMOVE | SWP_NOZORDER);
    const RECT rcSmallest = WindowRect(m_hDlg);
    EXPECT_EQ(rcSmallest.right - rcSmallest.left, rcTemplate.right - rcTemplate.left);
    EXPECT_EQ(rcSmallest.bottom - rcSmallest.top, rcTemplate.bottom - rcTemplate.top);
    ExpectFollowedTheEdges(m_hDlg, mapBefore, 0, 0, "at the smallest size");
    EXPECT_TRUE(m_app.CloseMainDialog());
}

} // namespace
} // namespace pinweave::test
