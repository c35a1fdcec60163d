#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks what kestrel installs and ships, after `cmake --workflow --preset
# package`: the files `cmake --install` puts into a prefix (the builder only
# on request), that the installed program runs and the manual pages render
# without warnings, the contents and control fields of both Debian packages,
# and that lintian finds neither errors nor warnings in them.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/default
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

# The files of the kestrel component, relative to the prefix.
program_files="bin/kestrel
bin/kestrel-remux
share/bash-completion/completions/kestrel
share/doc/kestrel/README.md
share/doc/kestrel/changelog.gz
share/doc/kestrel/copyright
share/doc/kestrel/format.md
share/lintian/overrides/kestrel
share/man/man1/kestrel-remux.1.gz
share/man/man1/kestrel.1.gz"
# The same for the recbuild component.
recbuild_files="bin/kestrel-recbuild
share/doc/kestrel-recbuild/changelog.gz
share/doc/kestrel-recbuild/copyright
share/lintian/overrides/kestrel-recbuild
share/man/man1/kestrel-recbuild.1.gz"

# Files (not directories) under a folder, relative to it, sorted.
files_under() { (cd "$1" && find . -type f -o -type l | sed 's|^\./||' | sort); }

# `kestrel -h` prints its twelve usage lines and exits with 1.
check_usage() {
  local rc=0
  "$1" -h >"$tmp/usage" || rc=$?
  [ "$rc" -eq 1 ] || fail "$1 -h exited with $rc"
  [ "$(wc -l <"$tmp/usage")" -eq 12 ] || fail "$1 -h did not print twelve lines"
}

echo "== cmake --install into a temporary prefix"
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
[ "$(files_under "$tmp/prefix")" = "$program_files" ] || fail "unexpected installed files"
cmake --install "$build" --prefix "$tmp/recbuild" --component recbuild >/dev/null
[ "$(files_under "$tmp/recbuild")" = "$recbuild_files" ] || fail "unexpected files of the builder"
check_usage "$tmp/prefix/bin/kestrel"

echo "== the manual pages render without warnings and describe every option of the builder"
for page in "$tmp/prefix/share/man/man1/kestrel.1.gz" "$tmp/recbuild/share/man/man1/kestrel-recbuild.1.gz"; do
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man reports for $page: $warnings"
done
builder_page=$(MANWIDTH=200 man -E UTF-8 -l "$tmp/recbuild/share/man/man1/kestrel-recbuild.1.gz" 2>/dev/null)
for option in $("$tmp/recbuild/bin/kestrel-recbuild" --help | grep -o -- '--[a-z-]*' | sort -u); do
  grep -q -- "$option" <<<"$builder_page" || fail "kestrel-recbuild(1) does not describe $option"
done

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
# The files of a component as its package holds them, under usr/.
packaged() { awk '{ print "usr/" $0 }' <<<"$1"; }
[ "$(files_under "$tmp/kestrel")" = "$(packaged "$program_files")" ] ||
  fail "unexpected contents of the kestrel package"
[ "$(files_under "$tmp/kestrel-recbuild")" = "$(packaged "$recbuild_files")" ] ||
  fail "unexpected contents of the kestrel-recbuild package"
check_usage "$tmp/kestrel/usr/bin/kestrel"

echo "== lintian: no errors and no warnings (overrides give their reasons)"
command -v lintian >/dev/null || fail "lintian is not installed (apt-get install lintian)"
lintian --fail-on error,warning "$build/kestrel_${version}_${arch}.deb" \
  "$build/kestrel-recbuild_${version}_${arch}.deb" || fail "lintian finds fault with the packages"

echo "install and packages: as expected"
