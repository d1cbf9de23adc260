#include "caph/ChildList.h"

#include "caph/CapHElement.h"

#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

namespace pinweave {

// The storage of two children or more: this header, then nCapacity pointers.
struct CChildList::Block {
    std::size_t nSize;
    std::size_t nCapacity;

    CChildPtr* Items() { return reinterpret_cast<CChildPtr*>(this + 1); }
};

CChildList::Block* CChildList::GetBlock() const
{
    return reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(m_first.m_pElement) &
                                    ~CChildPtr::kBlockTag);
}

std::size_t CChildList::size() const
{
    if (HoldsBlock()) {
        return GetBlock()->nSize;
    }
    return empty() ? 0 : 1;
}

const CChildPtr* CChildList::begin() const
{
    return HoldsBlock() ? GetBlock()->Items() : &m_first;
}

const CChildPtr& CChildList::at(std::size_t i) const
{
    if (i >= size()) {
        throw std::out_of_range("child " + std::to_string(i) + " of " + std::to_string(size()));
    }
    return begin()[i];
}

CCapHElement& CChildList::push_back(std::unique_ptr<CCapHElement> pChild)
{
    return Append(pChild.release());
}

CCapHElement& CChildList::push_back_from_arena(CCapHElement* pChild)
{
    return Append(
        reinterpret_cast<CCapHElement*>(reinterpret_cast<std::uintptr_t>(pChild) | CChildPtr::kArenaTag));
}

CCapHElement& CChildList::Append(CCapHElement* pTagged)
{
    if (empty()) {
        m_first.m_pElement = pTagged;
        return *m_first;
    }
    Block* pBlock = HoldsBlock() ? GetBlock() : nullptr;
    const std::size_t nSize = pBlock != nullptr ? pBlock->nSize : 1;
    if (pBlock == nullptr || nSize == pBlock->nCapacity) {
        // Doubling keeps a part group of many thousand wires cheap to fill.
        const std::size_t nCapacity = pBlock != nullptr ? 2 * nSize : 4;
        void* const pNew = std::realloc(pBlock, sizeof(Block) + nCapacity * sizeof(CChildPtr));
        if (pNew == nullptr) {
            throw std::bad_alloc();
        }
        if (pBlock == nullptr) {
            static_cast<Block*>(pNew)->Items()[0] = m_first;
        }
        pBlock = static_cast<Block*>(pNew);
        pBlock->nSize = nSize;
        pBlock->nCapacity = nCapacity;
        m_first.m_pElement =
            reinterpret_cast<CCapHElement*>(reinterpret_cast<std::uintptr_t>(pBlock) | CChildPtr::kBlockTag);
    }
    CChildPtr& item = pBlock->Items()[pBlock->nSize++];
    item.m_pElement = pTagged;
    return *item;
}

void CChildList::clear()
{
    // Each child empties its own subtree iteratively before it dies, so this
    // never recurses deeper than one level.
    for (const CChildPtr& child : *this) {
        if (!child.InArena()) {
            delete child.get();
        }
    }
    FreeStorage();
}

void CChildList::ReleaseInto(std::vector<CCapHElement*>& lstOwned)
{
    // Room first, so that no child is ever held by both.
    std::size_t nOwned = 0;
    for (const CChildPtr& child : *this) {
        nOwned += child.InArena() ? 0 : 1;
    }
    if (nOwned == 0) {
        FreeStorage();
        return;
    }
    lstOwned.reserve(lstOwned.size() + nOwned);
    for (const CChildPtr& child : *this) {
        if (!child.InArena()) {
            lstOwned.push_back(child.get());
        }
    }
    FreeStorage();
}

void CChildList::FreeStorage()
{
    if (HoldsBlock()) {
        std::free(GetBlock());
    }
    m_first.m_pElement = nullptr;
}

}  // namespace pinweave
