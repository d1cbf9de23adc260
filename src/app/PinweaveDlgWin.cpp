#include "app/PinweaveDlgWin.h"

#include "app/DataExchangeWin.h"
#include "app/DlgAboutWin.h"
#include "app/DlgOutputExistsWin.h"
#include "app/ErrorConsoleWin.h"
#include "app/FolderBrowserWin.h"
#include "app/MessageBoxWin.h"
#include "app/OpenFileDialogWin.h"
#include "app/ResourceStringWin.h"
#include "app/WaitCursorWin.h"
#include "common/MessageTable.h"
#include "resource.h"

namespace pinweave {

namespace {

// True for the length of a scan, also when it ends by an exception.
class CScanningFlag {
public:
    explicit CScanningFlag(bool& bScanning) : m_bScanning(bScanning) { m_bScanning = true; }
    CScanningFlag(const CScanningFlag&) = delete;
    CScanningFlag& operator=(const CScanningFlag&) = delete;
    ~CScanningFlag() { m_bScanning = false; }

private:
    bool& m_bScanning;
};

} // namespace

CPinweaveDlg::CPinweaveDlg()
    : CDialogWin(IDD_PINWEAVE_DIALOG), m_engine(*this),
      m_hIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PINWEAVE)))
{
}

CPinweaveDlg::~CPinweaveDlg()
{
    m_engine.ResetRunState();
}

bool CPinweaveDlg::HasWindow() const
{
    return m_hWnd != nullptr && IsWindow(m_hWnd);
}

void CPinweaveDlg::AppendResults(const std::string& strLines)
{
    // Only the new lines go into the pane: the insertion point moves after
    // its last character and the lines replace the empty selection there, so
    // a line costs the same however many came before it.
    const HWND hResults = GetDlgItem(m_hWnd, IDC_RESULTS);
    const auto nEnd = static_cast<WPARAM>(GetWindowTextLengthA(hResults));
    SendMessageA(hResults, EM_SETSEL, nEnd, static_cast<LPARAM>(nEnd));
    SendMessageA(hResults, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(strLines.c_str()));
    SendMessageA(hResults, EM_SCROLLCARET, 0, 0);
}

void CPinweaveDlg::ShowMessageBox(const std::string& strText)
{
    if (!HasWindow() && m_pErrorConsole != nullptr) {
        m_pErrorConsole->WriteLine(strText);
    }
    ShowExclamationBox(HasWindow() ? m_hWnd : nullptr, strText);
}

OverwriteAnswer CPinweaveDlg::AskOverwrite(const std::string& strMessage)
{
    CDlgOutputExists dlgPrompt;
    dlgPrompt.m_strMessage = strMessage;
    switch (dlgPrompt.DoModal(m_hWnd)) {
    case IDYES:
        return OverwriteAnswer::Yes;
    case IDC_YES_TO_ALL:
        return OverwriteAnswer::YesToAll;
    case IDNO:
        return OverwriteAnswer::No;
    default:
        return OverwriteAnswer::Cancel; // IDCANCEL, or no prompt could be shown
    }
}

void CPinweaveDlg::ReportUnlogged(const std::string& strText)
{
    if (m_pErrorConsole != nullptr) {
        m_pErrorConsole->WriteLine(strText);
    }
}

void CPinweaveDlg::DoDataExchange(bool bTake)
{
    ExchangeText(m_hWnd, IDC_INPUT_PATH, m_engine.m_strInputPath, bTake);
    ExchangeText(m_hWnd, IDC_OUTPUT_PATH, m_engine.m_strOutputPath, bTake);
    ExchangeText(m_hWnd, IDC_RESULTS, m_engine.m_strResults, bTake);
}

