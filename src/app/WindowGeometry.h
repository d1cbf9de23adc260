// Where the dialogs' windows go, as plain rectangle arithmetic (screen or
// client pixels; right and bottom exclusive): a window centred on another
// and kept on the screen's work area, and a control that keeps its distance
// to chosen edges of its dialog as the dialog is resized.
#ifndef PINWEAVE_APP_WINDOWGEOMETRY_H
#define PINWEAVE_APP_WINDOWGEOMETRY_H

namespace pinweave {

struct CRectPx {
    int m_nLeft = 0;
    int m_nTop = 0;
    int m_nRight = 0;
    int m_nBottom = 0;
    int Width() const { return m_nRight - m_nLeft; }
    int Height() const { return m_nBottom - m_nTop; }
    bool operator==(const CRectPx& other) const
    {
        return m_nLeft == other.m_nLeft && m_nTop == other.m_nTop && m_nRight == other.m_nRight &&
               m_nBottom == other.m_nBottom;
    }
};

// rcWindow moved so that its centre is rcReference's centre, then moved
// back onto rcWork as far as it fits (its top-left corner stays on the work
// area when the window is larger than it).
CRectPx CenteredRect(const CRectPx& rcWindow, const CRectPx& rcReference, const CRectPx& rcWork);

// Which edges of the dialog a control's edges follow; a control follows the
// left and top edges unless told otherwise.
enum EAnchor : unsigned {
    kAnchorLeft = 1,   // the left edge keeps its distance to the dialog's left edge
    kAnchorTop = 2,    // the top edge keeps its distance to the dialog's top edge
    kAnchorRight = 4,  // the right edge keeps its distance to the dialog's right edge
    kAnchorBottom = 8, // the bottom edge keeps its distance to the dialog's bottom edge
};

// The control's rectangle once the dialog's client area has grown by nGrowX
// and nGrowY (negative: shrunk) since rcInitial was measured. A control
// anchored on both sides stretches; anchored on the far side only, it moves.
CRectPx AnchoredRect(const CRectPx& rcInitial, unsigned nAnchors, int nGrowX, int nGrowY);

} // namespace pinweave

#endif // PINWEAVE_APP_WINDOWGEOMETRY_H
