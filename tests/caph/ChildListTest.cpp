#include "caph/CapHElement.h"

#include "CapHTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace pinweave {
namespace {

std::unique_ptr<CCapHElement> NewChild(const std::string& strType)
{
    auto pChild = std::make_unique<CCountedElement>();
    pChild->m_strType = strType;
    return pChild;
}

// The list holds its first child in place and moves to a block from the
// second on: every size across both forms keeps the order and the count.
TEST(ChildListTest, KeepsOrderAndCountAcrossItsForms)
{
    for (const int nChildren : {0, 1, 2, 3, 4, 5, 9, 1000}) {
        {
            CChildList lst;
            for (int i = 0; i < nChildren; ++i) {
                CCapHElement& child = lst.push_back(NewChild(std::to_string(i)));
                ASSERT_EQ(&child, lst.back().get()) << nChildren;
            }
            ASSERT_EQ(lst.size(), static_cast<std::size_t>(nChildren));
            ASSERT_EQ(lst.empty(), nChildren == 0);
            int nExpected = 0;
            for (const CChildPtr& pChild : lst) {
                ASSERT_EQ(pChild->m_strType, std::to_string(nExpected++));
            }
            ASSERT_EQ(nExpected, nChildren);
            if (nChildren > 0) {
                EXPECT_EQ(lst.front()->m_strType, "0");
                EXPECT_EQ(lst[static_cast<std::size_t>(nChildren - 1)]->m_strType, std::to_string(nChildren - 1));
            }
            EXPECT_THROW(lst.at(static_cast<std::size_t>(nChildren)), std::out_of_range);
            EXPECT_EQ(CCountedElement::s_nAlive, nChildren);
        }
        EXPECT_EQ(CCountedElement::s_nAlive, 0) << "children of a list of " << nChildren << " outlived it";
    }
}

TEST(ChildListTest, ReleaseHandsOverAndClearDestroys)
{
    CChildList lst;
    for (int i = 0; i < 3; ++i) {
        lst.push_back(NewChild("R" + std::to_string(i)));
    }
    std::vector<CCapHElement*> lstOwned;
    lst.ReleaseInto(lstOwned);
    EXPECT_TRUE(lst.empty());
    ASSERT_EQ(lstOwned.size(), 3u);
    EXPECT_EQ(lstOwned[2]->m_strType, "R2");
    EXPECT_EQ(CCountedElement::s_nAlive, 3);
    for (CCapHElement* pElement : lstOwned) {
        delete pElement;
    }

    lst.push_back(NewChild("A"));
    lst.push_back(NewChild("B"));
    lst.clear();
    EXPECT_TRUE(lst.empty());
    EXPECT_EQ(CCountedElement::s_nAlive, 0);
    lst.push_back(NewChild("again"));
    EXPECT_EQ(lst.size(), 1u);
}

}  // namespace
}  // namespace pinweave
