// bench_dialog: how long Pinweave.exe's dialog takes from pressing "Scan
// CAP-H" to "Completed" in its results pane, next to a quiet run (/Q) of the
// same program on the same file, process start included, for generated CAP-H
// files of several part counts. Runs under Wine (make bench-dialog) or on
// Windows; prints one table and the checks against the targets: the dialog
// within 1.5 times the quiet run, and a results line costing no more in a
// large run than in a small one (time linear in the number of lines).
//
//   bench_dialog [--exe PATH] [--work FOLDER] [--parts 300,2000] [--runs N] [--timeout SECONDS]
//
// Each figure is the fastest of N runs (default 3), each in a fresh process.
// The end of a dialog run is seen without asking the busy program anything:
// the pane is read once the dialog is enabled and answers, and it must end
// with "Completed". (A program that runs the conversion on its dialog's
// thread answers only when the run is over, which this wait also covers.)
#include "app/DataExchangeWin.h"
#include "gen_caph.h"
#include "resource.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kMainTitle = "Cap-H to Korvane PID Converter";
constexpr double kPartBytes = 5000; // about the size per part number of the 1.5 MB, 300 parts

struct COptions {
    std::string m_strExe;
    std::string m_strWork;
    std::vector<int> m_arrParts{300, 2000};
    int m_nRuns = 3;
    double m_dTimeout = 900;
};

double Now()
{
    LARGE_INTEGER nFrequency, nCount;
    QueryPerformanceFrequency(&nFrequency);
    QueryPerformanceCounter(&nCount);
    return static_cast<double>(nCount.QuadPart) / static_cast<double>(nFrequency.QuadPart);
}

std::string ExeFolder()
{
    std::string strPath(32768, '\0');
    strPath.resize(GetModuleFileNameA(nullptr, strPath.data(), static_cast<DWORD>(strPath.size())));
    return strPath.substr(0, strPath.find_last_of('\\'));
}

bool ParseOptions(int argc, char** argv, COptions& options)
{
    options.m_strExe = ExeFolder() + "\\Pinweave.exe";
    options.m_strWork = ExeFolder() + "\\..\\bench-dialog";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string strName = argv[i];
        const std::string strValue = argv[i + 1];
        if (strName == "--exe") {
            options.m_strExe = strValue;
        } else if (strName == "--work") {
            options.m_strWork = strValue;
        } else if (strName == "--runs") {
            options.m_nRuns = std::max(1, std::atoi(strValue.c_str()));
        } else if (strName == "--timeout") {
            options.m_dTimeout = std::atof(strValue.c_str());
        } else if (strName == "--parts") {
            options.m_arrParts.clear();
            std::istringstream list(strValue);
            for (std::string strItem; std::getline(list, strItem, ',');) {
                options.m_arrParts.push_back(std::atoi(strItem.c_str()));
            }
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

bool Generate(const std::string& strPath, int nParts)
{
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (pFile == nullptr) {
        return false;
    }
    pinweave::CGenOptions options;
    options.m_nPartCount = nParts;
    options.m_nTargetBytes = static_cast<std::uint64_t>(kPartBytes * nParts);
    std::string strError;
    const bool bOk = pinweave::GenerateCapH(
        options,
        [pFile](std::string_view strPiece) {
            return std::fwrite(strPiece.data(), 1, strPiece.size(), pFile) == strPiece.size();
        },
        strError);
    return std::fclose(pFile) == 0 && bOk;
}

// Empties the output folder, so no run is asked about existing files.
void EmptyFolder(const std::string& strFolder)
{
    CreateDirectoryA(strFolder.c_str(), nullptr);
    WIN32_FIND_DATAA find;
    const HANDLE hFind = FindFirstFileA((strFolder + "\\*.pid").c_str(), &find);
    if (hFind == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        DeleteFileA((strFolder + "\\" + find.cFileName).c_str());
    } while (FindNextFileA(hFind, &find));
    FindClose(hFind);
}

class CProcess {
public:
    explicit CProcess(const std::string& strCommand)
    {
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        std::string strLine = strCommand;
        m_bStarted = CreateProcessA(nullptr, strLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &si, &m_pi) != 0;
    }
    CProcess(const CProcess&) = delete;
    CProcess& operator=(const CProcess&) = delete;
    ~CProcess()
    {
        if (!m_bStarted) {
            return;
        }
        if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_pi.hProcess, 99);
        }
        CloseHandle(m_pi.hThread);
        CloseHandle(m_pi.hProcess);
    }
    bool Started() const { return m_bStarted; }
    DWORD Id() const { return m_pi.dwProcessId; }
    bool Wait(DWORD dwMs) const { return WaitForSingleObject(m_pi.hProcess, dwMs) == WAIT_OBJECT_0; }
    DWORD ExitCode() const
    {
        DWORD dw = 0;
        GetExitCodeProcess(m_pi.hProcess, &dw);
        return dw;
    }

private:
    PROCESS_INFORMATION m_pi{};
    bool m_bStarted = false;
};

