#!/usr/bin/env bash
# The layering check: the project passes it, and a tree that breaks each
# rule fails it with the rule named.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
check=$root/scripts/check-layers.py
python3 "$check" --root "$root"

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
mkdir -p "$tree/scripts" "$tree/low" "$tree/high" "$tree/stray"
printf 'low:\nhigh: low\n' >"$tree/scripts/layers.txt"
printf '#include "high/h.h"\n' >"$tree/low/l.h"    # up: low includes high
printf '#include "low/l.h"\n' >"$tree/high/h.h"    # down, closing a circle
printf 'int x;\n' >"$tree/stray/s.cpp"            # a folder of no module
if out=$(python3 "$check" --root "$tree"); then
  echo "the check passed a broken tree"; exit 1
fi
for want in "low includes high/h.h, but high is not below low" \
            "modules include each other in a circle: high (high/h.h) -> low (low/l.h) -> high" \
            "stray/s.cpp: its folder is in no module"; do
  grep -qF "$want" <<<"$out" || { echo "missing: $want"; echo "$out"; exit 1; }
done

printf 'low: high\nhigh: low\n' >"$tree/scripts/layers.txt"
out=$(python3 "$check" --root "$tree") && { echo "a circular table passed"; exit 1; }
grep -qF "the table goes round in a circle" <<<"$out"
echo "check-layers: ok"
