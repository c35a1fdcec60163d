#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Rewrites the console goldens of the end-to-end tests (golden/*.txt) and of
# the in-process -V run (tests/driver/golden/) from what kestrel prints now.
# Run it only after a deliberate change of kestrel's console text, then read
# every changed file in `git diff` before committing: the goldens are the
# reviewed account of each run.
#
#   tests/e2e/update-golden.sh [build-preset]   (default: default)
set -euo pipefail
cd "$(dirname "$0")/../.."
preset=${1:-default}

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2 --target kestrel kestrel-recbuild kestrel-avcheck driver_tests
KESTREL_UPDATE_GOLDEN=1 ctest --preset "$preset" -R '^e2e\.|VeryVerboseRun' -E '\.decode$'
git status --short tests/e2e/golden tests/driver/golden
