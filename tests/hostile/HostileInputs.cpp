#include "HostileInputs.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace pinweave::test {

namespace {

// Writes pieces through one fixed buffer; repeats go out in large blocks.
class CChunkWriter {
public:
    explicit CChunkWriter(const std::filesystem::path& path)
        : m_file(path, std::ios::binary | std::ios::trunc)
    {
        if (!m_file) {
            throw std::runtime_error("cannot create " + path.string());
        }
    }

    void Put(const std::string& str)
    {
        m_file.write(str.data(), static_cast<std::streamsize>(str.size()));
        m_nBytes += str.size();
    }

    // str, nTimes over.
    void Repeat(const std::string& str, std::uint64_t nTimes)
    {
        const std::uint64_t nPerBlock =
            std::max<std::uint64_t>(1, (1 << 20) / std::max<std::size_t>(1, str.size()));
        std::string strBlock;
        for (std::uint64_t i = 0; i < std::min(nTimes, nPerBlock); ++i) {
            strBlock += str;
        }
        for (std::uint64_t nDone = 0; nDone < nTimes;) {
            const std::uint64_t nNow = std::min(nPerBlock, nTimes - nDone);
            if (nNow == nPerBlock) {
                Put(strBlock);
            } else {
                Put(strBlock.substr(0, nNow * str.size()));
            }
            nDone += nNow;
        }
    }

    std::uint64_t Finish()
    {
        m_file.flush();
        if (!m_file) {
            throw std::runtime_error("cannot write a hostile CAP-H file");
        }
        return m_nBytes;
    }

private:
    std::ofstream m_file;
    std::uint64_t m_nBytes = 0;
};

const std::string kOnePartHeader = "[HEADER]\r\n[PN]\r\nNAME=P1\r\n[ENDPN]\r\n[ENDHEADER]\r\n";
const std::string kOneWireConnection =
    "[CONNECTION]\r\n[PART]\r\n[WIRE]\r\nNAME=W1\r\nCONNECTOR_A=J1\r\nPIN_A=7\r\nSPLICE_B=S1\r\n[ENDWIRE]\r\n"
    "[ENDPART]\r\n[ENDCONNECTION]\r\n";

} // namespace

// The multiples bound the peak above an idle run, measured at both scales
// with some room. Where the element tree outweighs the text it came from, a
// nested element (13 bytes of text, some 170 bytes in memory: the element, its
// place in its parent's list and in its root's) or a pin (15 bytes of text; its
// copied "NAME||n" line, entry, 16-byte record and index slot some 90 bytes),
// that is what they allow for; a long part number is held four times (its
// attribute, the part-number list, the progress line, the results text).
const HostileCase kHostileCases[] = {
    {"DeepNesting", HostileKind::DeepNesting, 200000, 1000000, true, "Completed", 15},
    {"EndlessLine", HostileKind::EndlessLine, 4000000, 1000000000, false,
     "The CAP-H file '@' ends inside its [HEADER] section ([ENDHEADER] is missing). Conversion aborted.",
     1.5},
    {"OneLineSection", HostileKind::OneLineSection, 4000000, 1000000000, true, "Completed", 5.5},
    // 6.04x measured once the Linux program carried its own C++ runtime (its idle peak fell from 3.9 to
    // 2.5 MB while a run's own heap stayed as it was).
    {"ManyAttributes", HostileKind::ManyAttributes, 500000, 10000000, true, "Completed", 6.5},
    {"ManyPins", HostileKind::ManyPins, 250000, 10000000, true, "Completed", 8.5},
    {"NulBytes", HostileKind::NulBytes, 4000000, 1000000000, false,
     "CAP-H Parser error in element '[PN]':  Out of data at position 22 of string [HEADER][PN]NAME=P...",
     1.5},
};
const std::size_t kHostileCaseCount = sizeof(kHostileCases) / sizeof(kHostileCases[0]);

std::uint64_t WriteHostileFile(HostileKind kind, std::uint64_t nScale, const std::filesystem::path& path)
{
    CChunkWriter out(path);
    switch (kind) {
    case HostileKind::DeepNesting:
        out.Put("[HEADER]\r\n[PN]\r\nNAME=P1\r\n");
        out.Repeat("[A]\r\n", nScale);
        out.Repeat("[ENDA]\r\n", nScale);
        out.Put("[ENDPN]\r\n[ENDHEADER]\r\n" + kOneWireConnection);
        break;
    case HostileKind::EndlessLine:
        out.Put("[HEADER]\r\n[PN]\r\nNAME=");
        out.Repeat("X", nScale);
        break;
    case HostileKind::OneLineSection:
        // The part group comes first so that the huge part number is logged
        // as well as written.
        out.Put("[CONNECTION]\r\n[PART]\r\n[ENDPART]\r\n[ENDCONNECTION]\r\n[HEADER]\r\n[PN]NAME=");
        out.Repeat("X", nScale);
        out.Put("\t[ENDPN] [ENDHEADER]");
        break;
    case HostileKind::ManyAttributes:
        out.Put("[HEADER]\r\n[PN]\r\nNAME=P1\r\n");
        out.Repeat("NAME=V\r\n", nScale);
        out.Put("[ENDPN]\r\n[ENDHEADER]\r\n" + kOneWireConnection);
        break;
    case HostileKind::ManyPins: {
        out.Put(kOnePartHeader + kOneWireConnection + "[CONNECTOR]\r\n[FIXTURE]\r\nNAME=J1\r\n[PINS]\r\n");
        std::string strPins;
        for (std::uint64_t i = 0; i < nScale; ++i) {
            strPins.append("NAME=").append(std::to_string(i)).append("\r\n");
            if (strPins.size() >= (1 << 20)) {
                out.Put(strPins);
                strPins.clear();
            }
        }
        out.Put(strPins + "[ENDPINS]\r\n[ENDFIXTURE]\r\n[ENDCONNECTOR]\r\n");
        break;
    }
    case HostileKind::NulBytes:
        out.Put("[HEADER]\r\n[PN]\r\nNAME=P1\r\n");
        out.Repeat(std::string(1, '\0'), nScale);
        out.Put("\r\n[ENDPN]\r\n[ENDHEADER]\r\n" + kOneWireConnection);
        break;
    }
    return out.Finish();
}

std::string LastLineOf(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        return std::string();
    }
    const std::streamoff nSize = file.tellg();
    const std::streamoff nTail = std::min<std::streamoff>(nSize, 4096);
    std::string strTail(static_cast<std::size_t>(nTail), '\0');
    file.seekg(nSize - nTail);
    file.read(strTail.data(), nTail);
    if (strTail.size() >= 2 && strTail.compare(strTail.size() - 2, 2, "\r\n") == 0) {
        strTail.resize(strTail.size() - 2);
    }
    const std::size_t nLineStart = strTail.rfind('\n');
    return nLineStart == std::string::npos ? strTail : strTail.substr(nLineStart + 1);
}

} // namespace pinweave::test
