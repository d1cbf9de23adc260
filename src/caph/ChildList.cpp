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
    return reinterpret_cast<Block*>(reinterpret_cast<std::uintptr_t>(m_first.m_pElement) & ~std::uintptr_t(1));
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
    if (empty()) {
        m_first.m_pElement = pChild.release();
        return *m_first.m_pElement;
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
            reinterpret_cast<CCapHElement*>(reinterpret_cast<std::uintptr_t>(pBlock) | std::uintptr_t(1));
    }
    CChildPtr& item = pBlock->Items()[pBlock->nSize++];
    item.m_pElement = pChild.release();
    return *item.m_pElement;
}

void CChildList::clear()
{
    // Each child empties its own subtree iteratively before it dies, so this
    // never recurses deeper than one level.
    for (const CChildPtr& child : *this) {
        delete child.get();
    }
    FreeStorage();
}

void CChildList::ReleaseInto(std::vector<CCapHElement*>& lstOwned)
{
    // Room first, so that no child is ever held by both.
    lstOwned.reserve(lstOwned.size() + size());
    for (const CChildPtr& child : *this) {
        lstOwned.push_back(child.get());
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
