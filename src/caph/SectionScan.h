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
// not parsed; the caller learns which one it was. All offsets are 64-bit byte
// offsets of the file.
#ifndef PINWEAVE_CAPH_SECTIONSCAN_H
#define PINWEAVE_CAPH_SECTIONSCAN_H

#include "caph/CapHElement.h"

#include <string>

namespace pinweave {

// How the bytes reach the scan: as the file holds them, or with every CR LF
// pair joined into LF already (as CCapHFile::ReadAll delivers them). Joining
// twice is not joining once ("\r\r\n" becomes "\r\n", and that then "\n"),
// so the scan must know.
enum class ELineEnds { AsInFile, Joined };

// Scans the nFileSize bytes of a whole CAP-H file at pFileBytes, followed by
// one more byte that may be written. The bytes are used as scratch: each
// section is turned into its parser text in place, so the bytes of parsed
// sections are not kept. Returns false as soon as the parser rejects a section
// (its message went to the report hook), true otherwise. Roots are not emptied
// first: a second section of one kind adds to what the first left.
//
// When the file ends while a section still waits for its end marker, that
// section is not parsed and the scan still returns true; pstrUnclosedSection,
// when given, then receives the section's name ("HEADER", "CONNECTION" or
// "CONNECTOR") and is emptied otherwise. Such a file has usually been cut
// short, and the conversion refuses it.
bool ScanSections(char* pFileBytes, std::size_t nFileSize, CCapHElement& rootHeader,
                  CCapHElement& rootConnection, CCapHElement& rootConnector,
                  std::string* pstrUnclosedSection = nullptr, ELineEnds lineEnds = ELineEnds::AsInFile);

// The same for bytes held in a string (whose terminating NUL is the byte after).
inline bool ScanSections(std::string& strFileBytes, CCapHElement& rootHeader, CCapHElement& rootConnection,
                         CCapHElement& rootConnector, std::string* pstrUnclosedSection = nullptr,
                         ELineEnds lineEnds = ELineEnds::AsInFile)
{
    return ScanSections(strFileBytes.data(), strFileBytes.size(), rootHeader, rootConnection, rootConnector,
                        pstrUnclosedSection, lineEnds);
}

}  // namespace pinweave

#endif  // PINWEAVE_CAPH_SECTIONSCAN_H
