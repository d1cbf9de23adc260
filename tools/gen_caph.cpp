#include "gen_caph.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace pinweave {

namespace {

constexpr std::size_t kFlushBytes = 1 << 20;
constexpr std::uint64_t kMegabyte = 1000000;

// splitmix64: tiny, fast and the same everywhere.
class CRandom {
public:
    explicit CRandom(std::uint64_t nSeed) : m_nState(nSeed) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (m_nState += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A number from 0 to n-1 (n > 0).
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>((Next() >> 11) % n); }

    // True with the given chance in percent.
    bool Percent(unsigned nChance) { return Below(100) < nChance; }

private:
    std::uint64_t m_nState;
};

struct CFixture {
    std::string m_strName;
    std::vector<std::string> m_lstPins;
};

const char* const kColours[] = {"RED", "BLK", "WHT", "GRN", "BLU", "YEL", "BRN", "VIO", "GRY", "ORN", "PNK"};
const char* const kGauges[] = {"0.13", "0.22", "0.35", "0.5", "0.75", "1.0", "1.5", "2.5"};
const char* const kMaterials[] = {"FLRY-A", "FLRY-B", "FLR2X-B", "TXL", "GXL"};

template <std::size_t N> const char* Pick(CRandom& random, const char* const (&arr)[N])
{
    return arr[random.Below(N)];
}

std::string Number(std::uint64_t n, int nWidth = 0)
{
    char sz[24];
    const auto result = std::to_chars(sz, sz + sizeof sz, n);
    std::string str(sz, result.ptr);
    if (static_cast<int>(str.size()) < nWidth) {
        str.insert(0, static_cast<std::size_t>(nWidth) - str.size(), '0');
    }
    return str;
}

// Pin names as fixtures print them: 1, 2, 3 ... or A ... Z, AA, AB ...
std::string LetterPin(std::size_t n)
{
    std::string str;
    ++n;
    while (n > 0) {
        --n;
        str.insert(str.begin(), static_cast<char>('A' + n % 26));
        n /= 26;
    }
    return str;
}

// Collects lines and hands them to the sink a megabyte at a time.
class CLineWriter {
public:
    explicit CLineWriter(const GenSink& sink) : m_sink(sink) { m_strBuffer.reserve(kFlushBytes + 4096); }

    void Line(int nIndent, std::string_view strText)
    {
        m_strBuffer.append(static_cast<std::size_t>(nIndent) * 2, ' ');
        m_strBuffer.append(strText);
        m_strBuffer.append("\r\n");
        Check();
    }

    void Value(int nIndent, std::string_view strKey, std::string_view strValue)
    {
        m_strBuffer.append(static_cast<std::size_t>(nIndent) * 2, ' ');
        m_strBuffer.append(strKey);
        m_strBuffer += '=';
        m_strBuffer.append(strValue);
        m_strBuffer.append("\r\n");
        Check();
    }

    void Raw(std::string_view strText)
    {
        m_strBuffer.append(strText);
        Check();
    }

    bool Flush()
    {
        if (m_bOk && !m_strBuffer.empty()) {
            m_bOk = m_sink(m_strBuffer);
        }
        m_nFlushed += m_strBuffer.size();
        m_strBuffer.clear();
        return m_bOk;
    }

    // Bytes produced so far, flushed or not.
    std::uint64_t Written() const { return m_nFlushed + m_strBuffer.size(); }
    bool Ok() const { return m_bOk; }

private:
    void Check()
    {
        if (m_strBuffer.size() >= kFlushBytes) {
            Flush();
        }
    }

