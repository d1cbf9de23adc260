#include "caph/CapHElement.h"

#include <utility>

namespace pinweave {

CCapHElement::ReportHook CCapHElement::s_pfnReport;

CCapHElement::~CCapHElement()
{
    Clear();
}

void CCapHElement::Clear()
{
    // Destroying children one by one from an explicit list keeps the stack flat
    // however deep the tree is: each child is emptied of its own children
    // before it dies, so no destructor ever recurses.
    std::vector<std::unique_ptr<CCapHElement>> lstPending = std::move(m_lstChildren);
    m_lstChildren.clear();
    while (!lstPending.empty()) {
        std::unique_ptr<CCapHElement> pElement = std::move(lstPending.back());
        lstPending.pop_back();
        for (std::unique_ptr<CCapHElement>& pChild : pElement->m_lstChildren) {
            lstPending.push_back(std::move(pChild));
        }
        pElement->m_lstChildren.clear();
    }
    std::vector<std::unique_ptr<CCapHElement>>().swap(m_lstChildren);
    m_mapAttributes.RemoveAll();
    std::string().swap(m_strType);
}

std::string_view CCapHElement::Value(std::string_view strKey) const
{
    return m_mapAttributes.Find(strKey).value_or(std::string_view());
}

void MakeUpperAscii(std::string& str)
{
    for (char& c : str) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
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

}  // namespace pinweave
