#!/usr/bin/env bash
# Sets everything up and runs every test:
#   1. Debian packages (scripts/setup.sh)
#   2. the layering check (scripts/check-layers.py): every include goes
#      from a module to one below it
#   3. both builds (scripts/build.sh)
#   4. all tests of build/: unit, gui (offscreen), net and e2e (network
#      namespaces; need root)
#   5. the Qt-free unit tests again under ASan/UBSan (build-core/)
#   6. every fuzz target briefly
# Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
status=0
python3 "$root/scripts/check-layers.py" || status=1
"$root/scripts/build.sh" all

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
labels=""
if [[ $(id -u) -ne 0 ]]; then
  echo "test: not root: skipping the net and e2e labels"
  labels="-LE (net|e2e)"
fi
# shellcheck disable=SC2086
(cd "$root/build" && ctest --output-on-failure -j 2 $labels) || status=1
(cd "$root/build-core" && ctest --output-on-failure -j 2 -L unit) || status=1
"$root/scripts/run-fuzzers.sh" || status=1

if ((status)); then echo "test: FAILED"; else echo "test: all passed"; fi
exit $status
