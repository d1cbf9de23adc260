// A dialog that can be resized and maximised: each control keeps its
// distance to the edges it is anchored to (by default the left and top), and
// the dialog cannot be made smaller than the size it was created with.
#ifndef PINWEAVE_APP_DIALOGLAYOUTWIN_H
#define PINWEAVE_APP_DIALOGLAYOUTWIN_H

#include "app/WindowGeometry.h"

#include <windows.h>

#include <vector>

namespace pinweave {

// Centres hWnd on its owner, or on the work area of its screen when it has
// none (or the owner is minimised or hidden), keeping it on that work area.
void CenterOnOwnerWin(HWND hWnd);

class CDialogLayoutWin {
public:
    struct CAnchoredControl {
        int m_nId;
        unsigned m_nAnchors; // EAnchor flags
    };

    // Measures hDlg and every child as they stand now (the template's size);
    // children missing from arrAnchors follow the left and top edges.
    void Attach(HWND hDlg, const std::vector<CAnchoredControl>& arrAnchors);

    // WM_SIZE: puts every child where its anchors say for the new client size.
    void OnSize(int nClientWidth, int nClientHeight);

    // WM_GETMINMAXINFO: the smallest tracking size is the initial window size.
    void OnGetMinMaxInfo(MINMAXINFO& info) const;

    // WM_DPICHANGED, before the system scales the dialog to the new screen's
    // pixels: the measured sizes are scaled alike, so the layout that follows
    // keeps the controls where the scaled template puts them.
    void OnDpiChanged(int nNewDpi);

private:
    struct CChild {
        HWND m_hWnd;
        CRectPx m_rcInitial;
        unsigned m_nAnchors;
    };
    HWND m_hDlg = nullptr;
    std::vector<CChild> m_arrChildren;
    int m_nInitialClientWidth = 0;
    int m_nInitialClientHeight = 0;
    SIZE m_sizeMinimum{};
    int m_nDpi = 96; // of the screen the sizes were measured for
};

} // namespace pinweave

#endif // PINWEAVE_APP_DIALOGLAYOUTWIN_H
