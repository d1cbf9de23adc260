// The generation date written into the comment block of every PID file.
//
// One function, two implementations: the portable one (GenerationDate.cpp)
// renders the C library's local time; the Windows build replaces it with one
// that asks the system for the user's regional format.
#ifndef PINWEAVE_PID_GENERATIONDATE_H
#define PINWEAVE_PID_GENERATIONDATE_H

#include <ctime>
#include <string>

namespace pinweave {

// The local date and time of day of tNow, to the second, in the user's short
// date form followed by a blank and the time with seconds. Under the "C"
// locale the US form "M/D/YYYY h:mm:ss AM" (for example "3/1/2005 10:15:42 AM").
// "Invalid DateTime" when tNow cannot be converted to local time.
std::string GenerationDateText(std::time_t tNow);

} // namespace pinweave

#endif // PINWEAVE_PID_GENERATIONDATE_H
