#!/usr/bin/env bash
# The speed-up of docs/scaling.md's GNU parallel recipe on this machine: CoNLL-2000
# test.txt (its words, COPIES times) chunked by one vornik-en run and by the recipe on
# all cores; medians of RUNS runs of each, taken alternately, and their ratio.
# Usage: bench/parallel_bench.sh [BUILD_DIR] [DATA_DIR]   (env: COPIES, RUNS, BLOCK)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
data=${2:-${VORNIK_DATA:-$root/../shared/data}}
COPIES=${COPIES:-4}
RUNS=${RUNS:-3}
BLOCK=${BLOCK:-1M}
command -v parallel > /dev/null || { echo "bench/parallel_bench.sh: GNU parallel is not installed" >&2; exit 1; }
[[ -x $build/vornik-en ]] || { echo "bench/parallel_bench.sh: $build/vornik-en is missing (build first)" >&2; exit 1; }
[[ -r $data/conll2000/test.txt ]] || { echo "bench/parallel_bench.sh: $data/conll2000/test.txt not found" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for ((i = 0; i < COPIES; i++)); do cut -d' ' -f1 "$data/conll2000/test.txt"; done > "$work/words.txt"
tokens=$(grep -c . "$work/words.txt")

# Milliseconds of one run of the command line given, output to /dev/null.
milliseconds() {
  local start end
  start=$(date +%s%N)
  "$@" > /dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
single() { "$build/vornik-en" -T -v0 "$work/words.txt"; }
split() { parallel --pipe -k --recend '\n\n' --block "$BLOCK" "$build/vornik-en" -T -v0 < "$work/words.txt"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

single_times=() split_times=()
for ((run = 0; run < RUNS; run++)); do
  single_times+=("$(milliseconds single)")
  split_times+=("$(milliseconds split)")
done
single_ms=$(printf '%s\n' "${single_times[@]}" | median)
split_ms=$(printf '%s\n' "${split_times[@]}" | median)
printf '%-40s %10s %12s\n' "$tokens tokens, $(nproc) cores" "ms" "tokens/s"
printf '%-40s %10d %12d\n' "one vornik-en run" "$single_ms" $((tokens * 1000 / single_ms))
printf '%-40s %10d %12d\n' "parallel --pipe --block $BLOCK" "$split_ms" $((tokens * 1000 / split_ms))
awk -v a="$single_ms" -v b="$split_ms" 'BEGIN { printf "speed-up: %.2f\n", a / b }'
