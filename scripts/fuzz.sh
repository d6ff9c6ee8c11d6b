#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan), replays the committed
# corpus and every kept crasher, then fuzzes each target for a bounded time.
#   scripts/fuzz.sh [SECONDS]    total fuzzing time, split over the targets (default 300)
# New inputs that widen coverage land in build/fuzz/corpus-<target>; a crash
# stops the run with the crasher in build/fuzz/ (copy it to fuzz/regressions/<target>/).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
targets=(engine lexer differential)
# The corpus directories of a target; the differential target (the library
# against the reference engine) takes the same inputs as the engine's.
corpora() {
  case $1 in
  differential) echo "fuzz/corpus/differential fuzz/corpus/engine" ;;
  *) echo "fuzz/corpus/$1" ;;
  esac
}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
per=$(( seconds / ${#targets[@]} ))
for t in "${targets[@]}"; do
  bin=build/fuzz/bin/fuzz_$t
  work=build/fuzz/corpus-$t
  mkdir -p "$work"
  echo "== fuzz_$t: replaying the corpus and the kept crashers"
  find $(corpora "$t") fuzz/regressions/$t -type f ! -name .keep -print0 | xargs -0 -r "$bin" -runs=1 >/dev/null 2>build/fuzz/replay-$t.log \
    || { cat build/fuzz/replay-$t.log; exit 1; }
  if [ "$per" -gt 0 ]; then
    echo "== fuzz_$t: fuzzing for $per s"
    (cd build/fuzz && "../../$bin" -max_total_time="$per" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
       "corpus-$t" $(corpora "$t" | sed 's|fuzz/|../../fuzz/|g') 2>&1 | grep -E 'stat::number_of_executed_units|DONE|ERROR|SUMMARY|invariant|differ' )
  fi
done
echo "fuzzing: no crash"
