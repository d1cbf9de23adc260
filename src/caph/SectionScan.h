// The section scan: finds the header, connection and connector sections of a
// CAP-H file and has the parser fill the matching root with each.
//
// Lines are looked at one by one; start markers "[HEADER]", "[CONNECTION]" and
// "[CONNECTOR]" (in that priority, any letter case, anywhere in the line) open
// a section, and the rest of that line is not looked at. While a section is
// pending only its end marker counts; the section text runs from the "[" of
// the start marker through the end marker, CR LF pairs delivered as LF, and
// scanning goes on from the byte right after the end marker. The scan stops
// once three sections are parsed. A section whose end marker never comes is
// not parsed; the caller learns which one it was, and whether the file held
// any start marker at all. All offsets are 64-bit byte offsets of the file.
#ifndef PINWEAVE_CAPH_SECTIONSCAN_H
#define PINWEAVE_CAPH_SECTIONSCAN_H

#include "caph/CapHElement.h"

#include <string>
#include <string_view>

namespace pinweave {

// How the bytes reach the scan: as the file holds them, or with every CR LF
// pair joined into LF already (as CCapHFile::ReadAll delivers them). Joining
// twice is not joining once ("\r\r\n" becomes "\r\n", and that then "\n"),
// so the scan must know.
enum class ELineEnds { AsInFile, Joined };

// What a scan saw besides the trees it filled; the conversion refuses a file
// that is no CAP-H export or that has been cut short.
struct CScanFindings {
    // True when a line held a start marker, whether its section was parsed
    // or not. A file without any is not a CAP-H export at all.
    bool bStartMarkerSeen = false;
    // The name ("HEADER", "CONNECTION" or "CONNECTOR") of the section that
    // still waited for its end marker when the file ended; empty otherwise.
    // That section was not parsed.
    std::string strUnclosedSection;
};

// Scans the nFileSize bytes of a whole CAP-H file at pFileBytes, followed by
// one more byte that may be written. Each section is turned into its parser
// text in place, and the roots' trees point into it: the bytes must outlive
// the trees. Returns the parser's failure as soon as it rejects a section
// (its position is within that section's text), success otherwise. Roots are not emptied
// first: a second section of one kind adds to what the first left.
//
// pFindings, when given, receives what the scan saw (and nothing of an
// earlier scan). A file that ends inside a section still gives true.
CParseResult ScanSections(char* pFileBytes, std::size_t nFileSize, CCapHElement& rootHeader,
                          CCapHElement& rootConnection, CCapHElement& rootConnector,
                          CScanFindings* pFindings = nullptr, ELineEnds lineEnds = ELineEnds::AsInFile);

// The same for bytes held in a string (whose terminating NUL is the byte after).
inline CParseResult ScanSections(std::string& strFileBytes, CCapHElement& rootHeader,
                                 CCapHElement& rootConnection, CCapHElement& rootConnector,
                                 CScanFindings* pFindings = nullptr, ELineEnds lineEnds = ELineEnds::AsInFile)
{
    return ScanSections(strFileBytes.data(), strFileBytes.size(), rootHeader, rootConnection, rootConnector,
                        pFindings, lineEnds);
}

// True when the bytes begin with a UTF-16 byte-order mark (FF FE or FE FF):
// such a file is two-byte text, in which no marker can be found byte by byte.
bool BeginsWithUtf16Mark(std::string_view strFileBytes);

} // namespace pinweave

#endif // PINWEAVE_CAPH_SECTIONSCAN_H
