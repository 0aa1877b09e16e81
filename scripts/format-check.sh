#!/usr/bin/env bash
# format-check.sh: the C++ files changed since the base commit named in
# .clang-format-base must be as clang-format (.clang-format) writes them.
# "Changed" is everything between the base and the working tree: commits since
# the base, uncommitted edits and new files git does not ignore. On a clean
# clone that is the commits since the base alone, so every clone of a commit
# gives the same answer.
#
# Without .clang-format-base nothing is checked (the tree is not formatted
# yet). A base that this clone does not hold (a shallow clone) makes every
# C++ file count as changed, which is the same answer once the base is formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
base_file=.clang-format-base
if [ ! -s "$base_file" ]; then
    echo "format-check: no base commit in $base_file; nothing checked"
    exit 0
fi
base=$(tr -d '[:space:]' <"$base_file")
if git cat-file -e "$base^{commit}" 2>/dev/null; then
    mapfile -t files < <({
        git diff --name-only --diff-filter=ACMR "$base" -- '*.cpp' '*.h'
        git ls-files --others --exclude-standard -- '*.cpp' '*.h'
    } | sort -u)
else
    echo "format-check: base $base is not in this clone; checking every file"
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
fi
if [ ${#files[@]} -eq 0 ]; then
    echo "format-check: no C++ file changed since $base"
    exit 0
fi
echo "format-check: ${#files[@]} files changed since $base ($(clang-format --version))"
clang-format --dry-run -Werror "${files[@]}"
