#!/bin/bash
# Installs what the builds and tests need from Debian's archive, only when
# something is missing, and makes the 32-bit Windows programs runnable.
#
# The kernel runs no 32-bit binary itself, so qemu-i386 is registered for
# them through binfmt_misc and Debian's 32-bit Wine runs the i686 build.
# The qemu comes from bookworm-backports: bookworm's 7.2 ignores the
# MAP_FIXED_NOREPLACE that Wine's address-space reservation relies on, and
# every 32-bit process then spends about a minute in futile mmap calls
# before main; with qemu 8 or later it starts in a fraction of a second.
set -eu
packages=(
  cmake make g++ clang libclang-rt-14-dev googletest libbenchmark-dev libboost-dev file
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine64 wine32:i386 xvfb x11-utils x11-apps xdotool imagemagick fonts-wine fonts-liberation zip
  fp-utils
)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
updated=
apt_update() {
  [ -n "$updated" ] || $sudo apt-get update -qq
  updated=1
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  apt_update
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

qemu_version=$(dpkg-query -W -f='${Version}' qemu-user 2>/dev/null || true)
qemu_fresh=
if [ -z "$qemu_version" ] || dpkg --compare-versions "$qemu_version" lt 1:8; then
  echo "installing: qemu-user (bookworm-backports)"
  # From the machine's own Debian source: its mirror, its key, its format.
  added=$($sudo bash "$(dirname "$0")/backports-source.sh")
  if [ -n "$added" ]; then
    echo "install-deps: bookworm-backports added as $added"
    updated=
  fi
  apt_update
  $sudo apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null
  qemu_fresh=1
fi

# The F flag keeps the interpreter open from registration on, so an entry
# made before qemu was replaced still runs the old one: register anew.
binfmt=/proc/sys/fs/binfmt_misc
mountpoint -q $binfmt || $sudo mount -t binfmt_misc binfmt_misc $binfmt 2>/dev/null || true
if [ -w $binfmt/register ]; then
  if [ -n "$qemu_fresh" ] && [ -e $binfmt/qemu-i386 ]; then
    echo -1 | $sudo tee $binfmt/qemu-i386 >/dev/null
  fi
  if [ ! -e $binfmt/qemu-i386 ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
      | $sudo tee $binfmt/register >/dev/null
  fi
fi
/usr/lib/wine/wine --version >/dev/null 2>&1 ||
  echo "install-deps: this machine runs no 32-bit binaries (no binfmt_misc): the 32-bit tests are skipped"
exit 0
