#include "cli/Usage.h"

namespace pinweave {

const char* const kUsageText =
    "Usage: pinweave [/Q] [/Y] FILE.tst FOLDER\n"
    "       pinweave --help | --version\n"
    "\n"
    "Converts the CAP-H export file FILE.tst into one PID file per part number in\n"
    "FOLDER. Progress lines are appended to the log file beside FILE.tst (FILE.log)\n"
    "and echoed on standard output; problems with the output folder or a PID file\n"
    "are printed on standard error.\n"
    "\n"
    "  /Q, -Q     quiet mode; always on here, accepted for the Windows command line\n"
    "  /Y, -Y     replace existing PID files; without it an existing one stops the run\n"
    "  --help     print this text\n"
    "  --version  print the version\n"
    "\n"
    "Flags ignore letter case and may stand anywhere before FOLDER, which must be the\n"
    "last argument; other flags are ignored. An argument beginning with \"/\" is a\n"
    "path when it holds a further \"/\" or names something that exists.\n"
    "\n"
    "Exit status: 0 conversion completed, 1 conversion stopped, 2 usage error.\n";

}  // namespace pinweave
