// The system's sentence for a Windows error code, as the run's lines quote
// it: the text of FormatMessage without its line end.
#ifndef PINWEAVE_APP_SYSTEMREASONWIN_H
#define PINWEAVE_APP_SYSTEMREASONWIN_H

#include <string>

#include <windows.h>

namespace pinweave {

std::string Reason(DWORD dwError);

} // namespace pinweave

#endif // PINWEAVE_APP_SYSTEMREASONWIN_H
