#!/bin/sh
# Runs one Windows program of a build tree under Wine, in that tree's test
# session (started here on first use, see wine-session.sh).
# Usage: wine-run.sh BUILD_DIR PROGRAM [ARGUMENT...]
set -eu
[ $# -ge 2 ] || { echo "usage: $0 BUILD_DIR PROGRAM [ARGUMENT...]" >&2; exit 2; }
BUILD_DIR=$(cd "$1" && pwd)
shift
here=$(dirname "$0")
"$here/wine-session.sh" "$BUILD_DIR" ensure
. "$here/wine-env.sh"
DISPLAY=$(cat "$SESSION_DIR/display")
export DISPLAY
unset HOME
exec "$WINE" "$@"
