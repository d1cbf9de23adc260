// The wire ends of the part being written that landed on fixture pins: a
// record number and a wire name each, kept in attach order until the part's
// [pins] block is written. The names are copied (a diode's end names are
// made for the occasion) into one text, so an end costs no allocation.
#ifndef PINWEAVE_PID_PINENDS_H
#define PINWEAVE_PID_PINENDS_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pinweave {

class CPinEnds {
public:
    struct CEnd {
        std::size_t m_nRecord;     // in the pin table
        std::size_t m_nNameOffset; // of the wire name in the names text
        std::size_t m_nNameLength;
    };

    void Add(std::size_t nRecord, std::string_view strWireName)
    {
        m_arrEnds.push_back(CEnd{nRecord, m_strNames.size(), strWireName.size()});
        m_strNames.append(strWireName);
    }

    // Puts the ends in pin-table order; the ends of one pin keep their attach order.
    void SortByRecord();

    const std::vector<CEnd>& Ends() const { return m_arrEnds; }
    std::string_view WireName(const CEnd& end) const
    {
        return std::string_view(m_strNames).substr(end.m_nNameOffset, end.m_nNameLength);
    }

    // Forgets the ends, keeping the memory for the next part.
    void Clear()
    {
        m_arrEnds.clear();
        m_strNames.clear();
    }

    // Forgets the ends and gives the memory back.
    void Release()
    {
        std::vector<CEnd>().swap(m_arrEnds);
        std::string().swap(m_strNames);
    }

private:
    std::vector<CEnd> m_arrEnds;
    std::string m_strNames;
};

} // namespace pinweave

#endif // PINWEAVE_PID_PINENDS_H
