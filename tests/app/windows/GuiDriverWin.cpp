#include "GuiDriverWin.h"

#include "common/MessageTable.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

namespace pinweave::test {

namespace {

constexpr const char* kSettingsKey = "Software\\Korvane\\Pinweave";
constexpr UINT kSendTimeoutMs = 5000;

std::string ExeFolder()
{
    std::string strPath(32768, '\0');
    const DWORD nLength = GetModuleFileNameA(nullptr, strPath.data(), static_cast<DWORD>(strPath.size()));
    strPath.resize(nLength);
    return strPath.substr(0, strPath.find_last_of('\\'));
}

struct CFindDialog {
    DWORD m_dwProcessId;
    const char* m_pszTitle;
    HWND m_hFound;
};

BOOL CALLBACK FindDialogProc(HWND hWnd, LPARAM lParam)
{
    auto* pFind = reinterpret_cast<CFindDialog*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    if (dwProcessId != pFind->m_dwProcessId || !IsWindowVisible(hWnd)) {
        return TRUE;
    }
    char szClass[64] = {};
    GetClassNameA(hWnd, szClass, sizeof(szClass));
    if (std::string(szClass) != "#32770" || WindowText(hWnd) != pFind->m_pszTitle) {
        return TRUE;
    }
    pFind->m_hFound = hWnd;
    return FALSE;
}

} // namespace

std::string WindowsPathOf(const std::string& strUnixPath)
{
    std::string strPath = "Z:" + strUnixPath;
    for (char& c : strPath) {
        if (c == '/') {
            c = '\\';
        }
    }
    return strPath;
}

std::string SourcePath(const std::string& strRelative)
{
    return WindowsPathOf(std::string(PINWEAVE_SOURCE_DIR) + "/" + strRelative);
}

std::string PinweaveExePath()
{
    return ExeFolder() + "\\Pinweave.exe";
}

std::string FreshWorkDir(const std::string& strName)
{
    const std::filesystem::path dir =
        std::filesystem::path(WindowsPathOf(PINWEAVE_BINARY_DIR)) / "test-work" / strName;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    std::filesystem::create_directories(dir);
    return dir.string();
}

bool FileExists(const std::string& strPath)
{
    return GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> NamesIn(const std::string& strFolder, const std::string& strPattern)
{
    std::vector<std::string> arrNames;
    WIN32_FIND_DATAA data{};
    const HANDLE hFind = FindFirstFileA((strFolder + "\\" + strPattern).c_str(), &data);
    if (hFind == INVALID_HANDLE_VALUE) {
        return arrNames;
    }
    do {
        const std::string strName = data.cFileName;
        if (strName != "." && strName != "..") {
            arrNames.push_back(strName);
        }
    } while (FindNextFileA(hFind, &data));
    FindClose(hFind);
    return arrNames;
}

std::string ReadFileBytes(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& strPath, const std::string& strBytes)
{
    std::ofstream file(strPath, std::ios::binary | std::ios::trunc);
    file << strBytes;
}

void CopyFileTo(const std::string& strFrom, const std::string& strTo)
{
    WriteFileBytes(strTo, ReadFileBytes(strFrom));
}

void DeleteSettings()
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKey);
}

void StoreSetting(const char* pszName, DWORD dwType, const std::string& strText)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(hKey, pszName, 0, dwType, reinterpret_cast<const BYTE*>(strText.c_str()),
                   static_cast<DWORD>(strText.size() + 1));
    RegCloseKey(hKey);
}

std::optional<CStoredValue> LoadSetting(const char* pszName)
{
    DWORD dwType = REG_NONE;
    DWORD cbData = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, pszName, RRF_RT_ANY | RRF_NOEXPAND, &dwType, nullptr,
                     &cbData) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::string strData(cbData + 1, '\0');
    if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKey, pszName, RRF_RT_ANY | RRF_NOEXPAND, &dwType,
                     strData.data(), &cbData) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    strData.resize(cbData);
    while (!strData.empty() && strData.back() == '\0') {
        strData.pop_back();
    }
    return CStoredValue{dwType, strData};
}

bool WaitUntil(const std::function<bool()>& fnDone, DWORD dwTimeoutMs)
{
    const ULONGLONG tEnd = GetTickCount64() + dwTimeoutMs;
    for (;;) {
        if (fnDone()) {
            return true;
        }
        if (GetTickCount64() >= tEnd) {
            return false;
        }
        Sleep(20);
    }
}

std::string WindowText(HWND hWnd)
{
    DWORD_PTR nLength = 0;
    if (hWnd == nullptr ||
        !SendMessageTimeoutA(hWnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &nLength)) {
        return std::string();
    }
    std::string strText(nLength + 1, '\0');
    DWORD_PTR nCopied = 0;
    if (!SendMessageTimeoutA(hWnd, WM_GETTEXT, nLength + 1, reinterpret_cast<LPARAM>(strText.data()),
                             SMTO_ABORTIFHUNG, kSendTimeoutMs, &nCopied)) {
        return std::string();
    }
    strText.resize(nCopied);
    return strText;
}

void SetWindowTextTo(HWND hWnd, const std::string& strText)
{
    DWORD_PTR nResult = 0;
    SendMessageTimeoutA(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(strText.c_str()), SMTO_ABORTIFHUNG,
                        kSendTimeoutMs, &nResult);
}

bool IsEnabled(HWND hWnd)
{
    return hWnd != nullptr && IsWindowEnabled(hWnd);
}

bool Click(HWND hButton)
{
    if (!IsEnabled(hButton)) {
        return false;
    }
    return PostMessageA(hButton, BM_CLICK, 0, 0) != FALSE;
}

