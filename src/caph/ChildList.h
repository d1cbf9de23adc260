// The children of a CAP-H element: an ordered list that owns them.
//
// A parsed file holds millions of elements, most with no child or one (a
// section nested a million levels deep holds nothing else), so the list is
// one pointer wide: null when empty, the child itself when there is one, and
// the tagged address of a separate block when there are more. Elements are
// at least 4-byte aligned, so a child's address has its two lowest bits free:
// the lowest marks the block, the next a child that the tree's arena owns.
#ifndef PINWEAVE_CAPH_CHILDLIST_H
#define PINWEAVE_CAPH_CHILDLIST_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace pinweave {

class CCapHElement;

// One child as the list hands it out: a pointer that does not own.
class CChildPtr {
public:
    CCapHElement* get() const
    {
        return reinterpret_cast<CCapHElement*>(reinterpret_cast<std::uintptr_t>(m_pElement) & ~kTagBits);
    }
    CCapHElement& operator*() const { return *get(); }
    CCapHElement* operator->() const { return get(); }

private:
    friend class CChildList;
    static constexpr std::uintptr_t kBlockTag = 1;
    static constexpr std::uintptr_t kArenaTag = 2;
    static constexpr std::uintptr_t kTagBits = kBlockTag | kArenaTag;

    bool InArena() const { return (reinterpret_cast<std::uintptr_t>(m_pElement) & kArenaTag) != 0; }

    CCapHElement* m_pElement = nullptr;  // with its tags
};

class CChildList {
public:
    CChildList() = default;
    CChildList(const CChildList&) = delete;
    CChildList& operator=(const CChildList&) = delete;
    ~CChildList() { clear(); }

    bool empty() const { return m_first.m_pElement == nullptr; }
    std::size_t size() const;
    const CChildPtr* begin() const;
    const CChildPtr* end() const { return begin() + size(); }
    const CChildPtr& operator[](std::size_t i) const { return begin()[i]; }
    // operator[] that throws std::out_of_range past the end.
    const CChildPtr& at(std::size_t i) const;
    const CChildPtr& front() const { return *begin(); }
    const CChildPtr& back() const { return end()[-1]; }

    // Appends the child, which the list owns from then on.
    CCapHElement& push_back(std::unique_ptr<CCapHElement> pChild);

    // Appends a child that the tree's arena made and will destroy: the list
    // hands it out like any other but never destroys it.
    CCapHElement& push_back_from_arena(CCapHElement* pChild);

    // Destroys every child the list owns with its subtree, leaves those of
    // the arena to it, and empties the list.
    void clear();

    // Appends every child the list owns to lstOwned, whose holder owns them
    // from then on, leaves those of the arena to it, and empties the list.
    void ReleaseInto(std::vector<CCapHElement*>& lstOwned);

private:
    struct Block;

    bool HoldsBlock() const
    {
        return (reinterpret_cast<std::uintptr_t>(m_first.m_pElement) & CChildPtr::kBlockTag) != 0;
    }
    CCapHElement& Append(CCapHElement* pTagged);
    Block* GetBlock() const;
    void FreeStorage();

    // The only child, the tagged address of the block of several, or null.
    CChildPtr m_first;
};

}  // namespace pinweave

#endif  // PINWEAVE_CAPH_CHILDLIST_H
