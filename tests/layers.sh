#!/usr/bin/env bash
# The layers of the code, one folder each, lowest first (README, Layout): an
# #include may point to its own layer or a lower one. Every folder of src/
# is a layer, so a new folder is placed here when it is added; tools/ and
# web/ sit on top.
#   layers.sh SOURCE_DIR
cd "${1:-.}" || exit 1
folders=(include src/platform src/actions src/keyboard src/host src/script src/exports "tools web")
layer_of() {
    local layer
    for layer in "${!folders[@]}"; do
        for folder in ${folders[$layer]}; do
            [[ $1 == "$folder"/* ]] && { echo "$layer"; return; }
        done
    done
    echo -1
}
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
failures=0
for dir in src/*/; do
    [ "$(layer_of "${dir%/}/x")" -ge 0 ] || fail "${dir%/} is no layer (add it to tests/layers.sh)"
done
files=$(find include src tools web -path web/node_modules -prune -o \( -name '*.h' -o -name '*.c' -o -name '*.cpp' \) -print)
for file in $files; do
    from=$(layer_of "$file")
    for included in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file"); do
        target=""
        for dir in "${file%/*}" src include tools/trelmix; do
            [ -f "$dir/$included" ] && { target="$dir/$included"; break; }
        done
        [ -n "$target" ] || { fail "$file includes $included, which is not in the tree"; continue; }
        to=$(layer_of "$target")
        [ "$to" -le "$from" ] || fail "$file (${folders[$from]%% *}) includes $target (${folders[$to]%% *}), a higher layer"
    done
done
# Keyword facts live in the keyword table: no tool names a keyword in a
# string of its own to branch on or to list it.
names=$(grep -oE '^ *(Structure|Criterion|Edit|Send)\("[A-Z_]+"' src/script/keywords.cpp | grep -oE '"[A-Z_]+"')
spelt=$(grep -rnoFf <(echo "$names") tools web/src --include='*.cpp' --include='*.h' --include='*.js')
[ -z "$spelt" ] || fail "keyword names spelt outside the keyword table: $spelt"
[ $failures -eq 0 ] && echo "every include points to its own layer or a lower one ($(wc -w <<<"$files") files)"
[ $failures -eq 0 ]
