# Sourced: a private system bus and polkit daemon for a run that must not
# touch the machine's own (demo, tests). Call policybus_start inside a
# private mount namespace: the polkit daemon reads its actions and rules
# from fixed places, which are covered here by the run's own.
#   policybus_start WORK RULES_JS POLICY_FILE...   exports DBUS_SYSTEM_BUS_ADDRESS
#   policybus_stop
# Needs dbus-daemon and polkitd (Debian: dbus-daemon, polkitd).

policybus_pids=()

policybus_start() {
  local work=$1 rules=$2
  shift 2
  mkdir -p "$work/actions" "$work/rules"
  cp /usr/share/polkit-1/actions/*.policy "$work/actions/" 2>/dev/null || true
  cp "$@" "$work/actions/"
  cp "$rules" "$work/rules/50-setuppilot-run.rules"
  mount --bind "$work/actions" /usr/share/polkit-1/actions
  mkdir -p /etc/polkit-1/rules.d
  mount --bind "$work/rules" /etc/polkit-1/rules.d
  if [[ -d /usr/share/polkit-1/rules.d ]]; then
    mkdir -p "$work/no-rules"
    mount --bind "$work/no-rules" /usr/share/polkit-1/rules.d
  fi
  cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
  </policy>
</busconfig>
CONF
  dbus-daemon --config-file="$work/bus.conf" --nofork --nopidfile >"$work/dbus.log" 2>&1 &
  policybus_pids+=($!)
  local i
  for ((i = 0; i < 50; i++)); do [[ -S $work/system_bus_socket ]] && break; sleep 0.1; done
  chmod 755 "$work"
  chmod 666 "$work/system_bus_socket"
  export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/system_bus_socket
  /usr/lib/polkit-1/polkitd --no-debug >"$work/polkitd.log" 2>&1 &
  policybus_pids+=($!)
  # Ready once it owns its name on the bus.
  for ((i = 0; i < 100; i++)); do
    dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.NameHasOwner string:org.freedesktop.PolicyKit1 2>/dev/null | grep -q 'boolean true' &&
      return 0
    sleep 0.1
  done
  echo "policybus: polkitd did not come up (log: $work/polkitd.log)" >&2
  return 1
}

policybus_stop() {
  local pid i
  for pid in "${policybus_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${policybus_pids[@]}"; do
    for ((i = 0; i < 30; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  policybus_pids=()
}
