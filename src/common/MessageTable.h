// The user-visible texts of Pinweave, each once, under its string-table number.
//
// This header is the single source of the texts: the resource script expands
// PINWEAVE_STRING_TABLE into its STRINGTABLE, and the portable core expands it
// into MessageText(). Texts are printf-style templates with %s and %i
// placeholders; FormatMessageText() fills them without any length limit. The
// texts without a number (the run's reports of failures beyond the string
// table) follow the table, below.
//
// Keep this file free of anything but preprocessor lines and the C++ section
// below the RC_INVOKED guard: windres reads it as well.
#ifndef PINWEAVE_COMMON_MESSAGETABLE_H
#define PINWEAVE_COMMON_MESSAGETABLE_H

// X(symbol, number, text)
#define PINWEAVE_STRING_TABLE(X)                                                                             \
    X(IDS_ABOUTBOX, 101, "&About Pinweave...")                                                               \
    X(IDS_BROWSE_TITLE, 102, "Current Folder Is:")                                                           \
    X(IDS_STARTING_CONVERSION, 104, "Starting conversion of '%s'")                                           \
    X(IDS_OUTPUT_EXISTS_PROMPT, 105,                                                                         \
      "The following output file already exists:\r\n%s\r\nDo you wish to overwrite this file?")              \
    X(IDS_FILE_OPEN_ERROR, 106, "File open error on file '%s'\r\n%s")                                        \
    X(IDS_PART_NUMBERS_DETECTED, 107, "%i Part Number(s) detected.")                                         \
    X(IDS_PROCESSING_PART, 108, "Processing Part # %s")                                                      \
    X(IDS_COMPLETED, 109, "Completed")                                                                       \
    X(IDS_PID_FILE_GENERATED, 110, "PID File '%s' generated")                                                \
    X(IDS_OUTPUT_EXISTS_ABORTED, 111, "The output file '%s' already exists.\nConversion aborted.")           \
    X(IDS_UNDEFINED_CONNECTOR, 112,                                                                          \
      "Wire '%s' references undefined connector '%s' or pin '%s'.  Skipping this wire.")                     \
    X(IDS_MISSING_ENDPOINT, 113,                                                                             \
      "Wire '%s' is missing an endpoint (connector-pin or splice).  Skipping this wire.")                    \
    X(IDS_INVALID_OUTPUT_FOLDER, 114,                                                                        \
      "The output file path '%s' is not a valid folder.  Please select a valid folder path.")                \
    X(IDS_CAPH_FILE_FILTER, 397, "Capital-H Export File (*.tst)|*.tst")                                      \
    X(IDS_PARSER_OUT_OF_DATA, 403,                                                                           \
      "CAP-H Parser error in element '%s':  Out of data at position %i of string %s\n")                      \
    X(IDS_PARSER_ILLEGAL_CHARACTER, 404, "CAP-H Parser error:  Illegal character at position %i ('%s')")     \
    X(IDS_PARSER_NO_BRACKET, 405, "CAP-H Parser error:  Element does not begin with a '[' near '%s'")

#ifndef RC_INVOKED

#include <initializer_list>
#include <string>
#include <string_view>

