// Fuzz target: ScanSections over the input bytes as a whole CAP-H file.
//
// The scan works in place on the file buffer with a fast marker search; this
// target runs a second, plain reading of the same rules beside it (line by
// line, upper-cased copies, section text copied with CR LF turned into LF)
// and requires the same result, the same parser messages and the same three
// trees. It also requires one message exactly when the scan fails, and the
// same again from the file with its CR LF pairs joined beforehand, as the
// conversion reads it; and the same findings (any start marker seen, the
// section left open at the end) in both.
#include "FuzzCheck.h"

#include "caph/CrLfJoiner.h"
#include "caph/SectionScan.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace {

using pinweave::CCapHElement;
using pinweave::FuzzCheck;

const char* const kStart[] = {"[HEADER]", "[CONNECTION]", "[CONNECTOR]"};
const char* const kEnd[] = {"[ENDHEADER]", "[ENDCONNECTION]", "[ENDCONNECTOR]"};

std::string Upper(std::string str)
{
    for (char& c : str) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return str;
}

// Reads the line at nOffset: up to the next LF, the LF and a CR before it
// dropped. False at the end of the file, when no byte at all can be read.
bool ReadLine(const std::string& strFile, std::size_t& nOffset, std::string& strLine)
{
    if (nOffset >= strFile.size()) {
        return false;
    }
    std::size_t nEnd = strFile.find('\n', nOffset);
    const bool bLf = nEnd != std::string::npos;
    if (!bLf) {
        nEnd = strFile.size();
    }
    strLine = strFile.substr(nOffset, nEnd - nOffset);
    if (bLf && !strLine.empty() && strLine.back() == '\r') {
        strLine.pop_back();
    }
    nOffset = bLf ? nEnd + 1 : nEnd;
    return true;
}

const char* const kNames[] = {"HEADER", "CONNECTION", "CONNECTOR"};

// lstTexts keeps the section texts, which the trees point into.
bool ReferenceScan(const std::string& strFile, CCapHElement* const roots[3],
                   pinweave::CScanFindings& findings, std::deque<std::string>& lstTexts)
{
    std::size_t nOffset = 0;
    std::size_t nLineStart = 0;
    int nPending = -1;
    std::size_t nSectionStart = 0;
    int nParsed = 0;
    std::string strLine;
    if (!ReadLine(strFile, nOffset, strLine)) {
        return true;
    }
    while (nParsed < 3) {
        const std::string strUpper = Upper(strLine);
        if (nPending < 0) {
            for (int k = 0; k < 3; ++k) {
                const std::size_t nAt = strUpper.find(kStart[k]);
                if (nAt != std::string::npos) {
                    nPending = k;
                    nSectionStart = nLineStart + nAt;
                    findings.bStartMarkerSeen = true;
                    break;
                }
            }
        } else {
            const std::string strEnd = kEnd[nPending];
            const std::size_t nAt = strUpper.find(strEnd);
            if (nAt != std::string::npos) {
                const std::size_t nSectionEnd = nLineStart + nAt + strEnd.size();
                std::string& strText = lstTexts.emplace_back();
                for (std::size_t i = nSectionStart; i < nSectionEnd; ++i) {
                    if (!(strFile[i] == '\r' && i + 1 < nSectionEnd && strFile[i + 1] == '\n')) {
                        strText += strFile[i];
                    }
                }
                std::int64_t nPos = 0;
                if (!roots[nPending]->Parse(strText.c_str(), nPos)) {
                    return false;
                }
                ++nParsed;
                nPending = -1;
                nOffset = nSectionEnd;
            }
        }
        nLineStart = nOffset;
        if (!ReadLine(strFile, nOffset, strLine)) {
            break;
        }
    }
    if (nPending >= 0) {
        findings.strUnclosedSection = kNames[nPending];
    }
    return true;
}

