#include "app/DialogWin.h"

#include "app/DialogLayoutWin.h"
#include "app/MessageBoxWin.h"

#include <exception>

namespace pinweave {

namespace {

// Shown for an error that carries no text of its own.
constexpr const char* kUnknownError = "An unknown error has occurred.";

} // namespace

INT_PTR CDialogWin::DoModal(HWND hWndOwner)
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_nTemplateId), hWndOwner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CDialogWin::EndDialog(INT_PTR nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialogWin::OnInitDialog()
{
    UpdateData(false);
    CenterOnOwnerWin(m_hWnd);
    return TRUE;
}

void CDialogWin::OnOK()
{
    UpdateData(true);
    EndDialog(IDOK);
}

void CDialogWin::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialogWin::OnCommand(WORD, WORD, HWND)
{
    return false;
}

bool CDialogWin::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&)
{
    return false;
}

INT_PTR CALLBACK CDialogWin::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    CDialogWin* pDialog = nullptr;
    if (uMsg == WM_INITDIALOG) {
        pDialog = reinterpret_cast<CDialogWin*>(lParam);
        pDialog->m_hWnd = hWnd;
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
    } else {
        pDialog = reinterpret_cast<CDialogWin*>(GetWindowLongPtrA(hWnd, DWLP_USER));
    }
    if (pDialog == nullptr) {
        return FALSE; // messages before WM_INITDIALOG
    }
    INT_PTR nResult = FALSE;
    try {
        nResult = pDialog->Dispatch(uMsg, wParam, lParam);
    } catch (const std::exception& e) {
        pDialog->ReportEscapedError(e.what());
    } catch (...) {
        pDialog->ReportEscapedError(nullptr);
    }
    if (uMsg == WM_NCDESTROY) {
        pDialog->m_hWnd = nullptr;
    }
    return nResult;
}

INT_PTR CDialogWin::Dispatch(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    default: {
        INT_PTR nResult = FALSE;
        return OnMessage(uMsg, wParam, lParam, nResult) ? nResult : FALSE;
    }
    }
}

void CDialogWin::ReportEscapedError(const char* pszWhat)
{
    ShowExclamationBox(m_hWnd, pszWhat != nullptr && *pszWhat != '\0' ? pszWhat : kUnknownError);
}

} // namespace pinweave
