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
#include "app/WindowThreadCallWin.h"
#include "common/MessageTable.h"
#include "resource.h"

#include <shellapi.h>

#include <exception>

namespace pinweave {

namespace {

// Posted by the scan's thread when the run has returned or thrown.
constexpr UINT kMsgScanEnded = WM_APP + 2;

// While a scan runs, the lines that have gathered go into the pane this
// often. Under Wine one update of the visible pane costs 7 to 15 ms however
// few lines it adds (bench_dialog measures it), so at most ten a second keep
// the pane's share of the processor small however fast the run logs.
constexpr UINT_PTR kResultsTimer = 1;

// WM_DPICHANGED (Windows 8.1 and later; the headers name it for those only).
constexpr UINT kMsgDpiChanged = 0x02E0;
constexpr UINT kResultsPeriodMs = 100;

} // namespace

CPinweaveDlg::CPinweaveDlg()
    : CDialogWin(IDD_PINWEAVE_DIALOG), m_engine(*this),
      m_hIcon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PINWEAVE)))
{
}

CPinweaveDlg::~CPinweaveDlg()
{
    m_scan.Finish(); // the engine belongs to a run until it has ended
    m_engine.ResetRunState();
}

bool CPinweaveDlg::HasWindow() const
{
    return m_hWnd != nullptr && IsWindow(m_hWnd);
}

ILogSink& CPinweaveDlg::Log()
{
    if (HasWindow()) {
        return m_paneLog;
    }
    return m_fileLog;
}

void CPinweaveDlg::AppendResults(const std::string& strLines)
{
    // From the scan's thread the lines gather until this thread takes them.
    if (GetWindowThreadProcessId(m_hWnd, nullptr) != GetCurrentThreadId()) {
        m_pendingResults.Add(strLines);
        return;
    }
    AppendToEdit(GetDlgItem(m_hWnd, IDC_RESULTS), m_pendingResults.Take() + strLines);
}

void CPinweaveDlg::ShowMessageBox(const std::string& strText)
{
    if (!HasWindow()) {
        if (m_pErrorConsole != nullptr) {
            m_pErrorConsole->WriteLine(strText);
        }
        ShowExclamationBox(nullptr, strText);
        return;
    }
    ShowOwnedModal([&] { ShowExclamationBox(m_hWnd, strText); });
}

