#!/usr/bin/env bash
# Checks what kestrel installs and ships, after `cmake --workflow --preset
# package`: the files `cmake --install` puts into a prefix (the builder only
# on request), that the installed program runs and the manual page renders
# without warnings, and the contents and control fields of both Debian
# packages.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/default
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

# The files of the kestrel component, relative to the prefix.
program_files="bin/kestrel
share/bash-completion/completions/kestrel
share/doc/kestrel/README.md
share/doc/kestrel/format.md
share/man/man1/kestrel.1.gz"

# Files (not directories) under a folder, relative to it, sorted.
files_under() { (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | sort); }

# `kestrel -h` prints its eleven usage lines and exits with 1.
check_usage() {
  local rc=0
  "$1" -h >"$tmp/usage" || rc=$?
  [ "$rc" -eq 1 ] || fail "$1 -h exited with $rc"
  [ "$(wc -l <"$tmp/usage")" -eq 11 ] || fail "$1 -h did not print eleven lines"
}

echo "== cmake --install into a temporary prefix"
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
[ "$(files_under "$tmp/prefix")" = "$program_files" ] || fail "unexpected installed files"
cmake --install "$build" --prefix "$tmp/prefix" --component recbuild >/dev/null
[ -x "$tmp/prefix/bin/kestrel-recbuild" ] || fail "the builder component did not install"
check_usage "$tmp/prefix/bin/kestrel"

echo "== the manual page renders without warnings"
warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$tmp/prefix/share/man/man1/kestrel.1.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "man reports: $warnings"

echo "== Debian packages"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
for package in kestrel kestrel-recbuild; do
  deb="$build/${package}_${version}_${arch}.deb"
  [ -f "$deb" ] || fail "$deb is missing"
  dpkg-deb -c "$deb"
  [ "$(dpkg-deb -f "$deb" Package)" = "$package" ] || fail "$deb: wrong Package field"
  [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$deb: wrong Version field"
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "$deb: wrong Architecture field"
  dpkg-deb -f "$deb" Depends | grep -q 'libc6 (>=' || fail "$deb: no shared-library dependencies"
  [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "$deb: no Maintainer"
  [ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "$deb: no Description"
  dpkg-deb -x "$deb" "$tmp/$package"
done
expected=$(sed 's|^|usr/|' <<<"$program_files")
[ "$(files_under "$tmp/kestrel")" = "$expected" ] || fail "unexpected contents of the kestrel package"
[ "$(files_under "$tmp/kestrel-recbuild")" = "usr/bin/kestrel-recbuild" ] ||
  fail "unexpected contents of the kestrel-recbuild package"
check_usage "$tmp/kestrel/usr/bin/kestrel"

echo "install and packages: as expected"
