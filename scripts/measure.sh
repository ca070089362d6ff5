#!/usr/bin/env bash
# Measures the program (the numbers in README.md):
#   1. start-up, under a real X server (Xvfb): time from just before the
#      program's process is started to the welcome page's first paint,
#      beside a bare Qt dialog of the same size started the same way (the
#      ratio of the medians is the figure to watch), peak resident memory
#      (VmHWM), and CPU used while it sits on the welcome page for 10 s;
#      SP_MEASURE_RUNS rounds (default 5), the median and the spread are
#      printed (bench/app/startup_measure.cpp)
#   2. one whole run with the appliance simulator and the program's real
#      timing: scripts/demo.sh without a display, whose tour walks from the
#      welcome page to the summary as fast as the wizard lets a person (as
#      root; skipped otherwise)
# With "drives" (root): only the drives, measured after one whole run with
# the simulator (bench/drives/drives.sh, run inside the demo while its
# drives are up): X: and Y: sequential write and cold read and a 4 KiB
# random mix, each beside its anchor (libiscsi straight to the same target,
# smbclient to the same share) and the ratio. The simulator's disks are on a
# tmpfs for this, so that the target's side is the same for every figure;
# SP_DRIVES_ROUNDS, SP_DRIVES_SIZES_MB and SP_DRIVES_MIX_SECONDS tune it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${SP_MEASURE_RUNS:-5}

"$root/scripts/setup.sh" >/dev/null
"$root/scripts/build.sh" main >/dev/null

if [[ ${1:-} == drives ]]; then
  if [[ $(id -u) -ne 0 ]]; then
    echo "measure: the drives need root (namespaces, mounts, dropping caches)" >&2
    exit 1
  fi
  echo "measure: the drives after one whole run with the simulator (a few minutes)"
  status=0
  (unset DISPLAY; SP_DEMO_TMPFS=1 SP_DEMO_THEN=$root/bench/drives/drives.sh "$root/scripts/demo.sh") |
    grep -E '^(drives|demo: the tour took|tour: stopped)' || status=$?
  exit $status
fi

work=$(mktemp -d /tmp/setuppilot-measure.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 700 "$work"

echo "measure: start-up, $runs rounds under Xvfb (wizard and bare dialog; 10 s idle on the welcome page each)"
# A runtime folder of its own: the program's lock and the agent it starts.
XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work xvfb-run -a \
  "$root/build/bench/setuppilot-startup" --program-dir "$root/build/bin" --idle 10 --rounds "$runs" |
  tee "$work/startup.txt"

summary() {  # key unit (of the wizard's lines)
  grep ' wizard ' "$work/startup.txt" | grep -o "$1=[0-9.]*" | cut -d= -f2 | sort -n |
    awk -v key="$1" -v unit="$2" '{ v[NR] = $1 } END {
      printf "measure: %-17s median %s %s (min %s, max %s)\n", key, v[int((NR + 1) / 2)], unit, v[1], v[NR] }'
}
summary first_paint_ms ms
summary startup_cpu_ms ms
summary vmhwm_kb KiB
summary idle_cpu_percent "% of one core"
grep -o 'first_paint_ratio=[0-9.]*' "$work/startup.txt" | sed 's/^/measure: wizard \/ bare dialog /'

if [[ $(id -u) -ne 0 ]]; then
  echo "measure: not root: the whole run with the simulator is skipped"
  exit 0
fi
echo "measure: one whole run with the simulator (scripts/demo.sh, real timing)"
(unset DISPLAY; "$root/scripts/demo.sh") | tee "$work/demo.txt" | grep -E '^(demo|tour): (whole run|the tour took|stopped)' || true
grep -q 'tour: whole run' "$work/demo.txt"
