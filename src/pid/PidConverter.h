// The converter: from the three roots of a CAP-H file to the texts of its PID
// files, part by part. It touches no disk and no front end: each part's text
// comes back as a CPartText (views of the bytes in file order, and the log
// lines that arise among them), and the run writes and logs it.
//
// Every part's file is its header text (WriteHeaderSection) followed by its
// body (WriteBodySections); the part-number list is decided when the
// converter is made, the pin table and the [connectors] block by
// BuildConnectorsSection, which must run before the first body.
//
// Lifetime: the texts point into the roots (and the pin table into the
// connector root): the roots must stay unchanged while the converter lives.
// A CPartText holds until the converter makes the next one.
#ifndef PINWEAVE_PID_PIDCONVERTER_H
#define PINWEAVE_PID_PIDCONVERTER_H

#include "caph/CapHElement.h"
#include "pid/PartBody.h"
#include "pid/PinTable.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pinweave {

struct CPartText {
    struct CLogLine {
        std::size_t m_nBeforePiece; // logged once the pieces before this one are written
        const std::string* m_pText;
    };
    std::vector<std::string_view> m_arrPieces; // the file's bytes, in order
    std::vector<CLogLine> m_arrLogLines;       // in order

    void Clear()
    {
        m_arrPieces.clear();
        m_arrLogLines.clear();
    }
    // The pieces joined.
    std::string Bytes() const;
};

class CPidConverter {
public:
    // The part numbers are the NAME values of the header root's children;
    // strCapHPath and strDate are lines 2 and 3 of every file.
    CPidConverter(const CCapHElement& rootHeader, const CCapHElement& rootConnection,
                  const CCapHElement& rootConnector, std::string_view strCapHPath, std::string_view strDate);
    CPidConverter(const CPidConverter&) = delete;
    CPidConverter& operator=(const CPidConverter&) = delete;

    int PartCount() const { return static_cast<int>(m_arrPartNumbers.size()); }
    std::string_view PartNumber(int nPart) const { return m_arrPartNumbers[static_cast<std::size_t>(nPart)]; }

    // Part nPart's comment block and [header] section, and the [wires]
    // heading that every file has, into text (emptied first).
    void WriteHeaderSection(int nPart, CPartText& text) const;

    // Builds the pin table, its index and the [connectors] block from the
    // connector root. Writes nothing.
    void BuildConnectorsSection();

    // How many part groups of the connection section have a part number
    // (group n belongs to part number n); whether there are more groups than
    // part numbers, which leaves a group without a file to go to.
    int GroupCount() const;
    bool HasSurplusGroups() const { return m_rootConnection.m_lstChildren.size() > m_arrPartNumbers.size(); }

    // The rest of part nPart's file (nPart < GroupCount()): its wire lines,
    // with the lines its rejected wire ends call for at their places, and its
    // [pins], [splices], [components] and [connectors] blocks, into text
    // (emptied first).
    void WriteBodySections(int nPart, CPartText& text);

    const CPinTable& PinTable() const { return m_pinTable; }
    const std::string& ConnectorsText() const { return m_strConnectors; }

private:
    void AddPins(CPartText& text) const;

    const CCapHElement& m_rootConnection;
    const CCapHElement& m_rootConnector;
    std::vector<std::string_view> m_arrPartNumbers;
    std::string m_strComment; // comment lines 1 to 3, the same in every file
    std::string m_strHeader;  // [header] and its five values
    std::string m_strTail;    // the three values after the part number
    CPinTable m_pinTable;
    std::string m_strConnectors; // the [connectors] block
    CPartBody m_body;            // the latest part's body, which its text points into
};

} // namespace pinweave

#endif // PINWEAVE_PID_PIDCONVERTER_H
