// Strings of this program's string table, of any length.
#ifndef PINWEAVE_APP_RESOURCESTRINGWIN_H
#define PINWEAVE_APP_RESOURCESTRINGWIN_H

#include <string>

namespace pinweave {

// String nId of the module hModule (null: the program itself), converted to
// the ANSI code page; empty when there is none.
std::string LoadResourceString(unsigned int nId, void* hModule = nullptr);

} // namespace pinweave

#endif // PINWEAVE_APP_RESOURCESTRINGWIN_H
