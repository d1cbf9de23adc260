#include "app/WindowGeometry.h"

namespace pinweave {

namespace {

// The offset that moves [nStart, nEnd) into [nMin, nMax) as far as it fits.
int OntoRange(int nStart, int nEnd, int nMin, int nMax)
{
    if (nEnd > nMax) {
        const int nShift = nMax - nEnd;
        nStart += nShift;
    }
    return nStart < nMin ? nMin : nStart;
}

// One axis of AnchoredRect: the new start and end of [nStart, nEnd).
void AnchorAxis(int& nStart, int& nEnd, bool bNear, bool bFar, int nGrow)
{
    if (bFar) {
        nEnd += nGrow;
        if (!bNear) {
            nStart += nGrow;
        }
    }
}

} // namespace

CRectPx CenteredRect(const CRectPx& rcWindow, const CRectPx& rcReference, const CRectPx& rcWork)
{
    const int nLeft = rcReference.m_nLeft + (rcReference.Width() - rcWindow.Width()) / 2;
    const int nTop = rcReference.m_nTop + (rcReference.Height() - rcWindow.Height()) / 2;
    const int nFitLeft = OntoRange(nLeft, nLeft + rcWindow.Width(), rcWork.m_nLeft, rcWork.m_nRight);
    const int nFitTop = OntoRange(nTop, nTop + rcWindow.Height(), rcWork.m_nTop, rcWork.m_nBottom);
    return CRectPx{nFitLeft, nFitTop, nFitLeft + rcWindow.Width(), nFitTop + rcWindow.Height()};
}

CRectPx AnchoredRect(const CRectPx& rcInitial, unsigned nAnchors, int nGrowX, int nGrowY)
{
    CRectPx rc = rcInitial;
    AnchorAxis(rc.m_nLeft, rc.m_nRight, (nAnchors & kAnchorLeft) != 0, (nAnchors & kAnchorRight) != 0,
               nGrowX);
    AnchorAxis(rc.m_nTop, rc.m_nBottom, (nAnchors & kAnchorTop) != 0, (nAnchors & kAnchorBottom) != 0,
               nGrowY);
    return rc;
}

} // namespace pinweave
