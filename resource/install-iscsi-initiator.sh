#!/bin/sh
# Sets up Setup Pilot's iSCSI initiator service (setuppilot-iscsid) and
# starts it. Run as root; safe to run again.
#
# Usage: install-iscsi-initiator.sh [PROGRAM]
#   PROGRAM  the service program; by default the installed one
#            (<prefix>/sbin, this script being in <prefix>/share/setuppilot/
#            resource) or, in a build tree, the one beside the wizard.
# Environment:
#   SETUPPILOT_ISCSID_DEST  copy the program there first and start that copy
#                           (development builds; tests)
#   SETUPPILOT_ISCSID_ARGS  extra arguments for the service (paths, for tests)
#
# An installed service is never copied: where systemd runs, its unit is
# enabled and started; elsewhere the program is started directly.
set -eu

dest=${SETUPPILOT_ISCSID_DEST:-}
args=${SETUPPILOT_ISCSID_ARGS:-}
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd)
unit=setuppilot-iscsid.service

program=${1:-}
packaged=0
if [ -z "$program" ]; then
  if [ -x "$here/../../../sbin/setuppilot-iscsid" ]; then
    program=$(CDPATH='' cd -- "$here/../../../sbin" && pwd)/setuppilot-iscsid
    packaged=1
  else
    for candidate in "$here/../setuppilot-iscsid" "$here/setuppilot-iscsid"; do
      if [ -x "$candidate" ]; then program=$candidate; break; fi
    done
  fi
fi
if [ -z "$program" ] || [ ! -x "$program" ]; then
  echo "install-iscsi-initiator: the service program was not found; give its path" >&2
  exit 2
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-iscsi-initiator: run this as root (the service mounts the LUN files and owns their state)" >&2
  exit 1
fi

if [ -n "$dest" ]; then
  # The service runs on libiscsi and FUSE; a package brings them along, a
  # copy does not. On Debian they come from these packages.
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
  program=$dest
fi

# shellcheck disable=SC2086  # the extra arguments are words on purpose
if "$program" --status $args >/dev/null 2>&1; then
  echo "install-iscsi-initiator: the service ($program) is already running"
  exit 0
fi
if [ "$packaged" -eq 1 ] && [ -z "$dest" ] && [ -d /run/systemd/system ] && command -v systemctl >/dev/null 2>&1; then
  systemctl enable --now "$unit"
  echo "install-iscsi-initiator: $unit enabled and started"
  exit 0
fi
# shellcheck disable=SC2086
"$program" $args
echo "install-iscsi-initiator: $program started"
