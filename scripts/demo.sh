#!/usr/bin/env bash
# The demo: one whole run of the wizard against the appliance simulator, on
# a private network, with the program's real timing.
#   1. Debian packages (scripts/setup.sh) and the build (scripts/build.sh main)
#   2. a private mount namespace for everything below, so that the drives the
#      wizard mounts (/mnt/x, /mnt/y), the initiator service's folder
#      (/run/setuppilot) and the service's install place never show outside
#   3. network namespaces pc (10.77.0.1) and vbx (10.77.0.2) (scripts/netns.sh)
#   4. in vbx: the appliance simulator with two disks; when the wizard asks it
#      to format, it serves its iSCSI volume with tgtd and its shared folder
#      "Volume1" with smbd and nmbd
#   5. in pc: our iSCSI initiator service (setuppilot-iscsid, root) with a
#      private system bus and polkit daemon whose rules let the demo's user
#      set up drives, and the share-mapping agent (netdock, the user)
#   6. the wizard in pc, run as an ordinary user (SP_DEMO_USER, default
#      sp-demo, made for the run when absent), as on a real desktop:
#        with $DISPLAY: the real window; click through it yourself
#        without:       offscreen, driven by setuppilot-tour, which walks every
#                       page and sub-step to the summary, writes a picture of
#                       each and a contact sheet, and prints where they are
#      with SP_DEMO_ANSWERS=FILE: `setuppilot --answers FILE` as that user
#                       instead (no window); its exit code is the demo's
#      with SP_DEMO_AFTER set: that command after the run, whatever its end
#   7. with SP_DEMO_THEN set and a tour that reached the summary: that
#      command, in the same private mount namespace, with the run still up
#      (SP_DEMO_WORK: the run's folder; SP_DEMO_BIN: the programs); its
#      status is the demo's (scripts/measure.sh drives measures the drives)
# Everything it starts, mounts and creates is removed when it ends.
# Needs root (namespaces, mounts); only the service and the simulator run as
# root. SP_NS_PREFIX prefixes the namespace names.
# SP_DEMO_POLKIT=deny makes the run's polkit rule refuse the user instead.
# SP_DEMO_TMPFS=1 keeps the simulator's disks (the iSCSI target's backing
# file and the shared folder) on a tmpfs instead of /tmp.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [[ $(id -u) -ne 0 ]]; then
  exec sudo -E "$0" "$@"
fi
bin=${SP_DEMO_BINDIR:-$root/build/bin}
prefix=${SP_NS_PREFIX:-}
export SP_NS_PREFIX=$prefix

say() { echo "demo: $*"; }

