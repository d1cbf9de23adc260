// The byte classes of CAP-H text, read by the parser and again by a table
// over the text. Bytes are read as unsigned: only 0x00-0x1F are control
// bytes; 0x80-0xFF are letters of the export's code page (or pieces of UTF-8
// sequences) and are text like any other, whatever the sign of char.
#ifndef PINWEAVE_CAPH_BYTECLASSES_H
#define PINWEAVE_CAPH_BYTECLASSES_H

namespace pinweave {

inline bool IsCapHControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20;
}

// Blanks between items: 0x20 and 0x09-0x0D.
inline bool IsCapHWhitespace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace pinweave

#endif // PINWEAVE_CAPH_BYTECLASSES_H
