#include "app/SystemReasonWin.h"

namespace pinweave {

std::string Reason(DWORD dwError)
{
    char* pszText = nullptr;
    const DWORD nLength = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                             FORMAT_MESSAGE_IGNORE_INSERTS,
                                         nullptr, dwError, 0, reinterpret_cast<LPSTR>(&pszText), 0, nullptr);
    std::string strText = nLength > 0 ? std::string(pszText, nLength) : "Error " + std::to_string(dwError);
    LocalFree(pszText);
    while (!strText.empty() && (strText.back() == '\r' || strText.back() == '\n' || strText.back() == ' ')) {
        strText.pop_back();
    }
    return strText;
}

} // namespace pinweave
