#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Gives every source file of the repository its licence line,
# "SPDX-License-Identifier: MIT", as a comment at its top (after the "#!" line
# of a script). Sources are the tracked C++ files, shell scripts (by extension
# or "#!" line, and the bash completion) and CMake files. Files that carry the
# line already are left alone, so it can run again after every merge.
#   tools/add-spdx.sh           add the line where it is missing
#   tools/add-spdx.sh --check   only list the files without it; exit 1 if any
set -euo pipefail
cd "$(dirname "$0")/.."

tag="SPDX-License-Identifier: MIT"
check=0
[ "${1:-}" = --check ] && check=1

# Prints "COMMENT-PREFIX FILE" for every source file.
sources() {
    git ls-files -z '*.cpp' '*.h' | xargs -0 -r -n 1 printf '// %s\n'
    git ls-files -z '*.sh' '*CMakeLists.txt' '*.cmake' 'doc/bash-completion/*' |
        xargs -0 -r -n 1 printf '# %s\n'
    local file
    while IFS= read -r -d '' file; do
        case $file in *.sh) continue ;; esac
        head -c 2 "$file" | grep -qx '#!' && printf '# %s\n' "$file"
    done < <(git ls-files -z)
}

missing=0
while read -r prefix file; do
    head -n 2 "$file" | grep -qF "$tag" && continue
    missing=$((missing + 1))
    if [ "$check" = 1 ]; then
        echo "no licence line: $file"
        continue
    fi
    if head -c 2 "$file" | grep -qx '#!'; then
        sed -i "1a $prefix $tag" "$file"
    else
        sed -i "1i $prefix $tag" "$file"
    fi
done < <(sources | sort -u -k 2)

[ "$check" = 0 ] || [ "$missing" = 0 ]
