// The About box (template IDD_ABOUTBOX): the icon, the version, the maker; OK,
// Esc or the close box end it.
#ifndef PINWEAVE_APP_DLGABOUTWIN_H
#define PINWEAVE_APP_DLGABOUTWIN_H

#include "app/DialogWin.h"

namespace pinweave {

class CDlgAbout : public CDialogWin {
public:
    CDlgAbout();
};

} // namespace pinweave

#endif // PINWEAVE_APP_DLGABOUTWIN_H