    const GenSink& m_sink;
    std::string m_strBuffer;
    std::uint64_t m_nFlushed = 0;
    bool m_bOk = true;
};

std::vector<CFixture> MakeFixtures(const CGenOptions& options, CRandom& random)
{
    std::vector<CFixture> lstFixtures(static_cast<std::size_t>(options.m_nFixtureCount));
    for (std::size_t i = 0; i < lstFixtures.size(); ++i) {
        CFixture& fixture = lstFixtures[i];
        // Every seventh connector carries a blank in its name, as some
        // fixture libraries spell them ("X 7"); wire ends must match it.
        fixture.m_strName = (i % 7 == 6 ? "X " : "J") + Number(i + 1);
        const std::size_t nPins = 4 + random.Below(static_cast<std::size_t>(options.m_nMaxPins) - 3);
        const bool bLetters = i % 5 == 4;
        fixture.m_lstPins.reserve(nPins);
        for (std::size_t p = 0; p < nPins; ++p) {
            fixture.m_lstPins.push_back(bLetters ? LetterPin(p) : Number(p + 1));
        }
    }
    return lstFixtures;
}

std::string PartNumber(int i)
{
    return "PN-" + Number(static_cast<std::uint64_t>(i) + 1, 6);
}

void WritePreamble(CLineWriter& out, const CGenOptions& options)
{
    out.Line(0, "CAP-H EXPORT FILE");
    out.Value(0, "VERSION", "3.2");
    out.Value(0, "SEED", Number(options.m_nSeed));
    out.Line(0, "[REVISIONS]");
    out.Value(1, "REV", "A INITIAL RELEASE");
    out.Value(1, "REV", "B FIXTURE UPDATE");
    out.Line(0, "[ENDREVISIONS]");
}

void WriteHeader(CLineWriter& out, int nParts)
{
    out.Line(0, "[HEADER]");
    out.Value(1, "FAMILY", "F-20 DOOR HARNESS");
    out.Value(1, "CLIENTFAM", "CF-3");
    out.Value(1, "DATE", "03/01/05");
    out.Value(1, "CLIENT", "C-1 AUTOMOTIVE");
    out.Value(1, "EXTRA", "E");
    out.Value(1, "CLIENTPN", "CPN-7");
    out.Value(1, "LEVEL", "A");
    for (int i = 0; i < nParts; ++i) {
        const std::string strPart = PartNumber(i);
        out.Line(1, "[PN=" + strPart + "]");
        out.Value(2, "NAME", strPart);
        out.Value(2, "DESCRIPTION", "HARNESS VARIANT " + Number(static_cast<std::uint64_t>(i) + 1));
        out.Value(2, "REVISION", "C");
        out.Line(1, "[ENDPN]");
    }
    out.Line(0, "[ENDHEADER]");
}

void WriteConnector(CLineWriter& out, const std::vector<CFixture>& lstFixtures)
{
    out.Line(0, "[CONNECTOR]");
    for (const CFixture& fixture : lstFixtures) {
        out.Line(1, "[FIXTURE]");
        out.Value(2, "NAME", fixture.m_strName);
        out.Value(2, "TYPE", "TEST MODULE");
        out.Line(2, "[PINS]");
        for (const std::string& strPin : fixture.m_lstPins) {
            out.Value(3, "NAME", strPin);
        }
        out.Line(2, "[ENDPINS]");
        out.Line(1, "[ENDFIXTURE]");
    }
    out.Line(0, "[ENDCONNECTOR]");
}

void WriteTrailer(CLineWriter& out)
{
    out.Line(0, "[OPTIONS]");
    out.Value(1, "UNITS", "MM");
    out.Line(0, "[ENDOPTIONS]");
}

// Writes the part group's wires, diodes and splices until the group holds
// nBudget bytes (at least one wire).
class CPartWriter {
public:
    CPartWriter(CLineWriter& out, CRandom& random, const std::vector<CFixture>& lstFixtures,
                int nUnknownPinPercent)
        : m_out(out), m_random(random), m_lstFixtures(lstFixtures), m_nUnknownPinPercent(nUnknownPinPercent)
    {
    }

