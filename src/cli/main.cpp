// pinweave: the Linux program. Always the quiet mode of the Windows program:
// one conversion of the files named on the command line, no window, progress
// in the log file beside the CAP-H file (echoed on standard output).
#include "cli/ConsoleFrontEnd.h"
#include "cli/ExitStatus.h"
#include "cli/InterruptWatch.h"
#include "cli/LinuxCommandLine.h"
#include "cli/TerminalEscapes.h"
#include "pid/ConversionEngine.h"

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <unistd.h>

namespace pinweave {
namespace {

int Convert(const CLinuxCommandLine& cmdLine, CInterruptWatch& interrupts)
{
    // Flag Q is optional here: this program has no dialog mode.
    CConsoleFrontEnd frontEnd(std::cout, std::cerr);
    CConversionEngine engine(frontEnd, &interrupts.Interrupt());
    engine.m_strInputPath = cmdLine.m_strInputPath;
    engine.m_strOutputPath = cmdLine.m_strOutputPath;
    engine.m_bOverwriteAll = cmdLine.m_bOverwriteAll;
    interrupts.BeginRun();
    const bool bCompleted = engine.RunConversion(engine.m_strInputPath);
    const int nSignal = interrupts.EndRun();

    // The log file holds the outcome; a broken echo must not hide it, but the
    // user still learns that the echo is incomplete.
    std::cout.flush();
    if (!std::cout)
        std::cerr << "Pinweave: Cannot write to standard output; the log file holds every line.\n";
    if (nSignal != 0)
        return StatusAfterSignal(nSignal, engine.ReachedPlacing(), bCompleted);
    return bCompleted ? kExitCompleted : kExitStopped;
}

int Run(const std::vector<std::string>& arrArgs, CInterruptWatch& interrupts)
{
    const CLinuxCommandLine cmdLine = ParseLinuxCommandLine(arrArgs, ExistsOnDisk);
    if (cmdLine.m_command != LinuxCommand::Convert)
        return AnswerWithoutConverting(cmdLine, std::cout, std::cerr);
    return Convert(cmdLine, interrupts);
}

} // namespace
} // namespace pinweave

int main(int argc, char* argv[])
{
    pinweave::OpenMissingStandardStreams();
    // First, before any other thread exists: SIGINT, SIGTERM and SIGHUP stop
    // a run in an orderly way.
    pinweave::CInterruptWatch interrupts;
    // A reader that goes away (pinweave ... | head) must not kill a run half
    // way through its files: the echo then fails quietly and the run goes on.
    std::signal(SIGPIPE, SIG_IGN);
    // Likewise a file-size limit (ulimit -f): a write past it must fail and be
    // reported, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // The generation date follows the user's regional settings; nothing else
    // of the locale may change how bytes are read or written.
    std::setlocale(LC_TIME, "");
    // On a terminal, a name's control bytes show as escapes in every line
    // (the log file keeps them as they are).
    const pinweave::CEscapedOnTerminal escapedOut(std::cout, isatty(STDOUT_FILENO) == 1);
    const pinweave::CEscapedOnTerminal escapedErr(std::cerr, isatty(STDERR_FILENO) == 1);

    std::vector<std::string> arrArgs;
    for (int i = 1; i < argc; ++i)
        arrArgs.emplace_back(argv[i]);
    int nStatus = pinweave::kExitStopped;
    try {
        nStatus = pinweave::Run(arrArgs, interrupts);
    } catch (const std::exception& e) {
        // A run reports its own errors; whatever throws outside one (out of
        // memory while reading the arguments) ends the program, and the user
        // is told.
        std::cerr << "Pinweave: The conversion stopped: " << e.what() << "\n";
    }
    // Ended by std::exit, which leaves this function's objects alone: a signal
    // may still come while the process ends, and the watch's thread must then
    // find the watch alive (after a return it would lock a destroyed mutex,
    // and the process abort instead of ending with status 0 or 128 + the signal).
    // The escapes' buffers are this function's too: what they hold goes out now.
    std::cout.flush();
    std::cerr.flush();
    std::exit(nStatus);
}
