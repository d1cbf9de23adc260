// The tests' one way to put a CAP-H file together: part numbers in the
// header section, part groups of wires and diodes in the connection section,
// fixtures with their pin lists in the connector section, CR LF lines.
#ifndef PINWEAVE_TESTS_SUPPORT_CAPHBUILDER_H
#define PINWEAVE_TESTS_SUPPORT_CAPHBUILDER_H

#include <string>
#include <utility>
#include <vector>

namespace pinweave {

// A wire (or a diode) of a part group; empty values are left out.
struct CCapHMember {
    CCapHMember(std::string name, std::string connectorA = "", std::string pinA = "",
                std::string connectorB = "", std::string pinB = "", std::string spliceA = "",
                std::string spliceB = "", std::string colour = "", bool diode = false)
        : strName(std::move(name)), strConnectorA(std::move(connectorA)), strPinA(std::move(pinA)),
          strConnectorB(std::move(connectorB)), strPinB(std::move(pinB)), strSpliceA(std::move(spliceA)),
          strSpliceB(std::move(spliceB)), strColour(std::move(colour)), bDiode(diode)
    {
    }

    std::string strName;
    std::string strConnectorA, strPinA, strConnectorB, strPinB;
    std::string strSpliceA, strSpliceB, strColour;
    bool bDiode = false;
};

class CCapHBuilder {
public:
    // A line before the sections, as it stands.
    CCapHBuilder& Preamble(const std::string& strLine);
    // An attribute line of the header section, before its part numbers.
    CCapHBuilder& HeaderValue(const std::string& strName, const std::string& strValue);
    // One part number; or nCount of them, named strPrefix and nFirst, nFirst + 1 ...
    CCapHBuilder& PartNumber(const std::string& strName);
    CCapHBuilder& PartNumbers(int nCount, const std::string& strPrefix = "P", int nFirst = 0);
    // One part group of the connection section.
    CCapHBuilder& Group(const std::vector<CCapHMember>& arrMembers = {});
    // A fixture with its pin list; bPinList false: a fixture without one.
    CCapHBuilder& Fixture(const std::string& strName, const std::vector<std::string>& arrPins,
                          bool bPinList = true);
    // A fixture with the pins nFirst to nLast.
    CCapHBuilder& FixturePins(const std::string& strName, int nFirst, int nLast);

    // The file's text; a section without content is still there.
    std::string Text() const;

private:
    std::vector<std::string> m_arrPreamble, m_arrHeader, m_arrConnection, m_arrConnector;
};

} // namespace pinweave

#endif // PINWEAVE_TESTS_SUPPORT_CAPHBUILDER_H
