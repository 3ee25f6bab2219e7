#!/usr/bin/env bash
# Throughput of the whole chunker (vornik with both real orvit processes) on the words
# of CoNLL-2000 test.txt repeated REPEAT times, against the POS tagger alone on the same
# words as a baseline measured in the same run. Prints medians of RUNS runs.
# usage: bench/vornik_bench.sh [BUILD_DIR] [DATA_DIR] [REPEAT] [RUNS]
set -euo pipefail
build=${1:-build}
data=${2:-../shared/data}
repeat=${3:-10}
runs=${4:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One word per line, a blank line after each sentence.
cut -d' ' -f1 "$data/conll2000/test.txt" > "$work/one.txt"
for ((i = 0; i < repeat; i++)); do cat "$work/one.txt"; done > "$work/words.txt"
tokens=$(grep -c . "$work/words.txt")
sentences=$(grep -c '^$' "$work/words.txt")
export PATH="$PWD/$build:$PATH"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
seconds() { local start end; start=$(date +%s.%N); "$@" > /dev/null; end=$(date +%s.%N); echo "$end - $start" | bc; }

for ((r = 0; r < runs; r++)); do
  CHUNKPATH=models seconds vornik -v0 -u -fen-chunk.fix en-pos en-chunk "$work/words.txt" >> "$work/chunker" 2> /dev/null
  seconds orvit models/en-pos "$work/words.txt" >> "$work/tagger"
done
chunker=$(median < "$work/chunker")
tagger=$(median < "$work/tagger")
echo "input: $tokens tokens, $sentences sentences; median of $runs runs"
printf 'vornik (POS + chunk tagger, bracketing): %.3f s  %.0f tokens/s\n' "$chunker" "$(echo "$tokens / $chunker" | bc -l)"
printf 'baseline orvit POS tagger alone:         %.3f s  %.0f tokens/s\n' "$tagger" "$(echo "$tokens / $tagger" | bc -l)"
printf 'chunker time / tagger time: %.2f\n' "$(echo "$chunker / $tagger" | bc -l)"
