#include "app/OpenFileDialogWin.h"

#include <commdlg.h>

namespace pinweave {

namespace {

// Room for the longest path the system knows, so no path is cut short.
constexpr DWORD kPathBufferLength = 32768;

} // namespace

std::string FileDialogFilter(const std::string& strFilter)
{
    std::string str = strFilter;
    for (char& c : str) {
        if (c == '|') {
            c = '\0';
        }
    }
    str.append(2, '\0');
    return str;
}

bool ChooseFileToOpen(HWND hWndOwner, const std::string& strFilter, std::string& strPath)
{
    const std::string strFilterList = FileDialogFilter(strFilter);
    std::string strFile(kPathBufferLength, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hWndOwner;
    ofn.lpstrFilter = strFilterList.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = strFile.data();
    ofn.nMaxFile = kPathBufferLength;
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_EXPLORER;
    if (!GetOpenFileNameA(&ofn)) {
        return false;
    }
    strPath.assign(strFile.c_str());
    return true;
}

} // namespace pinweave
