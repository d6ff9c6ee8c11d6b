#!/usr/bin/env bash
# make demo: runs the examples through the trelmix command, so that a
# newcomer sees scans formatted and keys typed.  Usage: demo.sh TRELMIX
set -u
trelmix=$1
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

for name in gs1-128 item-numbers returns-desk goods-in-form; do
  script=examples/$name.trelmix
  echo "== $script"
  # the script's first comment paragraph says what it does
  awk '/^#/ && $0 != "#" { sub(/^# ?/, ""); print; next } { exit }' "$script"
  mode=()
  grep -qx -- '--keyboard' "examples/$name.scans" && mode=(--keyboard)
  "$trelmix" check "${mode[@]}" "$script" > /dev/null || "$trelmix" check "${mode[@]}" "$script"
  echo "\$ trelmix run --scans examples/$name.scans $script"
  "$trelmix" run --scans "examples/$name.scans" "$script"
  echo
done

# The examples' test files: every sample scan against what it must give.
echo "\$ trelmix test examples/*.tests"
"$trelmix" test examples/*.tests