void PostCommand(HWND hDlg, int nId)
{
    PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), 0);
}

HWND Item(HWND hDlg, int nId)
{
    return hDlg != nullptr ? GetDlgItem(hDlg, nId) : nullptr;
}

HWND FindDescendant(HWND hWnd, int nId, const char* pszClass)
{
    for (HWND hChild = GetWindow(hWnd, GW_CHILD); hChild != nullptr;
         hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        char szClass[64] = {};
        GetClassNameA(hChild, szClass, sizeof(szClass));
        if (GetDlgCtrlID(hChild) == nId && lstrcmpiA(szClass, pszClass) == 0) {
            return hChild;
        }
        if (const HWND hFound = FindDescendant(hChild, nId, pszClass)) {
            return hFound;
        }
    }
    return nullptr;
}

bool TakeScreenshot(HWND hWnd, const std::string& strName)
{
    // Wine keeps the X11 window of every top-level window in this property;
    // ImageMagick's import (a Unix program, which Wine starts as it is) grabs it.
    const auto nXid = reinterpret_cast<UINT_PTR>(GetPropA(hWnd, "__wine_x11_whole_window"));
    if (nXid == 0) {
        return false;
    }
    const std::string strFolder = std::string(PINWEAVE_BINARY_DIR) + "/screenshots";
    std::error_code ec;
    std::filesystem::create_directories(WindowsPathOf(strFolder), ec);
    char szXid[32];
    wsprintfA(szXid, "0x%lx", static_cast<unsigned long>(nXid));
    // Wine starts a Unix program as it is, but its process handle does not
    // tell when it ends: the shell renames the finished picture into place,
    // and the test waits for that name.
    const std::string strPng = strFolder + "/" + strName + ".png";
    DeleteFileA(WindowsPathOf(strPng).c_str());
    std::string strCommand = "/bin/sh -c \"import -window " + std::string(szXid) + " 'png:" + strPng +
                             ".part' && mv '" + strPng + ".part' '" + strPng + "'\"";
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return WaitUntil([&] { return FileExists(WindowsPathOf(strPng)); }, 20000);
}

CAppProcess::~CAppProcess()
{
    if (m_pi.hProcess != nullptr) {
        if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_pi.hProcess, 99);
            WaitForSingleObject(m_pi.hProcess, 5000);
        }
        CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
    }
    if (!m_strStdErrPath.empty()) {
        DeleteFileA(m_strStdErrPath.c_str());
    }
}

bool CAppProcess::Start(const std::string& strArguments)
{
    std::string strTemp(MAX_PATH + 1, '\0');
    strTemp.resize(GetTempPathA(static_cast<DWORD>(strTemp.size()), strTemp.data()));
    std::string strFile(MAX_PATH + 1, '\0');
    GetTempFileNameA(strTemp.c_str(), "pwe", 0, strFile.data());
    m_strStdErrPath = strFile.c_str();

    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    const HANDLE hErr =
        CreateFileA(m_strStdErrPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const HANDLE hNul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = hNul;
    si.hStdOutput = hNul;
    si.hStdError = hErr;
    std::string strCommand = "\"" + PinweaveExePath() + "\"";
    if (!strArguments.empty()) {
        strCommand += " " + strArguments;
    }
    const BOOL bStarted =
        CreateProcessA(nullptr, strCommand.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &m_pi);
    CloseHandle(hErr);
    CloseHandle(hNul);
    if (bStarted) {
        WaitForInputIdle(m_pi.hProcess, 5000);
    }
    return bStarted != FALSE;
}

HWND CAppProcess::WaitForDialog(const char* pszTitle, DWORD dwTimeoutMs) const
{
    CFindDialog find{m_pi.dwProcessId, pszTitle, nullptr};
    WaitUntil(
        [&] {
            EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&find));
            return find.m_hFound != nullptr;
        },
        dwTimeoutMs);
    return find.m_hFound;
}

HWND CAppProcess::MainDialog(DWORD dwTimeoutMs) const
{
    return WaitForDialog(kMainTitle, dwTimeoutMs);
}

std::optional<DWORD> CAppProcess::WaitForExit(DWORD dwTimeoutMs)
{
    if (m_pi.hProcess == nullptr || WaitForSingleObject(m_pi.hProcess, dwTimeoutMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD dwExit = 0;
    GetExitCodeProcess(m_pi.hProcess, &dwExit);
    return dwExit;
}

bool CAppProcess::CloseMainDialog()
{
    const HWND hDlg = MainDialog(2000);
    if (hDlg == nullptr) {
        return false;
    }
    PostCommand(hDlg, IDCANCEL);
    return WaitForExit().has_value();
}

std::string CAppProcess::StdErr() const
{
    return ReadFileBytes(m_strStdErrPath);
}

std::string CompletedRunLines(const std::string& strCapH, const std::string& strBaseName, int nParts)
{
    std::string str = FormatTableMessage(IDS_STARTING_CONVERSION, {strCapH}) + "\r\n" +
                      FormatTableMessage(IDS_PART_NUMBERS_DETECTED, {std::to_string(nParts)}) + "\r\n";
    for (int i = 0; i < nParts; ++i) {
        const std::string strFile = strBaseName + (i == 0 ? "" : "_" + std::to_string(i)) + ".pid";
        str += FormatTableMessage(IDS_PROCESSING_PART, {"PN-" + std::to_string(i + 1)}) + "\r\n";
        str += FormatTableMessage(IDS_PID_FILE_GENERATED, {strFile}) + "\r\n";
    }
    return str + "Completed\r\n";
}

} // namespace pinweave::test