    void Write(int nPart, std::uint64_t nBudget)
    {
        m_nSplices = 0;
        const std::uint64_t nStart = m_out.Written();
        m_out.Line(1, "[PN=" + PartNumber(nPart) + "]");
        std::uint64_t nWire = 0;
        std::uint64_t nDiode = 0;
        do {
            if (m_random.Percent(3)) {
                WriteDiode(++nDiode);
            } else {
                WireOrSplice(++nWire);
            }
        } while (m_out.Written() - nStart + 9 < nBudget);
        m_out.Line(1, "[ENDPN]");
    }

private:
    struct End {
        std::string m_strConnector;
        std::string m_strPin;
        std::string m_strSplice;
    };

    End PinEnd()
    {
        // Asked only when wanted, so that other files keep their bytes.
        if (m_nUnknownPinPercent > 0 && m_random.Percent(static_cast<unsigned>(m_nUnknownPinPercent))) {
            return {"XK" + Number(1 + m_random.Below(40)), Number(1 + m_random.Below(24)), {}};
        }
        const CFixture& fixture = m_lstFixtures[m_random.Below(m_lstFixtures.size())];
        return {fixture.m_strName, fixture.m_lstPins[m_random.Below(fixture.m_lstPins.size())], {}};
    }

    // About one end in five lands on a splice; a splice joins a few ends.
    End AnyEnd()
    {
        if (!m_random.Percent(20)) {
            return PinEnd();
        }
        if (m_nSplices == 0 || m_random.Percent(35)) {
            ++m_nSplices;
            const std::string strSplice = "S" + Number(m_nSplices, 4);
            m_out.Line(2, "[SPLICE]");
            m_out.Value(3, "NAME", strSplice);
            m_out.Value(3, "TYPE", m_random.Percent(50) ? "ULTRASONIC" : "CRIMP");
            m_out.Line(2, "[ENDSPLICE]");
            return {{}, {}, strSplice};
        }
        return {{}, {}, "S" + Number(1 + m_random.Below(m_nSplices), 4)};
    }

    void WriteEnd(const End& end, char cSide)
    {
        std::string strKey = "CONNECTOR_";
        strKey += cSide;
        m_out.Value(3, strKey, end.m_strConnector);
        strKey = "PIN_";
        strKey += cSide;
        m_out.Value(3, strKey, end.m_strPin);
        strKey = "SPLICE_";
        strKey += cSide;
        m_out.Value(3, strKey, end.m_strSplice);
    }

    void WireOrSplice(std::uint64_t nWire)
    {
        const End endA = AnyEnd();
        const End endB = AnyEnd();
        m_out.Line(2, "[WIRE]");
        m_out.Value(3, "NAME", "W" + Number(nWire, 5));
        const unsigned nColour = static_cast<unsigned>(m_random.Below(100));
        if (nColour < 55) {
            m_out.Value(3, "COLOR", Pick(m_random, kColours));
        } else if (nColour < 95) {
            m_out.Value(3, "COLOR", std::string(Pick(m_random, kColours)) + "/" + Pick(m_random, kColours));
        } else if (nColour < 98) {
            m_out.Value(3, "COLOR",
                        std::string(Pick(m_random, kColours)) + "/" + Pick(m_random, kColours) + "/" +
                            Pick(m_random, kColours));
        } // else: no colour line, as exports write for bare wires
        m_out.Value(3, "GAUGE", Pick(m_random, kGauges));
        m_out.Value(3, "LENGTH", Number(80 + m_random.Below(3000)));
        m_out.Value(3, "MATERIAL", Pick(m_random, kMaterials));
        WriteEnd(endA, 'A');
        WriteEnd(endB, 'B');
        m_out.Line(2, "[ENDWIRE]");
    }

    void WriteDiode(std::uint64_t nDiode)
    {
        const End endA = PinEnd();
        const End endB = PinEnd();
        m_out.Line(2, "[DIODE]");
        m_out.Value(3, "NAME", "D" + Number(nDiode, 3));
        m_out.Value(3, "PART", "1N4007");
        WriteEnd(endA, 'A');
        WriteEnd(endB, 'B');
        m_out.Line(2, "[ENDDIODE]");
    }

