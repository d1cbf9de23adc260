// Moving text between a dialog's controls and its stored values, without any
// length limit: taking copies a control's text into a string, putting copies
// a string into the control.
#ifndef PINWEAVE_APP_DATAEXCHANGEWIN_H
#define PINWEAVE_APP_DATAEXCHANGEWIN_H

#include <windows.h>

#include <string>

namespace pinweave {

// The whole text of a window (a control of this process); empty for none.
std::string GetWindowTextString(HWND hWnd);

// Takes (bTake) the text of control nId of hDlg into str, or puts str into it.
void ExchangeText(HWND hDlg, int nId, std::string& str, bool bTake);

// Adds strText after the last character of an edit control and scrolls the
// insertion point, now after the added text, into view. What the control
// held stays as it is, so the cost depends on strText alone.
void AppendToEdit(HWND hEdit, const std::string& strText);

} // namespace pinweave

#endif // PINWEAVE_APP_DATAEXCHANGEWIN_H
