// Letter case as the system folds it everywhere (tags, attribute names,
// command-line flags, file names compared by the log): only the ASCII letters
// a-z and A-Z; every other byte, 0x80-0xFF included, stays as it is, so text
// in any code page passes through unchanged.
#ifndef PINWEAVE_COMMON_ASCIICASE_H
#define PINWEAVE_COMMON_ASCIICASE_H

#include <cstddef>
#include <string>
#include <string_view>

namespace pinweave {

inline char UpperAscii(char c)
{
    return static_cast<unsigned char>(c - 'a') < 26 ? static_cast<char>(c - ('a' - 'A')) : c;
}

// Upper-cases the ASCII letters a-z in place.
inline void MakeUpperAscii(std::string& str)
{
    for (char& c : str) {
        c = UpperAscii(c);
    }
}

// Compares two texts folding only ASCII letters.
inline bool EqualsNoCaseAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace pinweave

#endif // PINWEAVE_COMMON_ASCIICASE_H
