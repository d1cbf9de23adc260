#!/bin/sh
# Checks a release package as its user gets it: unpacks it into a temporary
# folder, compares its files with the list it must hold, checks that its
# program is stripped and its texts have the right line ends, and converts
# the example with that program and with the build's own one: the PID files
# and the log must be the same bytes, but for the generation date.
#   check-package.sh tarball PACKAGE BUILT_PROGRAM VERSION
#   check-package.sh zip PACKAGE BUILT_PROGRAM VERSION BUILD_DIR
# The zip's Pinweave.exe runs under Wine in BUILD_DIR's test session. Tools
# from the environment: CMAKE (unpacks both kinds), OBJDUMP (the build's, which
# reads the program's format), WINE_RUN (tools/windows/wine-run.sh).
set -eu
[ $# -ge 4 ] || { echo "usage: $0 tarball|zip PACKAGE BUILT_PROGRAM VERSION [BUILD_DIR]" >&2; exit 2; }
kind=$1 package=$2 built=$3 version=$4 build_dir=${5:-}
CMAKE=${CMAKE:-cmake} OBJDUMP=${OBJDUMP:-objdump}
cr=$(printf '\r')

fail() { echo "check-package: $*" >&2; exit 1; }

case "$kind" in
    tarball)
        name=pinweave-$version-linux-x86_64
        [ "$(basename "$package")" = "$name.tar.gz" ] || fail "package name $(basename "$package")"
        top=./$name
        files="$top/CHANGELOG.md $top/LICENSE $top/README.txt $top/bin/pinweave $top/examples/sample.tst
               $top/share/man/man1/pinweave.1"
        program=$top/bin/pinweave
        texts="$top/README.txt $top/LICENSE $top/CHANGELOG.md"
        ;;
    zip)
        top=.
        [ "$(basename "$package")" = "Pinweave-$version-win64.zip" ] || fail "package name $(basename "$package")"
        files="$top/CHANGELOG.md $top/LICENSE $top/Pinweave.exe $top/README.txt $top/examples/sample.tst"
        program=$top/Pinweave.exe
        texts="$top/README.txt $top/LICENSE $top/CHANGELOG.md"
        ;;
    *) fail "unknown kind '$kind'" ;;
esac
[ -f "$package" ] || fail "no package $package"
package=$(cd "$(dirname "$package")" && pwd)/$(basename "$package")
built=$(cd "$(dirname "$built")" && pwd)/$(basename "$built")

work=$(mktemp -d "${TMPDIR:-/tmp}/pinweave-dist-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/unpacked"
cd "$work/unpacked"
"$CMAKE" -E tar xf "$package" || fail "cannot unpack $package"

# Exactly the files a user is promised.
expected=$(for f in $files; do echo "$f"; done | sort)
found=$(find . -type f | sort)
[ "$found" = "$expected" ] || fail "the package holds
$found
expected
$expected"

# The program without its debug sections and symbols.
[ -x "$program" ] || fail "$program is not executable"
"$OBJDUMP" -h "$program" | grep -q ' \.debug_' && fail "$program has debug sections"
"$OBJDUMP" -t "$program" | grep -q '^no symbols' || fail "$program has a symbol table"

# Texts: CR LF line ends for Windows, LF for Linux; the guide names the version.
for f in $texts; do
    lines=$(wc -l <"$f")
    with_cr=$(grep -c "$cr\$" "$f" || true)
    if [ "$kind" = zip ]; then
        [ "$lines" -gt 0 ] && [ "$with_cr" -eq "$lines" ] || fail "$f: $with_cr of $lines lines end in CR LF"
    else
        [ "$with_cr" -eq 0 ] || fail "$f: $with_cr lines end in CR LF"
    fi
done
grep -q "Pinweave $version" "$top/README.txt" || fail "README.txt does not name Pinweave $version"

if [ "$kind" = tarball ]; then
    [ "$("$program" --version)" = "pinweave $version" ] || fail "$program --version: $("$program" --version)"
    page=$top/share/man/man1/pinweave.1
    grep -q "^\.TH PINWEAVE 1 .*\"Pinweave $version\"" "$page" || fail "$page does not name Pinweave $version"
    command -v groff >/dev/null || fail "groff is missing (package groff-base)"
    warnings=$(groff -man -Tutf8 -ww -z "$page" 2>&1) || fail "groff failed on $page: $warnings"
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
fi

# The example, converted by the packaged program and by the build's own.
run() {
    if [ "$kind" = zip ]; then
        "$WINE_RUN" "$build_dir" "$@"
    else
        "$@"
    fi
}
for who in packaged built; do
    mkdir -p "$work/$who/out"
    cp "$top/examples/sample.tst" "$work/$who/"
done
packaged=$work/unpacked/$program
(cd "$work/packaged" && run "$packaged" /Q sample.tst out >/dev/null) || fail "the packaged program failed"
(cd "$work/built" && run "$built" /Q sample.tst out >/dev/null) || fail "the build's program failed"
cd "$work"
[ "$(ls packaged/out)" = "sample.pid
sample_1.pid" ] || fail "the packaged program wrote: $(ls packaged/out)"
[ "$(ls built/out)" = "$(ls packaged/out)" ] || fail "the build's program wrote: $(ls built/out)"
for f in sample.pid sample_1.pid; do
    sed '/^; Date: /d' "packaged/out/$f" >packaged.pid
    sed '/^; Date: /d' "built/out/$f" >built.pid
    cmp -s packaged.pid built.pid || fail "$f differs from the build's"
done
cmp -s packaged/sample.log built/sample.log || fail "the logs differ"
tail -n 1 packaged/sample.log | grep -q "^Completed$cr\$" || fail "the log does not end in Completed"
echo "check-package: $(basename "$package") holds what it should and converts the example"
