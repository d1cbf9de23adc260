// The command line of Pinweave as a plain record.
//
// Grammar (arguments after the program's name, handled in order; "last" is the
// final argument of the whole list, flag or not):
//
//   flag  := ("-" | "/") rest    rest compared as a whole, ASCII case folded:
//                                "Q" quiet mode, "Y" overwrite without asking,
//                                anything else (an empty rest too) ignored
//   path  := any other argument  the last one is the output folder, an earlier
//                                one the CAP-H path (a later one replacing it)
//
// Nothing here shows anything or touches the file system beyond what a flag
// rule asks; the Windows start-up copies the record into its conversion
// engine. (The Linux program has a command line of its own, cli/LinuxCommandLine.h.)
#ifndef PINWEAVE_APP_COMMANDLINEINFO_H
#define PINWEAVE_APP_COMMANDLINEINFO_H

#include <functional>
#include <string>
#include <vector>

namespace pinweave {

class CPinweaveCommandLineInfo {
public:
    // Decides, for an argument that begins with "-" or "/", whether it is a
    // flag. Arguments without such a first character are always paths.
    using FlagRule = std::function<bool(const std::string& strArg)>;

    // The Windows rule: every argument that begins with "-" or "/" is a flag.
    static bool IsWindowsFlag(const std::string& strArg);

    // One argument: pszParam without its flag character when bFlag is set;
    // bLast when it is the final argument of the whole list. A null pszParam
    // counts as the empty text.
    void ParseParam(const char* pszParam, bool bFlag, bool bLast);

    // Feeds every argument (program name excluded) through ParseParam in
    // order, stripping the flag character of those pfnIsFlag calls flags. An
    // empty rule means the Windows rule.
    void ParseArguments(const std::vector<std::string>& arrArgs, const FlagRule& pfnIsFlag = IsWindowsFlag);

    // Dropping a file onto the program, or "Open with", starts it with that
    // file as its only argument: when the whole list is one path naming an
    // existing file (pfnIsFile true; a folder is no file), that path is the
    // CAP-H path instead of the output folder, and no output folder is given.
    // Any other list keeps what the grammar made of it. Call after
    // ParseArguments with the same list.
    void TakeLoneFileAsCapH(const std::vector<std::string>& arrArgs, const FlagRule& pfnIsFile);

    bool m_bOverwriteAll = false; // flag Y: replace existing output files without asking
    bool m_bQuiet = false;        // flag Q: one conversion without a window
    std::string m_strInputPath;   // the CAP-H file path
    std::string m_strOutputPath;  // the folder for the generated PID files
};

} // namespace pinweave

#endif // PINWEAVE_APP_COMMANDLINEINFO_H
