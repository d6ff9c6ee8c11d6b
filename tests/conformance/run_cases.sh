#!/usr/bin/env bash
# Runs the conformance cases through a built trelmix command.
#
#   run_cases.sh [--needs FILE] [--engine ENGINE] SET COMMAND...
#
# SET: core (records, statuses, the command's own output), run (core without
# the command's own output: what another build of the library answers) or
# keyboard (typed units, injections, sleeps).
# COMMAND: what runs trelmix, in absolute paths (each case runs in its own
# folder): the program; the emulator that runs it when it is not a program of
# this machine (scripts/wine-run.sh PREFIX trelmix.exe); or the program with
# arguments of its own (trelmix-x86 --dll trelmix.dll, the shipped DLL in the
# emulated 32-bit Windows host). The test files run with `COMMAND test`, on
# COMMAND's own engine.
# --engine ENGINE: a command that speaks `run --jsonl` (node web/trelmix-cli.mjs,
# or trelmix itself); the test files then run on it, as a host runs them (no
# trace), driven by `COMMAND test --engine`, and the JSON cases on it (the
# explain ones too: the traces it tells).
# --needs FILE: skip (exit 77) while FILE is not built.
#
# The case files of each set and what each is compared with: docs/testing.md,
# "Conformance case files".
set -u
if [ "$1" = --needs ]; then
  if [ ! -e "$2" ]; then echo "skipped: $2 is not built"; exit 77; fi
  shift 2
fi
engine=
if [ "$1" = --engine ]; then
  engine=$2
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
    cat "$3" "$work/err"
    failures=$((failures + 1))
  elif [ -n "$2" ] && ! diff -u "$2" "$3" > "$work/diff"; then
    echo "FAIL $1:"
    cat "$work/diff"
    failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}

test_files() {  # FILE...: each through `trelmix test`, in its folder
  local file status
  for file in "$@"; do
    [ -e "$file" ] || continue
    (cd "$(dirname "$file")" && "${trelmix[@]}" test ${engine:+--no-trace --engine "$engine"} \
      "$(basename "$file")") > "$work/out" 2> "$work/err"
    status=$?
    verdict "${file#"$root"/}" "" "$work/out" 0 $status
  done
}

jsonl_cases() {  # DIR
  local dir=$1 input name script status run
  if [ -n "$engine" ]; then read -r -a run <<< "$engine"; else run=("${trelmix[@]}"); fi
  for input in "$dir"/*.in.jsonl; do
    [ -e "$input" ] || continue
    name=$(basename "$input" .in.jsonl)
    read_args "$dir/$name.args"
    script=()
    [ -f "$dir/$name.trelmix" ] && script=(-- "$name.trelmix")
    (cd "$dir" && "${run[@]}" run --jsonl "${args[@]}" "${script[@]}" < "$name.in.jsonl") \
      > "$work/out" 2> "$work/err"
    status=$?
    verdict "$(basename "$dir")/$name" "$dir/$name.out.jsonl" "$work/out" \
      "$(expected_status "$dir/$name.status")" $status
  done
}

usage_cases() {  # TABLE: each command line must exit 2, answer nothing and say why
  local table=$1 line run status n=0 words
  if [ -n "$engine" ]; then read -r -a run <<< "$engine"; else run=("${trelmix[@]}"); fi
  while IFS= read -r line; do
    case $line in '' | '#'*) continue ;; esac
    n=$((n + 1))
    words=${line%% => *}
    # another build of the library, or an engine, answers the `run` lines only
    [ "$set_name" = core ] && [ -z "$engine" ] || [[ $words == 'run '* ]] || continue
    read -r -a args <<< "$words"
    (cd "$(dirname "$table")" && echo '{"hex": "41"}' | "${run[@]}" "${args[@]}") > "$work/out" 2> "$work/err"
    status=$?
    grep -qF -- "${line#* => }" "$work/err" || echo "not on standard error: ${line#* => }" >> "$work/out"
    verdict "usage.table:$n ($words)" /dev/null "$work/out" 2 $status
  done < "$table"
}

command_cases() {  # DIR EXT COMMAND...: NAME.expected from `trelmix COMMAND [NAME.args] [NAME.EXT]`,
  # its standard output, then its standard error
  local dir=$here/$1 ext=$2 expected name file status
  shift 2
  for expected in "$dir"/*.expected; do
    [ -e "$expected" ] || continue
    name=$(basename "$expected" .expected)
    read_args "$dir/$name.args"
    file=()
    [ -n "$ext" ] && [ -f "$dir/$name.$ext" ] && file=("$name.$ext")
    (cd "$dir" && "${trelmix[@]}" "$@" "${args[@]}" "${file[@]}") > "$work/out" 2> "$work/err"
    status=$?
    cat "$work/err" >> "$work/out"  # what it says on standard error, after the output
    verdict "$(basename "$dir")/$name" "$expected" "$work/out" "$(expected_status "$dir/$name.status")" $status
  done
}

inline_check_cases() {  # the check/*.trelmix that hold their expectations
  local script name args n line status want got texts text where
  for script in "$here"/check/*.trelmix; do
    name=$(basename "$script" .trelmix)
    [ -e "$here/check/$name.expected" ] && continue
    args=() want= texts=() n=0 status=0
    while IFS= read -r line || [ -n "$line" ]; do
      n=$((n + 1))
      if [[ $line =~ ^#\ check:\ (.*)$ ]]; then
        read -r -a args <<< "${BASH_REMATCH[1]}"
      elif [[ $line =~ ^#\ expect:\ (error|warning|note)@([+-][0-9]+)(:([0-9]+)(-([0-9]+))?)?\ ([a-z0-9-]+)(\ \"(.*)\")?$ ]]; then
        where=$((n + BASH_REMATCH[2]))
        want+="$where ${BASH_REMATCH[1]} ${BASH_REMATCH[7]}"$'\n'
        [ -n "${BASH_REMATCH[9]}" ] && texts+=("$where ${BASH_REMATCH[7]}|${BASH_REMATCH[9]}")
        [ -n "${BASH_REMATCH[4]}" ] && texts+=("$where ${BASH_REMATCH[7]}|\"column\": ${BASH_REMATCH[4]}, ${BASH_REMATCH[6]:+\"end_column\": ${BASH_REMATCH[6]}, }")
        [ "${BASH_REMATCH[1]}" = error ] && status=1
      fi
    done < <(sed 's/\r$//' "$script" | tr '\r' '\n')  # CR LF and lone CR end lines too
    (cd "$here/check" && "${trelmix[@]}" check --format jsonl "${args[@]}" "$name.trelmix") > "$work/out" 2> "$work/err"
    got=$?
    sed -n 's/^{"file": "[^"]*", "line": \([0-9]*\), .*"severity": "\([a-z]*\)", "code": "\([a-z0-9-]*\)".*/\1 \2 \3/p' \
      "$work/out" | sort > "$work/actual"
    printf '%s' "$want" | sort > "$work/wanted"
    for text in "${texts[@]}"; do
      grep -F "\"line\": ${text%% *}, " "$work/out" | grep -F "\"code\": \"$(cut -d' ' -f2 <<< "${text%%|*}")\"" \
        | grep -qF -- "${text#*|}" || echo "missing text: ${text%%|*}: ${text#*|}" >> "$work/actual"
    done
    verdict "check/$name" "$work/wanted" "$work/actual" "$status" "$got"
  done
}