// Same shape, types, entry counts and NAME values, element by element.
void CheckSameTree(const CCapHElement& a, const CCapHElement& b)
{
    std::vector<std::pair<const CCapHElement*, const CCapHElement*>> lstPending = {{&a, &b}};
    while (!lstPending.empty()) {
        const auto [pA, pB] = lstPending.back();
        lstPending.pop_back();
        FuzzCheck(pA->m_strType == pB->m_strType, "the same element types");
        FuzzCheck(pA->m_mapAttributes.GetCount() == pB->m_mapAttributes.GetCount(),
                  "the same attribute counts");
        FuzzCheck(pA->Value("NAME") == pB->Value("NAME"), "the same NAME values");
        FuzzCheck(pA->m_lstChildren.size() == pB->m_lstChildren.size(), "the same children");
        for (std::size_t i = 0; i < pA->m_lstChildren.size(); ++i) {
            lstPending.emplace_back(pA->m_lstChildren[i], pB->m_lstChildren[i]);
        }
    }
}

// Findings are promised for a scan that did not stop on a rejected section.
void CheckSameFindings(const pinweave::CScanFindings& a, const pinweave::CScanFindings& b)
{
    FuzzCheck(a.bStartMarkerSeen == b.bStartMarkerSeen, "the same answer to: was a start marker seen");
    FuzzCheck(a.strUnclosedSection == b.strUnclosedSection, "the same section left open");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const std::string strOriginal(reinterpret_cast<const char*>(pData), nSize);
    std::string strFile = strOriginal;

    pinweave::CReportCollector reports;
    CCapHElement roots[3];
    pinweave::CScanFindings findings;
    const pinweave::CParseResult scanned =
        pinweave::ScanSections(strFile, roots[0], roots[1], roots[2], &findings);
    const bool bScanned = static_cast<bool>(scanned);
    FuzzCheck(bScanned ||
                  (reports.m_lstMessages.size() == 1 && reports.m_lstMessages[0] == scanned.m_strMessage),
              "a failed scan returns the parser's message");
    const std::vector<std::string> lstScanMessages = std::move(reports.m_lstMessages);
    reports.m_lstMessages.clear();
    FuzzCheck(lstScanMessages.size() == (bScanned ? 0U : 1U), "one message exactly when the scan fails");

    std::deque<std::string> lstReferenceTexts;
    CCapHElement references[3];
    CCapHElement* const pReferences[3] = {&references[0], &references[1], &references[2]};
    pinweave::CScanFindings referenceFindings;
    const bool bReference = ReferenceScan(strOriginal, pReferences, referenceFindings, lstReferenceTexts);
    FuzzCheck(bScanned == bReference, "the scan agrees with the plain reading");
    if (bScanned) {
        CheckSameFindings(findings, referenceFindings);
    }
    FuzzCheck(lstScanMessages == reports.m_lstMessages, "the same parser messages");
    for (int k = 0; k < 3; ++k) {
        CheckSameTree(roots[k], references[k]);
    }

    std::string strJoined = strOriginal;
    strJoined.resize(pinweave::JoinCrLf(strJoined.data(), 0, strJoined.size()));
    reports.m_lstMessages.clear();
    CCapHElement joinedRoots[3];
    pinweave::CScanFindings joinedFindings;
    const bool bJoinedScanned =
        static_cast<bool>(pinweave::ScanSections(strJoined, joinedRoots[0], joinedRoots[1], joinedRoots[2],
                                                 &joinedFindings, pinweave::ELineEnds::Joined));
    FuzzCheck(bJoinedScanned == bScanned, "joining CR LF first gives the same result");
    if (bScanned) {
        CheckSameFindings(joinedFindings, findings);
    }
    FuzzCheck(reports.m_lstMessages == lstScanMessages, "joining CR LF first gives the same messages");
    for (int k = 0; k < 3; ++k) {
        CheckSameTree(joinedRoots[k], roots[k]);
    }
    return 0;
}
