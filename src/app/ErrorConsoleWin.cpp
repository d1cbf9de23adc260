#include "app/ErrorConsoleWin.h"

namespace pinweave {

CErrorConsoleWin::CErrorConsoleWin()
{
    const HANDLE hStdError = GetStdHandle(STD_ERROR_HANDLE);
    if (hStdError != nullptr && hStdError != INVALID_HANDLE_VALUE) {
        m_hError = hStdError;
    }
}

bool CErrorConsoleWin::IsAvailable()
{
    AttachParentConsole();
    return m_hError != nullptr;
}

void CErrorConsoleWin::AttachParentConsole()
{
    if (m_hError != nullptr || m_bTriedConsole) {
        return;
    }
    m_bTriedConsole = true;
    // A GUI program started from a console gets no standard handles: borrow
    // the parent's console, if it has one.
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) {
        return;
    }
    const HANDLE hConsole =
        CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_EXISTING, 0, nullptr);
    if (hConsole != INVALID_HANDLE_VALUE) {
        m_hError = hConsole;
        m_bOwnsHandle = true;
    }
}

CErrorConsoleWin::~CErrorConsoleWin()
{
    if (m_bOwnsHandle) {
        CloseHandle(m_hError);
    }
}

void CErrorConsoleWin::WriteLine(const std::string& strText)
{
    AttachParentConsole();
    if (m_hError == nullptr) {
        return;
    }
    const std::string strLine = strText + "\r\n";
    const char* pBytes = strLine.data();
    std::size_t nLeft = strLine.size();
    while (nLeft > 0) {
        DWORD nWritten = 0;
        const DWORD nChunk = nLeft > 0x10000 ? 0x10000 : static_cast<DWORD>(nLeft);
        if (!WriteFile(m_hError, pBytes, nChunk, &nWritten, nullptr) || nWritten == 0) {
            return; // nowhere else to report it
        }
        pBytes += nWritten;
        nLeft -= nWritten;
    }
}

} // namespace pinweave
