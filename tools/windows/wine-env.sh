# Sourced by the Wine scripts of this folder with BUILD_DIR set: the one
# environment every Wine process of a build tree's test session gets.
#   $BUILD_DIR/wine/prefix    the Wine prefix (created once, reused)
#   $BUILD_DIR/wine/session   the running session: display, Xvfb and keepalive pids
WINE_DIR=$BUILD_DIR/wine
SESSION_DIR=$WINE_DIR/session
export WINEPREFIX=$WINE_DIR/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The Windows locale and time zone follow the Unix ones of each process: pin them
# so dates and texts are the same on every machine.
export LC_ALL=C.UTF-8
export TZ=UTC
unset LANG LANGUAGE
WINE=${PINWEAVE_WINE:-/usr/lib/wine/wine64}
WINESERVER=${PINWEAVE_WINESERVER:-/usr/lib/wine/wineserver}
KEEPALIVE_EXE=$BUILD_DIR/bin/keepalive.exe
