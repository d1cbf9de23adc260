# Cross build for 64-bit Windows with MinGW-w64 (posix thread model, Debian
# package g++-mingw-w64-x86-64-posix). Programs are linked statically so they
# need no DLL beyond the system's; the tests run through Wine by way of
# tools/windows/wine-run.sh, which keeps one Wine prefix and session per build
# tree.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(PINWEAVE_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PINWEAVE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PINWEAVE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${PINWEAVE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PINWEAVE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Without -static Wine needs libstdc++-6.dll and friends and fails silently.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs cannot run at build time without Wine: list their tests when
# ctest starts, inside the Wine session, not after linking.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# Every Windows program that ctest starts goes through the session wrapper,
# which creates the build tree's Wine prefix and session on first use.
get_filename_component(PINWEAVE_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../tools/windows/wine-run.sh" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${PINWEAVE_WINE_RUN};${CMAKE_BINARY_DIR}")
