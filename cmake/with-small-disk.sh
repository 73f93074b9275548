#!/bin/bash
# Runs a command with a small file system of its own, for the full-disk
# cases: a 64 KiB tmpfs, mounted in a mount namespace that goes with the
# command, so nothing stays mounted. The command finds the folder in
# HALV_SMALL_DISK (a Unix path).
#   cmake/with-small-disk.sh command [args...]
# As root (as in CI) the namespace is a plain one; otherwise a user
# namespace in which the caller is root. Where mounting is refused the
# script says so and fails: the case must not pass without its disk.
set -u
[ $# -gt 0 ] || { echo "usage: with-small-disk.sh command [args...]" >&2; exit 2; }
disk=$(mktemp -d "${TMPDIR:-/tmp}/halv-small-disk.XXXXXX")
trap 'rmdir "$disk" 2>/dev/null' EXIT
namespace=(unshare --mount --propagation private)
[ "$(id -u)" -eq 0 ] || namespace=(unshare --user --map-root-user --mount --propagation private)
"${namespace[@]}" bash -c '
  disk=$1; shift
  mount -t tmpfs -o size=64k,mode=0777 halv-small-disk "$disk" ||
    { echo "with-small-disk: cannot mount a small file system on $disk: the case cannot run" >&2; exit 1; }
  export HALV_SMALL_DISK=$disk
  exec "$@"' with-small-disk "$disk" "$@"
