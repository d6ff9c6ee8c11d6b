#!/usr/bin/env bash
# The layers of the code by file, lowest first (README, Layout): an #include
# may point to its own layer or a lower one. Every file of include/, src/,
# tools/ and web/ must have a layer, so a new file is placed here when it is
# added.
#   layers.sh SOURCE_DIR
cd "${1:-.}" || exit 1
names=("public header" platform "model and actions" language "criteria, rulesets, keyboard"
       "compiler and rule runner" exports tools)
layer_of() {
    case $1 in
    include/*) echo 0 ;;
    src/platform/*) echo 1 ;;
    src/script/model.h | src/script/byte_arg.h | src/actions/*) echo 2 ;;
    src/script/text.* | src/script/diagnostic.* | src/script/keyword*) echo 3 ;;
    src/host/criteria.* | src/host/wildcard.* | src/host/rulesets.* | src/host/run_observer.* | src/keyboard/*) echo 4 ;;
    src/script/* | src/host/*) echo 5 ;;
    src/exports/*) echo 6 ;;
    tools/* | web/src/*) echo 7 ;;
    *) echo -1 ;;
    esac
}
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
failures=0
files=$(find include src tools web/src -name '*.h' -o -name '*.c' -o -name '*.cpp')
for file in $files; do
    from=$(layer_of "$file")
    [ "$from" -ge 0 ] || { fail "$file has no layer (add it to tests/layers.sh)"; continue; }
    for included in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file"); do
        target=""
        for dir in "${file%/*}" src include tools/trelmix; do
            [ -f "$dir/$included" ] && { target="$dir/$included"; break; }
        done
        [ -n "$target" ] || { fail "$file includes $included, which is not in the tree"; continue; }
        to=$(layer_of "$target")
        [ "$to" -le "$from" ] || fail "$file (${names[$from]}) includes $target (${names[$to]}), a higher layer"
    done
done
[ $failures -eq 0 ] && echo "every include points to its own layer or a lower one ($(wc -w <<<"$files") files)"
[ $failures -eq 0 ]
