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
        for (CCapHElement* pOwner : m_pMade->lstOwners) {
            pOwner->m_mapAttributes.RemoveAll();
        }
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

} // namespace pinweave
