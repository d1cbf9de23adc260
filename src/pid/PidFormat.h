// The fixed pieces of a PID file and the two name rules the writers share.
// Every line of a PID file ends in CR LF; fields are separated by one blank.
#ifndef PINWEAVE_PID_PIDFORMAT_H
#define PINWEAVE_PID_PIDFORMAT_H

#include <array>
#include <string>
#include <string_view>

namespace pinweave {

inline constexpr std::string_view kPidNewLine = "\r\n";
inline constexpr std::string_view kPidCommentFirst = "; Generated from CAP-H file:\r\n; ";
inline constexpr std::string_view kPidCommentDate = "\r\n; Date:  ";
inline constexpr std::string_view kPidCommentPart = "; Part #";
inline constexpr std::string_view kPidHeaderLine = "[header]\r\n";
inline constexpr std::string_view kPidWiresLine = "[wires]\r\n";
// The one empty line of the file comes right before [pins].
inline constexpr std::string_view kPidPinsLine = "\r\n[pins]\r\n";
inline constexpr std::string_view kPidSplicesLine = "[splices]\r\n";
inline constexpr std::string_view kPidComponentsLine = "[components]\r\n";
inline constexpr std::string_view kPidConnectorsLine = "[connectors]\r\n";
inline constexpr std::string_view kPidNoWire = "(none)";

// The name with every blank replaced by "_"; nothing else changes.
std::string Underscored(std::string_view strName);
void AppendUnderscored(std::string& strOut, std::string_view strName);

// The colour part of a [wires] line, the piece between "name 0 " and " 0":
// " 0 0" without a colour (so the line holds two blanks in a row); "A B" split at the first "/" when it
// stands after the first character; otherwise the colour and " 0". RED/BLK/GRN gives "RED BLK/GRN", /RED
// gives "/RED 0".
std::string ColourFields(std::string_view strColour);

// The same text as three pieces that follow each other, some of them empty:
// views of the colour and of constant text, so a wire line can be put
// together without copying it first.
std::array<std::string_view, 3> ColourFieldPieces(std::string_view strColour);

} // namespace pinweave

#endif // PINWEAVE_PID_PIDFORMAT_H
