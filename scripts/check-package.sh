#!/usr/bin/env bash
# Checks the built Debian package: its desktop files and AppStream data
# validate, it holds the expected paths and dependencies, and the wizard
# unpacked from it starts as an ordinary user and draws the same first page
# as the build tree's program (so it found its pictures through the
# installed layout).
# Usage: scripts/check-package.sh [DEB]   (default: the one in build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deb=${1:-$(ls "$root"/build/setuppilot_*.deb | head -n 1)}
user=sp-pkgtest
fail=0
bad() { echo "check-package: $*" >&2; fail=1; }

work=$(mktemp -d /tmp/sp-package.XXXXXX)
chmod 755 "$work"
agents() { grep -lF -- "$work/" /proc/[0-9]*/cmdline 2>/dev/null | cut -d/ -f3 || true; }
cleanup() {
  local pid
  for pid in $(agents); do kill "$pid" 2>/dev/null || true; done
  for m in $(awk -v w="$work/" 'index($2, w) == 1 {print $2}' /proc/self/mounts | sort -r); do umount -l "$m"; done
  rm -rf "$work"
}
trap cleanup EXIT

# Paths every installation needs.
dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
while read -r path; do
  grep -qxF "$path" "$work/contents" || bad "missing $path"
done <<'PATHS'
/usr/bin/setuppilot
/usr/sbin/setuppilot-iscsid
/usr/libexec/setuppilot/netdock
/usr/share/setuppilot/MLSChinese.lang
/usr/share/setuppilot/resource/install-iscsi-initiator.sh
/usr/share/setuppilot/resource/english/welcome.png
/usr/share/setuppilot/resource/bitmaps/139.png
/usr/share/applications/org.setuppilot.SetupPilot.desktop
/usr/share/metainfo/org.setuppilot.SetupPilot.metainfo.xml
/usr/share/icons/hicolor/16x16/apps/org.setuppilot.SetupPilot.png
/usr/share/icons/hicolor/256x256/apps/org.setuppilot.SetupPilot.png
/usr/share/man/man1/setuppilot.1
/usr/share/man/man1/netdock.1
/usr/share/man/man8/setuppilot-iscsid.8
/usr/share/polkit-1/actions/org.setuppilot.policy
/usr/lib/systemd/system/setuppilot-iscsid.service
/usr/lib/systemd/user/setuppilot-netdock.service
/etc/xdg/autostart/setuppilot-netdock.desktop
PATHS
# Nothing of the development side: tests, the simulator, the tour.
grep -E '/(vbx207-sim|setuppilot-tour|artgen|icongen|uikit-gallery)$|_tests$' "$work/contents" && bad "development files in the package"

depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 libiscsi ntfs-3g fuse3 smbnetfs polkitd; do
  [[ $depends == *"$d"* ]] || bad "Depends lacks $d: $depends"
done
for d in tgt samba; do
  grep -qE "(^|, )$d( |,|$)" <<<"$depends" && bad "Depends has $d (only the tests need it)"
done
for s in postinst prerm postrm; do
  dpkg-deb -I "$deb" "$s" >/dev/null 2>&1 || bad "no $s script"
done

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/org.setuppilot.SetupPilot.desktop" || bad "desktop entry"
desktop-file-validate "$work/root/etc/xdg/autostart/setuppilot-netdock.desktop" || bad "autostart entry"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.setuppilot.SetupPilot.metainfo.xml" >/dev/null ||
  bad "AppStream data"
xmllint --noout --dtdvalid /usr/share/polkit-1/policyconfig-1.dtd "$work/root/usr/share/polkit-1/actions/org.setuppilot.policy" ||
  bad "polkit policy"
grep -qF '>/usr/sbin/setuppilot-iscsid</annotate>' "$work/root/usr/share/polkit-1/actions/org.setuppilot.policy" ||
  bad "polkit policy does not name the installed service"
grep -qx "ExecStart=/usr/sbin/setuppilot-iscsid" "$work/root/usr/lib/systemd/system/setuppilot-iscsid.service" ||
  bad "service unit does not start the installed program"
for size in 16 24 32 48 64 128 256; do
  file "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/org.setuppilot.SetupPilot.png" |
    grep -q "PNG image data, $size x $size" || bad "icon ${size}x${size}"
done

# The unpacked wizard as an ordinary user, offscreen, to its first page.
id "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
mkdir -m 700 "$work/run" "$work/home"
chown "$user:" "$work/run" "$work/home"
mkdir -m 777 "$work/shots"
run_first_page() {  # program output.png
  timeout 120 runuser -u "$user" -- env -i PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen HOME="$work/home" \
    XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/home" "$1" --first-page-picture "$2"
}
run_first_page "$work/root/usr/bin/setuppilot" "$work/shots/installed.png" || bad "the unpacked wizard did not start"
run_first_page "$root/build/bin/setuppilot" "$work/shots/build.png" || bad "the build tree's wizard did not start"
if [[ -s $work/shots/installed.png && -s $work/shots/build.png ]]; then
  differ=$(compare -metric AE "$work/shots/installed.png" "$work/shots/build.png" null: 2>&1 || true)
  [[ $differ == 0 ]] || bad "the unpacked wizard's first page differs from the build tree's ($differ pixels)"
  cp "$work/shots/installed.png" "$root/build/package-first-page.png"
fi
"$work/root/usr/bin/setuppilot" --version | grep -qx "setuppilot $(dpkg-deb -f "$deb" Version)" || bad "--version"

if ((fail)); then echo "check-package: FAILED"; exit 1; fi
echo "check-package: $(basename "$deb") passed ($(wc -l <"$work/contents") paths)"
