// Joins each CR LF pair of a text into a single LF, in place: the text moves
// towards the start of its buffer as it is read. A CR without an LF right
// after it stays as it is.
#ifndef PINWEAVE_CAPH_CRLFJOINER_H
#define PINWEAVE_CAPH_CRLFJOINER_H

#include <cstddef>

namespace pinweave {

// Joins the text [nBegin, nEnd) of pBuffer; the joined text starts at nBegin
// as well. Returns where it ends.
std::size_t JoinCrLf(char* pBuffer, std::size_t nBegin, std::size_t nEnd);

} // namespace pinweave

#endif // PINWEAVE_CAPH_CRLFJOINER_H
