#include "cli/Usage.h"

namespace pinweave {

const char* const kUsageText =
    "Usage: pinweave [-Y] [-Q] [--] FILE.tst FOLDER\n"
    "       pinweave -h | --help | --version\n"
    "\n"
    "Converts the CAP-H export file FILE.tst into one PID file per part number in\n"
    "FOLDER: FILE.pid for the first part number, FILE_1.pid, FILE_2.pid ... for the\n"
    "next ones. Progress lines are appended to the log file beside FILE.tst\n"
    "(FILE.log) and echoed on standard output; problems with the output folder or\n"
    "a PID file, and the lines that end a stopped run, go to standard error.\n"
    "\n"
    "  -Y, /Y      replace existing PID files; without it an existing one stops\n"
    "              the run\n"
    "  -Q, /Q      quiet mode; always on here, accepted for the Windows command line\n"
    "  -h, --help  print this text\n"
    "  --version   print the version\n"
    "  --          end of the flags: every later argument is a path\n"
    "\n"
    "Exactly one FILE.tst and one FOLDER, in this order; flags may stand anywhere\n"
    "and ignore letter case. \"/\" and one letter (/Y) is a flag unless something of\n"
    "that name exists; any longer argument beginning with \"/\" is a path. Any other\n"
    "flag is a usage error.\n"
    "\n"
    "A run writes its PID files under temporary names and puts them in place only\n"
    "when every part is written: a run that stops leaves FOLDER as it was.\n"
    "\n"
    "Exit status: 0 conversion completed, 1 conversion stopped, 2 usage error,\n"
    "128+N after signal N (130 Ctrl+C, 143 SIGTERM, 129 SIGHUP).\n";

} // namespace pinweave