namespace pinweave {

enum MessageId : int {
#define PINWEAVE_MESSAGE_ENUM(symbol, number, text) symbol = number,
    PINWEAVE_STRING_TABLE(PINWEAVE_MESSAGE_ENUM)
#undef PINWEAVE_MESSAGE_ENUM
};

// The template text of a message; empty for a number that is not in the table.
const char* MessageText(MessageId id);

// Fills a printf-style template: each %s and %i takes the next argument as it
// stands (callers pass numbers already in decimal), "%%" gives "%". Any other
// "%" sequence is copied unchanged. Missing arguments leave the placeholder
// empty; surplus arguments are ignored.
std::string FormatMessageText(std::string_view strTemplate, std::initializer_list<std::string_view> args);

// MessageText() and FormatMessageText() in one step.
std::string FormatTableMessage(MessageId id, std::initializer_list<std::string_view> args);

// --- The texts that have no number: the run's own reports of failures that
// the string table has no message for. Each is a printf-style template filled
// with FormatMessageText; %s and %i take their arguments as text.

// The CAP-H file could not be opened: path, the system's reason. Shown in the
// results pane with a window, reported unlogged without one (no log file is
// created for a file that was never opened).
inline constexpr const char* kMsgCannotOpenCapH = "Cannot open CAP-H file '%s': %s";

// The reasons given in kMsgCannotOpenCapH, where the system's reason would
// stand, when the CAP-H path names something other than a regular file (or
// a link to one): a run never reads a device (which may never end) or a
// FIFO (which waits for a writer). A folder has the system's own reason.
inline constexpr const char* kReasonCharacterDevice = "It is a character device, not a regular file";
inline constexpr const char* kReasonBlockDevice = "It is a block device, not a regular file";
inline constexpr const char* kReasonFifo = "It is a FIFO (named pipe), not a regular file";
inline constexpr const char* kReasonSocket = "It is a socket, not a regular file";
inline constexpr const char* kReasonNotAFile = "It is not a regular file";

// Reading the opened CAP-H file failed: path, the system's reason.
inline constexpr const char* kMsgCapHReadError = "Read error on CAP-H file '%s': %s. Conversion aborted.";

// The CAP-H file ended while a section still waited for its end marker, so
// it was most likely cut short: path, the section's name twice (as in
// [HEADER] and [ENDHEADER]).
inline constexpr const char* kMsgUnclosedSection =
    "The CAP-H file '%s' ends inside its [%s] section ([END%s] is missing). Conversion aborted.";

// The CAP-H file holds none of the start markers [HEADER], [CONNECTION] and
// [CONNECTOR] in any letter case, so it is no CAP-H export: path.
inline constexpr const char* kMsgNotCapH =
    "The file '%s' is not a CAP-H export file: it holds none of the sections [HEADER], [CONNECTION] and "
    "[CONNECTOR]. Conversion aborted.";

// A file without section markers that begins with a UTF-16 byte-order mark:
// an export saved as two-byte text, which the conversion does not read: path.
inline constexpr const char* kMsgUtf16CapH =
    "The file '%s' is UTF-16 (Unicode) text; save it as single-byte (ANSI) text and convert it again. "
    "Conversion aborted.";

// Writing or closing an output file failed: full path, the system's reason.
inline constexpr const char* kMsgOutputWriteError =
    "Write error on output file '%s': %s. Conversion aborted.";

// The connection section holds more part groups than the header has part
// numbers: CAP-H path, number of part numbers.
inline constexpr const char* kMsgSurplusPartGroup =
    "The CAP-H file '%s' has more part groups in its connection section than its %i part number(s). "
    "Conversion aborted.";

// A writer addressed an output file that does not exist: the index.
inline constexpr const char* kMsgBadOutputIndex =
    "Internal error: there is no output file %i. Conversion aborted.";

// The log file beside the CAP-H file could not be written: log path, the
// system's reason. Followed by the line that could not be logged.
inline constexpr const char* kMsgLogWriteError = "Cannot write log file '%s': %s. Conversion aborted.";

// The reason given, where the system's reason would stand, when an output
// file or the log file would be the CAP-H file itself: a run never writes
// over or into the file it converts.
inline constexpr const char* kReasonIsCapHFile = "It is the CAP-H file being converted";

// The reasons given in kMsgLogWriteError when the log path may not be
// written: a symbolic link to nothing (the log is only ever created as a new
// file under its own name, never through a link, which anyone who may write
// the folder could have planted); or one of the output files of this CAP-H
// file, or their temporaries, under another name (a link): its path.
inline constexpr const char* kReasonDanglingLink = "It is a symbolic link to a file that does not exist";
inline constexpr const char* kReasonIsOutputFile = "It is the output file '%s'";

// A run stopped after it had begun to write output files: their temporaries
// are gone, and every PID file of the folder is as it was.
inline constexpr const char* kMsgNoOutputChanged = "No output file was changed.";

// As above, but some temporaries could not be removed: their quoted paths
// with the system's reasons, separated by ", ".
inline constexpr const char* kMsgTemporariesLeft =
    "No output file was changed. These temporary files could not be removed: %s";

// Putting the finished files in place. Each stop line is followed by what
// the folder holds then: "No output file was changed." once every name has
// its old file back, or kMsgUndoIncomplete.

// The output folder's path names another folder than at the run's start, or
// none: the folder's path.
inline constexpr const char* kMsgOutputFolderMoved =
    "The output folder '%s' was moved or removed during the run. Conversion aborted.";

// A finished file could not take over the permissions of the file it
// replaces: full path, the system's reason.
inline constexpr const char* kMsgCannotKeepAttributes =
    "Cannot give output file '%s' the permissions of the file it replaces: %s. Conversion aborted.";

// The finished files could not be stored on the disk: folder, the system's
// reason.
inline constexpr const char* kMsgSyncError =
    "Cannot store the output files in '%s' on the disk: %s. Conversion aborted.";

// A file about to be replaced could not be kept under a backup name: full
// path, the system's reason.
inline constexpr const char* kMsgBackupError =
    "Cannot keep a backup of output file '%s' while the files are put in place: %s. Conversion aborted.";

// A name without the user's consent to replace it was taken by someone else
// after the run checked it: full path.
inline constexpr const char* kMsgOutputAppeared =
    "The output file '%s' appeared during the run; it was not replaced. Conversion aborted.";

// A finished file could not take its name: full path, the system's reason.
inline constexpr const char* kMsgCannotPutInPlace =
    "Cannot put output file '%s' in place: %s. Conversion aborted.";

// The folder's new names could not be stored on the disk: folder, the
// system's reason.
inline constexpr const char* kMsgFolderSyncError =
    "Cannot store the new names in the output folder '%s' on the disk: %s. Conversion aborted.";

// Giving the names back their old files failed part way: the system's
// reason; the quoted paths that hold their new content; those of them whose
// old content is kept under a backup name, each as "'path' in 'backup'";
// the run's temporaries and backups that stay besides (or "none").
inline constexpr const char* kMsgUndoIncomplete =
    "The output folder could not be put back as it was: %s. These output files hold their new content: %s; "
    "every other output file holds its old content. The old content of replaced files is kept: %s. Files of "
    "this run left in the folder: %s.";

// Every file is in place, but backups of replaced files could not be
// removed: their quoted paths with the system's reasons.
inline constexpr const char* kMsgBackupsLeft =
    "These backups of replaced output files could not be removed; they can be deleted: %s";

// The output folder holds temporaries or backups of this run's names: an
// earlier run left them when it was killed or lost its power, or another run
// is writing them right now. How many, and the pattern of their names.
inline constexpr const char* kMsgLeftovers =
    "The output folder holds %i file(s) named like this run's temporary files (%s): another run is writing "
    "them, or a run that was stopped abruptly left them, and then they can be deleted.";

// The log could not take its last lines after every file was put in place:
// log path, the system's reason. The run has completed all the same.
inline constexpr const char* kMsgLogWriteErrorAfterPlacing =
    "Cannot write log file '%s': %s. Every output file is in place.";

// A step ran out of memory.
inline constexpr const char* kMsgOutOfMemory = "Out of memory. Conversion aborted.";

// An error escaped a step: the error's own text.
inline constexpr const char* kMsgInternalError = "Internal error: %s. Conversion aborted.";

// The run was stopped from outside (the Linux program's signals): the
// signal's name, as in SIGINT.
inline constexpr const char* kMsgInterrupted = "Interrupted by %s. Conversion aborted.";

// A signal came while the files were put in place: the signal's name. That
// step was finished first, and the run's own outcome stands.
inline constexpr const char* kMsgInterruptedTooLate =
    "%s came while the output files were put in place; that step was finished first.";

} // namespace pinweave

#endif // RC_INVOKED
#endif // PINWEAVE_COMMON_MESSAGETABLE_H
