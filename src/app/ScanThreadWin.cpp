#include "app/ScanThreadWin.h"

#include <utility>

namespace pinweave {

void CScanThreadWin::Start(HWND hWnd, UINT uMsgEnded, std::function<void()> fnRun)
{
    m_pError = nullptr;
    m_thread = std::thread([this, hWnd, uMsgEnded, fnRun = std::move(fnRun)] {
        try {
            fnRun();
        } catch (...) {
            m_pError = std::current_exception();
        }
        PostMessageA(hWnd, uMsgEnded, 0, 0);
    });
}

std::exception_ptr CScanThreadWin::Finish()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
    return std::exchange(m_pError, nullptr);
}

} // namespace pinweave
