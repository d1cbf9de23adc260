#include "app/DlgAboutWin.h"

#include "resource.h"

namespace pinweave {

CDlgAbout::CDlgAbout() : CDialogWin(IDD_ABOUTBOX) {}

} // namespace pinweave
