#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Static checks over the project's own sources: the licence line in each
# (tools/add-spdx.sh), and for C++ formatting (clang-format, the repository's
# .clang-format), lint (clang-tidy, the repository's .clang-tidy) and cppcheck. Both analysers read the compile commands of the
# default build, which covers the program, the builder, tests, benchmarks and
# the fuzz harness. Before them, a grep keeps the includes of src/ layered.
# Exits non-zero on the first check that finds anything.
set -euo pipefail
cd "$(dirname "$0")/.."

echo "== include layering"
# Includes run one way: driver -> demux -> analysis, headers -> chunk. The
# console and time display of diag/ are a leaf that every layer prints
# through; the record dump of diag/ sits above the header decoders it calls.
# The repair stage of repair/ (-c) sits between demux/, which feeds it
# through its byte outputs, and the output files, over headers/ and chunk/.
layering=clean
forbid() {
  if grep -rnE "^#include \"($2)" "src/$1"; then
    echo "src/$1/ must not include ($2)"
    layering=broken
  fi
}
forbid chunk 'driver/|demux/|analysis/|headers/|diag/record_dump'
forbid headers 'driver/|demux/|analysis/|diag/record_dump'
forbid analysis 'driver/|demux/'
forbid diag 'driver/|demux/|analysis/'
forbid demux 'driver/'
forbid repair 'driver/|demux/'
[ "$layering" = clean ] || exit 1

build=build/default
[ -f "$build/compile_commands.json" ] || cmake --preset default >/dev/null

echo "== licence line in every source file (tools/add-spdx.sh adds it)"
tools/add-spdx.sh --check

echo "== clang-format"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

echo "== clang-tidy"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! run-clang-tidy -p "$build" -quiet "$PWD/(src|tools|tests|bench|fuzz)/" >"$log" 2>&1; then
  grep -v -E "^clang-tidy|warnings? generated" "$log" | sed "s/\x1b\[[0-9;]*m//g"
  exit 1
fi

echo "== cppcheck"
# useStlAlgorithm is a matter of taste: a plain loop over records reads better
# than an algorithm with a lambda in most of these places.
cppcheck --project="$build/compile_commands.json" --library=googletest \
  --enable=warning,style,performance,portability --std=c++20 \
  --suppress=useStlAlgorithm --inline-suppr --quiet --error-exitcode=1

echo "static checks: clean"
