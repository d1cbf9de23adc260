#include "app/DialogLayoutWin.h"

namespace pinweave {

namespace {

CRectPx FromRect(const RECT& rc)
{
    return CRectPx{rc.left, rc.top, rc.right, rc.bottom};
}

// The window's dots per inch: per screen where the system knows it (Windows
// 10 1607 and later), else the system's.
int WindowDpi(HWND hWnd)
{
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    const auto pfnGetDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (pfnGetDpiForWindow != nullptr) {
        return static_cast<int>(pfnGetDpiForWindow(hWnd));
    }
    const HDC hdc = GetDC(hWnd);
    const int nDpi = GetDeviceCaps(hdc, LOGPIXELSX);
    ReleaseDC(hWnd, hdc);
    return nDpi > 0 ? nDpi : 96;
}

int Scaled(int n, int nNewDpi, int nOldDpi)
{
    return MulDiv(n, nNewDpi, nOldDpi);
}

} // namespace

void CenterOnOwnerWin(HWND hWnd)
{
    RECT rcWindow{};
    GetWindowRect(hWnd, &rcWindow);
    const HWND hOwner = GetWindow(hWnd, GW_OWNER);
    const bool bOwnerShown = hOwner != nullptr && IsWindowVisible(hOwner) && !IsIconic(hOwner);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoA(MonitorFromWindow(bOwnerShown ? hOwner : hWnd, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT rcReference = monitor.rcWork;
    if (bOwnerShown) {
        GetWindowRect(hOwner, &rcReference);
    }
    const CRectPx rc = CenteredRect(FromRect(rcWindow), FromRect(rcReference), FromRect(monitor.rcWork));
    SetWindowPos(hWnd, nullptr, rc.m_nLeft, rc.m_nTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CDialogLayoutWin::Attach(HWND hDlg, const std::vector<CAnchoredControl>& arrAnchors)
{
    m_hDlg = hDlg;
    m_nDpi = WindowDpi(hDlg);
    RECT rcClient{};
    GetClientRect(hDlg, &rcClient);
    m_nInitialClientWidth = rcClient.right;
    m_nInitialClientHeight = rcClient.bottom;
    RECT rcWindow{};
    GetWindowRect(hDlg, &rcWindow);
    m_sizeMinimum = SIZE{rcWindow.right - rcWindow.left, rcWindow.bottom - rcWindow.top};
    m_arrChildren.clear();
    for (HWND hChild = GetWindow(hDlg, GW_CHILD); hChild != nullptr;
         hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        RECT rc{};
        GetWindowRect(hChild, &rc);
        MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&rc), 2);
        unsigned nAnchors = kAnchorLeft | kAnchorTop;
        for (const CAnchoredControl& control : arrAnchors) {
            if (control.m_nId == GetDlgCtrlID(hChild)) {
                nAnchors = control.m_nAnchors;
            }
        }
        m_arrChildren.push_back(CChild{hChild, FromRect(rc), nAnchors});
    }
}

void CDialogLayoutWin::OnSize(int nClientWidth, int nClientHeight)
{
    if (m_hDlg == nullptr || m_arrChildren.empty()) {
        return;
    }
    const int nGrowX = nClientWidth - m_nInitialClientWidth;
    const int nGrowY = nClientHeight - m_nInitialClientHeight;
    HDWP hDefer = BeginDeferWindowPos(static_cast<int>(m_arrChildren.size()));
    for (const CChild& child : m_arrChildren) {
        const CRectPx rc = AnchoredRect(child.m_rcInitial, child.m_nAnchors, nGrowX, nGrowY);
        if (hDefer != nullptr) {
            hDefer = DeferWindowPos(hDefer, child.m_hWnd, nullptr, rc.m_nLeft, rc.m_nTop, rc.Width(),
                                    rc.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (hDefer != nullptr) {
        EndDeferWindowPos(hDefer);
    }
    InvalidateRect(m_hDlg, nullptr, TRUE);
}

void CDialogLayoutWin::OnDpiChanged(int nNewDpi)
{
    if (m_hDlg == nullptr || nNewDpi <= 0 || nNewDpi == m_nDpi) {
        return;
    }
    for (CChild& child : m_arrChildren) {
        CRectPx& rc = child.m_rcInitial;
        rc = CRectPx{Scaled(rc.m_nLeft, nNewDpi, m_nDpi), Scaled(rc.m_nTop, nNewDpi, m_nDpi),
                     Scaled(rc.m_nRight, nNewDpi, m_nDpi), Scaled(rc.m_nBottom, nNewDpi, m_nDpi)};
    }
    m_nInitialClientWidth = Scaled(m_nInitialClientWidth, nNewDpi, m_nDpi);
    m_nInitialClientHeight = Scaled(m_nInitialClientHeight, nNewDpi, m_nDpi);
    m_sizeMinimum =
        SIZE{Scaled(m_sizeMinimum.cx, nNewDpi, m_nDpi), Scaled(m_sizeMinimum.cy, nNewDpi, m_nDpi)};
    m_nDpi = nNewDpi;
}

void CDialogLayoutWin::OnGetMinMaxInfo(MINMAXINFO& info) const
{
    if (m_hDlg != nullptr) {
        info.ptMinTrackSize.x = m_sizeMinimum.cx;
        info.ptMinTrackSize.y = m_sizeMinimum.cy;
    }
}

} // namespace pinweave
