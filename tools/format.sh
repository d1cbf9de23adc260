#!/usr/bin/env bash
# Applies the project's .clang-format to every C++ file in git, or, with
# --check, changes nothing and fails naming each file that is not formatted.
#
#   tools/format.sh            format in place
#   tools/format.sh --check    what make test runs
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
    unformatted=()
    for f in "${files[@]}"; do
        clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
    done
    if [ ${#unformatted[@]} -gt 0 ]; then
        printf 'not formatted (run make format): %s\n' "${unformatted[@]}" >&2
        exit 1
    fi
    echo "format: ${#files[@]} files as .clang-format has them"
else
    clang-format -i "${files[@]}"
fi
