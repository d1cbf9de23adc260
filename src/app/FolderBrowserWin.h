// The shell's folder browser, preselecting a folder and showing the selected
// item's file-system path as status text.
#ifndef PINWEAVE_APP_FOLDERBROWSERWIN_H
#define PINWEAVE_APP_FOLDERBROWSERWIN_H

#include <windows.h>

#include <string>

namespace pinweave {

// The flags of the browser: BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT |
// BIF_EDITBOX | BIF_NEWDIALOGSTYLE.
inline constexpr UINT kFolderBrowserFlags = 0x55;

// Shows the browser owned by hWndOwner, rooted at the desktop, with strTitle
// as its title line, the folder strInitial selected and expanded at first.
// True with the chosen folder's file-system path when the user chose one.
bool ChooseFolder(HWND hWndOwner, const std::string& strTitle, const std::string& strInitial,
                  std::string& strFolder);

} // namespace pinweave

#endif // PINWEAVE_APP_FOLDERBROWSERWIN_H
