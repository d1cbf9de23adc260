// The main dialog (template IDD_PINWEAVE_DIALOG) and, in every mode, the
// owner of the conversion engine: start-up makes it first, also in quiet mode,
// where its window is never created.
//
// Stored values (the engine's m_strInputPath, m_strOutputPath, m_strResults)
// and the fields meet only at these moments: put at initialisation and with
// every results line; take when a scan starts and after a CAP-H file has been
// chosen with the browse button. The folder browser puts its choice into the
// field only; closing takes nothing.
#ifndef PINWEAVE_APP_PINWEAVEDLGWIN_H
#define PINWEAVE_APP_PINWEAVEDLGWIN_H

#include "app/DialogWin.h"
#include "pid/ConversionEngine.h"
#include "pid/FrontEnd.h"

#include <string>

namespace pinweave {

class CErrorConsoleWin;

class CPinweaveDlg : public CDialogWin, public IFrontEnd {
public:
    CPinweaveDlg();
    ~CPinweaveDlg() override;

    // The engine with the stored values and the run state.
    CConversionEngine& Engine() { return m_engine; }

    // Quiet mode: also write the failures that no log line carries here.
    void SetErrorConsole(CErrorConsoleWin* pConsole) { m_pErrorConsole = pConsole; }

    // IFrontEnd
    bool HasWindow() const override;
    void AppendResults(const std::string& strLines) override;
    void ShowMessageBox(const std::string& strText) override;
    OverwriteAnswer AskOverwrite(const std::string& strMessage) override;
    void ReportUnlogged(const std::string& strText) override;

protected:
    void DoDataExchange(bool bTake) override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD wId, WORD wNotifyCode, HWND hWndControl) override;
    bool OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, INT_PTR& nResult) override;

private:
    void OnBrowseInput();
    void OnBrowseOutput();
    void OnScan();
    void OnPathChanged();
    bool OnSysCommand(WPARAM wParam);
    bool OnPaint();

    CConversionEngine m_engine;
    HICON m_hIcon;
    CErrorConsoleWin* m_pErrorConsole = nullptr;
    bool m_bScanning = false; // the wait cursor stays while true
};

} // namespace pinweave

#endif // PINWEAVE_APP_PINWEAVEDLGWIN_H
