#!/usr/bin/env bash
# Installs the Debian packages the project needs. Non-interactive and
# idempotent: nothing is downloaded when everything is already installed.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t pkgs < <(grep -vE '^\s*(#|$)' "$here/packages.txt")

missing=()
for p in "${pkgs[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  echo "setup: all ${#pkgs[@]} packages present"
  exit 0
fi

SUDO=""
[[ $(id -u) -eq 0 ]] || SUDO=sudo
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
