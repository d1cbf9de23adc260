// The "Output File Exists" prompt (template IDD_OUTPUT_EXISTS): shows
// m_strMessage and ends with the id of the answer: IDYES, IDC_YES_TO_ALL,
// IDNO, or IDCANCEL (also for Esc and the close box). "No" is the default.
#ifndef PINWEAVE_APP_DLGOUTPUTEXISTSWIN_H
#define PINWEAVE_APP_DLGOUTPUTEXISTSWIN_H

#include "app/DialogWin.h"

#include <string>

namespace pinweave {

class CDlgOutputExists : public CDialogWin {
public:
    CDlgOutputExists();

    std::string m_strMessage; // the question, shown in control IDC_OUTPUT_EXISTS_TEXT

protected:
    void DoDataExchange(bool bTake) override;
    bool OnCommand(WORD wId, WORD wNotifyCode, HWND hWndControl) override;
};

} // namespace pinweave

#endif // PINWEAVE_APP_DLGOUTPUTEXISTSWIN_H