# ---------------------------------------------------------------------------
# Inside the private mount namespace.
inside() {
  work=$1
  netns=$root/scripts/netns.sh
  sim_pid="" iscsid_pid="" agent_pid="" wizard_pid=""
  export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime TMPDIR=$work/tmp
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$TMPDIR" "$work/smb" "$work/iscsi" "$work/user-tmp"
  if [[ ${SP_DEMO_TMPFS:-0} == 1 ]]; then
    mount -t tmpfs -o mode=755 demo-sim-disks "$TMPDIR"
    mkdir -p "$TMPDIR/smb"
    mount --bind "$TMPDIR/smb" "$work/smb"
  fi
  chmod 700 "$XDG_RUNTIME_DIR"
  # FUSE for the user's own mounts (the share without a kernel client):
  # desktops open /dev/fuse to everyone; where this machine does not, a
  # node that does covers it inside this run only.
  if [[ $(stat -c %a /dev/fuse) != 666 ]]; then
    mknod -m 666 "$work/dev-fuse" c 10 229
    mount --bind "$work/dev-fuse" /dev/fuse
  fi
  # The user's own places: the wizard and the agent run as them.
  chmod 755 "$work"
  chown "$demo_user:" "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$work/user-tmp"
  as_user=(setpriv --reuid="$demo_user" --regid="$(id -g "$demo_user")" --init-groups
    env HOME="$HOME" XDG_CONFIG_HOME="$XDG_CONFIG_HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR"
    TMPDIR="$work/user-tmp")

  stop_pid() {  # pid, seconds to wait after SIGTERM
    local pid=$1 wait=${2:-5}
    [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null || return 0
    kill "$pid" 2>/dev/null || true
    for ((i = 0; i < wait * 10; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  }
  pids_with_arg() {  # processes that have $1 as one of their arguments
    local p
    for p in /proc/[0-9]*; do
      tr '\0' '\n' 2>/dev/null <"$p/cmdline" | grep -qxF -- "$1" && echo "${p#/proc/}"
    done
    return 0
  }
  cleanup() {
    set +e
    stop_pid "$wizard_pid" 3
    # The drives: the share (a bind mount of the agent's smbnetfs tree) and
    # the iSCSI volume (ntfs-3g over a loop device on the LUN file).
    for m in $(awk '$2 ~ "^/mnt/[a-z]$" {print $2}' /proc/self/mounts | sort -r); do umount -l "$m"; done
    for loop in $(losetup -n -O NAME,BACK-FILE -l 2>/dev/null | awk '$2 ~ "^/run/setuppilot/" {print $1}'); do
      losetup -d "$loop"
    done
    stop_pid "$agent_pid"
    # The agent's smbnetfs tree outlives it by design.
    local tree=$XDG_RUNTIME_DIR/NetDock-smbnetfs
    grep -qF " $tree " /proc/self/mounts && umount -l "$tree"
    for pid in $(pids_with_arg "$tree"); do stop_pid "$pid" 2; done
    stop_pid "$iscsid_pid" 10
    policybus_stop
    stop_pid "$sim_pid" 15
    "$netns" down
  }
  trap cleanup EXIT
  trap 'exit 130' INT TERM

  # The program's own places, private to this run: drive letters under /mnt,
  # the initiator service's socket and LUN files under /run/setuppilot. The
  # wizard finds the service beside itself in the build tree.
  mount -t tmpfs -o mode=755 demo-mnt /mnt
  mount -t tmpfs -o mode=755 demo-run /run/setuppilot

  "$netns" up
  say "namespaces ${prefix}pc (10.77.0.1) and ${prefix}vbx (10.77.0.2)"

  # Each daemon in a session of its own: smbd ends its whole process group
  # when it stops, which must not be this script's.
  VBX207_SIM_SMB_DIR=$work/smb setsid "$netns" run vbx "$bin/vbx207-sim" --manage-addresses \
    --control "$work/sim.sock" >"$work/vbx207-sim.log" 2>&1 &
  sim_pid=$!
  for ((i = 0; i < 50; i++)); do [[ -S $work/sim.sock ]] && break; sleep 0.1; done
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    say "the simulator did not start:" >&2
    cat "$work/vbx207-sim.log" >&2
    return 1
  fi
  say "appliance simulator in ${prefix}vbx: VBX-207 at 10.77.0.2, two disks (log: $work/vbx207-sim.log)"

  # polkit decides what the user may ask the service for: here, by a rule
  # naming the demo's user (without a login manager there is no active
  # session for the policy's defaults to go by).
  local answer=YES
  [[ ${SP_DEMO_POLKIT:-allow} == deny ]] && answer=NO
  cat >"$work/setuppilot.rules" <<RULES
polkit.addRule(function(action, subject) {
  if (action.id.indexOf("org.setuppilot.") == 0 && subject.user == "$demo_user") return polkit.Result.$answer;
});
RULES
  sed "s|@SP_ISCSID_FULL_PATH@|$bin/setuppilot-iscsid|" "$root/dist/org.setuppilot.policy.in" >"$work/org.setuppilot.policy"
  policybus_start "$work/policybus" "$work/setuppilot.rules" "$work/org.setuppilot.policy"
  say "private system bus and polkit daemon: $demo_user may$([[ $answer == NO ]] && echo " not") set up drives"

  setsid "$netns" run pc "$bin/setuppilot-iscsid" --foreground --state "$work/iscsi/state" \
    >"$work/iscsid.log" 2>&1 &
  iscsid_pid=$!
  setsid "$netns" run pc "${as_user[@]}" "$bin/netdock" --no-restore >"$work/netdock.log" 2>&1 &
  agent_pid=$!
  for ((i = 0; i < 100; i++)); do
    [[ -S /run/setuppilot/iscsi/control.sock && -S $XDG_RUNTIME_DIR/NetDock ]] && break
    sleep 0.1
  done
  say "initiator service and share-mapping agent in ${prefix}pc (logs: $work/iscsid.log, $work/netdock.log)"

  local status=0
  if [[ -n ${SP_DEMO_ANSWERS:-} ]]; then
    # The answer file must be the user's own and private to them.
    install -m 600 -o "$demo_user" "$SP_DEMO_ANSWERS" "$work/user-tmp/answers.toml"
    say "setting up without a window from $SP_DEMO_ANSWERS, as $demo_user"
    setsid "$netns" run pc "${as_user[@]}" "$bin/setuppilot" --answers "$work/user-tmp/answers.toml" &
    wizard_pid=$!
    wait "$wizard_pid" || status=$?
    say "setuppilot --answers ended with exit code $status"
  elif [[ -n ${DISPLAY:-} ]]; then
    say "starting the wizard in ${prefix}pc on $DISPLAY"
    # The user needs leave to use the display.
    command -v xhost >/dev/null && xhost "+SI:localuser:$demo_user" >/dev/null || true
    setsid "$netns" run pc "${as_user[@]}" "$bin/setuppilot" &
    wizard_pid=$!
    wait "$wizard_pid" || true
  else
    local shots=$root/build/screenshots/demo
    rm -rf "$shots"
    mkdir -p "$shots"
    chown "$demo_user:" "$shots"
    say "no display: touring the wizard offscreen in ${prefix}pc with its real timing (a few minutes)"
    local start=$SECONDS
    QT_QPA_PLATFORM=offscreen setsid "$netns" run pc "${as_user[@]}" "$bin/setuppilot-tour" --out "$shots" &
    wizard_pid=$!
    wait "$wizard_pid" || status=$?
    say "the tour took $((SECONDS - start)) s"
    if findmnt -rn -o TARGET | grep -E '^/mnt/[a-z]$' >/dev/null; then
      say "drives at the end of the run:"
      # The user's own FUSE mounts are closed to root: ask the mount table.
      findmnt -rn -o SOURCE,FSTYPE,TARGET | awk '$3 ~ "^/mnt/[a-z]$"' | sed 's/^/demo:   /' || true
      local d
      for d in /mnt/x /mnt/y; do
        findmnt -n --mountpoint "$d" >/dev/null || continue
        "${as_user[@]}" sh -c "echo written by \$(id -un) >'$d/hello-from-the-demo.txt'" &&
          say "$d/hello-from-the-demo.txt written by $demo_user, owned by $("${as_user[@]}" stat -c %U "$d/hello-from-the-demo.txt")"
      done
    fi
    say "screenshots of every page and sub-step: $shots"
    [[ -f $shots/contact-sheet.png ]] && say "contact sheet: $shots/contact-sheet.png"
  fi
  if [[ -n ${SP_DEMO_AFTER:-} ]]; then  # whatever the run's outcome
    SP_DEMO_WORK=$work SP_DEMO_BIN=$bin SP_DEMO_USER=$demo_user "$SP_DEMO_AFTER" || true
  fi
  if [[ -n ${SP_DEMO_THEN:-} && $status == 0 ]]; then
    SP_DEMO_WORK=$work SP_DEMO_BIN=$bin SP_DEMO_USER=$demo_user "$SP_DEMO_THEN" || status=$?
  fi
  return $status
}

demo_user=${SP_DEMO_USER:-sp-demo}
source "$root/scripts/policybus.sh"

if [[ ${1:-} == --inside ]]; then
  inside "$2"
  exit $?
fi

# ---------------------------------------------------------------------------
if [[ ${SP_DEMO_NO_BUILD:-0} != 1 ]]; then  # tests run the demo on their own build
  "$root/scripts/setup.sh"
  "$root/scripts/build.sh" main
fi

if ! id -u "$demo_user" >/dev/null 2>&1; then
  useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$demo_user"
  say "made the user $demo_user for the run"
fi

work=$(mktemp -d /tmp/setuppilot-demo.XXXXXX)
chmod 755 "$work"
# A checkout the user cannot reach (under /root, say): the run's programs
# and what they find beside them are copied where the user can.
if ! setpriv --reuid="$demo_user" --regid="$(id -g "$demo_user")" --clear-groups test -x "$bin/setuppilot-tour"; then
  mkdir -p "$work/bin"
  cp -a "$bin"/{setuppilot,setuppilot-tour,setuppilot-iscsid,netdock,vbx207-sim,resource} "$bin"/*.lang "$work/bin/"
  for f in "$bin"/*; do [[ -f $f && ! -x $f ]] && cp -a "$f" "$work/bin/"; done
  bin=$work/bin
  say "programs copied to $bin for $demo_user"
fi
export SP_DEMO_BINDIR=$bin
made_run=0
if [[ ! -d /run/setuppilot ]]; then
  mkdir -p /run/setuppilot  # the place the private tmpfs goes on
  made_run=1
fi
finish() {
  if ((made_run)); then rmdir /run/setuppilot 2>/dev/null || true; fi
  rm -rf "$work"
}
trap finish EXIT
# Ctrl-C reaches the run inside, which cleans up and ends; this part waits
# for it and tidies after.
trap ':' INT TERM
status=0
unshare --mount --propagation private "$0" --inside "$work" || status=$?
exit $status
