#!/usr/bin/env bash
# Checks that the C and C++ files are formatted as .clang-format says, and
# that every text file ends with a newline and has no trailing blanks (the
# script and case files excepted, as in .editorconfig).
#   scripts/check-format.sh          check; exit 1 and name the files that differ
#   scripts/check-format.sh --fix    rewrite them in place
set -u
cd "$(dirname "$0")/.." || exit 2
format=${CLANG_FORMAT:-$(command -v clang-format-14 || echo clang-format)}
command -v "$format" >/dev/null || { echo "check-format: $format is not installed (apt-get install clang-format)"; exit 2; }
fix=false
[ "${1:-}" = --fix ] && fix=true
failures=0
while IFS= read -r file; do
    if $fix; then
        "$format" -i "$file"
    elif ! "$format" --dry-run -Werror "$file" >/dev/null 2>&1; then
        echo "not formatted: $file (scripts/check-format.sh --fix, or $format -i $file)"
        failures=$((failures + 1))
    fi
done < <(git ls-files '*.c' '*.cpp' '*.h' ':!:web/node_modules')
while IFS= read -r file; do
    [ -s "$file" ] || continue
    if grep -qE '[[:blank:]]$' "$file"; then
        echo "trailing blanks: $file:$(grep -nE '[[:blank:]]$' "$file" | head -1 | cut -d: -f1)"
        failures=$((failures + 1))
    fi
    if [ -n "$(tail -c 1 "$file")" ]; then
        echo "no newline at the end: $file"
        failures=$((failures + 1))
    fi
done < <(git ls-files '*.c' '*.cpp' '*.h' '*.sh' '*.mjs' '*.js' '*.cmake' 'CMakeLists.txt' '*/CMakeLists.txt' \
                      'Makefile' '*.json' ':!:web/node_modules' ':!:*.lock.json' ':!:*package-lock.json')
[ $failures -eq 0 ] && echo "check-format: every file is formatted"
[ $failures -eq 0 ]
