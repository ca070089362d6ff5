#!/usr/bin/env bash
# Run by scripts/demo.sh (SP_DEMO_THEN) once its tour, walked by an ordinary
# user, reached the summary: the drives the run left must be that user's.
# X: the iSCSI volume (NTFS), Y: the shared folder; each is written by the
# user, and what they wrote must be theirs and read back the same.
set -euo pipefail
user=${SP_DEMO_USER:?}
fail() { echo "as-user: $*" >&2; exit 1; }
as_user() { setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups "$@"; }

pgrep -u 0 -x setuppilot >/dev/null && fail "a wizard runs as root"
for letter in x y; do
  dir=/mnt/$letter
  type=$(findmnt -n -o FSTYPE --mountpoint "$dir" || true)
  [[ -n $type ]] || fail "$dir is not mounted"
  file=$dir/owned-by-$user.bin
  as_user dd if=/dev/urandom of="$file" bs=64k count=16 conv=fsync status=none ||
    fail "$user cannot write to $dir ($type)"
  owner=$(as_user stat -c %U "$file")  # root may not see into the user's own FUSE mount
  [[ $owner == "$user" ]] || fail "$file belongs to $owner, not $user"
  as_user cmp "$file" "$file" >/dev/null || fail "$user cannot read $file back"
  as_user mkdir "$dir/folder-of-$user" || fail "$user cannot make a folder on $dir"
  echo "as-user: $dir ($type): 1 MiB written and a folder made by $user, owned by $owner"
done
