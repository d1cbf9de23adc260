// The dialogs run inside the test process, where a thread timer can look at
// what another process cannot see (the system menu) and provoke what a user
// cannot (an error escaping a handler).
#include "app/DialogWin.h"
#include "app/MessageBoxWin.h"
#include "app/PinweaveDlgWin.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pinweave {
namespace {

// Steps run one after the other from a thread timer while a modal loop runs;
// each returns false to be called again later (it is waiting for a window).
class CTimerScript {
public:
    explicit CTimerScript(std::vector<std::function<bool()>> arrSteps) : m_arrSteps(std::move(arrSteps))
    {
        s_pRunning = this;
        m_nTimer = SetTimer(nullptr, 0, 50, Tick);
    }
    ~CTimerScript()
    {
        KillTimer(nullptr, m_nTimer);
        s_pRunning = nullptr;
    }
    bool Finished() const { return m_nNext == m_arrSteps.size(); }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        CTimerScript* pScript = s_pRunning;
        if (pScript == nullptr || pScript->m_bInStep || pScript->Finished()) {
            return;
        }
        pScript->m_bInStep = true; // a step may run a nested modal loop
        if (pScript->m_arrSteps[pScript->m_nNext]()) {
            ++pScript->m_nNext;
        }
        pScript->m_bInStep = false;
        if (++pScript->m_nTicks > 200 && !pScript->Finished()) { // 10 s: give up, end every window
            ADD_FAILURE() << "step " << pScript->m_nNext << " never completed";
            pScript->m_nNext = pScript->m_arrSteps.size();
            EnumThreadWindows(GetCurrentThreadId(), EndWindow, 0);
        }
    }
    static BOOL CALLBACK EndWindow(HWND hWnd, LPARAM)
    {
        PostMessageA(hWnd, WM_COMMAND, IDCANCEL, 0);
        PostMessageA(hWnd, WM_COMMAND, IDOK, 0);
        return TRUE;
    }

    static CTimerScript* s_pRunning;
    std::vector<std::function<bool()>> m_arrSteps;
    std::size_t m_nNext = 0;
    int m_nTicks = 0;
    bool m_bInStep = false;
    UINT_PTR m_nTimer = 0;
};

CTimerScript* CTimerScript::s_pRunning = nullptr;

// A visible window of this thread with exactly this title.
HWND FindThreadWindow(const std::string& strTitle)
{
    struct CFind {
        const std::string* m_pTitle;
        HWND m_hFound;
    } find{&strTitle, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hWnd, LPARAM lParam) -> BOOL {
            auto* pFind = reinterpret_cast<CFind*>(lParam);
            char szTitle[256] = {};
            GetWindowTextA(hWnd, szTitle, sizeof(szTitle));
            if (IsWindowVisible(hWnd) && *pFind->m_pTitle == szTitle) {
                pFind->m_hFound = hWnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.m_hFound;
}

TEST(PinweaveDlgInProcessTest, InitialisationAddsAboutEntryIconAndFocus)
{
    CPinweaveDlg dlg;
    dlg.Engine().m_strInputPath = "C:\\a.tst";
    dlg.Engine().m_strOutputPath = "C:\\out";
    EXPECT_FALSE(dlg.HasWindow());

    HWND hDlg = nullptr;
    CTimerScript script({[&] {
        hDlg = FindThreadWindow("Cap-H to Korvane PID Converter");
        if (hDlg == nullptr) {
            return false;
        }
        EXPECT_TRUE(dlg.HasWindow());
        const HMENU hMenu = GetSystemMenu(hDlg, FALSE);
        EXPECT_NE(hMenu, nullptr);
        const int nCount = GetMenuItemCount(hMenu);
        EXPECT_GE(nCount, 2);
        EXPECT_TRUE(GetMenuState(hMenu, nCount - 2, MF_BYPOSITION) & MF_SEPARATOR);
        EXPECT_EQ(GetMenuItemID(hMenu, nCount - 1), static_cast<UINT>(IDM_ABOUTBOX));
        char szItem[64] = {};
        GetMenuStringA(hMenu, nCount - 1, szItem, sizeof(szItem), MF_BYPOSITION);
        EXPECT_STREQ(szItem, "&About Pinweave...");

        const LRESULT hBig = SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0);
        EXPECT_NE(hBig, 0);
        EXPECT_EQ(SendMessageA(hDlg, WM_GETICON, ICON_SMALL, 0), hBig);
        EXPECT_EQ(SendMessageA(hDlg, WM_QUERYDRAGICON, 0, 0), hBig);
        EXPECT_EQ(GetFocus(), GetDlgItem(hDlg, IDC_INPUT_PATH));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hDlg, IDC_SCAN)));
        PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    }});
    EXPECT_EQ(dlg.DoModal(nullptr), IDCANCEL);
    EXPECT_TRUE(script.Finished());
    EXPECT_FALSE(dlg.HasWindow());
}

