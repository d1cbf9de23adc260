// The main dialog (template IDD_PINWEAVE_DIALOG) and, in every mode, the
// owner of the conversion engine: start-up makes it first, also in quiet mode,
// where its window is never created.
//
// Stored values (the engine's m_strInputPath, m_strOutputPath, the pane log's m_strResults)
// and the fields meet only at these moments: put at initialisation; take when
// a scan starts and after a CAP-H file has been chosen with the browse button.
// The folder browser puts its choice into the field only; closing takes
// nothing. Results lines are added at the end of the pane as they come.
//
// A scan runs the conversion on a thread of its own (CScanThreadWin) while
// this thread keeps taking messages. Until the run has ended the dialog is
// disabled (no input reaches it, the wait cursor shows), no second scan
// starts and nothing ends the dialog; the engine and its stored values belong
// to the run. The run's lines reach the pane through CPendingResults; its
// message boxes and prompts are shown on this thread, owned by the dialog,
// which is enabled for as long as they are up, so that they disable it and
// give it back the activation as they would outside a run.
#ifndef PINWEAVE_APP_PINWEAVEDLGWIN_H
#define PINWEAVE_APP_PINWEAVEDLGWIN_H

#include "app/DialogLayoutWin.h"
#include "app/DialogWin.h"
#include "app/PendingResults.h"
#include "app/ScanThreadWin.h"
#include "pid/ConversionEngine.h"
#include "pid/FileLog.h"
#include "pid/FrontEnd.h"
#include "pid/PaneLog.h"

#include <functional>
#include <string>

namespace pinweave {

class CErrorConsoleWin;

// The dialog decides what its mode means for a run: with its window, the
// lines go to the results pane and an existing output file is asked about;
// without one (quiet mode), they go to the log file beside the CAP-H file and
// nobody is asked.
class CPinweaveDlg : public CDialogWin, public IFrontEnd, private IResultsPane, private ILogEcho {
public:
    CPinweaveDlg();
    ~CPinweaveDlg() override;

    // The engine with the stored values and the run state.
    CConversionEngine& Engine() { return m_engine; }

    // Quiet mode: also write the failures that no log line carries here.
    void SetErrorConsole(CErrorConsoleWin* pConsole) { m_pErrorConsole = pConsole; }

    // Whether the dialog exists as a window.
    bool HasWindow() const;

    // IFrontEnd
    ILogSink& Log() override;
    void ShowMessageBox(const std::string& strText) override;
    OverwriteAnswer AskOverwrite(const std::string& strMessage) override;

protected:
    void DoDataExchange(bool bTake) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(WORD wId, WORD wNotifyCode, HWND hWndControl) override;
    bool OnMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, INT_PTR& nResult) override;

private:
    // IResultsPane
    void AppendResults(const std::string& strLines) override;
    // ILogEcho
    void ReportUnlogged(const std::string& strText) override;

    void OnBrowseInput();
    void OnBrowseOutput();
    void OnDropFiles(HDROP hDrop);
    // Puts a chosen CAP-H file into its field and takes every field, as
    // choosing it with the browse button does.
    void TakeCapHFile(const std::string& strPath);
    void OnScan();
    void OnScanEnded();
    void OnResultsWaiting();
    void OnPathChanged();
    bool OnSysCommand(WPARAM wParam);
    bool OnPaint();

    // A scan's start and end on this thread: input blocked and the wait
    // cursor shown, then everything as before.
    void BeginBusy();
    void EndBusy();
    // Shows a modal box owned by the dialog (fnShow), on this thread, with
    // the pane up to date and the dialog enabled while the box is up.
    void ShowOwnedModal(const std::function<void()>& fnShow);
    bool IsScanning() const { return m_scan.IsRunning(); }

    CPaneLog m_paneLog{*this};
    CFileLog m_fileLog{*this};
    CConversionEngine m_engine;
    HICON m_hIcon;
    CDialogLayoutWin m_layout;
    CErrorConsoleWin* m_pErrorConsole = nullptr;
    CScanThreadWin m_scan;
    CPendingResults m_pendingResults; // lines of the running scan not yet in the pane
    HWND m_hFocusBeforeScan = nullptr;
};

} // namespace pinweave

#endif // PINWEAVE_APP_PINWEAVEDLGWIN_H
