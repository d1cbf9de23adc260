// The platform's Open dialog for choosing one existing file.
#ifndef PINWEAVE_APP_OPENFILEDIALOGWIN_H
#define PINWEAVE_APP_OPENFILEDIALOGWIN_H

#include <windows.h>

#include <string>

namespace pinweave {

// Turns a filter written as "description|pattern|description|pattern" into
// the platform's form: every "|" a NUL, and the list ended by two NULs.
std::string FileDialogFilter(const std::string& strFilter);

// Shows the Open dialog owned by hWndOwner with the filter (in "|" form), the
// default title and initial folder, no default extension and no initial file,
// and the flags OFN_HIDEREADONLY, OFN_PATHMUSTEXIST and OFN_FILEMUSTEXIST. True
// with the chosen file's full path when the user chose one.
bool ChooseFileToOpen(HWND hWndOwner, const std::string& strFilter, std::string& strPath);

} // namespace pinweave

#endif // PINWEAVE_APP_OPENFILEDIALOGWIN_H
