// The user-visible texts of Pinweave, each once, under its string-table number.
//
// This header is the single source of the texts: the resource script expands
// PINWEAVE_STRING_TABLE into its STRINGTABLE, and the portable core expands it
// into MessageText(). Texts are printf-style templates with %s and %i
// placeholders; FormatMessageText() fills them without any length limit.
//
// Keep this file free of anything but preprocessor lines and the C++ section
// below the RC_INVOKED guard: windres reads it as well.
#ifndef PINWEAVE_COMMON_MESSAGETABLE_H
#define PINWEAVE_COMMON_MESSAGETABLE_H

// X(symbol, number, text)
#define PINWEAVE_STRING_TABLE(X)                                                                  \
    X(IDS_ABOUTBOX, 101, "&About Pinweave...")                                                    \
    X(IDS_BROWSE_TITLE, 102, "Current Folder Is:")                                                \
    X(IDS_STARTING_CONVERSION, 104, "Starting conversion of '%s'")                                \
    X(IDS_OUTPUT_EXISTS_PROMPT, 105,                                                              \
      "The following output file already exists:\r\n%s\r\nDo you wish to overwrite this file?")  \
    X(IDS_FILE_OPEN_ERROR, 106, "File open error on file '%s'\r\n%s")                             \
    X(IDS_PART_NUMBERS_DETECTED, 107, "%i Part Number(s) detected.")                              \
    X(IDS_PROCESSING_PART, 108, "Processing Part # %s")                                           \
    X(IDS_COMPLETED, 109, "Completed")                                                            \
    X(IDS_PID_FILE_GENERATED, 110, "PID File '%s' generated")                                     \
    X(IDS_OUTPUT_EXISTS_ABORTED, 111, "The output file '%s' already exists.\nConversion aborted.") \
    X(IDS_UNDEFINED_CONNECTOR, 112,                                                               \
      "Wire '%s' references undefined connector '%s' or pin '%s'.  Skipping this wire.")          \
    X(IDS_MISSING_ENDPOINT, 113,                                                                  \
      "Wire '%s' is missing an endpoint (connector-pin or splice).  Skipping this wire.")         \
    X(IDS_INVALID_OUTPUT_FOLDER, 114,                                                             \
      "The output file path '%s' is not a valid folder.  Please select a valid folder path.")     \
    X(IDS_CAPH_FILE_FILTER, 397, "Capital-H Export File (*.tst)|*.tst")                           \
    X(IDS_PARSER_OUT_OF_DATA, 403,                                                                \
      "CAP-H Parser error in element '%s':  Out of data at position %i of string %s\n")           \
    X(IDS_PARSER_ILLEGAL_CHARACTER, 404, "CAP-H Parser error:  Illegal character at position %i ('%s')") \
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

}  // namespace pinweave

#endif  // RC_INVOKED
#endif  // PINWEAVE_COMMON_MESSAGETABLE_H
