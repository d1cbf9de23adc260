#include "caph/SectionScan.h"

#include "caph/CrLfJoiner.h"
#include "common/AsciiCase.h"

#include <cstring>
#include <string_view>

namespace pinweave {

namespace {

struct SectionKind {
    std::string_view strStart; // upper-case markers
    std::string_view strEnd;
    std::string_view strName;
};

// In priority order: the first row whose start marker a line holds wins.
constexpr SectionKind kSections[] = {
    {"[HEADER]", "[ENDHEADER]", "HEADER"},
    {"[CONNECTION]", "[ENDCONNECTION]", "CONNECTION"},
    {"[CONNECTOR]", "[ENDCONNECTOR]", "CONNECTOR"},
};
constexpr int kSectionCount = 3;

// Offset of the first occurrence of an upper-case marker in the line, folding
// ASCII letters of the line, or npos.
std::size_t FindMarker(std::string_view strLine, std::string_view strMarker)
{
    if (strLine.size() < strMarker.size()) {
        return std::string_view::npos;
    }
    const std::size_t nLast = strLine.size() - strMarker.size();
    std::size_t nFrom = 0;
    while (nFrom <= nLast) {
        const void* pHit = std::memchr(strLine.data() + nFrom, '[', nLast - nFrom + 1);
        if (pHit == nullptr) {
            return std::string_view::npos;
        }
        const auto nAt = static_cast<std::size_t>(static_cast<const char*>(pHit) - strLine.data());
        std::size_t i = 1;
        while (i < strMarker.size() && UpperAscii(strLine[nAt + i]) == strMarker[i]) {
            ++i;
        }
        if (i == strMarker.size()) {
            return nAt;
        }
        nFrom = nAt + 1;
    }
    return std::string_view::npos;
}

// Turns the bytes [nBegin, nEnd) into the parser text in place: every CR LF
// pair becomes LF (unless that was done already), and a NUL follows the text.
// Returns the byte the NUL replaced, so the caller can put it back.
char MakeSectionText(char* const p, std::size_t nBegin, std::size_t nEnd, ELineEnds lineEnds,
                     std::size_t& nTextEnd)
{
    nTextEnd = lineEnds == ELineEnds::Joined ? nEnd : JoinCrLf(p, nBegin, nEnd);
    const char cSaved = p[nTextEnd]; // the byte after the file's last one is writable
    p[nTextEnd] = '\0';
    return cSaved;
}

} // namespace

CParseResult ScanSections(char* pFileBytes, std::size_t nFileSize, CCapHElement& rootHeader,
                          CCapHElement& rootConnection, CCapHElement& rootConnector, CScanFindings* pFindings,
                          ELineEnds lineEnds)
{
    if (pFindings != nullptr) {
        *pFindings = CScanFindings();
    }
    CCapHElement* const roots[kSectionCount] = {&rootHeader, &rootConnection, &rootConnector};

    std::size_t nLineStart = 0;
    int nPending = -1;
    std::size_t nSectionStart = 0;
    int nParsed = 0;
    if (nFileSize == 0) {
        return CParseResult();
    }
    while (nParsed < kSectionCount) {
        if (nPending >= 0) {
            // While a section is pending only its end marker counts, and no
            // marker spans a line end: the first line that holds it is the
            // line of its first occurrence from here on.
            const std::string_view strRest(pFileBytes + nLineStart, nFileSize - nLineStart);
            const std::size_t nAt = FindMarker(strRest, kSections[nPending].strEnd);
            if (nAt == std::string_view::npos) {
                break; // no end marker: the section is not parsed
            }
            const std::size_t nSectionEnd = nLineStart + nAt + kSections[nPending].strEnd.size();
            std::size_t nTextEnd = 0;
            const char cSaved = MakeSectionText(pFileBytes, nSectionStart, nSectionEnd, lineEnds, nTextEnd);
            std::int64_t nPos = 0;
            if (CParseResult result = roots[nPending]->Parse(pFileBytes + nSectionStart, nPos); !result) {
                // The NUL stays: what the tree kept before the fault may end there.
                return result;
            }
            // The tree's last value ended at a control byte before the end marker.
            pFileBytes[nTextEnd] = cSaved;
            ++nParsed;
            nPending = -1;
            // The rest of the end marker's line is read as a line of its own.
            if (nSectionEnd >= nFileSize) {
                break;
            }
            nLineStart = nSectionEnd;
            continue;
        }

        // The line runs up to its LF; a CR before the LF cannot be part of a
        // marker, so it needs no special care here.
        const char* const pLine = pFileBytes + nLineStart;
        const void* pLf = std::memchr(pLine, '\n', nFileSize - nLineStart);
        const std::size_t nLineLength =
            pLf ? static_cast<std::size_t>(static_cast<const char*>(pLf) - pLine) : nFileSize - nLineStart;
        const std::string_view strLine(pLine, nLineLength);
        for (int k = 0; k < kSectionCount; ++k) {
            const std::size_t nAt = FindMarker(strLine, kSections[k].strStart);
            if (nAt != std::string_view::npos) {
                nPending = k;
                nSectionStart = nLineStart + nAt;
                if (pFindings != nullptr) {
                    pFindings->bStartMarkerSeen = true;
                }
                break; // the rest of this line is not looked at
            }
        }
        const std::size_t nNext = nLineStart + nLineLength + (pLf ? 1 : 0);
        if (nNext >= nFileSize) {
            break;
        }
        nLineStart = nNext;
    }
    if (nPending >= 0 && pFindings != nullptr) {
        pFindings->strUnclosedSection.assign(kSections[nPending].strName);
    }
    return CParseResult();
}

bool BeginsWithUtf16Mark(std::string_view strFileBytes)
{
    return strFileBytes.size() >= 2 && ((strFileBytes[0] == '\xFF' && strFileBytes[1] == '\xFE') ||
                                        (strFileBytes[0] == '\xFE' && strFileBytes[1] == '\xFF'));
}

} // namespace pinweave
