#include "app/DlgOutputExistsWin.h"

#include "app/DataExchangeWin.h"
#include "resource.h"

namespace pinweave {

CDlgOutputExists::CDlgOutputExists() : CDialogWin(IDD_OUTPUT_EXISTS) {}

void CDlgOutputExists::DoDataExchange(bool bTake)
{
    ExchangeText(m_hWnd, IDC_OUTPUT_EXISTS_TEXT, m_strMessage, bTake);
}

bool CDlgOutputExists::OnCommand(WORD wId, WORD wNotifyCode, HWND)
{
    if (wNotifyCode != BN_CLICKED) {
        return false;
    }
    switch (wId) {
    case IDYES:          // OnYes
    case IDNO:           // OnNo
    case IDC_YES_TO_ALL: // OnYesToAll
        EndDialog(wId);
        return true;
    default:
        return false;
    }
}

} // namespace pinweave
