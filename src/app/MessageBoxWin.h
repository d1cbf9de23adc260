// The program's message boxes: an OK button, the exclamation icon and the
// application's name as caption.
#ifndef PINWEAVE_APP_MESSAGEBOXWIN_H
#define PINWEAVE_APP_MESSAGEBOXWIN_H

#include <windows.h>

#include <string>

namespace pinweave {

// The executable's file name without folder and extension ("Pinweave").
std::string ApplicationName();

// Shows strText modally, owned by hWndOwner (null for none), and returns when
// the user has closed the box.
void ShowExclamationBox(HWND hWndOwner, const std::string& strText);

} // namespace pinweave

#endif // PINWEAVE_APP_MESSAGEBOXWIN_H
