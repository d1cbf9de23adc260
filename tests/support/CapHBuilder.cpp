#include "CapHBuilder.h"

#include <algorithm>
#include <iterator>

namespace pinweave {

CCapHBuilder& CCapHBuilder::Preamble(const std::string& strLine)
{
    m_arrPreamble.push_back(strLine);
    return *this;
}

CCapHBuilder& CCapHBuilder::HeaderValue(const std::string& strName, const std::string& strValue)
{
    m_arrHeader.push_back(strName + "=" + strValue);
    return *this;
}

CCapHBuilder& CCapHBuilder::PartNumber(const std::string& strName)
{
    m_arrHeader.insert(m_arrHeader.end(), {"[PN]", "NAME=" + strName, "[ENDPN]"});
    return *this;
}

CCapHBuilder& CCapHBuilder::PartNumbers(int nCount, const std::string& strPrefix, int nFirst)
{
    for (int i = nFirst; i < nFirst + nCount; ++i) {
        PartNumber(strPrefix + std::to_string(i));
    }
    return *this;
}

CCapHBuilder& CCapHBuilder::Group(const std::vector<CCapHMember>& arrMembers)
{
    m_arrConnection.push_back("[PART]");
    for (const CCapHMember& member : arrMembers) {
        m_arrConnection.push_back(member.bDiode ? "[DIODE]" : "[WIRE]");
        const char* const arrKeys[] = {"NAME",     "COLOR",       "CONNECTOR_A", "PIN_A",
                                       "SPLICE_A", "CONNECTOR_B", "PIN_B",       "SPLICE_B"};
        const std::string* const arrValues[] = {&member.strName, &member.strColour,  &member.strConnectorA,
                                                &member.strPinA, &member.strSpliceA, &member.strConnectorB,
                                                &member.strPinB, &member.strSpliceB};
        for (std::size_t i = 0; i < std::size(arrKeys); ++i) {
            if (!arrValues[i]->empty()) {
                m_arrConnection.push_back(arrKeys[i] + ("=" + *arrValues[i]));
            }
        }
        m_arrConnection.push_back(member.bDiode ? "[ENDDIODE]" : "[ENDWIRE]");
    }
    m_arrConnection.push_back("[ENDPART]");
    return *this;
}

CCapHBuilder& CCapHBuilder::Fixture(const std::string& strName, const std::vector<std::string>& arrPins,
                                    bool bPinList)
{
    m_arrConnector.insert(m_arrConnector.end(), {"[FIXTURE]", "NAME=" + strName});
    if (bPinList) {
        m_arrConnector.push_back("[PINS]");
        for (const std::string& strPin : arrPins) {
            m_arrConnector.push_back("NAME=" + strPin);
        }
        m_arrConnector.push_back("[ENDPINS]");
    }
    m_arrConnector.push_back("[ENDFIXTURE]");
    return *this;
}

CCapHBuilder& CCapHBuilder::FixturePins(const std::string& strName, int nFirst, int nLast)
{
    std::vector<std::string> arrPins;
    for (int i = nFirst; i <= nLast; ++i) {
        arrPins.push_back(std::to_string(i));
    }
    return Fixture(strName, arrPins);
}

std::string CCapHBuilder::Text() const
{
    std::string strText;
    const auto addLine = [&](const std::string& strLine) { strText.append(strLine).append("\r\n"); };
    std::for_each(m_arrPreamble.begin(), m_arrPreamble.end(), addLine);
    for (const auto& [pszSection, pLines] :
         {std::pair{"HEADER", &m_arrHeader}, std::pair{"CONNECTION", &m_arrConnection},
          std::pair{"CONNECTOR", &m_arrConnector}}) {
        addLine(std::string("[") + pszSection + "]");
        std::for_each(pLines->begin(), pLines->end(), addLine);
        addLine(std::string("[END") + pszSection + "]");
    }
    return strText;
}

} // namespace pinweave
