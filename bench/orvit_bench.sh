#!/bin/bash
# Measures orvit on CoNLL-2000 with the POS models (the bundled perceptron and the HMM):
# accuracy, tagging speed, model load time, peak memory and training time (medians of 5).
# Chunk accuracy through the whole chunker is measured by bench/run.
# Usage: bench/orvit_bench.sh [BUILD_DIR] [DATA_DIR]   (DATA_DIR holds conll2000/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
data=${2:-${VORNIK_DATA:-$root/../shared/data}}/conll2000
runs=5
repeat=${ORVIT_BENCH_REPEAT:-40}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

median() { sort -g | sed -n "$(( (runs + 1) / 2 ))p"; }
now() { date +%s%N; }
# Milliseconds taken by one run of "$@", output discarded.
elapsed_ms() {
  local t0 t1
  t0=$(now)
  "$@" > /dev/null
  t1=$(now)
  echo "scale=3; ($t1 - $t0) / 1000000" | bc
}

echo "== training (POS models on train.txt: the bundled perceptron, and the HMM)"
for _ in $(seq $runs); do
  elapsed_ms "$build/orvit-train" -k perceptron "$data/train.txt" "$tmp/pos.orv"
done | median | sed 's/^/perceptron train ms (median): /'
cmp -s "$tmp/pos.orv" "$root/models/en-pos" && echo "trained model == models/en-pos"
for _ in $(seq $runs); do
  elapsed_ms "$build/orvit-train" -w 1 -t 2 "$data/train.txt" "$tmp/hmm.orv"
done | median | sed 's/^/HMM train ms (median): /'

echo "== POS accuracy on test.txt (known: in the HMM's lexicon, the words of train.txt)"
"$build/orvit" "$tmp/pos.orv" "$data/test.txt" > "$tmp/test.tagged"
"$build/orvit-score" -m "$tmp/hmm.orv" "$data/test.txt" "$tmp/test.tagged"
echo "-- HMM"
"$build/orvit" "$tmp/hmm.orv" "$data/test.txt" > "$tmp/test.hmm.tagged"
"$build/orvit-score" -m "$tmp/hmm.orv" "$data/test.txt" "$tmp/test.hmm.tagged"
echo "-- HMM with -Z1000"
"$build/orvit" -Z1000 "$tmp/hmm.orv" "$data/test.txt" > "$tmp/test.z.tagged"
"$build/orvit-score" "$data/test.txt" "$tmp/test.z.tagged"

echo "== speed (test.txt words repeated $repeat times)"
cut -d' ' -f1 "$data/test.txt" > "$tmp/words.txt"
for _ in $(seq "$repeat"); do cat "$tmp/words.txt"; done > "$tmp/big.txt"
tokens=$(grep -c . "$tmp/big.txt")
echo "tokens: $tokens"
for model in pos hmm; do
  load=$(for _ in $(seq $runs); do elapsed_ms "$build/orvit" "$tmp/$model.orv" /dev/null; done | median)
  echo "$model model load ms (median, whole process on empty input): $load"
  for beam in "" "-Z1000"; do
    [ "$model" = pos ] && [ -n "$beam" ] && continue
    total=$(for _ in $(seq $runs); do elapsed_ms "$build/orvit" $beam "$tmp/$model.orv" "$tmp/big.txt"; done | median)
    rate=$(echo "$tokens * 1000 / ($total - $load)" | bc)
    echo "$model tagging ${beam:-exhaustive}: ${total} ms total, ${rate} tokens/s excluding load"
  done
done

echo "== memory"
/usr/bin/time -f "peak RSS KB: %M" "$build/orvit" "$tmp/pos.orv" "$tmp/big.txt" > /dev/null

echo "== bundled chunk model: load, speed, memory (test.txt POS tags repeated $repeat times)"
# The POS tags framed by boundary rows as vornik sends them (without word-specific tags).
awk 'NF && !open { print "$lim$"; print "$lim$"; open = 1 }
     NF { print $2 }
     !NF && open { print "$lim$"; print ""; open = 0 }' "$data/test.txt" > "$tmp/chunk-test.txt"
for _ in $(seq "$repeat"); do cat "$tmp/chunk-test.txt"; done > "$tmp/chunk-big.txt"
ctokens=$(grep -c . "$tmp/chunk-big.txt")
echo "tokens (with \$lim\$ rows): $ctokens"
cload=$(for _ in $(seq $runs); do elapsed_ms "$build/orvit" "$root/models/en-chunk" /dev/null; done | median)
echo "chunk model load ms (median, whole process on empty input): $cload"
ctotal=$(for _ in $(seq $runs); do elapsed_ms "$build/orvit" "$root/models/en-chunk" "$tmp/chunk-big.txt"; done | median)
echo "chunk tagging: ${ctotal} ms total, $(echo "$ctokens * 1000 / ($ctotal - $cload)" | bc) tokens/s excluding load"
/usr/bin/time -f "chunk peak RSS KB: %M" "$build/orvit" "$root/models/en-chunk" "$tmp/chunk-big.txt" > /dev/null
