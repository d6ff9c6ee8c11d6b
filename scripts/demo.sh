#!/usr/bin/env bash
# make demo: runs the examples through the trelmix command, so that a
# newcomer sees scans formatted and keys typed.  Usage: demo.sh TRELMIX
set -u
trelmix=$1
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/scans.sh"
cd "$root"

quote() { printf "'%s'" "${1//\'/\'\\\'\'}"; }

show_example() {  # NAME
  local name=$1 script=examples/$1.trelmix scans=examples/$1.scans
  local options code records line
  echo "== $script"
  # the script's first comment paragraph says what it does
  awk '/^#/ && $0 != "#" { sub(/^# ?/, ""); print; next } { exit }' "$script"
  mapfile -t options < <(scans_options "$scans")
  if ! "$trelmix" check "${options[@]}" "$script" > /dev/null; then
    "$trelmix" check "${options[@]}" "$script"
    echo
    return
  fi
  # One run per stretch of records with the same code type.
  local group=() group_code=
  flush() {
    [ ${#group[@]} -eq 0 ] && return
    line="\$ trelmix run"
    for o in "${options[@]}"; do line+=" $o"; done
    line+=" --code-type $group_code $script"
    for r in "${group[@]}"; do line+=" $(quote "$r")"; done
    echo "$line"
    "$trelmix" run "${options[@]}" --code-type "$group_code" -- "$script" "${group[@]}"
    group=()
  }
  while IFS=$'\t' read -r code record; do
    [ "$code" != "$group_code" ] && flush
    group_code=$code
    group+=("$record")
  done < <(scans_records "$scans")
  flush
  echo
}

for name in gs1-128 item-numbers returns-desk goods-in-form; do
  show_example "$name"
done

# The examples' test files: every sample scan against what it must give.
echo "\$ trelmix test examples/*.tests"
"$trelmix" test examples/*.tests
