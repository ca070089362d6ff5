#!/usr/bin/env bash
# The demo: the wizard against the appliance simulator on a private network.
#   1. Debian packages (scripts/setup.sh) and the build (scripts/build.sh main)
#   2. network namespaces pc (10.77.0.1) and vbx (scripts/netns.sh up)
#   3. the appliance simulator (tools/vbx207-sim) in vbx
#   4. the wizard in pc:
#        with $DISPLAY: the real window; click through it yourself
#        without:       offscreen, driven by setuppilot-tour, which writes a
#                       picture of every page it reaches (printed at the end)
# Everything it starts and creates is removed when it ends.
# Needs root (network namespaces); SP_NS_PREFIX prefixes the namespace names.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ $(id -u) -ne 0 ]]; then
  exec sudo -E "$0" "$@"
fi

"$root/scripts/setup.sh"
"$root/scripts/build.sh" main

bin=$root/build/bin
prefix=${SP_NS_PREFIX:-}
export SP_NS_PREFIX=$prefix
work=$(mktemp -d /tmp/setuppilot-demo.XXXXXX)
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work/runtime}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
sim_pid=""

cleanup() {
  if [[ -n $sim_pid ]] && kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  "$root/scripts/netns.sh" down || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$root/scripts/netns.sh" up
echo "demo: namespaces ${prefix}pc (10.77.0.1) and ${prefix}vbx (10.77.0.2)"

"$root/scripts/netns.sh" run vbx "$bin/vbx207-sim" --manage-addresses --control "$work/sim.sock" \
  >"$work/vbx207-sim.log" 2>&1 &
sim_pid=$!
sleep 0.5
if ! kill -0 "$sim_pid" 2>/dev/null; then
  echo "demo: the simulator did not start:" >&2
  cat "$work/vbx207-sim.log" >&2
  exit 1
fi
echo "demo: appliance simulator running in ${prefix}vbx (log: $work/vbx207-sim.log)"

if [[ -n ${DISPLAY:-} ]]; then
  echo "demo: starting the wizard in ${prefix}pc on $DISPLAY"
  "$root/scripts/netns.sh" run pc "$bin/setuppilot" || true
else
  shots=$root/build/screenshots/demo
  rm -rf "$shots"
  echo "demo: no display: touring the wizard offscreen in ${prefix}pc"
  status=0
  QT_QPA_PLATFORM=offscreen "$root/scripts/netns.sh" run pc "$bin/setuppilot-tour" --out "$shots" || status=$?
  echo "demo: screenshots of the pages the tour reached are in $shots"
  exit $status
fi
