// The entry point of Pinweave.exe: hands the run-time library's split of the
// command line (white space separates, double quotes group) to start-up.
#include "app/PinweaveAppWin.h"

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    std::vector<std::string> arrArgs;
    for (int i = 1; i < __argc; ++i) {
        arrArgs.emplace_back(__argv[i] != nullptr ? __argv[i] : "");
    }
    pinweave::CPinweaveApp app;
    return app.InitInstance(arrArgs);
}
