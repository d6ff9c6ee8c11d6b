#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan), replays the committed
# corpus, the seeds and every kept crasher, then fuzzes each target for a
# bounded time and prints its executions and coverage (edges).
#   scripts/fuzz.sh [SECONDS] [TARGET...]   fuzzing time per target (default 600), all targets by default
# New inputs that widen coverage land in build/fuzz/corpus-<target>; a crash
# stops the run with the crasher in build/fuzz/ (copy it to fuzz/regressions/<target>/).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(engine lexer differential generated check jsonl case_file scans escapes explain)

# Seeds from the examples, the documentation and the conformance cases, each
# input starting with its target's flag byte.
seed() {  # seed TARGET FLAGS FILE...: each FILE after the flag byte (and, for jsonl, a script line)
  local dir=build/fuzz/seeds-$1 target=$1 flags=$2 f
  shift 2
  mkdir -p "$dir"
  for f in "$@"; do
    [ -f "$f" ] || continue
    { printf "\\x$flags"
      [ "$target" != jsonl ] || echo "BEGIN_RULE / BEGIN_ACTION / MOVE_AFTER('-') / INSERT('|') / END_ACTION / END_RULE"
      cat "$f"; } >"$dir/$(basename "$(dirname "$f")")-$(basename "$f")-$flags"
  done
}
make_seeds() {
  rm -rf build/fuzz/seeds-*
  local docs=build/fuzz/doc-blocks
  mkdir -p "$docs"
  # The documentation's script blocks, one file each.
  awk -v dir="$docs" '/^```trelmix/ {n++; f=sprintf("%s/block-%03d.trelmix", dir, n); inside=1; next}
                      /^```/ {inside=0; next} inside {print > f}' README.md docs/language.md
  for flags in 00 01 02 05; do
    seed check $flags examples/*.trelmix tests/conformance/check/*.trelmix "$docs"/*.trelmix
  done
  for flags in 00 02 03; do seed jsonl $flags tests/conformance/*/*.in.jsonl; done
  for flags in 00 01 02; do seed case_file $flags examples/*.tests tests/conformance/*/*.tests; done
  for flags in 00 05 0a 0f; do seed scans $flags examples/*.scans; done
  seed escapes 00 examples/*.scans
  mkdir -p build/fuzz/seeds-generated build/fuzz/seeds-explain
  for n in $(seq 1 32); do
    head -c 64 /dev/urandom >"build/fuzz/seeds-generated/random-$n"
    head -c 64 /dev/urandom >"build/fuzz/seeds-explain/random-$n"
  done
}

# The corpus directories of a target.
corpora() {
  case $1 in
  differential) echo "fuzz/corpus/differential fuzz/corpus/engine" ;;
  engine | lexer) echo "fuzz/corpus/$1" ;;
  *) echo "build/fuzz/seeds-$1" ;;
  esac
}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
make_seeds
for t in "${targets[@]}"; do
  bin=build/fuzz/bin/fuzz_$t
  work=build/fuzz/corpus-$t
  mkdir -p "$work" "fuzz/regressions/$t"
  echo "== fuzz_$t: replaying the corpus, the seeds and the kept crashers"
  find $(corpora "$t") "fuzz/regressions/$t" -type f ! -name .keep -print0 | xargs -0 -r "$bin" -runs=1 >/dev/null 2>"build/fuzz/replay-$t.log" \
    || { cat "build/fuzz/replay-$t.log"; exit 1; }
  if [ "$seconds" -gt 0 ]; then
    echo "== fuzz_$t: fuzzing for $seconds s"
    (cd build/fuzz && "../../$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
       "corpus-$t" $(corpora "$t" | sed 's|^|../../|; s| | ../../|g') >"log-$t.txt" 2>&1) \
      || { grep -E 'ERROR|SUMMARY|differ|Fail|==[0-9]+==' "build/fuzz/log-$t.txt" | head -20; exit 1; }
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "build/fuzz/log-$t.txt")
    edges=$(grep -oE 'cov: [0-9]+' "build/fuzz/log-$t.txt" | tail -1 | cut -d' ' -f2)
    echo "fuzz_$t: ${execs:-0} executions, ${edges:-0} edges covered"
  fi
  rm -f "${TMPDIR:-/tmp}"/trelmix-fuzz-*  # the command targets' scratch files
done
echo "fuzzing: no crash"
