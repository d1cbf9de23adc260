#!/usr/bin/env bash
# Runs every fuzz target for a number of seconds and prints, per target, the
# executions, the coverage (cov: edges, ft: features) and the findings.
#
#   tools/fuzz.sh BIN_DIR SECONDS [TARGET...]      (targets: parse scan convert)
#   FUZZ_JOBS=2 tools/fuzz.sh ...                  (targets run at once; default 1)
#
# Before fuzzing, each target replays its named regression inputs
# (fuzz/regressions/<target>/). Fuzzing starts from the seed corpus
# (fuzz/corpus/<target>/, never written to) plus a working corpus kept under
# BIN_DIR/../fuzz-work/<target>/corpus between runs. Findings (crash-, leak-,
# timeout-, oom- files) land in BIN_DIR/../fuzz-work/<target>/findings/; each
# one should become a named file in fuzz/regressions/<target>/.
# Exit code: 0 without findings, 1 with findings, 2 on a usage error.
set -uo pipefail

if [ $# -lt 2 ]; then
    echo "usage: $0 BIN_DIR SECONDS [TARGET...]" >&2
    exit 2
fi
bin=$(cd "$1" && pwd) || exit 2
seconds=$2
shift 2
case "$seconds" in ''|*[!0-9]*) echo "fuzz.sh: SECONDS must be a whole number" >&2; exit 2 ;; esac
root=$(cd "$(dirname "$0")/.." && pwd)
work="$(dirname "$bin")/fuzz-work"
jobs=${FUZZ_JOBS:-1}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for t in parse scan convert; do
        [ -x "$bin/fuzz_$t" ] && targets+=("$t")
    done
fi
if [ ${#targets[@]} -eq 0 ]; then
    echo "fuzz.sh: no fuzz target in $bin" >&2
    exit 2
fi

run_target() {
    local t=$1
    local exe="$bin/fuzz_$t" dir="$work/$t"
    mkdir -p "$dir/corpus" "$dir/findings"
    : >"$dir/replay.log"
    local regressions=()
    if [ -d "$root/fuzz/regressions/$t" ]; then
        while IFS= read -r -d '' f; do regressions+=("$f"); done \
            < <(find "$root/fuzz/regressions/$t" -type f ! -name '.*' -print0 | sort -z)
    fi
    echo 0 >"$dir/replay.failed"
    if [ ${#regressions[@]} -gt 0 ] && ! "$exe" "${regressions[@]}" >"$dir/replay.log" 2>&1; then
        echo 1 >"$dir/replay.failed"
    fi
    local corpora=("$dir/corpus")
    [ -d "$root/fuzz/corpus/$t" ] && corpora+=("$root/fuzz/corpus/$t")
    "$exe" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 -dict="$root/fuzz/caph.dict" \
        -artifact_prefix="$dir/findings/" "${corpora[@]}" >"$dir/fuzz.log" 2>&1
    echo $? >"$dir/fuzz.rc"
}

if ! [ -d "$work" ]; then mkdir -p "$work"; fi
running=0
for t in "${targets[@]}"; do
    if ! [ -x "$bin/fuzz_$t" ]; then
        echo "fuzz.sh: no target fuzz_$t in $bin" >&2
        exit 2
    fi
    rm -f "$work/$t/fuzz.rc"
    run_target "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

found=0
printf '%-8s %7s %11s %8s %7s %7s %8s %9s %s\n' target seconds executions exec/s cov ft corpus findings regressions
for t in "${targets[@]}"; do
    dir="$work/$t"
    log="$dir/fuzz.log"
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    last=$(grep -E '(INITED|NEW|REDUCE|pulse|DONE|RELOAD).* cov: ' "$log" | tail -1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    corp=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
    findings=$(find "$dir/findings" -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
    nreg=$(find "$root/fuzz/regressions/$t" -type f ! -name '.*' 2>/dev/null | wc -l)
    replay="$nreg ok"
    if [ "$(cat "$dir/replay.failed")" != 0 ]; then
        replay="$nreg FAILED"
        found=1
    fi
    printf '%-8s %7s %11s %8s %7s %7s %8s %9s %s\n' "$t" "$seconds" "${execs:-?}" "${rate:-?}" "${cov:-?}" \
        "${ft:-?}" "${corp:-?}" "$findings" "$replay"
    if [ "$findings" -gt 0 ] || [ "$(cat "$dir/fuzz.rc")" != 0 ]; then
        found=1
    fi
done

for t in "${targets[@]}"; do
    dir="$work/$t"
    if [ "$(cat "$dir/replay.failed")" != 0 ]; then
        echo
        echo "== $t: a regression input fails again ($dir/replay.log):"
        grep -m1 -A25 -E '^==[0-9]+==ERROR|fuzz check failed|runtime error' "$dir/replay.log"
    fi
    if [ "$(cat "$dir/fuzz.rc")" != 0 ] || [ -n "$(ls -A "$dir/findings" 2>/dev/null)" ]; then
        echo
        echo "== $t: findings in $dir/findings/ (log $dir/fuzz.log):"
        ls -1 "$dir/findings"
        grep -m1 -A25 -E '^==[0-9]+==ERROR|fuzz check failed|runtime error|ALARM|out-of-memory' "$dir/fuzz.log"
        echo "Keep each as a named regression: cp FINDING $root/fuzz/regressions/$t/<what-it-shows>"
    fi
done
exit "$found"
