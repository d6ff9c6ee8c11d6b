#!/usr/bin/env bash
# The node command against the native one where a command line, a file or a
# stream is more than plain text: bytes that are not UTF-8, zero bytes, a
# request line of megabytes, a file of /proc, options given twice. Each
# command line must give the same output, errors and exit status, byte for
# byte.
#
#   same_as_native.sh TRELMIX WEB_DIR
set -u
native=$(realpath "$1")
web=$(realpath "$2")
if [ ! -e "$web/trelmix-node.wasm" ]; then echo "skipped: $web is not built"; exit 77; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
cases=0
failures=0

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

same() {  # STDIN ARG...
  local input=$1 n w
  shift
  cases=$((cases + 1))
  "$native" "$@" < "$input" > native.out 2> native.err
  n=$?
  node "$web/trelmix-cli.mjs" "$@" < "$input" > node.out 2> node.err
  w=$?
  if [ $n != $w ] || ! cmp -s native.out node.out || ! cmp -s native.err node.err; then
    fail "$(printf '%q ' "$@"): exit $n and $w"
    diff <(od -c native.out native.err) <(od -c node.out node.err) | head -20
  fi
}

rule=$'BEGIN_RULE\nBEGIN_ACTION\nINSERT(\'\xe9\')\nEND_ACTION\nEND_RULE'
printf 'A\n\\x00B\n' > records.scans
printf '%s\nA\0B\n' "$rule" > zero.trelmix
printf 'BEGIN_RULE\nSEND_ASCII(9)\nEND_RULE\n' > warns.trelmix
{
  printf '{"hex": "'
  head -c 6000000 /dev/zero | tr '\0' 'A'
  printf '"}\n{"hex": "42"}\n'
} > long.jsonl
echo '{"hex": "41", "explain": true}' > one.jsonl

same /dev/null run --text "$rule" $'\xe9A' 'A\xe9'
same /dev/null run --explain --text "$rule" $'\xff'
same one.jsonl run --jsonl --keyboard "$rule"
same /dev/null run zero.trelmix A
same /dev/null check zero.trelmix warns.trelmix
same long.jsonl run --jsonl "$rule"
same /dev/null run --scans /proc/sys/kernel/ostype "$rule"
same /dev/null run --scans records.scans --scans records.scans "$rule"
same /dev/null run --code-type 1 --code-type 2 "$rule" A
same /dev/null run --keyboard=true "$rule" -5
same /dev/null run "$rule" -- -5 --x
same /dev/null check --format jsonl --no-warn send-in-app --no-warn x warns.trelmix

# Output to a non-blocking pipe that is read late (as a node parent may
# leave it) waits instead of losing answers.
for i in $(seq 2000); do echo '{"hex": "41", "explain": true}'; done > many.jsonl
"$native" run --jsonl "$rule" < many.jsonl > native.out 2>&1
python3 - "$web/trelmix-cli.mjs" "$rule" "$(wc -c < native.out)" <<'EOF' || fail "a non-blocking output pipe"
import os, subprocess, sys, time
r, w = os.pipe()
os.set_blocking(w, False)
p = subprocess.Popen(['node', sys.argv[1], 'run', '--jsonl', sys.argv[2]], stdin=open('many.jsonl'), stdout=w)
os.close(w)
time.sleep(1)
n = sum(iter(lambda: len(os.read(r, 65536)), 0))
sys.exit(p.wait() != 0 or n != int(sys.argv[3]))
EOF
cases=$((cases + 1))

# Output to a pipe whose reader has gone ends both by SIGPIPE.
seq 200000 > many.scans
for c in "$native" "node $web/trelmix-cli.mjs"; do
  $c run --scans many.scans "$rule" | head -c 1 > /dev/null
  echo "${PIPESTATUS[0]}"
done > status.out
[ "$(sort -u status.out)" = 141 ] || fail "a closed output pipe: exit $(echo $(cat status.out))"
cases=$((cases + 1))

# A script file whose name is not UTF-8 opens (native only: node takes paths
# as text).
cp warns.trelmix $'\x80\xe9\xff.trelmix'
"$native" check $'\x80\xe9\xff.trelmix' > native.out 2>&1
grep -q $'^\x80\xe9\xff.trelmix:2:' native.out || fail "a script file named 80 E9 FF: $(cat native.out)"
cases=$((cases + 1))

# Starting processes is what the node command cannot do: a usage error.
node "$web/trelmix-cli.mjs" test --engine cat none.tests > node.out 2>&1
[ $? = 2 ] && grep -q 'engine' node.out || fail "test --engine under node: $(cat node.out)"
cases=$((cases + 1))

echo "$cases passed, $failures failed" | sed "s/^$cases passed/$((cases - failures)) passed/"
[ "$failures" -eq 0 ]
