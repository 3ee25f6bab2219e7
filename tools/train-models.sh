#!/bin/sh
# Regenerates the bundled models from CoNLL-2000 train.txt: models/english-pos.orv
# (word -> POS) and models/english-chunk.orv (POS -> chunk tag). Deterministic.
# Usage: tools/train-models.sh DATA_DIR [BUILD_DIR]   (DATA_DIR holds conll2000/)
set -eu
data=${1:?usage: tools/train-models.sh DATA_DIR [BUILD_DIR]}
build=${2:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$build/orvit-train" -w 1 -t 2 "$data/conll2000/train.txt" "$root/models/english-pos.orv"
"$build/conll2chunk" "$data/conll2000/train.txt" > "$tmp/chunk-train.txt"
"$build/orvit-train" -w 1 -t 2 "$tmp/chunk-train.txt" "$root/models/english-chunk.orv"
echo "wrote $root/models/english-pos.orv and $root/models/english-chunk.orv"
