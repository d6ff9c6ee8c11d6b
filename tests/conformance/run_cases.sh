#!/usr/bin/env bash
# Runs the conformance cases through the built trelmix command and compares
# its output, byte for byte, with the expected output written beside each
# case.
#
#   run_cases.sh [--needs FILE] SET COMMAND...
#     SET: core (records, statuses, check), run (core without check: what
#     another build of the library answers) or keyboard (typed units,
#     injections, sleeps of the send actions).
#     COMMAND: what runs trelmix, in absolute paths (each case runs in its
#     own folder): the program; the emulator that runs it when it is not a
#     program of this machine (scripts/wine-run.sh PREFIX trelmix.exe); or
#     the program with arguments of its own (trelmix-x86 --dll trelmix.dll,
#     the shipped DLL in the emulated 32-bit Windows host).
#     --needs FILE: skip (exit 77) while FILE is not built.
#
# run/NAME.trelmix + NAME.in.jsonl -> NAME.out.jsonl   `trelmix run --jsonl`
# check/NAME.trelmix (or NAME.args alone) -> NAME.expected   `trelmix check`
# keyboard/: run cases of the keyboard set
# examples: every examples/NAME.trelmix run --scans NAME.scans -> examples/NAME.out.jsonl
#
# NAME.args: extra arguments, one per line, put before the script (a case
# without NAME.trelmix gives its script, inline, in NAME.args).
# NAME.status: the expected exit status (default 0).
set -u
if [ "$1" = --needs ]; then
  if [ ! -e "$2" ]; then echo "skipped: $2 is not built"; exit 77; fi
  shift 2
fi
set_name=$1
trelmix=("${@:2}")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

failures=0
cases=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# read_args FILE: the arguments of NAME.args into the array `args`.
read_args() {
  args=()
  [ -f "$1" ] || return 0
  local a
  while IFS= read -r a || [ -n "$a" ]; do args+=("$a"); done < "$1"
}

expected_status() { if [ -f "$1" ]; then tr -d ' \n' < "$1"; else echo 0; fi; }

# verdict NAME EXPECTED_FILE ACTUAL_FILE EXPECTED_STATUS ACTUAL_STATUS
verdict() {
  cases=$((cases + 1))
  if [ "$4" != "$5" ]; then
    echo "FAIL $1: exit status $5, expected $4"
    failures=$((failures + 1))
  elif ! diff -u "$2" "$3" > "$work/diff"; then
    echo "FAIL $1:"
    cat "$work/diff"
    failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}

run_cases() {  # DIR
  local dir=$1 input name script status
  for input in "$dir"/*.in.jsonl; do
    [ -e "$input" ] || continue
    name=$(basename "$input" .in.jsonl)
    read_args "$dir/$name.args"
    script=()
    [ -f "$dir/$name.trelmix" ] && script=(-- "$name.trelmix")
    (cd "$dir" && "${trelmix[@]}" run --jsonl "${args[@]}" "${script[@]}" < "$name.in.jsonl") \
      > "$work/out" 2> "$work/err"
    status=$?
    verdict "$(basename "$dir")/$name" "$dir/$name.out.jsonl" "$work/out" \
      "$(expected_status "$dir/$name.status")" "$status"
  done
}

check_cases() {
  local dir=$here/check expected name script status
  for expected in "$dir"/*.expected; do
    [ -e "$expected" ] || continue
    name=$(basename "$expected" .expected)
    read_args "$dir/$name.args"
    script=()
    [ -f "$dir/$name.trelmix" ] && script=("$name.trelmix")
    (cd "$dir" && "${trelmix[@]}" check "${args[@]}" "${script[@]}") > "$work/out" 2> "$work/err"
    status=$?
    verdict "check/$name" "$expected" "$work/out" "$(expected_status "$dir/$name.status")" "$status"
  done
}

example_cases() {  # WANT_KEYBOARD (yes/no)
  local script name keyboard status
  for script in "$root"/examples/*.trelmix; do
    name=$(basename "$script" .trelmix)
    keyboard=no
    grep -qx -- '--keyboard' "$root/examples/$name.scans" && keyboard=yes
    [ "$keyboard" = "$1" ] || continue
    if [ ! -f "$here/examples/$name.out.jsonl" ]; then
      echo "FAIL examples/$name: no expected output tests/conformance/examples/$name.out.jsonl"
      failures=$((failures + 1))
      continue
    fi
    (cd "$root/examples" && "${trelmix[@]}" run --jsonl --scans "$name.scans" -- "$name.trelmix") \
      > "$work/out" 2> "$work/err"
    status=$?
    verdict "examples/$name" "$here/examples/$name.out.jsonl" "$work/out" 0 "$status"
  done
}

case $set_name in
  core) run_cases "$here/run"; check_cases; example_cases no ;;
  run) run_cases "$here/run"; example_cases no ;;
  keyboard) run_cases "$here/keyboard"; example_cases yes ;;
  *) echo "unknown set $set_name" >&2; exit 2 ;;
esac

echo "$cases cases, $failures failed"
[ "$failures" -eq 0 ]
