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
    // The elements made here hold no one: each dies without recursing.
    m_pMade.reset();
    CChildList().swap(m_lstChildren);
    m_mapAttributes.RemoveAll();
    std::string().swap(m_strType);
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
