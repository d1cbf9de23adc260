#include "app/ResourceStringWin.h"

#include <windows.h>

namespace pinweave {

std::string LoadResourceString(unsigned int nId, void* hModule)
{
    const HINSTANCE hInstance =
        hModule != nullptr ? static_cast<HINSTANCE>(hModule) : GetModuleHandleA(nullptr);
    // With a buffer size of 0 the call hands out the resource's own text,
    // which is not NUL-terminated, and its length.
    const wchar_t* pszText = nullptr;
    const int nLength = LoadStringW(hInstance, nId, reinterpret_cast<LPWSTR>(&pszText), 0);
    if (nLength <= 0 || pszText == nullptr) {
        return std::string();
    }
    const int nBytes = WideCharToMultiByte(CP_ACP, 0, pszText, nLength, nullptr, 0, nullptr, nullptr);
    std::string str(static_cast<std::size_t>(nBytes > 0 ? nBytes : 0), '\0');
    if (nBytes > 0) {
        WideCharToMultiByte(CP_ACP, 0, pszText, nLength, str.data(), nBytes, nullptr, nullptr);
    }
    return str;
}

} // namespace pinweave
