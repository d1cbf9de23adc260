#include "caph/CapHElement.h"

#include <vector>

namespace pinweave {

CCapHElement::ReportHook CCapHElement::s_pfnReport;

CCapHElement::~CCapHElement()
{
    Clear();
}

void CCapHElement::Clear()
{
    // Every element made here is a child of this one or of an element in
    // the list kept beside the arena, which holds each parent after its own
    // children: each dies without recursing, and nothing is allocated.
    if (m_pMade != nullptr) {
        for (CCapHElement* pParent : m_pMade->lstParents) {
            for (CCapHElement* pChild : pParent->m_lstChildren) {
                pChild->~CCapHElement();
            }
        }
        for (CCapHElement* pChild : m_lstChildren) {
            pChild->~CCapHElement();
        }
        m_pMade.reset();
    }
    m_lstChildren = CChildList();
    m_mapAttributes.RemoveAll();
    m_strType = std::string_view();
}

std::string_view CCapHElement::Value(std::string_view strKey) const
{
    return m_mapAttributes.Find(strKey).value_or(std::string_view());
}

void MakeUpperAscii(std::string& str)
{
    // Without a branch per byte: the parser upper-cases every key it reads.
    for (char& c : str) {
        const auto b = static_cast<unsigned char>(c);
        c = static_cast<char>(b - (static_cast<unsigned char>(b - 'a') < 26 ? 'a' - 'A' : 0));
    }
}

bool EqualsNoCaseAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char ca = a[i];
        char cb = b[i];
        if (ca >= 'a' && ca <= 'z') {
            ca = static_cast<char>(ca - 'a' + 'A');
        }
        if (cb >= 'a' && cb <= 'z') {
            cb = static_cast<char>(cb - 'a' + 'A');
        }
        if (ca != cb) {
            return false;
        }
    }
    return true;
}

} // namespace pinweave
