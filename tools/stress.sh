#!/usr/bin/env bash
# Converts every hostile CAP-H kind at full size with the Linux program and
# prints the table: case, input size, time, peak RSS, peak as a multiple of
# the input, outcome. Needs about 6 GB of free memory and 5 GB of free disk
# under $TMPDIR (the largest case is a 1 GB file whose PID file and log hold
# its part number again).
#
#   tools/stress.sh [BUILD_DIR] [CASE...]     BUILD_DIR defaults to build/native
set -euo pipefail

build_dir=${1:-build/native}
shift || true
program="$build_dir/bin/pinweave"
stress="$build_dir/bin/hostile_stress"
for f in "$program" "$stress"; do
    if [ ! -x "$f" ]; then
        echo "stress.sh: $f is missing; build $build_dir first" >&2
        exit 2
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/pinweave-stress-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$stress" "$program" "$work" "$@"
