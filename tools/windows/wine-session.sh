#!/bin/sh
# The Wine test session of one build tree.
# Usage: wine-session.sh BUILD_DIR up|ensure|down|prefix
#   prefix  create the Wine prefix if it is missing (window manager off, the
#           Wine fonts copied in, HOME unset so no user folder links to $HOME)
#   up      the prefix, then a session if none runs: a private Xvfb display, a
#           persistent wineserver, Wine's helper processes and keepalive.exe,
#           every one of them with its standard streams on /dev/null, so no
#           caller (ctest reading a test's output) waits for them
#   ensure  the same as up; used before every Wine program (wine-run.sh)
#   down    end every process of the session; nothing of it outlives this
# A session left behind by an interrupted run still ends by itself:
# keepalive.exe quits after KEEPALIVE_SECONDS, the server 30 s after its last
# client, Xvfb 10 s after its last client.
set -eu
[ $# -eq 2 ] || { echo "usage: $0 BUILD_DIR up|ensure|down|prefix" >&2; exit 2; }
BUILD_DIR=$(cd "$1" && pwd)
action=$2
. "$(dirname "$0")/wine-env.sh"
KEEPALIVE_SECONDS=${PINWEAVE_KEEPALIVE_SECONDS:-1800}
unset HOME DISPLAY

fail() { echo "wine-session: $*" >&2; exit 1; }

alive() { [ -s "$1" ] && kill -0 "$(cat "$1")" 2>/dev/null; }

create_prefix() {
    # The stamp names the Wine that made the prefix: another Wine would update
    # the prefix on its own in the middle of a test, so it is made anew.
    version=$("$WINE" --version 2>/dev/null) || fail "cannot run $WINE (package wine64)"
    [ -f "$WINEPREFIX/.pinweave-ready" ] && [ "$(cat "$WINEPREFIX/.pinweave-ready")" = "$version" ] && return 0
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    timeout 180 "$WINE" wineboot -i </dev/null >/dev/null 2>&1 || fail "wineboot -i failed in $WINEPREFIX"
    # Without a window manager every hidden or closed window waits 2 s for one.
    timeout 60 "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
        </dev/null >/dev/null 2>&1 || fail "could not switch off the window manager in $WINEPREFIX"
    # This Wine never reads /usr/share/wine/fonts: without the copy, dialogs get
    # DejaVu Sans instead of Tahoma and the caption buttons show letters.
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" || fail "no Wine fonts (fonts-wine)"
    timeout 60 "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    echo "$version" >"$WINEPREFIX/.pinweave-ready"
}

session_alive() {
    alive "$SESSION_DIR/xvfb.pid" && alive "$SESSION_DIR/keepalive.pid" && [ -s "$SESSION_DIR/display" ]
}

stop_session() {
    timeout 30 "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    timeout 30 "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    if alive "$SESSION_DIR/xvfb.pid"; then
        kill "$(cat "$SESSION_DIR/xvfb.pid")" 2>/dev/null || true
    fi
    rm -rf "$SESSION_DIR"
}

start_session() {
    [ -f "$KEEPALIVE_EXE" ] || fail "$KEEPALIVE_EXE is missing: build the windows preset first"
    stop_session
    mkdir -p "$SESSION_DIR"
    setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -terminate 10 \
        3>"$SESSION_DIR/display.fd" </dev/null >/dev/null 2>&1 &
    echo $! >"$SESSION_DIR/xvfb.pid"
    n=0
    until [ -s "$SESSION_DIR/display.fd" ]; do
        n=$((n + 1))
        [ $n -le 100 ] || fail "Xvfb did not start"
        sleep 0.1
    done
    echo ":$(tr -d '\n' <"$SESSION_DIR/display.fd")" >"$SESSION_DIR/display"
    DISPLAY=$(cat "$SESSION_DIR/display")
    export DISPLAY
    timeout 30 "$WINESERVER" -p30 </dev/null >/dev/null 2>&1 || fail "wineserver did not start"
    timeout 120 "$WINE" wineboot </dev/null >/dev/null 2>&1 || fail "wineboot failed"
    setsid "$WINE" "$KEEPALIVE_EXE" "$KEEPALIVE_SECONDS" </dev/null >/dev/null 2>&1 &
    echo $! >"$SESSION_DIR/keepalive.pid"
}

# One step at a time per build tree (ctest may start several programs at once).
# flock -o keeps the lock in flock itself, so no session process inherits it.
if [ -z "${PINWEAVE_SESSION_LOCKED:-}" ]; then
    mkdir -p "$WINE_DIR"
    PINWEAVE_SESSION_LOCKED=1 exec flock -o -w 300 "$WINE_DIR/lock" "$0" "$BUILD_DIR" "$action"
fi
case "$action" in
    prefix) create_prefix ;;
    up | ensure)
        if ! session_alive; then
            create_prefix
            start_session
        fi
        ;;
    down) stop_session ;;
    *) fail "unknown action '$action'" ;;
esac
