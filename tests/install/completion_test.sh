#!/bin/bash
# SPDX-License-Identifier: MIT
# Checks the bash completion for kestrel on its own (without the
# bash-completion package): each case is a command line, the cursor at its
# last word, and the completions expected there, sorted and joined by "|".
# Usage: completion_test.sh <completion file>
set -u

completion=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir recs
touch -- rec.ty "rec two.ty" -odd.m2v

# shellcheck source=/dev/null
source "$completion"

failures=0

# expect EXPECTED WORD...: completes the last WORD of "kestrel WORD...".
expect() {
    local expected=$1
    shift
    COMP_WORDS=(kestrel "$@")
    COMP_CWORD=$#
    COMPREPLY=()
    _kestrel
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd '|')
    if [[ $got != "$expected" ]]; then
        echo "FAIL: kestrel $*  expected [$expected]  got [$got]"
        ((failures++))
    fi
}

all_options='-R|-V|-c|-h|-j|-l|-n|-s|-v'
all_files='-odd.m2v|rec two.ty|rec.ty|recs'

# Options are offered only before the first file name.
expect "$all_options" -
expect "$all_options" -v -n -
expect '-v' -v
expect "$all_options" -j 5 -
expect "$all_options" -j5 -

# -j and -l want a number: nothing to offer.
expect '' -j ''
expect '' -v -l ''
expect '' -vj ''
expect '' -s -l ''

# A value inside the option word leaves the next word to the file names.
expect "$all_files" -j5 ''
expect "$all_files" -jv ''
expect "$all_files" -l 20 ''

# File names, directories included, up to the third.
expect 'rec two.ty|rec.ty|recs' rec
expect "$all_files" rec.ty ''
expect "$all_files" -v rec.ty v.m2v ''
expect '-odd.m2v' - -
expect '-odd.m2v' rec.ty -

# After three file names there is nothing left to give.
expect '' rec.ty v.m2v a.mp2 ''
expect '' rec.ty v.m2v a.mp2 -
expect '' -n - v.m2v a.mp2 r

# Redirections are the shell's: their targets are files, and they are no
# file names of kestrel's.
expect 'rec two.ty|rec.ty|recs' rec.ty v.m2v a.mp2 '>' rec
expect "$all_files" rec.ty '>' log v.m2v ''
expect "$all_files" rec.ty 2 '>' err v.m2v ''
expect "$all_options" '<' rec.ty -

[[ $(complete -p kestrel) == 'complete -F _kestrel kestrel' ]] || {
    echo "FAIL: kestrel is not completed by _kestrel"
    ((failures++))
}

((failures == 0)) && echo "all completion cases pass"
((failures == 0))
