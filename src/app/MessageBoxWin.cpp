#include "app/MessageBoxWin.h"

namespace pinweave {

std::string ApplicationName()
{
    std::string strPath(MAX_PATH, '\0');
    for (;;) {
        const DWORD nLength = GetModuleFileNameA(nullptr, strPath.data(), static_cast<DWORD>(strPath.size()));
        if (nLength == 0) {
            return "Pinweave";
        }
        if (nLength < strPath.size()) {
            strPath.resize(nLength);
            break;
        }
        strPath.resize(strPath.size() * 2); // cut short: the buffer was too small
    }
    const std::size_t nSlash = strPath.find_last_of("\\/:");
    std::string strName = nSlash == std::string::npos ? strPath : strPath.substr(nSlash + 1);
    const std::size_t nDot = strName.rfind('.');
    if (nDot != std::string::npos) {
        strName.resize(nDot);
    }
    return strName;
}

void ShowExclamationBox(HWND hWndOwner, const std::string& strText)
{
    MessageBoxA(hWndOwner, strText.c_str(), ApplicationName().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

} // namespace pinweave
