#include "app/WindowGeometry.h"

#include <gtest/gtest.h>

#include <ostream>

namespace pinweave {

void PrintTo(const CRectPx& rc, std::ostream* pStream)
{
    *pStream << "{" << rc.m_nLeft << ", " << rc.m_nTop << ", " << rc.m_nRight << ", " << rc.m_nBottom << "}";
}

namespace {

const CRectPx kWork{0, 0, 1280, 1000};

struct CentreCase {
    const char* pszName;
    CRectPx rcWindow;
    CRectPx rcReference;
    CRectPx rcExpected;
};

const CentreCase kCentreCases[] = {
    {"OnTheWorkArea", {0, 0, 695, 508}, kWork, {292, 246, 987, 754}},
    {"OnAnOwner", {0, 0, 100, 50}, {100, 100, 500, 300}, {250, 175, 350, 225}},
    {"OwnerNearTheRightEdgeKeepsTheBoxOnScreen",
     {0, 0, 300, 100},
     {1100, 400, 1300, 500},
     {980, 400, 1280, 500}},
    {"OwnerAboveTheTopKeepsTheBoxOnScreen", {0, 0, 300, 100}, {0, -300, 400, -100}, {50, 0, 350, 100}},
    {"LargerThanTheWorkAreaStartsAtItsCorner", {0, 0, 1500, 1200}, kWork, {0, 0, 1500, 1200}},
};

TEST(CenteredRectTest, Table)
{
    for (const CentreCase& c : kCentreCases) {
        EXPECT_EQ(CenteredRect(c.rcWindow, c.rcReference, kWork), c.rcExpected) << c.pszName;
    }
}

struct AnchorCase {
    const char* pszName;
    unsigned nAnchors;
    CRectPx rcExpected; // the control {10, 20, 110, 40} after growing by 50 x 30
};

const AnchorCase kAnchorCases[] = {
    {"LeftTopStays", kAnchorLeft | kAnchorTop, {10, 20, 110, 40}},
    {"StretchedAcross", kAnchorLeft | kAnchorTop | kAnchorRight, {10, 20, 160, 40}},
    {"MovesWithTheRightEdge", kAnchorTop | kAnchorRight, {60, 20, 160, 40}},
    {"StretchedBothWays", kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom, {10, 20, 160, 70}},
    {"MovesWithTheBottomRightCorner", kAnchorRight | kAnchorBottom, {60, 50, 160, 70}},
};

TEST(AnchoredRectTest, Table)
{
    for (const AnchorCase& c : kAnchorCases) {
        EXPECT_EQ(AnchoredRect({10, 20, 110, 40}, c.nAnchors, 50, 30), c.rcExpected) << c.pszName;
        EXPECT_EQ(AnchoredRect({10, 20, 110, 40}, c.nAnchors, 0, 0), (CRectPx{10, 20, 110, 40})) << c.pszName;
    }
}

} // namespace
} // namespace pinweave
