#!/usr/bin/env bash
# Test network: two namespaces joined by a veth pair.
#   pc  (the PC running the wizard)   10.77.0.1/24
#   vbx (the appliance simulator)     10.77.0.2/24
# Usage:
#   scripts/netns.sh up            create (idempotent: re-creates from scratch)
#   scripts/netns.sh down          remove
#   scripts/netns.sh run NS CMD..  run CMD in namespace NS ("pc" or "vbx");
#                                  uses nsenter so mounts stay visible
# SP_NS_PREFIX prefixes every name (namespaces and links), so that several
# test networks can exist side by side: SP_NS_PREFIX=t1 gives t1pc, t1vbx.
set -euo pipefail
P=${SP_NS_PREFIX:-}
PC=${P}pc
VBX=${P}vbx
PC_IF=${P}vpc0
VBX_IF=${P}vvbx0
PC_ADDR=${SP_PC_ADDR:-10.77.0.1/24}
VBX_ADDR=${SP_VBX_ADDR:-10.77.0.2/24}

down() {
  ip netns del "$PC" 2>/dev/null || true
  ip netns del "$VBX" 2>/dev/null || true
  ip link del "$PC_IF" 2>/dev/null || true
}

up() {
  down
  ip netns add "$PC"
  ip netns add "$VBX"
  ip link add "$PC_IF" type veth peer name "$VBX_IF"
  ip link set "$PC_IF" netns "$PC"
  ip link set "$VBX_IF" netns "$VBX"
  ip -n "$PC" addr add "$PC_ADDR" dev "$PC_IF"
  ip -n "$VBX" addr add "$VBX_ADDR" dev "$VBX_IF"
  for ns in "$PC" "$VBX"; do
    ip -n "$ns" link set lo up
    # Unprivileged ICMP echo sockets for the address probe.
    ip netns exec "$ns" sysctl -qw net.ipv4.ping_group_range="0 2147483647"
  done
  ip -n "$PC" link set "$PC_IF" up
  ip -n "$VBX" link set "$VBX_IF" up
}

case ${1:-} in
  up) up ;;
  down) down ;;
  run)
    ns=${2:?namespace}; shift 2
    exec nsenter --net="/var/run/netns/${P}${ns}" -- "$@" ;;
  *) echo "usage: $0 up|down|run NS CMD..." >&2; exit 2 ;;
esac
