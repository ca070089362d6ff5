#!/bin/sh
# Installs Setup Pilot's iSCSI initiator service (setuppilot-iscsid) and
# starts it. Run as root; safe to run again.
#
# Usage: install-iscsi-initiator.sh [PROGRAM]
#   PROGRAM  the built service program; by default the one beside the
#            wizard's program (this script lives in its resource folder).
# Environment:
#   SETUPPILOT_ISCSID_DEST  install path (default /usr/local/sbin/setuppilot-iscsid)
#   SETUPPILOT_ISCSID_ARGS  extra arguments for the service (paths, for tests)
set -eu

dest=${SETUPPILOT_ISCSID_DEST:-/usr/local/sbin/setuppilot-iscsid}
args=${SETUPPILOT_ISCSID_ARGS:-}
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd)

program=${1:-}
if [ -z "$program" ]; then
  for candidate in "$here/../setuppilot-iscsid" "$here/setuppilot-iscsid"; do
    if [ -x "$candidate" ]; then program=$candidate; break; fi
  done
fi
if [ -z "$program" ] || [ ! -x "$program" ]; then
  echo "install-iscsi-initiator: the service program was not found; give its path" >&2
  exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-iscsi-initiator: run this as root (the service mounts the LUN files and owns their state)" >&2
  exit 1
fi

# The service runs on libiscsi and FUSE; on Debian they come from these
# packages.
if command -v apt-get >/dev/null 2>&1; then
  missing=""
  for p in fuse3 libfuse3-3 libiscsi7; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
  done
  if [ -n "$missing" ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
  fi
fi

# Replace the program in one step, so a running service is never cut short.
mkdir -p "$(dirname -- "$dest")"
if ! cmp -s "$program" "$dest" 2>/dev/null; then
  install -m 0755 "$program" "$dest.new"
  mv -f "$dest.new" "$dest"
fi

# shellcheck disable=SC2086  # the extra arguments are words on purpose
if "$dest" --status $args >/dev/null 2>&1; then
  echo "install-iscsi-initiator: $dest installed; the service is already running"
  exit 0
fi
# shellcheck disable=SC2086
"$dest" $args
echo "install-iscsi-initiator: $dest installed and started"
