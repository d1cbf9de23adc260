// One fixture pin of a run, and the key under which the pin index finds it.
#ifndef PINWEAVE_PID_PINRECORD_H
#define PINWEAVE_PID_PINRECORD_H

#include <string>
#include <string_view>
#include <vector>

namespace pinweave {

struct CPinRecord {
    std::string m_strConnector;           // the fixture's NAME as stored, blanks kept
    std::string m_strPin;                 // the pin's NAME as stored
    std::string m_strLinePrefix;          // "connector pin " in underscored form, as [pins] lines begin
    std::vector<std::string> m_lstWires;  // wire ends of the current part, in attach order
};

// The pin-index key: connector and pin, both as stored, joined by "||".
inline std::string PinKey(std::string_view strConnector, std::string_view strPin)
{
    std::string strKey;
    strKey.reserve(strConnector.size() + 2 + strPin.size());
    strKey.append(strConnector).append("||").append(strPin);
    return strKey;
}

}  // namespace pinweave

#endif  // PINWEAVE_PID_PINRECORD_H
