#include "caph/TreeArena.h"
#include "caph/CapHElement.h"

#include "CapHTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace pinweave {
namespace {

// What the arena promises about block sizes and contents: the latest block
// resizes in place while its chunk has room, any other block keeps its bytes
// wherever it ends up.
TEST(TreeArenaTest, BlocksKeepTheirBytesThroughEveryResize)
{
    struct ResizeCase {
        const char* pszName;
        bool bLatest;  // no block made after it
        std::size_t nOld;
        std::size_t nNew;
        bool bInPlace;
    };
    const ResizeCase kCases[] = {
        {"LatestGrows", true, 64, 200, true},
        {"LatestShrinks", true, 200, 64, true},
        {"LatestOutgrowsItsChunk", true, 64, CTreeArena::kMaxBlock, false},
        {"EarlierGrows", false, 64, 200, false},
        {"EarlierShrinks", false, 200, 64, true},
    };
    for (const ResizeCase& c : kCases) {
        CTreeArena arena;
        auto* const pBlock = static_cast<char*>(arena.AllocateBlock(c.nOld));
        for (std::size_t i = 0; i < c.nOld; ++i) {
            pBlock[i] = static_cast<char>('a' + i % 26);
        }
        if (!c.bLatest) {
            std::memset(arena.AllocateBlock(32), 'x', 32);
        }
        auto* const pResized = static_cast<char*>(arena.ResizeBlock(pBlock, c.nOld, c.nNew));
        EXPECT_EQ(pResized == pBlock, c.bInPlace) << c.pszName;
        for (std::size_t i = 0; i < std::min(c.nOld, c.nNew); ++i) {
            ASSERT_EQ(pResized[i], static_cast<char>('a' + i % 26)) << c.pszName << " byte " << i;
        }
        std::memset(pResized, 'y', c.nNew);  // the whole new size is usable
        // The next block starts after the resized one's new end (or after
        // the block that followed the old one).
        auto* const pNext = static_cast<char*>(arena.AllocateBlock(16));
        EXPECT_TRUE(pNext >= pResized + c.nNew || pNext + 16 <= pResized) << c.pszName;
    }
}

TEST(TreeArenaTest, DestroysItsElementsAndWhatTheyOwnOnTheHeap)
{
    {
        CTreeArena arena;
        for (int i = 0; i < 5000; ++i) {  // several slabs
            CCapHElement* const pElement = arena.NewElement();
            pElement->m_strType = "[A TYPE TOO LONG FOR THE STRING ITSELF " + std::to_string(i) + "]";
            if (i % 100 == 0) {
                pElement->m_lstChildren.push_back(std::make_unique<CCountedElement>());
            }
            if (i > 0 && i % 7 == 0) {
                arena.NewElement()->m_lstChildren.push_back_from_arena(pElement);
            }
        }
        EXPECT_EQ(CCountedElement::s_nAlive, 50);
    }
    EXPECT_EQ(CCountedElement::s_nAlive, 0);  // and the long types: the sanitizer build checks the leak
}

TEST(TreeArenaTest, AdoptedElementsAndBlocksLiveAsLongAsTheAdopter)
{
    for (const bool bAdopterEmpty : {true, false}) {
        CTreeArena adopter;
        if (!bAdopterEmpty) {
            adopter.NewElement()->m_strType = "[MINE]";
            std::memset(adopter.AllocateBlock(100), 'm', 100);
        }
        CCapHElement* pAdopted = nullptr;
        char* pBlock = nullptr;
        {
            CTreeArena other;
            pAdopted = other.NewElement();
            pAdopted->m_strType = "[ADOPTED]";
            pAdopted->m_lstChildren.push_back(std::make_unique<CCountedElement>());
            pBlock = static_cast<char*>(other.AllocateBlock(10));
            std::memcpy(pBlock, "123456789", 10);
            adopter.Adopt(other);
        }
        EXPECT_EQ(pAdopted->m_strType, "[ADOPTED]");
        EXPECT_STREQ(pBlock, "123456789");
        // Allocation goes on in the adopter without touching adopted blocks.
        for (int i = 0; i < 1000; ++i) {
            std::memset(adopter.AllocateBlock(64), 'z', 64);
            adopter.NewElement();
        }
        EXPECT_STREQ(pBlock, "123456789");
        EXPECT_EQ(CCountedElement::s_nAlive, 1);
    }
    EXPECT_EQ(CCountedElement::s_nAlive, 0);
}

// A list never destroys the children of an arena, and hands only its own
// children to whoever releases them.
TEST(TreeArenaTest, ListsLeaveArenaChildrenToTheArena)
{
    CTreeArena arena;
    {
        CChildList lst;
        lst.push_back_from_arena(arena.NewElement()).m_strType = "[ARENA 0]";
        lst.push_back(std::make_unique<CCountedElement>());
        lst.push_back_from_arena(arena.NewElement()).m_strType = "[ARENA 2]";
        ASSERT_EQ(lst.size(), 3u);
        EXPECT_EQ(lst[0]->m_strType, "[ARENA 0]");
        EXPECT_EQ(lst[2]->m_strType, "[ARENA 2]");
        std::vector<CCapHElement*> lstOwned;
        lst.ReleaseInto(lstOwned);
        ASSERT_EQ(lstOwned.size(), 1u);
        EXPECT_EQ(CCountedElement::s_nAlive, 1);
        delete lstOwned[0];

        lst.push_back_from_arena(arena.NewElement());
        lst.clear();
    }
    EXPECT_EQ(CCountedElement::s_nAlive, 0);
}

// A table filled from an arena moves to the heap when it grows large or is
// changed without the arena at hand, and keeps every entry on the way.
TEST(TreeArenaTest, TablesLeaveTheArenaWithAllTheirEntries)
{
    struct TableCase {
        const char* pszName;
        int nEntries;      // stored with the arena
        bool bSetAtLater;  // then one more through SetAt, without it
    };
    const TableCase kCases[] = {
        {"Small", 8, false},
        {"SmallChangedLater", 8, true},
        {"OutgrowsTheArena", 5000, false},
        {"OutgrowsTheArenaChangedLater", 5000, true},
    };
    for (const TableCase& c : kCases) {
        auto pArena = std::make_unique<CTreeArena>();
        CAttributeTable table;
        for (int i = 0; i < c.nEntries; ++i) {
            table.SetAtNew("KEY" + std::to_string(i), std::string(10, static_cast<char>('a' + i % 26)),
                           pArena.get());
            if (i % 3 == 0) {
                pArena->AllocateBlock(24);  // other blocks in between
            }
        }
        table.Compact(pArena.get());
        if (c.bSetAtLater) {
            table.SetAt("KEY0", "changed");
            table.SetAt("LATER", "x");
        }
        EXPECT_EQ(table.GetCount(), static_cast<std::size_t>(c.nEntries) + (c.bSetAtLater ? 1 : 0))
            << c.pszName;
        EXPECT_EQ(table.Find("KEY0").value_or("-"), c.bSetAtLater ? "changed" : std::string(10, 'a'))
            << c.pszName;
        const std::string strLast = "KEY" + std::to_string(c.nEntries - 1);
        EXPECT_EQ(table.Find(strLast).value_or("-"),
                  std::string(10, static_cast<char>('a' + (c.nEntries - 1) % 26)))
            << c.pszName;
        table.RemoveAll();
        EXPECT_EQ(table.GetCount(), 0u);
    }
}

}  // namespace
}  // namespace pinweave
