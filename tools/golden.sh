#!/usr/bin/env bash
# Regenerates the golden scenarios (tests/pid/golden/*/): every scenario folder
# is converted again by the native pid_tests, which write the PID files and
# the log they produced into the folder (CAP-H path and date as the
# placeholders @CAPH@ and @DATE@), and git shows what changed. A new
# scenario is a new folder holding its .tst: run this, read the difference,
# commit it.
#   tools/golden.sh        (make golden)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset native >/dev/null
cmake --build --preset native --target pid_tests -j 2 >/dev/null
PINWEAVE_GOLDEN_UPDATE=1 build/native/bin/pid_tests --gtest_brief=1 --gtest_filter='Scenarios/GoldenTest.*' >/dev/null
git add --intent-to-add tests/pid/golden
git --no-pager diff --stat -- tests/pid/golden
git --no-pager diff --text -- tests/pid/golden
