#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages a build kind needs, only when one
# is missing. Kinds: native (groff checks the man page of the Linux package in
# make test), format (the format check of make test), fuzz, windows, dist (the
# two release packages).
set -euo pipefail

kind=${1:-native}
case "$kind" in
    native)  packages=(cmake make g++ googletest groff-base) ;;
    format)  packages=(git clang-format) ;;
    fuzz)    packages=(cmake make clang libclang-rt-14-dev) ;;
    windows) packages=(cmake make googletest g++-mingw-w64-x86-64-posix wine64 xvfb xauth fonts-wine imagemagick x11-apps) ;;
    dist)    packages=(cmake make g++ googletest g++-mingw-w64-x86-64-posix) ;;
    *) echo "install-deps: unknown kind '$kind'" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
