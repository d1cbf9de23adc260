#include "app/PinweaveAppWin.h"

#include "app/CommandLineInfo.h"
#include "app/ErrorConsoleWin.h"
#include "app/PinweaveDlgWin.h"
#include "app/RegistrySettingsWin.h"
#include "app/Settings.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>
#include <exception>

namespace pinweave {

namespace {

// Quiet mode: the one conversion. An error that escapes it is shown like the
// run's own message boxes (and on the console, if there is one).
int RunQuiet(CPinweaveDlg& dlg)
{
    CErrorConsoleWin console;
    dlg.SetErrorConsole(&console);
    bool bCompleted = false;
    try {
        bCompleted = dlg.Engine().RunConversion(dlg.Engine().m_strInputPath);
    } catch (const std::exception& e) {
        dlg.ShowMessageBox(e.what());
    } catch (...) {
        dlg.ShowMessageBox("An unknown error has occurred.");
    }
    dlg.SetErrorConsole(nullptr);
    return bCompleted ? 0 : 1;
}

// Whether the path names an existing file, not a folder. The ANSI function
// takes the path's bytes in the system's code page, as every other path
// operation of the program does.
bool IsExistingFile(const std::string& strPath)
{
    const DWORD dwAttributes = GetFileAttributesA(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

int CPinweaveApp::InitInstance(const std::vector<std::string>& arrArgs)
{
    InitCommonControls();

    CPinweaveDlg dlg;
    CConversionEngine& engine = dlg.Engine();

    CPinweaveCommandLineInfo cmdInfo;
    cmdInfo.ParseArguments(arrArgs, CPinweaveCommandLineInfo::IsWindowsFlag);
    cmdInfo.TakeLoneFileAsCapH(arrArgs, IsExistingFile);
    engine.m_strInputPath = cmdInfo.m_strInputPath;
    engine.m_strOutputPath = cmdInfo.m_strOutputPath;
    if (cmdInfo.m_bOverwriteAll) {
        engine.m_bOverwriteAll = true;
    }

    if (cmdInfo.m_bQuiet) {
        return RunQuiet(dlg);
    }

    {
        CRegistrySettingsWin settings;
        RestorePaths(settings, engine.m_strInputPath, engine.m_strOutputPath);
    }
    // The folder browser's new style needs COM on this thread.
    const HRESULT hrCom = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    dlg.DoModal(nullptr);
    if (SUCCEEDED(hrCom)) {
        CoUninitialize();
    }
    {
        CRegistrySettingsWin settings;
        SavePaths(settings, engine.m_strInputPath, engine.m_strOutputPath);
    }
    return 0;
}

} // namespace pinweave
