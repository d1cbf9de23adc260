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

} // namespace pinweave
