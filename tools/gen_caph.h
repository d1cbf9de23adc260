// A generator of large, realistic CAP-H export files for benchmarks and tests.
//
// The file it writes holds, in this order: a few preamble lines, a [HEADER]
// section with the seven header values and one [PN=...] element per part
// number, a [CONNECTION] section with one [PN=...] group per part number
// (wires with every end attribute, diodes, splice elements), a [CONNECTOR]
// section with [FIXTURE] elements and their pin lists, and a trailing
// section the conversion does not read. Lines end in CR LF and are indented.
//
// Every wire or diode end names either a pin that a fixture lists (connector
// and pin exactly as the fixture spells them, blanks included) or a splice of
// its own part, so a conversion of the file attaches every end and reports no
// wire message; unless m_nUnknownPinPercent asks for a share of pin ends on
// connectors that no fixture has, as real exports hold for wires to
// connectors the test fixture leaves out (each such end that the conversion
// tries logs a warning line). The same options and seed give the same bytes
// on every platform: the generator uses its own random sequence, no library
// distribution.
#ifndef PINWEAVE_TOOLS_GEN_CAPH_H
#define PINWEAVE_TOOLS_GEN_CAPH_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pinweave {

struct CGenOptions {
    std::uint64_t m_nTargetBytes = 1000000; // file size to reach, within one wire's bytes
    int m_nPartCount = 0;                   // 0: four per started megabyte
    int m_nFixtureCount = 60;               // fixture connectors of the [CONNECTOR] section
    int m_nMaxPins = 120;                   // pins per fixture: 4 up to this many
    int m_nUnknownPinPercent = 0;           // pin ends on connectors no fixture has, in percent
    std::uint64_t m_nSeed = 1;
};

// Receives the file in pieces, in order. Returns false to stop the generation
// (a write error), with the reason already known to the sink's owner.
using GenSink = std::function<bool(std::string_view strPiece)>;

// Writes one file through the sink. Returns false when the options are out of
// range (strError says which) or when the sink stopped the generation.
bool GenerateCapH(const CGenOptions& options, const GenSink& sink, std::string& strError);

// The part count the options stand for, once a count of 0 is resolved.
int ResolvedPartCount(const CGenOptions& options);

// The command line of the gen_caph program: options and the output path.
struct CGenCommandLine {
    CGenOptions m_options;
    std::string m_strOutputPath; // "-" writes to standard output
    bool m_bHelp = false;
};

// Parses the arguments after the program name. Sizes accept the suffixes K, M
// and G (powers of 1000, as benchmark sizes are quoted). False with the
// reason in strError on any unknown or malformed argument.
bool ParseGenCommandLine(const std::vector<std::string>& lstArgs, CGenCommandLine& cmdLine,
                         std::string& strError);

// Parses a size such as "250", "64K", "10M" or "1.5G" into bytes.
bool ParseByteSize(std::string_view strText, std::uint64_t& nBytes);

// The usage text of the gen_caph program.
const char* GenUsage();

} // namespace pinweave

#endif // PINWEAVE_TOOLS_GEN_CAPH_H
