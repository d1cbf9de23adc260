// One part group made into what its part's file and the log receive, before
// any of it is written: the [wires] lines, the log lines the group's wire ends
// call for (each with its place among the wire lines), the wire ends on
// fixture pins, and the [splices] and [components] blocks.
//
// Making a body reads only the part group and the pin table and writes
// nothing; the body writer then passes the bytes and the log lines on in
// exactly the order the group gives them.
#ifndef PINWEAVE_PID_PARTBODY_H
#define PINWEAVE_PID_PARTBODY_H

#include "caph/CapHElement.h"
#include "pid/PinEnds.h"
#include "pid/PinTable.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pinweave {

// A part's splice numbers as text, under views of the splice names.
using CSpliceNumbers = std::unordered_map<std::string_view, std::string>;

struct CPartBody {
    struct CLogLine {
        std::size_t m_nAt; // bytes of m_strWires made before the line arose
        std::string m_strText;
    };

    std::string_view m_strPartNumber; // the part it is made for, which its log lines may name
    std::string m_strWires;           // the [wires] lines
    std::vector<CLogLine> m_lstLogLines;
    CPinEnds m_pinEnds; // sorted in pin-table order once the body is made
    CSpliceNumbers m_mapSpliceNumbers;
    std::string m_strSplices;    // the [splices] lines, without the heading
    std::string m_strComponents; // the [components] lines, without the heading

    // Forgets the content, keeping the memory for the next part.
    void Clear();
};

// Makes the body of part strPartNumber's group into body (emptied first).
// The body refers to the part number, the group's values and the pin table:
// they must stay unchanged while it is in use.
void MakePartBody(const CPinTable& pinTable, std::string_view strPartNumber, const CCapHElement& partGroup,
                  CPartBody& body);

// Attaches one wire end of the body's part to its fixture pin (into
// m_pinEnds) or its splice (numbering a new splice and adding its line to
// m_strSplices). False when the end is rejected; strLogLine then receives the
// log line the rejection calls for (undefined connector, missing endpoint),
// or stays empty.
bool AttachEndTo(const CPinTable& pinTable, CPartBody& body, std::string_view strConnector,
                 std::string_view strPin, std::string_view strSplice, std::string_view strWireName,
                 std::string& strLogLine);

} // namespace pinweave

#endif // PINWEAVE_PID_PARTBODY_H
