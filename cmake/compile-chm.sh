#!/bin/bash
# compile-chm.sh CHMCMD CHMLS PROJECT.hhp OUT.chm
#
# Compiles an HTML Help project, written by hlpc --html, with chmcmd in a
# throw-away chroot where the project lies at "/": chmcmd 3.2.2 prefixes
# each context number's target with the project's folder, and only "/"
# gives the names the archive holds ("/page.html"; see cmake/help.cmake).
# The chroot holds copies of chmcmd, the libraries it loads and the
# project's files; it needs no /proc, /dev or mounts. Then the two compile
# times chmcmd stamps into the file are zeroed, so that the same project
# always gives the same bytes. OUT.chm appears only when complete.
set -eu
chmcmd=$(readlink -f "$1")
chmls=$2
project=$3
output=$4
root=$output.root
folder=$(dirname "$project")
name=$(basename "$project")

fail() {
  echo "compile-chm: $*" >&2
  exit 1
}

rm -rf "$root" "$output.partial"
trap 'rm -rf "$root"' EXIT
mkdir -p "$root/bin"
cp "$chmcmd" "$root/bin/chmcmd"
# The loader and libc that ldd names, and libpthread, which Free Pascal's
# thread support opens at run time.
libs=$(ldd "$chmcmd" 2>/dev/null | grep -o '/[^ ]*' || true)
libc=$(echo "$libs" | grep '/libc\.so\.6$' || true)
[ -z "$libc" ] || [ ! -e "$(dirname "$libc")/libpthread.so.0" ] || libs="$libs $(dirname "$libc")/libpthread.so.0"
for lib in $libs; do
  mkdir -p "$root$(dirname "$lib")"
  cp -L "$lib" "$root$lib"
done
find "$folder" -maxdepth 1 -type f -exec cp {} "$root/" \;

chroot=$(command -v chroot || echo /usr/sbin/chroot)
run=("$chroot" "$root" /bin/chmcmd "/$name")
[ "$(id -u)" -eq 0 ] || run=(unshare --user --map-root-user "${run[@]}")
# No locale or time zone from the caller: the output must not depend on them.
if ! env -i "${run[@]}" >"$root/log" 2>&1 || grep -qiE '^(error|warning)' "$root/log"; then
  cat "$root/log" >&2
  fail "chmcmd failed on $project"
fi
compiled=$(sed -n 's/^Compiled file=//p' "$project" | tr -d '\r')
chm=$root/$compiled
[ -s "$chm" ] || fail "chmcmd wrote no $compiled"

# Little-endian unsigned number of COUNT bytes at OFFSET.
number_at() {
  local value=0 shift=0 byte
  for byte in $(od -An -v -tu1 -j "$1" -N "$2" "$chm"); do
    value=$((value + (byte << shift)))
    shift=$((shift + 8))
  done
  echo "$value"
}
zero_at() {
  printf '\0\0\0\0' | dd of="$chm" bs=1 seek="$1" count=4 conv=notrunc status=none
}
[ "$(head -c 4 "$chm")" = ITSF ] || fail "$compiled is not an HTML Help file"
# The header's time (offset 16), and the time record (code 10, 4 bytes)
# that opens /#SYSTEM after its version; /#SYSTEM lies in content section
# 0, which begins where the header's offset at 88 says.
zero_at 16
section0=$(number_at 88 8)
system=$("$chmls" -p list "$chm" 2>/dev/null | awk '$4 == "/#SYSTEM" && $1 == 0 { print $2 }')
[ -n "$system" ] || fail "$compiled has no /#SYSTEM in section 0"
record=$((section0 + system + 4))
[ "$(number_at "$record" 2)" -eq 10 ] && [ "$(number_at $((record + 2)) 2)" -eq 4 ] ||
  fail "/#SYSTEM of $compiled does not begin with its time record"
zero_at $((record + 4))

mv "$chm" "$output.partial"
mv "$output.partial" "$output"