OverwriteAnswer CPinweaveDlg::AskOverwrite(const std::string& strMessage)
{
    if (!HasWindow()) {
        return OverwriteAnswer::NotAsked; // quiet mode: the run stops
    }
    CDlgOutputExists dlgPrompt;
    dlgPrompt.m_strMessage = strMessage;
    INT_PTR nAnswer = IDCANCEL;
    ShowOwnedModal([&] { nAnswer = dlgPrompt.DoModal(m_hWnd); });
    switch (nAnswer) {
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
    ExchangeText(m_hWnd, IDC_RESULTS, m_paneLog.m_strResults, bTake);
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

    // Resizing: the fields stretch, the buttons stay at the right edge, the
    // results pane takes all the room that is added.
    constexpr unsigned kStretch = kAnchorLeft | kAnchorTop | kAnchorRight;
    constexpr unsigned kRightEdge = kAnchorTop | kAnchorRight;
    m_layout.Attach(m_hWnd, {{IDC_INPUT_PATH, kStretch},
                             {IDC_OUTPUT_PATH, kStretch},
                             {IDC_BROWSE_INPUT, kRightEdge},
                             {IDC_BROWSE_OUTPUT, kRightEdge},
                             {IDC_SCAN, kRightEdge},
                             {IDCANCEL, kRightEdge},
                             {IDC_RESULTS, kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom}});
    DragAcceptFiles(m_hWnd, TRUE);

    OnPathChanged();
    return TRUE;
}

void CPinweaveDlg::OnOK()
{
    if (!IsScanning()) {
        CDialogWin::OnOK();
    }
}

void CPinweaveDlg::OnCancel()
{
    // Close, Esc and the close box wait for the end of a scan.
    if (!IsScanning()) {
        CDialogWin::OnCancel();
    }
}

bool CPinweaveDlg::OnCommand(WORD wId, WORD wNotifyCode, HWND)
{
    if (IsScanning()) {
        return true; // nothing starts while a scan runs, a second scan least of all
    }
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

bool CPinweaveDlg::OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, INT_PTR& nResult)
{
    switch (uMsg) {
    case kMsgWindowThreadCall:
        HandleWindowThreadCall(lParam);
        return true;
    case WM_TIMER:
        if (wParam != kResultsTimer) {
            return false;
        }
        OnResultsWaiting();
        return true;
    case kMsgScanEnded:
        OnScanEnded();
        return true;
    case WM_SYSCOMMAND:
        return OnSysCommand(wParam);
    case WM_SIZE:
        m_layout.OnSize(LOWORD(lParam), HIWORD(lParam));
        return true;
    case WM_GETMINMAXINFO:
        m_layout.OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
        return true;
    case kMsgDpiChanged:
        m_layout.OnDpiChanged(LOWORD(wParam));
        return false; // the system goes on to scale the dialog
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return true;
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        nResult = reinterpret_cast<INT_PTR>(m_hIcon);
        return true;
    case WM_SETCURSOR:
        if (!IsScanning()) {
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
    TakeCapHFile(strPath);
}

void CPinweaveDlg::TakeCapHFile(const std::string& strPath)
{
    const HWND hInput = GetDlgItem(m_hWnd, IDC_INPUT_PATH);
    SetFocus(hInput);
    SetWindowTextA(hInput, strPath.c_str());
    UpdateData(true);
}

void CPinweaveDlg::OnDropFiles(HDROP hDrop)
{
    // The first dropped item counts: a file is the CAP-H file, a folder goes
    // into the output-folder field as the folder browser would put it.
    const UINT nLength = DragQueryFileA(hDrop, 0, nullptr, 0);
    std::string strPath(nLength + 1, '\0');
    const UINT nCopied = DragQueryFileA(hDrop, 0, strPath.data(), nLength + 1);
    DragFinish(hDrop);
    strPath.resize(nCopied);
    if (IsScanning() || strPath.empty()) {
        return;
    }
    const DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    if (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        SetDlgItemTextA(m_hWnd, IDC_OUTPUT_PATH, strPath.c_str());
        return;
    }
    TakeCapHFile(strPath);
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
    UpdateData(true);
    BeginBusy();
    try {
        // Flag Y covers the first scan only: every later one asks again.
        m_scan.Start(m_hWnd, kMsgScanEnded, [this] {
            m_engine.RunConversion(m_engine.m_strInputPath);
            m_engine.m_bOverwriteAll = false;
        });
    } catch (...) {
        EndBusy();
        throw; // no thread for the run: the dialog shows why
    }
}

void CPinweaveDlg::OnScanEnded()
{
    OnResultsWaiting();
    const std::exception_ptr pError = m_scan.Finish();
    EndBusy();
    if (pError) {
        std::rethrow_exception(pError); // an error that escaped the run: the dialog shows its text
    }
}

void CPinweaveDlg::OnResultsWaiting()
{
    AppendToEdit(GetDlgItem(m_hWnd, IDC_RESULTS), m_pendingResults.Take());
}

void CPinweaveDlg::BeginBusy()
{
    m_hFocusBeforeScan = GetFocus();
    EnableWindow(m_hWnd, FALSE);
    CWaitCursorWin::Apply();
    SetTimer(m_hWnd, kResultsTimer, kResultsPeriodMs, nullptr);
}

void CPinweaveDlg::EndBusy()
{
    KillTimer(m_hWnd, kResultsTimer);
    EnableWindow(m_hWnd, TRUE);
    if (m_hFocusBeforeScan != nullptr && IsChild(m_hWnd, m_hFocusBeforeScan)) {
        SetFocus(m_hFocusBeforeScan);
    }
    m_hFocusBeforeScan = nullptr;
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
}

void CPinweaveDlg::ShowOwnedModal(const std::function<void()>& fnShow)
{
    CallOnWindowThread(m_hWnd, [&] {
        OnResultsWaiting();
        // A modal box disables its owner only if the owner is enabled, and
        // gives the activation back to an enabled owner only: a box over the
        // disabled dialog would leave it behind another program's window.
        const bool bWasDisabled = !IsWindowEnabled(m_hWnd);
        if (bWasDisabled) {
            EnableWindow(m_hWnd, TRUE);
        }
        fnShow();
        if (bWasDisabled && IsScanning()) {
            EnableWindow(m_hWnd, FALSE);
        }
    });
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
