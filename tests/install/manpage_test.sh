#!/bin/sh
# SPDX-License-Identifier: MIT
# The manual pages must format without a single warning.
# Usage: manpage_test.sh <man page>...; exit 77 (skipped) without groff.
command -v groff >/dev/null 2>&1 || { echo "groff is not installed"; exit 77; }
warnings=$(for page in "$@"; do groff -man -ww -z "$page" 2>&1; done)
[ -z "$warnings" ] && exit 0
printf '%s\n' "$warnings"
exit 1