    CLineWriter& m_out;
    CRandom& m_random;
    const std::vector<CFixture>& m_lstFixtures;
    const int m_nUnknownPinPercent;
    std::uint64_t m_nSplices = 0;
};

bool CheckOptions(const CGenOptions& options, std::string& strError)
{
    if (options.m_nTargetBytes == 0) {
        strError = "the target size must be above 0";
    } else if (options.m_nPartCount < 0) {
        strError = "the part count must not be negative";
    } else if (options.m_nFixtureCount < 1) {
        strError = "at least one fixture is needed, so wire ends have pins to land on";
    } else if (options.m_nMaxPins < 4) {
        strError = "a fixture has at least 4 pins";
    } else {
        return true;
    }
    return false;
}

} // namespace

int ResolvedPartCount(const CGenOptions& options)
{
    if (options.m_nPartCount > 0) {
        return options.m_nPartCount;
    }
    const std::uint64_t nMegabytes = (options.m_nTargetBytes + kMegabyte - 1) / kMegabyte;
    return static_cast<int>(std::min<std::uint64_t>(4 * nMegabytes, 100000));
}

bool GenerateCapH(const CGenOptions& options, const GenSink& sink, std::string& strError)
{
    if (!CheckOptions(options, strError)) {
        return false;
    }
    const int nParts = ResolvedPartCount(options);
    CRandom random(options.m_nSeed);
    const std::vector<CFixture> lstFixtures = MakeFixtures(options, random);

    // Everything but the part groups is sized first, so the groups can share
    // what is left of the target evenly.
    std::string strFixed;
    {
        const GenSink collect = [&strFixed](std::string_view strPiece) {
            strFixed.append(strPiece);
            return true;
        };
        CLineWriter fixed(collect);
        WritePreamble(fixed, options);
        WriteHeader(fixed, nParts);
        WriteConnector(fixed, lstFixtures);
        WriteTrailer(fixed);
        fixed.Line(0, "[CONNECTION]");
        fixed.Line(0, "[ENDCONNECTION]");
        fixed.Flush();
    }
    const std::uint64_t nFixed = strFixed.size();
    strFixed.clear();
    strFixed.shrink_to_fit();

    CLineWriter out(sink);
    WritePreamble(out, options);
    WriteHeader(out, nParts);
    out.Line(0, "[CONNECTION]");
    CPartWriter partWriter(out, random, lstFixtures, options.m_nUnknownPinPercent);
    const std::uint64_t nGroups = options.m_nTargetBytes > nFixed ? options.m_nTargetBytes - nFixed : 0;
    const std::uint64_t nGroupStart = out.Written();
    for (int i = 0; i < nParts && out.Ok(); ++i) {
        const std::uint64_t nUsed = out.Written() - nGroupStart;
        const std::uint64_t nLeft = nGroups > nUsed ? nGroups - nUsed : 0;
        partWriter.Write(i, nLeft / static_cast<std::uint64_t>(nParts - i));
    }
    out.Line(0, "[ENDCONNECTION]");
    WriteConnector(out, lstFixtures);
    WriteTrailer(out);
    if (!out.Flush()) {
        strError = "the output could not be written";
        return false;
    }
    return true;
}

bool ParseByteSize(std::string_view strText, std::uint64_t& nBytes)
{
    if (strText.empty()) {
        return false;
    }
    std::uint64_t nScale = 1;
    switch (strText.back()) {
    case 'k':
    case 'K':
        nScale = 1000;
        break;
    case 'm':
    case 'M':
        nScale = kMegabyte;
        break;
    case 'g':
    case 'G':
        nScale = 1000 * kMegabyte;
        break;
    default:
        break;
    }
    if (nScale != 1) {
        strText.remove_suffix(1);
    }
    if (strText.empty() || strText.find_first_not_of("0123456789.") != std::string_view::npos) {
        return false;
    }
    const std::string strNumber(strText);
    char* pEnd = nullptr;
    const double dValue = std::strtod(strNumber.c_str(), &pEnd);
    if (pEnd != strNumber.c_str() + strNumber.size() || !(dValue >= 0) || dValue * nScale > 1e15) {
        return false;
    }
    nBytes = static_cast<std::uint64_t>(std::llround(dValue * static_cast<double>(nScale)));
    return true;
}

