#include "app/FolderBrowserWin.h"

#include <shlobj.h>
#include <shobjidl.h>

namespace pinweave {

namespace {

std::wstring WideFromAnsi(const std::string& str, UINT nCodePage)
{
    const int nLength =
        MultiByteToWideChar(nCodePage, 0, str.data(), static_cast<int>(str.size()), nullptr, 0);
    std::wstring wstr(static_cast<std::size_t>(nLength > 0 ? nLength : 0), L'\0');
    if (nLength > 0) {
        MultiByteToWideChar(nCodePage, 0, str.data(), static_cast<int>(str.size()), wstr.data(), nLength);
    }
    return wstr;
}

// The file-system path of an item, of any length, in the ANSI code page;
// empty for an item that has none.
std::string FileSystemPathOf(PCIDLIST_ABSOLUTE pidl)
{
    PWSTR pszPath = nullptr;
    if (FAILED(SHGetNameFromIDList(pidl, SIGDN_FILESYSPATH, &pszPath)) || pszPath == nullptr) {
        return std::string();
    }
    const int nBytes = WideCharToMultiByte(CP_ACP, 0, pszPath, -1, nullptr, 0, nullptr, nullptr);
    std::string str(static_cast<std::size_t>(nBytes > 0 ? nBytes : 1), '\0');
    if (nBytes > 0) {
        WideCharToMultiByte(CP_ACP, 0, pszPath, -1, str.data(), nBytes, nullptr, nullptr);
    }
    str.resize(str.size() - 1); // the NUL
    CoTaskMemFree(pszPath);
    return str;
}

// BrowseCallback: preselect the initial folder, then report each selection in
// the status line.
int CALLBACK BrowseCallback(HWND hWnd, UINT uMsg, LPARAM lParam, LPARAM lpData)
{
    if (uMsg == BFFM_INITIALIZED) {
        const std::string& strInitial = *reinterpret_cast<const std::string*>(lpData);
        const std::wstring wstrInitial = WideFromAnsi(strInitial, CP_THREAD_ACP);
        SendMessageW(hWnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(wstrInitial.c_str()));
        SendMessageW(hWnd, BFFM_SETEXPANDED, TRUE, reinterpret_cast<LPARAM>(wstrInitial.c_str()));
    } else if (uMsg == BFFM_SELCHANGED) {
        const std::string strPath = FileSystemPathOf(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam));
        SendMessageA(hWnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(strPath.c_str()));
    }
    return 0;
}

} // namespace

bool ChooseFolder(HWND hWndOwner, const std::string& strTitle, const std::string& strInitial,
                  std::string& strFolder)
{
    BROWSEINFOA bi{};
    bi.hwndOwner = hWndOwner;
    bi.pidlRoot = nullptr;
    bi.pszDisplayName = nullptr;
    bi.lpszTitle = strTitle.c_str();
    bi.ulFlags = kFolderBrowserFlags;
    bi.lpfn = BrowseCallback;
    bi.lParam = reinterpret_cast<LPARAM>(&strInitial);
    PIDLIST_ABSOLUTE pidl = SHBrowseForFolderA(&bi);
    if (pidl == nullptr) {
        return false;
    }
    strFolder = FileSystemPathOf(pidl);
    IMalloc* pMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&pMalloc)) && pMalloc != nullptr) {
        pMalloc->Free(pidl);
        pMalloc->Release();
    }
    return true;
}

} // namespace pinweave
