#include "app/WindowThreadCallWin.h"

#include <exception>

namespace pinweave {

namespace {

// One call on its way: the code, and what it threw.
struct CWindowThreadCall {
    const std::function<void()>* m_pfnCall;
    std::exception_ptr m_pError;
    bool m_bRan = false;
};

} // namespace

bool CallOnWindowThread(HWND hWnd, const std::function<void()>& fnCall)
{
    if (hWnd == nullptr || !IsWindow(hWnd)) {
        return false;
    }
    if (GetWindowThreadProcessId(hWnd, nullptr) == GetCurrentThreadId()) {
        fnCall();
        return true;
    }
    CWindowThreadCall call{&fnCall, nullptr};
    SendMessageA(hWnd, kMsgWindowThreadCall, 0, reinterpret_cast<LPARAM>(&call));
    if (call.m_pError) {
        std::rethrow_exception(call.m_pError);
    }
    return call.m_bRan;
}

void HandleWindowThreadCall(LPARAM lParam)
{
    auto* pCall = reinterpret_cast<CWindowThreadCall*>(lParam);
    pCall->m_bRan = true;
    try {
        (*pCall->m_pfnCall)();
    } catch (...) {
        pCall->m_pError = std::current_exception();
    }
}

} // namespace pinweave
