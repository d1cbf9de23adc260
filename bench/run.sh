#!/usr/bin/env bash
# Runs every benchmark and prints one table: CAP-H reading (scan + parse) and
# the whole quiet conversion at 1, 10, 100 and 200 MB, and the conversion at
# one size with a growing part count; then the checks against the targets.
#
#   bench/run.sh BIN_DIR [pinweave_bench options]     e.g. bench/run.sh build/bench/bin --sizes 1,10
#
# The generated inputs and outputs live in /dev/shm (else BIN_DIR/../bench-work)
# and are deleted case by case; about 1.3 GB of free space is needed (200 MB,
# and 20 MB with 1,280 part numbers).
set -euo pipefail

if [ $# -lt 1 ]; then
    echo "usage: $0 BIN_DIR [pinweave_bench options]" >&2
    exit 2
fi
bin=$(cd "$1" && pwd)
shift
# The files live in memory (tmpfs) where the machine has it: on a disk, the
# kernel's write-back of one case's output lands in the next case, and the
# I/O floor of a run varied fourfold on this project's machine.
if [ -d /dev/shm ] && [ -w /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR==2 {print $4}')" -gt 2000000 ]; then
    work=/dev/shm/pinweave-bench-$$
    trap 'rm -rf "$work"' EXIT
else
    work="$(dirname "$bin")/bench-work"
fi
mkdir -p "$work"
echo "Pinweave benchmarks on $(nproc) cores, $(uname -sr); MB = 10^6 bytes" >&2
"$bin/pinweave_bench" --work "$work" "$@"
