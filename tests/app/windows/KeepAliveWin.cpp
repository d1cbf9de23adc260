// keepalive.exe: one hidden top-level window, so that Wine's desktop process
// (and with it the whole test session) stays up between test programs.
// Ends when the session ends it, or after the seconds given as its argument
// (default 1800), so an abandoned session does not last.
#include <windows.h>

#include <cstdlib>

namespace {

constexpr UINT_PTR kLifetimeTimer = 1;

LRESULT CALLBACK KeepAliveProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_TIMER || uMsg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

} // namespace

int main(int argc, char** argv)
{
    const long nSeconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1800;
    WNDCLASSA wc{};
    wc.lpfnWndProc = KeepAliveProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "PinweaveKeepAlive";
    if (RegisterClassA(&wc) == 0) {
        return 1;
    }
    const HWND hWnd = CreateWindowA(wc.lpszClassName, "Pinweave test session", WS_OVERLAPPED, 0, 0, 10, 10,
                                    nullptr, nullptr, wc.hInstance, nullptr);
    if (hWnd == nullptr) {
        return 1;
    }
    SetTimer(hWnd, kLifetimeTimer, static_cast<UINT>(nSeconds > 0 ? nSeconds : 1800) * 1000U, nullptr);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageA(&msg);
    }
    return 0;
}
