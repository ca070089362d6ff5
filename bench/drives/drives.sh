#!/usr/bin/env bash
# Measures the two drives a whole run of the wizard left behind, each beside
# what the same target and share give a client that talks to them straight,
# in the same run:
#   X: (the iSCSI volume)  against libiscsi on a scratch LUN of the same
#                          target (setuppilot-iscsi-anchor: 1 MiB commands,
#                          8 in flight)
#   Y: (the shared folder) against smbclient put / get of the same bytes
# Sequential write ended by fsync and cold read (caches dropped first) of
# each size, a 4 KiB random read/write mix, every byte read checked. Each
# figure is the median of SP_DRIVES_ROUNDS rounds (default 5) that take
# drive and anchor in turn, so a busy moment of the machine falls on both.
#
# Run by scripts/measure.sh drives as scripts/demo.sh's SP_DEMO_THEN: inside
# the demo's private mount namespace, with the run's appliance, services and
# drives still up. Exits 1 when a transfer fails or data comes back wrong.
set -euo pipefail
work=${SP_DEMO_WORK:?run through scripts/measure.sh drives}
bench=$(cd "${SP_DEMO_BIN:?}/../bench" && pwd)
rounds=${SP_DRIVES_ROUNDS:-5}
sizes=${SP_DRIVES_SIZES_MB:-256 1024}
mix_seconds=${SP_DRIVES_MIX_SECONDS:-10}
pc=/var/run/netns/${SP_NS_PREFIX:-}pc
x=/mnt/x y=/mnt/y
# The drives are the demo user's (the share is their own FUSE mount, which
# root cannot enter): the reads and writes are theirs too.
user=${SP_DEMO_USER:-root}
as_user() { setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups "$@"; }
scratch=$work/tmp/drives-bench
results=$scratch/results
say() { echo "drives: $*"; }

# The appliance as the simulator reported it: the target, its address and
# tgtd's control port; the share's address.
log=$work/vbx207-sim.log
read -r target portal control < <(sed -n \
  's/.*iSCSI target \([^ ]*\) at \([^ ]*\), .*tgtd control port \([0-9]*\)).*/\1 \2 \3/p' "$log" | tail -1)
share_ip=$(sed -n 's/^smb: .* shares .* on \([0-9.]*\) from .*/\1/p' "$log" | tail -1)
[[ -n ${target:-} && -n $share_ip ]] || { say "no iSCSI target or share in $log"; exit 1; }
mountpoint -q "$x" && mountpoint -q "$y" || { say "$x or $y is not mounted"; exit 1; }

tgtadm_() { tgtadm -C "$control" --lld iscsi "$@"; }
backing=$(tgtadm_ --op show --mode target | sed -n 's/^ *Backing store path: \(\/.*\)/\1/p' | head -1)
mkdir -p "$scratch"
: >"$results"
biggest=0
for mb in $sizes; do ((mb > biggest)) && biggest=$mb; done
anchor_lun=$(dirname "$backing")/drives-anchor.img
cleanup() {
  set +e
  tgtadm_ --op delete --mode logicalunit --tid 1 --lun 9 >/dev/null 2>&1
  rm -f "$anchor_lun"
  as_user sh -c "rm -f '$x'/drives-bench-* '$y'/drives-bench-*"
  rm -rf "$scratch"
}
trap cleanup EXIT
# The scratch LUN sits beside the volume's own, in the same target and the
# same tgtd, on the same kind of backing store.
truncate -s $(((biggest + 64) << 20)) "$anchor_lun"
tgtadm_ --op new --mode logicalunit --tid 1 --lun 9 -b "$anchor_lun"

drop_caches() { sync; echo 3 >/proc/sys/vm/drop_caches; }
in_pc() { nsenter --net="$pc" -- "$@"; }
anchor() { in_pc "$bench/setuppilot-iscsi-anchor" "$portal" "$target" 9 "$@"; }
smb() { in_pc smbclient "//$share_ip/Volume1" -N -c "$1" 2>&1; }
# smbclient's own figure for a put or get: KiB/s (its "kb/s") to MB/s.
smb_mbps() { sed -n 's/.*(average \([0-9.]*\) [^)]*).*/\1/p' | awk '{ printf "%.1f", $1 * 1.024 / 1000 }'; }
record() {  # key value
  echo "$1 $2" >>"$results"
}
field() { tr ' ' '\n' | sed -n "s/^$1=//p"; }
data_of() {  # key line: notes bad data
  local line=$2
  if [[ $line == *data=BAD* || $line == *error=* ]]; then
    echo "$1 BAD" >>"$results"
    say "$1: $line"
  fi
}

