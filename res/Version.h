// Pinweave's version, written once: the VERSIONINFO block and the About box
// take it from here, and CMake reads the four numbers for the project version
// (pinweave --version, the man page, the package names; cmake/ReadVersion.cmake).
// Preprocessor lines only (read by windres too).
#ifndef PINWEAVE_RES_VERSION_H
#define PINWEAVE_RES_VERSION_H

#define PINWEAVE_VERSION_MAJOR 1
#define PINWEAVE_VERSION_MINOR 0
#define PINWEAVE_VERSION_PATCH 0
#define PINWEAVE_VERSION_BUILD 2

#define PINWEAVE_STRINGIZE_(tokens) #tokens
#define PINWEAVE_STRINGIZE(tokens) PINWEAVE_STRINGIZE_(tokens)

// "1.0.0.2"
#define PINWEAVE_VERSION_TEXT                                                                                \
    PINWEAVE_STRINGIZE(                                                                                      \
        PINWEAVE_VERSION_MAJOR.PINWEAVE_VERSION_MINOR.PINWEAVE_VERSION_PATCH.PINWEAVE_VERSION_BUILD)

#endif // PINWEAVE_RES_VERSION_H