namespace {

bool ParseInt(std::string_view strText, long long nMin, long long nMax, long long& nValue)
{
    const char* const pEnd = strText.data() + strText.size();
    const auto result = std::from_chars(strText.data(), pEnd, nValue);
    return result.ec == std::errc() && result.ptr == pEnd && nValue >= nMin && nValue <= nMax;
}

} // namespace

bool ParseGenCommandLine(const std::vector<std::string>& lstArgs, CGenCommandLine& cmdLine,
                         std::string& strError)
{
    cmdLine = CGenCommandLine();
    for (std::size_t i = 0; i < lstArgs.size(); ++i) {
        const std::string& strArg = lstArgs[i];
        if (strArg == "-h" || strArg == "--help") {
            cmdLine.m_bHelp = true;
            continue;
        }
        if (strArg.size() < 2 || strArg[0] != '-' || strArg[1] != '-') {
            if (!cmdLine.m_strOutputPath.empty()) {
                strError = "more than one output path: '" + strArg + "'";
                return false;
            }
            cmdLine.m_strOutputPath = strArg;
            continue;
        }
        if (i + 1 >= lstArgs.size()) {
            strError = "option " + strArg + " needs a value";
            return false;
        }
        const std::string& strValue = lstArgs[++i];
        long long nValue = 0;
        CGenOptions& options = cmdLine.m_options;
        bool bOk = true;
        if (strArg == "--size") {
            bOk = ParseByteSize(strValue, options.m_nTargetBytes) && options.m_nTargetBytes > 0;
        } else if (strArg == "--parts") {
            bOk = ParseInt(strValue, 1, 1000000, nValue);
            options.m_nPartCount = static_cast<int>(nValue);
        } else if (strArg == "--fixtures") {
            bOk = ParseInt(strValue, 1, 1000000, nValue);
            options.m_nFixtureCount = static_cast<int>(nValue);
        } else if (strArg == "--max-pins") {
            bOk = ParseInt(strValue, 4, 1000000, nValue);
            options.m_nMaxPins = static_cast<int>(nValue);
        } else if (strArg == "--unknown-pins") {
            bOk = ParseInt(strValue, 0, 100, nValue);
            options.m_nUnknownPinPercent = static_cast<int>(nValue);
        } else if (strArg == "--seed") {
            bOk = ParseInt(strValue, 0, 0x7FFFFFFFFFFFFFFFLL, nValue);
            options.m_nSeed = static_cast<std::uint64_t>(nValue);
        } else {
            strError = "unknown option " + strArg;
            return false;
        }
        if (!bOk) {
            strError = "bad value '" + strValue + "' for " + strArg;
            return false;
        }
    }
    if (!cmdLine.m_bHelp && cmdLine.m_strOutputPath.empty()) {
        strError = "no output path given";
        return false;
    }
    return true;
}

const char* GenUsage()
{
    return "usage: gen_caph [options] OUTPUT.tst   (OUTPUT '-' writes to standard output)\n"
           "  --size N       file size to reach, with K, M or G (powers of 1000); default 1M\n"
           "  --parts N      part numbers; default 4 per started megabyte\n"
           "  --fixtures N   fixture connectors; default 60\n"
           "  --max-pins N   pins per fixture, 4 up to N; default 120\n"
           "  --unknown-pins N  percent of pin ends on connectors no fixture has; default 0\n"
           "  --seed N       seed of the random sequence; default 1\n";
}

} // namespace pinweave