// What the shell hands a window that files are dropped onto: a DROPFILES
// block with the ANSI paths, each NUL-ended, and one more NUL.
HDROP MakeDrop(const std::string& strPath)
{
    const std::size_t nBytes = sizeof(DROPFILES) + strPath.size() + 2;
    const HGLOBAL hMemory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, nBytes);
    auto* pDrop = static_cast<DROPFILES*>(GlobalLock(hMemory));
    pDrop->pFiles = sizeof(DROPFILES);
    pDrop->fWide = FALSE;
    std::memcpy(reinterpret_cast<char*>(pDrop) + sizeof(DROPFILES), strPath.c_str(), strPath.size());
    GlobalUnlock(hMemory);
    return static_cast<HDROP>(hMemory);
}

TEST(PinweaveDlgInProcessTest, DroppedFileIsTakenAsTheCapHFileAndAFolderGoesToItsField)
{
    std::string strTemp(MAX_PATH + 1, '\0');
    strTemp.resize(GetTempPathA(static_cast<DWORD>(strTemp.size()), strTemp.data()));
    const std::string strFolder = strTemp + "pinweave drop \xE4";
    const std::string strFile = strFolder + "\\dropped.tst";
    CreateDirectoryA(strFolder.c_str(), nullptr);
    CloseHandle(CreateFileA(strFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));

    CPinweaveDlg dlg;
    dlg.Engine().m_strInputPath = "C:\\a.tst";
    dlg.Engine().m_strOutputPath = "C:\\out";
    CTimerScript script({[&] {
        const HWND hDlg = FindThreadWindow("Cap-H to Korvane PID Converter");
        if (hDlg == nullptr) {
            return false;
        }
        EXPECT_NE(GetWindowLongA(hDlg, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0) << "the dialog takes drops";
        // A folder goes into its field only, as the folder browser puts it.
        SetDlgItemTextA(hDlg, IDC_OUTPUT_PATH, "C:\\typed");
        SendMessageA(hDlg, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(strFolder)), 0);
        char szText[MAX_PATH + 1] = {};
        GetDlgItemTextA(hDlg, IDC_OUTPUT_PATH, szText, sizeof(szText));
        EXPECT_EQ(std::string(szText), strFolder);
        EXPECT_EQ(dlg.Engine().m_strOutputPath, "C:\\out") << "a dropped folder is not taken";
        // A file is the CAP-H file, and every field is taken.
        SendMessageA(hDlg, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(strFile)), 0);
        GetDlgItemTextA(hDlg, IDC_INPUT_PATH, szText, sizeof(szText));
        EXPECT_EQ(std::string(szText), strFile);
        EXPECT_EQ(dlg.Engine().m_strInputPath, strFile);
        EXPECT_EQ(dlg.Engine().m_strOutputPath, strFolder);
        EXPECT_EQ(GetFocus(), GetDlgItem(hDlg, IDC_INPUT_PATH));
        PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    }});
    EXPECT_EQ(dlg.DoModal(nullptr), IDCANCEL);
    EXPECT_TRUE(script.Finished());
    DeleteFileA(strFile.c_str());
    RemoveDirectoryA(strFolder.c_str());
}

// A dialog whose handler fails the way an exception from a run would.
class CFailingDlg : public CDialogWin {
public:
    CFailingDlg() : CDialogWin(IDD_ABOUTBOX) {}

protected:
    bool OnMessage(UINT uMsg, WPARAM, LPARAM, INT_PTR&) override
    {
        if (uMsg == WM_APP) {
            throw std::runtime_error("An invalid argument was encountered.");
        }
        return false;
    }
};

TEST(DialogWinTest, EscapedErrorIsShownAndTheDialogStaysOpen)
{
    CFailingDlg dlg;
    HWND hDlg = nullptr;
    HWND hBox = nullptr;
    CTimerScript script({
        [&] {
            hDlg = FindThreadWindow("About Pinweave");
            if (hDlg != nullptr) {
                PostMessageA(hDlg, WM_APP, 0, 0);
            }
            return hDlg != nullptr;
        },
        [&] {
            hBox = FindThreadWindow(ApplicationName());
            if (hBox == nullptr) {
                return false;
            }
            char szText[256] = {};
            GetDlgItemTextA(hBox, 0xFFFF, szText, sizeof(szText));
            EXPECT_STREQ(szText, "An invalid argument was encountered.");
            EXPECT_EQ(GetWindow(hBox, GW_OWNER), hDlg);
            PostMessageA(hBox, WM_COMMAND, IDOK, 0);
            return true;
        },
        [&] {
            if (IsWindow(hBox)) {
                return false;
            }
            EXPECT_TRUE(IsWindow(hDlg)) << "the dialog must stay open";
            PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
            return true;
        },
    });
    EXPECT_EQ(dlg.DoModal(nullptr), IDOK);
    EXPECT_TRUE(script.Finished());
}

} // namespace
} // namespace pinweave