learn_cases() {  # learn/NAME.tests -> NAME.expected (the script without its heading and layout)
  local file status
  for file in "$here"/learn/*.tests; do
    (cd "$here/learn" && "${trelmix[@]}" learn "$(basename "$file")") 2> "$work/err" \
      | grep -v -e '^BEGIN_' -e '^END_' -e '^#   ' -e '^# Learned from' -e '^$' > "$work/out"
    status=${PIPESTATUS[0]}
    cat "$work/err" >> "$work/out"  # the notes, after the script
    verdict "learn/$(basename "$file" .tests)" "${file%.tests}.expected" "$work/out" "$(expected_status "${file%.tests}.status")" "$status"
  done
}

# The examples' test files of one kind (keyboard or not).
examples() {  # yes|no
  local file
  for file in "$root"/examples/*.tests; do
    if grep -q '^--keyboard' "$file"; then [ "$1" = yes ]; else [ "$1" = no ]; fi && test_files "$file"
  done
}

case $set_name in
  core | run)
    test_files "$here"/run/*.tests; examples no; jsonl_cases "$here/run"; usage_cases "$here/run/usage.table"
    if [ "$set_name" = core ] && [ -z "$engine" ]; then
      command_cases check trelmix check; inline_check_cases; command_cases explain "" run --explain; command_cases test tests test
      learn_cases
      jsonl_cases "$here/explain"  # the trace in --jsonl: the library linked in reports
      # the same through an engine process, when trelmix is a program here: its traces read back alike
      [ ${#trelmix[@]} -eq 1 ] && command_cases test tests test --engine "${trelmix[0]}"
      start=$(date +%s%N)  # --real-time: the host waits out a pause of a second
      "${trelmix[@]}" run --keyboard --real-time --text $'BEGIN_RULE\nBEGIN_ACTION\nSEND_PAUSE(1)\nEND_ACTION\nEND_RULE' A > "$work/out"
      verdict "run --real-time (its status, and a second gone)" "" "$work/out" "0 1" "$? $(($(date +%s%N) - start >= 1000000000))"
    fi
    if [ -n "$engine" ]; then jsonl_cases "$here/explain"; fi ;;
  keyboard) test_files "$here"/keyboard/*.tests; examples yes ;;
  *) echo "unknown set $set_name" >&2; exit 2 ;;
esac

echo "$cases cases, $failures failed"
[ "$failures" -eq 0 ]
