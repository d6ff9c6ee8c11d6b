#!/usr/bin/env bash
# Instructions per record for each job and implementation, counted by
# valgrind's callgrind: repeatable whatever else the machine is doing.
#   bench/callgrind.sh [BUILD_DIR] [PASSES]
# Each count is (instructions with PASSES passes - with 0 passes) / (PASSES x records).
# "500 clients": Trelmix with 500 more clients registered, each record run
# through the next one.
set -eu
build=${1:-build/bench}
passes=${2:-40}
bin=$build/bin/trelmix_bench
command -v valgrind >/dev/null || { echo "valgrind is not installed (apt-get install valgrind)"; exit 1; }
count() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$bin" --passes="$1" 2>&1 |
    sed -n 's/.*refs: *//p' | tr -d ,
}
printf "%-9s %10s %10s %12s %10s %14s %12s\n" job floor trelmix "500 clients" lua trelmix/floor lua/trelmix
for job in gs1 items routing; do
  records=$("$bin" --passes="$job:floor:0" | awk '{print $2}')
  declare -A per=()
  for impl in floor trelmix trelmix500 lua; do
    base=$(count "$job:$impl:0")
    full=$(count "$job:$impl:$passes")
    per[$impl]=$(( (full - base) / (passes * records) ))
  done
  printf "%-9s %10d %10d %12d %10d %14.2f %12.2f\n" "$job" "${per[floor]}" "${per[trelmix]}" "${per[trelmix500]}" "${per[lua]}" \
    "$(echo "${per[trelmix]} / ${per[floor]}" | bc -l)" "$(echo "${per[lua]} / ${per[trelmix]}" | bc -l)"
done