struct CFind {
    DWORD m_dwProcessId;
    HWND m_hFound;
};

BOOL CALLBACK FindMainDialog(HWND hWnd, LPARAM lParam)
{
    auto* pFind = reinterpret_cast<CFind*>(lParam);
    DWORD dwProcessId = 0;
    GetWindowThreadProcessId(hWnd, &dwProcessId);
    char szTitle[64] = {};
    GetWindowTextA(hWnd, szTitle, sizeof(szTitle));
    if (dwProcessId == pFind->m_dwProcessId && IsWindowVisible(hWnd) && std::string(szTitle) == kMainTitle) {
        pFind->m_hFound = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForMainDialog(const CProcess& process)
{
    CFind find{process.Id(), nullptr};
    for (int i = 0; i < 1500 && find.m_hFound == nullptr; ++i) {
        EnumWindows(FindMainDialog, reinterpret_cast<LPARAM>(&find));
        if (find.m_hFound == nullptr) {
            Sleep(10);
        }
    }
    return find.m_hFound;
}

// The pane's text, waiting as long as the program takes to answer.
std::optional<std::string> PaneText(HWND hPane, UINT uTimeoutMs)
{
    DWORD_PTR nLength = 0;
    if (!SendMessageTimeoutA(hPane, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, uTimeoutMs, &nLength)) {
        return std::nullopt;
    }
    std::string strText(nLength + 1, '\0');
    DWORD_PTR nCopied = 0;
    if (!SendMessageTimeoutA(hPane, WM_GETTEXT, nLength + 1, reinterpret_cast<LPARAM>(strText.data()),
                             SMTO_NORMAL, uTimeoutMs, &nCopied)) {
        return std::nullopt;
    }
    strText.resize(nCopied);
    return strText;
}

bool EndsWithCompleted(const std::string& strText)
{
    const std::string strEnd = "Completed\r\n";
    return strText.size() >= strEnd.size() &&
           strText.compare(strText.size() - strEnd.size(), strEnd.size(), strEnd) == 0;
}

std::string Quoted(const std::string& str)
{
    return "\"" + str + "\"";
}

// One quiet run: process start to exit. Nothing on failure.
std::optional<double> TimeQuiet(const COptions& options, const std::string& strCapH,
                                const std::string& strOut)
{
    EmptyFolder(strOut);
    const double t0 = Now();
    CProcess process(Quoted(options.m_strExe) + " /Q /Y " + Quoted(strCapH) + " " + Quoted(strOut));
    if (!process.Started() || !process.Wait(static_cast<DWORD>(options.m_dTimeout * 1000))) {
        return std::nullopt;
    }
    const double dSeconds = Now() - t0;
    if (process.ExitCode() != 0) {
        std::fprintf(stderr, "bench_dialog: the quiet run exited with %lu\n", process.ExitCode());
        return std::nullopt;
    }
    return dSeconds;
}

// One dialog run: "Scan CAP-H" pressed to "Completed" in the pane; the
// number of lines in the pane through nLines.
std::optional<double> TimeDialog(const COptions& options, const std::string& strCapH,
                                 const std::string& strOut, std::size_t& nLines)
{
    EmptyFolder(strOut);
    CProcess process(Quoted(options.m_strExe) + " " + Quoted(strCapH) + " " + Quoted(strOut));
    const HWND hDlg = process.Started() ? WaitForMainDialog(process) : nullptr;
    if (hDlg == nullptr) {
        std::fprintf(stderr, "bench_dialog: the dialog did not appear\n");
        return std::nullopt;
    }
    const HWND hPane = GetDlgItem(hDlg, IDC_RESULTS);
    const HWND hScan = GetDlgItem(hDlg, IDC_SCAN);
    const double t0 = Now();
    PostMessageA(hScan, BM_CLICK, 0, 0);
    const double tEnd = t0 + options.m_dTimeout;
    std::optional<double> dSeconds;
    while (Now() < tEnd) {
        if (IsWindowEnabled(hDlg)) {
            const auto nLeftMs = static_cast<UINT>((tEnd - Now()) * 1000) + 1;
            const std::optional<std::string> strText = PaneText(hPane, nLeftMs);
            if (strText && EndsWithCompleted(*strText)) {
                dSeconds = Now() - t0;
                nLines = static_cast<std::size_t>(std::count(strText->begin(), strText->end(), '\n'));
                break;
            }
        }
        Sleep(5);
    }
    PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    process.Wait(10000);
    return dSeconds;
}

// The results pane alone, in this process: an edit control of the pane's
// styles, nLines lines of the usual length appended one per call as the
// dialog appends them, painted after each line (bPaintEach) or once at the
// end; seconds per line.
double TimePaneAppends(int nLines, bool bPaintEach)
{
    const HWND hEdit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                       WS_OVERLAPPEDWINDOW | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL |
                                           ES_AUTOHSCROLL | ES_READONLY | WS_VSCROLL | WS_HSCROLL,
                                       0, 0, 689, 350, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(hEdit, EM_SETLIMITTEXT, 0, 0);
    const double t0 = Now();
    for (int i = 0; i < nLines; ++i) {
        pinweave::AppendToEdit(hEdit, "PID File 'dialog-2000_" + std::to_string(i) + ".pid' generated\r\n");
        if (bPaintEach) {
            UpdateWindow(hEdit);
        }
    }
    UpdateWindow(hEdit);
    const double dSeconds = Now() - t0;
    DestroyWindow(hEdit);
    return dSeconds / nLines;
}

template <typename TFn> std::optional<double> Fastest(int nRuns, TFn fnRun)
{
    std::optional<double> dBest;
    for (int i = 0; i < nRuns; ++i) {
        const std::optional<double> d = fnRun();
        if (!d) {
            return std::nullopt;
        }
        dBest = dBest ? std::min(*dBest, *d) : *d;
    }
    return dBest;
}

} // namespace

int main(int argc, char** argv)
{
    COptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: bench_dialog [--exe PATH] [--work FOLDER] [--parts 300,2000] [--runs N] "
                             "[--timeout SECONDS]\n");
        return 2;
    }
    CreateDirectoryA(options.m_strWork.c_str(), nullptr);
    std::printf("Pinweave.exe dialog against its quiet mode: %s, fastest of %d\n", options.m_strExe.c_str(),
                options.m_nRuns);
    std::printf("| parts | input | pane lines | quiet (/Q, process start included) | dialog (Scan CAP-H to "
                "Completed) | dialog / quiet | dialog per line |\n|---|---|---|---|---|---|---|\n");
    std::fflush(stdout);
    bool bAllRan = true;
    bool bWithinRatio = true;
    std::vector<double> arrPerLine;
    for (const int nParts : options.m_arrParts) {
        const std::string strCapH = options.m_strWork + "\\dialog-" + std::to_string(nParts) + ".tst";
        const std::string strOut = options.m_strWork + "\\out-" + std::to_string(nParts);
        if (!Generate(strCapH, nParts)) {
            std::fprintf(stderr, "bench_dialog: cannot write %s\n", strCapH.c_str());
            return 1;
        }
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExA(strCapH.c_str(), GetFileExInfoStandard, &data);
        const double dMb = static_cast<double>(data.nFileSizeLow) / 1e6;
        const std::optional<double> dQuiet =
            Fastest(options.m_nRuns, [&] { return TimeQuiet(options, strCapH, strOut); });
        std::size_t nLines = 0;
        const std::optional<double> dDialog =
            Fastest(options.m_nRuns, [&] { return TimeDialog(options, strCapH, strOut, nLines); });
        if (!dQuiet || !dDialog) {
            std::printf("| %d | %.1f MB | | %s | %s | | |\n", nParts, dMb,
                        dQuiet ? std::to_string(*dQuiet).c_str() : "failed",
                        dDialog ? "" : "not completed within the timeout");
            bAllRan = false;
            continue;
        }
        const double dRatio = *dDialog / *dQuiet;
        bWithinRatio = bWithinRatio && dRatio <= 1.5;
        arrPerLine.push_back(*dDialog / static_cast<double>(nLines));
        std::printf("| %d | %.1f MB | %zu | %.2f s | %.2f s | %.2f | %.2f ms |\n", nParts, dMb, nLines,
                    *dQuiet, *dDialog, dRatio, 1000 * arrPerLine.back());
        std::fflush(stdout);
    }
    std::printf("\ncheck: dialog within 1.5x of the quiet run: %s\n", bAllRan && bWithinRatio ? "yes" : "NO");
    if (arrPerLine.size() >= 2) {
        // A line of the largest run may cost a little more (the pane's own
        // bookkeeping); twice as much would mean the time grows with the
        // square of the lines.
        const double dGrowth = arrPerLine.back() / arrPerLine.front();
        std::printf("check: time per line (conversion included), largest against smallest run: %.2fx "
                    "(linear: at most 1.5x): %s\n",
                    dGrowth, dGrowth <= 1.5 ? "yes" : "NO");
    }

    // The pane's own share, without the conversion: lines appended one by
    // one. A painted update costs far more than the bookkeeping of a line,
    // which is why the dialog hands the pane every line that has gathered
    // since its last update.
    std::printf(
        "\n| results pane alone: lines appended one per call | painted once | painted after each line |\n"
        "|---|---|---|\n");
    std::vector<double> arrPane;
    for (const int nLines : {200, 800}) {
        arrPane.push_back(TimePaneAppends(nLines, false));
        const std::string strPainted =
            nLines == 200 ? std::to_string(1000 * TimePaneAppends(nLines, true)).substr(0, 6) + " ms" : "";
        std::printf("| %d | %.3f ms | %s |\n", nLines, 1000 * arrPane.back(), strPainted.c_str());
    }
    const double dPaneGrowth = arrPane.back() / arrPane.front();
    std::printf("check: pane time per line, 800 lines against 200: %.2fx (linear: at most 1.5x): %s\n",
                dPaneGrowth, dPaneGrowth <= 1.5 ? "yes" : "NO");
    return bAllRan ? 0 : 1;
}
