// The fixture connectors of the CAP-H connector section become the pin table
// (every fixture pin, in order, with its index by connector and pin) and the
// [connectors] block that ends every PID file of the run.
#include "pid/ConversionEngine.h"

#include "pid/PidFormat.h"

#include <utility>

namespace pinweave {

namespace {

// The pin list of a fixture is its first child; a fixture without children
// has none.
const CAttributeTable* PinListOf(const CCapHElement& fixture)
{
    return fixture.m_lstChildren.empty() ? nullptr : &fixture.m_lstChildren.front()->m_mapAttributes;
}

} // namespace

bool CConversionEngine::BuildConnectorsSection()
{
    m_strConnectors.assign(kPidConnectorsLine);
    m_pinTable.Clear();

    // The fixtures first, with the number of entries of their pin lists, so
    // that the pin table is sized once, whatever the number of pins.
    std::vector<std::pair<std::string_view, const CCapHElement*>> arrFixtures;
    std::size_t nEntries = 0;
    for (const CCapHElement* pChild : m_rootConnector.m_lstChildren) {
        const std::optional<std::string_view> strName = pChild->m_mapAttributes.Find("NAME");
        if (strName && EqualsNoCaseAscii(pChild->m_strType, "[FIXTURE]")) {
            arrFixtures.emplace_back(*strName, pChild);
            const CAttributeTable* pPins = PinListOf(*pChild);
            nEntries += pPins != nullptr ? pPins->GetCount() : 0;
        }
    }
    m_pinTable.Reserve(arrFixtures.size(), nEntries);

    std::string strKey;
    for (const auto& [strConnector, pFixture] : arrFixtures) {
        m_pinTable.AddFixture(strConnector);
        // The pins are the NAME values of the pin list, stored under NAME,
        // NAME||1, NAME||2 ... up to its entry count - 1. A position whose key
        // another attribute took holds no pin and is not counted.
        std::size_t nPins = 0;
        if (const CAttributeTable* pPins = PinListOf(*pFixture)) {
            for (std::size_t i = 0; i < pPins->GetCount(); ++i) {
                strKey.assign("NAME");
                if (i > 0) {
                    strKey.append("||").append(std::to_string(i));
                }
                const std::optional<std::string_view> strPin = pPins->Find(strKey);
                if (strPin) {
                    m_pinTable.AddPin(*strPin);
                    ++nPins;
                }
            }
        }
        AppendUnderscored(m_strConnectors, strConnector);
        m_strConnectors.append(" ").append(std::to_string(nPins)).append(" 0 0 0 - -1 -1\r\n");
    }
    m_pinTable.Complete();
    return true;
}

} // namespace pinweave
