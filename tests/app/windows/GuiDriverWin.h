// Driving Pinweave.exe from a separate test process: starting it, finding its
// windows, reading and setting control texts, clicking, the saved settings in
// the registry, test folders and screenshots.
//
// Every wait has a timeout; a test that cannot find a window fails with a
// message instead of hanging. Clicks are posted (a click may open a modal
// loop) and refuse disabled buttons, because Wine runs the handler of a
// disabled button all the same.
#ifndef PINWEAVE_TESTS_APP_WINDOWS_GUIDRIVERWIN_H
#define PINWEAVE_TESTS_APP_WINDOWS_GUIDRIVERWIN_H

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pinweave::test {

// --- Paths (Windows form; the test tree is reached through drive Z:)
std::string WindowsPathOf(const std::string& strUnixPath);
std::string SourcePath(const std::string& strRelative); // in the source tree
std::string PinweaveExePath();                          // beside the test program
// An empty folder build/windows/test-work/<name>, made anew.
std::string FreshWorkDir(const std::string& strName);

// --- Files
bool FileExists(const std::string& strPath);
std::string ReadFileBytes(const std::string& strPath);
void WriteFileBytes(const std::string& strPath, const std::string& strBytes);
void CopyFileTo(const std::string& strFrom, const std::string& strTo);
// The names in a folder that match the pattern (as FindFirstFile takes it).
std::vector<std::string> NamesIn(const std::string& strFolder, const std::string& strPattern = "*");

// --- The saved settings, HKCU\Software\Korvane\Pinweave
struct CStoredValue {
    DWORD m_dwType = REG_NONE;
    std::string m_strText; // without the terminating NUL
    bool operator==(const CStoredValue& other) const
    {
        return m_dwType == other.m_dwType && m_strText == other.m_strText;
    }
};
void DeleteSettings();
void StoreSetting(const char* pszName, DWORD dwType, const std::string& strText);
std::optional<CStoredValue> LoadSetting(const char* pszName);

// --- Waiting
bool WaitUntil(const std::function<bool()>& fnDone, DWORD dwTimeoutMs = 10000);

// --- Windows of another process
std::string WindowText(HWND hWnd); // WM_GETTEXT, works across processes
void SetWindowTextTo(HWND hWnd, const std::string& strText);
bool IsEnabled(HWND hWnd);
// Posts BM_CLICK; false (and no click) when the button is missing or disabled.
bool Click(HWND hButton);
// Posts WM_COMMAND with the id, as the dialog manager does for Esc or Enter.
void PostCommand(HWND hDlg, int nId);
// Control nId of a dialog of another process.
HWND Item(HWND hDlg, int nId);
// The first window of class pszClass with id nId anywhere below hWnd (for
// the common dialogs, whose file-name edit sits inside a combo box).
HWND FindDescendant(HWND hWnd, int nId, const char* pszClass);

// Writes a PNG of the window into build/windows/screenshots/<name>.png.
bool TakeScreenshot(HWND hWnd, const std::string& strName);

// --- One run of Pinweave.exe
class CAppProcess {
public:
    CAppProcess() = default;
    CAppProcess(const CAppProcess&) = delete;
    CAppProcess& operator=(const CAppProcess&) = delete;
    ~CAppProcess(); // ends a program that is still running

    // Starts Pinweave.exe with the argument text exactly as given (quotes
    // included); its standard error goes to a file read by StdErr().
    bool Start(const std::string& strArguments);

    // A visible dialog of this process with exactly this title, or null.
    HWND WaitForDialog(const char* pszTitle, DWORD dwTimeoutMs = 10000) const;
    HWND MainDialog(DWORD dwTimeoutMs = 10000) const;

    // Waits for the process to end; its exit status, or nothing on timeout.
    std::optional<DWORD> WaitForExit(DWORD dwTimeoutMs = 15000);

    // Closes the main dialog with Close (IDCANCEL) and waits for the end.
    bool CloseMainDialog();

    std::string StdErr() const;
    DWORD ProcessId() const { return m_pi.dwProcessId; }

private:
    PROCESS_INFORMATION m_pi{};
    std::string m_strStdErrPath;
};

// The main dialog's title.
inline constexpr const char* kMainTitle = "Cap-H to Korvane PID Converter";

// The text as one quoted argument of a command line.
inline std::string Quoted(const std::string& str)
{
    return "\"" + str + "\"";
}

// The results lines of a completed run over strCapH, whose nParts part
// numbers are PN-1 ... PN-n, into PID files named after strBaseName.
std::string CompletedRunLines(const std::string& strCapH, const std::string& strBaseName, int nParts);

} // namespace pinweave::test

#endif // PINWEAVE_TESTS_APP_WINDOWS_GUIDRIVERWIN_H
