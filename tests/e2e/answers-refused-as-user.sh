#!/usr/bin/env bash
# The setup without a window as an ordinary user whom polkit refuses: the
# run must stop before the appliance formats, with its own exit code and a
# message saying why, and this PC must be as it was: no drive, no loop
# device over the service's LUN files, no persistent login.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/answers.toml" <<'TOML'
[appliance]
mac = "02:4b:56:00:00:01"

[admin]
login_password = ""
new_password = "vault42"
confirm_password = "vault42"

[time]
zone = 13
clock = "server"
server = "pool.ntp.org"

[network]
name = "vault-one"
workgroup = "OFFICE"

[disk]
profile = "both"
level = "standard"
nas_percent = 70
nas_letter = "Y"
iscsi_letter = "X"
TOML
cat >"$work/after.sh" <<'CHECK'
#!/usr/bin/env bash
# Runs inside the demo's namespaces while they are still up.
set -euo pipefail
leftover=$(findmnt -rn -o TARGET | grep -E '^/mnt/[a-z]$' || true)
[[ -z $leftover ]] || { echo "refused run left drives: $leftover" >&2; exit 1; }
loops=$(losetup -n -O BACK-FILE -l 2>/dev/null | grep -c '^/run/setuppilot/' || true)
[[ $loops == 0 ]] || { echo "refused run left $loops loop device(s)" >&2; exit 1; }
[[ ! -s $SP_DEMO_WORK/iscsi/state ]] || ! grep -q "^login " "$SP_DEMO_WORK/iscsi/state" ||
  { echo "refused run left a persistent login" >&2; exit 1; }
echo "refused run: no drive, no loop device, no persistent login"
CHECK
chmod +x "$work/after.sh"
chmod 755 "$work"
status=0
SP_DEMO_POLKIT=deny SP_DEMO_ANSWERS=$work/answers.toml SP_DEMO_AFTER=$work/after.sh \
  "$root/scripts/demo.sh" >"$work/demo.txt" 2>&1 || status=$?
cat "$work/demo.txt"
grep -q "ended with exit code 12" "$work/demo.txt" || { echo "FAIL: expected exit code 12" >&2; exit 1; }
grep -q "did not allow setting up its drives; nothing was changed" "$work/demo.txt" ||
  { echo "FAIL: the refusal was not said" >&2; exit 1; }
grep -q "^\[7/9\]" "$work/demo.txt" && { echo "FAIL: the format was started" >&2; exit 1; }
grep -q "^refused run: no drive" "$work/demo.txt" || { echo "FAIL: the PC was changed" >&2; exit 1; }
echo "answers-refused-as-user: passed"