measure_size() {  # MiB
  local mb=$1 bytes=$(($1 << 20)) line seed=$((RANDOM + 1))
  local xf=$x/drives-bench-$mb yf=$y/drives-bench-$mb src=$scratch/put-$mb got=$scratch/got-$mb
  line=$(anchor write "$bytes" "$seed") || true; record "a-w-$mb" "$(field mbps <<<"$line")"; data_of "a-w-$mb" "$line"
  line=$(as_user "$bench/setuppilot-drive-io" write "$xf" "$bytes" "$seed") || true
  record "x-w-$mb" "$(field mbps <<<"$line")"; data_of "x-w-$mb" "$line"
  record "x-f-$mb" "$(field fsync_seconds <<<"$line")"
  drop_caches
  line=$(anchor read "$bytes" "$seed") || true; record "a-r-$mb" "$(field mbps <<<"$line")"; data_of "a-r-$mb" "$line"
  drop_caches
  line=$(as_user "$bench/setuppilot-drive-io" read "$xf" "$bytes" "$seed") || true
  record "x-r-$mb" "$(field mbps <<<"$line")"; data_of "x-r-$mb" "$line"

  as_user "$bench/setuppilot-drive-io" write "$src" "$bytes" "$seed" >/dev/null
  record "s-w-$mb" "$(smb "put $src drives-bench-put-$mb" | smb_mbps)"
  line=$(as_user "$bench/setuppilot-drive-io" write "$yf" "$bytes" "$seed") || true
  record "y-w-$mb" "$(field mbps <<<"$line")"; data_of "y-w-$mb" "$line"
  drop_caches
  record "s-r-$mb" "$(smb "get drives-bench-put-$mb $got" | smb_mbps)"
  line=$(as_user "$bench/setuppilot-drive-io" read "$got" "$bytes" "$seed") || true; data_of "s-r-$mb" "$line"
  rm -f "$src" "$got"
  drop_caches
  line=$(as_user "$bench/setuppilot-drive-io" read "$yf" "$bytes" "$seed") || true
  record "y-r-$mb" "$(field mbps <<<"$line")"; data_of "y-r-$mb" "$line"
  smb "del drives-bench-put-$mb" >/dev/null || true
}

measure_mix() {
  local bytes=$((256 << 20)) line seed=4242
  as_user "$bench/setuppilot-drive-io" write "$x/drives-bench-mix" "$bytes" "$seed" >/dev/null
  as_user "$bench/setuppilot-drive-io" write "$y/drives-bench-mix" "$bytes" "$seed" >/dev/null
  anchor write "$bytes" "$seed" >/dev/null
  line=$(anchor mix "$bytes" "$seed" "$mix_seconds") || true; record a-m "$(field iops <<<"$line")"; data_of a-m "$line"
  line=$(as_user "$bench/setuppilot-drive-io" mix "$x/drives-bench-mix" "$bytes" "$seed" "$mix_seconds") || true
  record x-m "$(field iops <<<"$line")"; data_of x-m "$line"
  line=$(as_user "$bench/setuppilot-drive-io" mix "$y/drives-bench-mix" "$bytes" "$seed" "$mix_seconds") || true
  record y-m "$(field iops <<<"$line")"; data_of y-m "$line"
}

say "X: $(findmnt -no SOURCE,FSTYPE,OPTIONS "$x" | tr -s ' ')"
say "   $(losetup -n -O NAME,DIO,BACK-FILE -l "$(findmnt -no SOURCE "$x")" 2>/dev/null | tr -s ' ')"
say "Y: $(findmnt -no SOURCE,FSTYPE,OPTIONS "$y" | tr -s ' ')"
say "target $target at $portal, scratch LUN 9; share //$share_ip/Volume1"
say "the simulator's disks on $(stat -f -c %T "$(dirname "$backing")") ($(dirname "$backing"))"
# Other work on the machine slows the drives' chain of processes more than
# the anchors' two: the load is part of the result.
say "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
for ((round = 1; round <= rounds; round++)); do
  for mb in $sizes; do measure_size "$mb"; done
  say "round $round of $rounds done"
done
measure_mix

median() {
  awk -v k="$1" '$1 == k && $2 != "BAD" && $2 != "" { print $2 }' "$results" | sort -n |
    awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "-" }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "-" || b == "-" || b == 0) print "-"; else printf "%.2f", a / b }'; }
below=0
row() {  # drive test key anchor-key unit
  local v a r
  v=$(median "$3") a=$(median "$4") r=$(ratio "$v" "$a")
  printf 'drives: %-3s %-24s %9s %-5s %9s %-5s %6s\n' "$1" "$2" "$v" "$5" "$a" "$5" "$r"
  if [[ $2 == seq* && ($r == - || $(awk -v r="$r" 'BEGIN { print (r < 0.7) }') == 1) ]]; then below=1; fi
}
say "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
say "medians of $rounds rounds; MB/s = 10^6 bytes/s"
printf 'drives: %-3s %-24s %15s %15s %6s\n' drive test drive anchor ratio
for mb in $sizes; do
  row X: "seq write $mb MiB+fsync" "x-w-$mb" "a-w-$mb" MB/s
  row X: "seq read $mb MiB cold" "x-r-$mb" "a-r-$mb" MB/s
  row Y: "seq write $mb MiB+fsync" "y-w-$mb" "s-w-$mb" MB/s
  row Y: "seq read $mb MiB cold" "y-r-$mb" "s-r-$mb" MB/s
done
row X: "4K random 50/50 QD1" x-m a-m IOPS
row Y: "4K random 50/50 QD1" y-m - IOPS
for mb in $sizes; do say "X: fsync share of the $mb MiB write: $(median "x-f-$mb") s"; done
if grep -q ' BAD$' "$results"; then
  say "data: WRONG (see above)"
  exit 1
fi
say "data: intact (every byte read back compared with what was written)"
if ((below)); then say "sequential ratios: some below 0.7"; else say "sequential ratios: all at least 0.7"; fi
