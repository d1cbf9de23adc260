// What the Linux program prints on a terminal: the control bytes in its lines
// (0x00-0x1F but LF, and 0x7F) as visible escapes such as "\x1b", two
// lower-case hex digits, so that a file's name or a CAP-H text cannot set the
// window's title, change colours or move the cursor (ESC sequences), nor
// write over a line (CR). LF still ends a line; bytes 0x80-0xFF are text and
// pass. Output that goes to a file or a pipe, and the log file, keep their
// bytes exactly.
#ifndef PINWEAVE_CLI_TERMINALESCAPES_H
#define PINWEAVE_CLI_TERMINALESCAPES_H

#include <ostream>
#include <streambuf>

namespace pinweave {

// A stream buffer that passes the bytes on to target, control bytes as
// escapes. It gathers nothing itself: target does.
class CTerminalEscapes : public std::streambuf {
public:
    explicit CTerminalEscapes(std::streambuf& target) : m_target(target) {}

protected:
    int_type overflow(int_type nChar) override;
    std::streamsize xsputn(const char* pBytes, std::streamsize nCount) override;
    int sync() override { return m_target.pubsync(); }

private:
    std::streambuf& m_target;
};

// While it lives, what is written to the stream (which must have a buffer)
// passes through CTerminalEscapes when bIsTerminal; the stream's own buffer
// is put back, after a flush, when it goes.
class CEscapedOnTerminal {
public:
    CEscapedOnTerminal(std::ostream& stream, bool bIsTerminal);
    CEscapedOnTerminal(const CEscapedOnTerminal&) = delete;
    CEscapedOnTerminal& operator=(const CEscapedOnTerminal&) = delete;
    ~CEscapedOnTerminal();

private:
    std::ostream& m_stream;
    std::streambuf* m_pOwnBuffer;
    CTerminalEscapes m_escapes;
    bool m_bInstalled;
};

} // namespace pinweave

#endif // PINWEAVE_CLI_TERMINALESCAPES_H
