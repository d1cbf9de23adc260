#!/usr/bin/env bash
# Regenerates the golden scenarios (tests/pid/golden/*/, one folder each, its
# input the folder's .tst or the bundled example of that name): the Linux
# program converts every input anew in a fresh folder, its PID files and log
# replace the scenario's expected files (the CAP-H path written as @CAPH@;
# lines 2 and 3 of a PID file, which the tests do not compare, stay as the
# scenario had them), and git shows what changed. A new scenario is a new
# folder with its .tst: run this, read the difference, commit it.
#   tools/golden.sh        (make golden)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target pinweave -j 2 >/dev/null
program="$PWD/build/native/bin/pinweave"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for golden in tests/pid/golden/*/; do
    name="$(basename "$golden")"
    input="$golden/$name.tst"
    [ -f "$input" ] || input="examples/$name.tst"
    rm -rf "${work:?}"/*
    mkdir "$work/out"
    cp "$input" "$work/$name.tst"
    (cd "$work" && "$program" "$name.tst" out >/dev/null 2>&1) || true
    for pid in "$work"/out/*.pid; do
        [ -f "$pid" ] || continue
        old="$golden/$(basename "$pid")"
        line2='; @CAPH@'$'\r' line3='; Date:  @DATE@'$'\r'
        if [ -f "$old" ]; then
            line2="$(sed -n 2p "$old")" line3="$(sed -n 3p "$old")"
        fi
        awk -v l2="$line2" -v l3="$line3" 'NR == 2 { print l2; next } NR == 3 { print l3; next } { print }' \
            "$pid" >"$pid.new"
    done
    rm -f "$golden"/*.pid "$golden/$name.log"
    for pid in "$work"/out/*.pid.new; do
        [ -f "$pid" ] || continue
        target="$(basename "$pid" .new)"
        cp "$pid" "$golden/$target"
    done
    log="$(cat "$work/$name.log"; printf x)"
    log="${log%x}"
    printf '%s' "${log//"'$name.tst'"/"'@CAPH@'"}" >"$golden/$name.log"
done
git add --intent-to-add tests/pid/golden
git --no-pager diff --stat -- tests/pid/golden
git --no-pager diff --text -- tests/pid/golden