BOOL CPinweaveDlg::OnInitDialog()
{
    // The pane holds every line since start-up: lift the edit control's
    // default limit so that no line is lost.
    SendDlgItemMessageA(m_hWnd, IDC_RESULTS, EM_SETLIMITTEXT, 0, 0);
    CDialogWin::OnInitDialog();

    const HMENU hSysMenu = GetSystemMenu(m_hWnd, FALSE);
    const std::string strAboutMenu = LoadResourceString(IDS_ABOUTBOX);
    if (hSysMenu != nullptr && !strAboutMenu.empty()) {
        AppendMenuA(hSysMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(hSysMenu, MF_STRING, IDM_ABOUTBOX, strAboutMenu.c_str());
    }

    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    OnPathChanged();
    return TRUE;
}

bool CPinweaveDlg::OnCommand(WORD wId, WORD wNotifyCode, HWND)
{
    if (wNotifyCode == BN_CLICKED) {
        switch (wId) {
        case IDC_BROWSE_INPUT:
            OnBrowseInput();
            return true;
        case IDC_SCAN:
            OnScan();
            return true;
        case IDC_BROWSE_OUTPUT:
            OnBrowseOutput();
            return true;
        default:
            return false;
        }
    }
    if (wNotifyCode == EN_CHANGE && (wId == IDC_INPUT_PATH || wId == IDC_OUTPUT_PATH)) {
        OnPathChanged();
        return true;
    }
    return false;
}

bool CPinweaveDlg::OnMessage(UINT uMsg, WPARAM wParam, LPARAM, INT_PTR& nResult)
{
    switch (uMsg) {
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        nResult = reinterpret_cast<INT_PTR>(m_hIcon);
        return true;
    case WM_SETCURSOR:
        if (!m_bScanning) {
            return false;
        }
        CWaitCursorWin::Apply();
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, TRUE);
        nResult = TRUE;
        return true;
    default:
        return false;
    }
}

void CPinweaveDlg::OnBrowseInput()
{
    std::string strPath;
    if (!ChooseFileToOpen(m_hWnd, LoadResourceString(IDS_CAPH_FILE_FILTER), strPath)) {
        return;
    }
    const HWND hInput = GetDlgItem(m_hWnd, IDC_INPUT_PATH);
    SetFocus(hInput);
    SetWindowTextA(hInput, strPath.c_str());
    UpdateData(true);
}

void CPinweaveDlg::OnBrowseOutput()
{
    std::string strFolder;
    if (!ChooseFolder(m_hWnd, LoadResourceString(IDS_BROWSE_TITLE), m_engine.m_strOutputPath, strFolder)) {
        return;
    }
    SetDlgItemTextA(m_hWnd, IDC_OUTPUT_PATH, strFolder.c_str());
}

void CPinweaveDlg::OnScan()
{
    // An error that escapes the run ends this handler (the dialog shows it);
    // the guards take the wait cursor away first.
    CScanningFlag scanning(m_bScanning);
    CWaitCursorWin waitCursor;
    UpdateData(true);
    m_engine.RunConversion(m_engine.m_strInputPath);
}

void CPinweaveDlg::OnPathChanged()
{
    const bool bEnable = GetWindowTextLengthA(GetDlgItem(m_hWnd, IDC_OUTPUT_PATH)) > 0 &&
                         GetWindowTextLengthA(GetDlgItem(m_hWnd, IDC_INPUT_PATH)) > 0;
    EnableWindow(GetDlgItem(m_hWnd, IDC_SCAN), bEnable ? TRUE : FALSE);
}

bool CPinweaveDlg::OnSysCommand(WPARAM wParam)
{
    if ((wParam & 0xFFF0) != IDM_ABOUTBOX) {
        return false;
    }
    CDlgAbout dlgAbout;
    dlgAbout.DoModal(m_hWnd);
    return true;
}

bool CPinweaveDlg::OnPaint()
{
    if (!IsIconic(m_hWnd)) {
        return false;
    }
    PAINTSTRUCT ps;
    const HDC hdc = BeginPaint(m_hWnd, &ps);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
    const int cxIcon = GetSystemMetrics(SM_CXICON);
    const int cyIcon = GetSystemMetrics(SM_CYICON);
    RECT rect;
    GetClientRect(m_hWnd, &rect);
    const int x = (rect.right - rect.left - cxIcon + 1) / 2;
    const int y = (rect.bottom - rect.top - cyIcon + 1) / 2;
    DrawIcon(hdc, x, y, m_hIcon);
    EndPaint(m_hWnd, &ps);
    return true;
}

} // namespace pinweave
