#include "cli/TerminalEscapes.h"

namespace pinweave {

namespace {

bool IsControlByte(char c)
{
    const auto nByte = static_cast<unsigned char>(c);
    return (nByte < 0x20 && nByte != '\n') || nByte == 0x7F;
}

} // namespace

std::streamsize CTerminalEscapes::xsputn(const char* pBytes, std::streamsize nCount)
{
    constexpr char kHexDigits[] = "0123456789abcdef";
    std::streamsize nDone = 0;
    while (nDone < nCount) {
        std::streamsize nPlainEnd = nDone;
        while (nPlainEnd < nCount && !IsControlByte(pBytes[nPlainEnd])) {
            ++nPlainEnd;
        }
        const std::streamsize nPassed = m_target.sputn(pBytes + nDone, nPlainEnd - nDone);
        nDone += nPassed;
        if (nDone < nPlainEnd) {
            return nDone;
        }
        if (nDone == nCount) {
            break;
        }
        const auto nByte = static_cast<unsigned char>(pBytes[nDone]);
        const char arrEscape[] = {'\\', 'x', kHexDigits[nByte >> 4], kHexDigits[nByte & 0xF]};
        if (m_target.sputn(arrEscape, sizeof arrEscape) != static_cast<std::streamsize>(sizeof arrEscape)) {
            return nDone;
        }
        ++nDone;
    }
    return nCount;
}

CTerminalEscapes::int_type CTerminalEscapes::overflow(int_type nChar)
{
    if (traits_type::eq_int_type(nChar, traits_type::eof())) {
        return traits_type::not_eof(nChar);
    }
    const char c = traits_type::to_char_type(nChar);
    return xsputn(&c, 1) == 1 ? nChar : traits_type::eof();
}

CEscapedOnTerminal::CEscapedOnTerminal(std::ostream& stream, bool bIsTerminal)
    : m_stream(stream), m_pOwnBuffer(stream.rdbuf()), m_escapes(*m_pOwnBuffer), m_bInstalled(bIsTerminal)
{
    if (m_bInstalled) {
        m_stream.rdbuf(&m_escapes);
    }
}

CEscapedOnTerminal::~CEscapedOnTerminal()
{
    if (m_bInstalled) {
        m_stream.flush();
        // rdbuf() clears the stream's state: a failed write stays known.
        const std::ios_base::iostate state = m_stream.rdstate();
        m_stream.rdbuf(m_pOwnBuffer);
        m_stream.setstate(state);
    }
}

} // namespace pinweave
