#include "pid/PidFormat.h"

namespace pinweave {

void AppendUnderscored(std::string& strOut, std::string_view strName)
{
    const std::size_t nStart = strOut.size();
    strOut += strName;
    for (std::size_t i = nStart; i < strOut.size(); ++i) {
        if (strOut[i] == ' ') {
            strOut[i] = '_';
        }
    }
}

std::string Underscored(std::string_view strName)
{
    std::string strOut;
    AppendUnderscored(strOut, strName);
    return strOut;
}

std::array<std::string_view, 3> ColourFieldPieces(std::string_view strColour)
{
    if (strColour.empty()) {
        return {" 0 0", {}, {}};
    }
    const std::size_t nSlash = strColour.find('/');
    if (nSlash != std::string_view::npos && nSlash > 0) {
        return {strColour.substr(0, nSlash), " ", strColour.substr(nSlash + 1)};
    }
    return {strColour, " 0", {}};
}

std::string ColourFields(std::string_view strColour)
{
    std::string strFields;
    for (const std::string_view strPiece : ColourFieldPieces(strColour)) {
        strFields += strPiece;
    }
    return strFields;
}

} // namespace pinweave
