#!/usr/bin/env bash
# Runs every libFuzzer target of build-core/ briefly over its seed corpus
# (fuzz/<module>/corpus/<target>/). Fails when any target finds a crash.
# SP_FUZZ_SECONDS sets the time per target (default 15).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
secs=${SP_FUZZ_SECONDS:-15}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
shopt -s nullglob
for bin in "$root"/build-core/fuzz/fuzz_*; do
  [[ -x $bin ]] || continue
  name=$(basename "$bin")
  mapfile -t seeds < <(find "$root/fuzz" -type d -path "*/corpus/$name")
  corpus="$work/$name"
  mkdir -p "$corpus"
  ((${#seeds[@]})) && cp -r "${seeds[0]}"/. "$corpus"/
  if "$bin" -max_total_time="$secs" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 \
       -artifact_prefix="$work/$name-" "$corpus" >"$work/$name.log" 2>&1; then
    echo "fuzz: $name ok ($(grep -c . <(ls "$corpus")) inputs)"
  else
    echo "fuzz: $name FAILED"; tail -40 "$work/$name.log"; failed=1
    mkdir -p "$root/build-core/fuzz-artifacts" && cp "$work/$name-"* "$root/build-core/fuzz-artifacts/" 2>/dev/null || true
  fi
done
exit $failed
