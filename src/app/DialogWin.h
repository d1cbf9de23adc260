// A small modal-dialog base over a dialog template of this program's
// resources: one static dialog procedure hands the messages to virtual
// handlers of the object that runs the dialog.
//
// Command routing: IDOK goes to OnOK (take the values, end with IDOK), IDCANCEL
// (Close, Esc, the close box) to OnCancel (end with IDCANCEL, take nothing);
// everything else to OnCommand. An exception that escapes a handler is not
// allowed into the window manager: it ends that handler, and a message box
// owned by the dialog shows the error's own text; the dialog stays open.
#ifndef PINWEAVE_APP_DIALOGWIN_H
#define PINWEAVE_APP_DIALOGWIN_H

#include <windows.h>

namespace pinweave {

class CDialogWin {
public:
    explicit CDialogWin(int nTemplateId) : m_nTemplateId(nTemplateId) {}
    CDialogWin(const CDialogWin&) = delete;
    CDialogWin& operator=(const CDialogWin&) = delete;
    virtual ~CDialogWin() = default;

    // Creates the dialog owned by hWndOwner and runs it until it ends; the
    // value given to EndDialog, or -1 when the dialog could not be created.
    INT_PTR DoModal(HWND hWndOwner);

    // The dialog's window while it runs, otherwise null.
    HWND GetSafeHwnd() const { return m_hWnd; }

protected:
    // Takes (bTake) the controls' texts into the stored values, or puts them.
    void UpdateData(bool bTake) { DoDataExchange(bTake); }
    void EndDialog(INT_PTR nResult);

    // Pairs controls with stored values; nothing by default.
    virtual void DoDataExchange(bool bTake) { (void)bTake; }
    // Puts the stored values into the controls and centres the dialog on its
    // owner (without one, on the screen); TRUE keeps the default focus.
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // A WM_COMMAND other than IDOK and IDCANCEL; true when handled.
    virtual bool OnCommand(WORD wId, WORD wNotifyCode, HWND hWndControl);
    // Any other message; true when handled, with the dialog procedure's
    // result in nResult.
    virtual bool OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, INT_PTR& nResult);

    HWND m_hWnd = nullptr;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT uMsg, WPARAM wParam, LPARAM lParam);
    void ReportEscapedError(const char* pszWhat);

    int m_nTemplateId;
};

} // namespace pinweave

#endif // PINWEAVE_APP_DIALOGWIN_H
