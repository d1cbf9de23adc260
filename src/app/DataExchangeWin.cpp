#include "app/DataExchangeWin.h"

namespace pinweave {

std::string GetWindowTextString(HWND hWnd)
{
    if (hWnd == nullptr) {
        return std::string();
    }
    // The length can be an overestimate (it counts in the control's own
    // characters); the copy says how many bytes it wrote.
    const int nLength = GetWindowTextLengthA(hWnd);
    if (nLength <= 0) {
        return std::string();
    }
    std::string str(static_cast<std::size_t>(nLength) + 1, '\0');
    const int nCopied = GetWindowTextA(hWnd, str.data(), nLength + 1);
    str.resize(nCopied > 0 ? static_cast<std::size_t>(nCopied) : 0);
    return str;
}

void ExchangeText(HWND hDlg, int nId, std::string& str, bool bTake)
{
    const HWND hCtl = GetDlgItem(hDlg, nId);
    if (bTake) {
        str = GetWindowTextString(hCtl);
    } else if (hCtl != nullptr) {
        SetWindowTextA(hCtl, str.c_str());
    }
}

void AppendToEdit(HWND hEdit, const std::string& strText)
{
    if (hEdit == nullptr || strText.empty()) {
        return;
    }
    // Everything selected, then the selection collapsed at its end: the
    // insertion point moves after the last character without asking for the
    // text's length, which the control (Wine's at least) works out for an
    // ANSI caller by converting its whole text.
    SendMessageA(hEdit, EM_SETSEL, 0, -1);
    SendMessageA(hEdit, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    SendMessageA(hEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(strText.c_str()));
    SendMessageA(hEdit, EM_SCROLLCARET, 0, 0);
}

} // namespace pinweave
