// The fixture connectors of the CAP-H connector section become the pin table
// (every fixture pin, in order, with its index by connector and pin) and the
// [connectors] block that ends every PID file of the run.
#include "pid/ConversionEngine.h"

#include "pid/PidFormat.h"

namespace pinweave {

bool CConversionEngine::BuildConnectorsSection()
{
    m_strConnectors.assign(kPidConnectorsLine);
    for (const std::unique_ptr<CCapHElement>& pChild : m_rootConnector.m_lstChildren) {
        const std::optional<std::string_view> strName = pChild->m_mapAttributes.Find("NAME");
        if (!strName || !EqualsNoCaseAscii(pChild->m_strType, "[FIXTURE]")) {
            continue;
        }
        const std::string strConnector(*strName);
        std::string strConnectorPrefix;
        AppendUnderscored(strConnectorPrefix, strConnector);
        strConnectorPrefix += ' ';

        // The pins are the NAME values of the fixture's first child, stored
        // under NAME, NAME||1, NAME||2 ... up to its entry count - 1. A fixture
        // without a pin list has no pins; a position whose key another
        // attribute took holds no pin and is not counted.
        std::size_t nPins = 0;
        if (!pChild->m_lstChildren.empty()) {
            const CAttributeTable& mapPins = pChild->m_lstChildren.front()->m_mapAttributes;
            const std::size_t nEntries = mapPins.GetCount();
            for (std::size_t i = 0; i < nEntries; ++i) {
                const std::optional<std::string_view> strPin =
                    mapPins.Find(i == 0 ? std::string("NAME") : "NAME||" + std::to_string(i));
                if (!strPin) {
                    continue;
                }
                CPinRecord record;
                record.m_strConnector = strConnector;
                record.m_strPin = *strPin;
                record.m_strLinePrefix = strConnectorPrefix;
                AppendUnderscored(record.m_strLinePrefix, *strPin);
                record.m_strLinePrefix += ' ';
                // A later pin with the same key takes the index over.
                m_mapPinIndex[PinKey(strConnector, *strPin)] = m_arrPinRecords.size();
                m_arrPinRecords.push_back(std::move(record));
                ++nPins;
            }
        }
        AppendUnderscored(m_strConnectors, strConnector);
        m_strConnectors.append(" ").append(std::to_string(nPins)).append(" 0 0 0 - -1 -1\r\n");
    }
    return true;
}

}  // namespace pinweave
