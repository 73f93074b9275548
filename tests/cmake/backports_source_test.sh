#!/bin/bash
# cmake/backports-source.sh on package sources laid out as machines have
# them, each in a folder of its own standing for /etc/apt:
#   backports_source_test.sh SOURCE_DIR WORK_DIR
# Each case gives the files of the sources and what must come of them: the
# backports file's name and text, nothing (a backports entry is there), or
# a refusal. install-deps.sh and the script must name no package host.
set -u
source_dir=$1 work=$2
script=$source_dir/cmake/backports-source.sh
rm -rf "$work"; mkdir -p "$work"
failures=0 cases=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mirror=http://mirror.example.org/debian
key=/usr/share/keyrings/debian-archive-keyring.gpg

# case NAME EXPECTED_FILE EXPECTED_TEXT, with the sources as further
# arguments: a path below the apt folder, then its text, and so on.
# EXPECTED_FILE "-": nothing written; "!": refused, nothing written.
case_() {
  local name=$1 want_file=$2 want_text=$3 root out err status written
  shift 3
  cases=$((cases + 1))
  root=$work/$cases/apt
  mkdir -p "$root/sources.list.d"
  while [ $# -ge 2 ]; do printf '%s\n' "$2" >"$root/$1"; shift 2; done
  before=$(cd "$root" && find . -type f | sort)
  out=$(bash "$script" "$root" 2>"$work/$cases/stderr"); status=$?
  err=$(cat "$work/$cases/stderr")
  written=$(cd "$root" && find . -type f | sort | comm -13 <(echo "$before") -)
  case $want_file in
    -)
      [ "$status" -eq 0 ] && [ -z "$out" ] && [ -z "$written" ] ||
        fail "$name: expected nothing written, got status $status, output '$out', new files '$written' $err"
      return ;;
    !)
      [ "$status" -eq 1 ] && [ -z "$written" ] && grep -q 'no Debian source for bookworm' <<<"$err" ||
        fail "$name: expected a refusal, got status $status, new files '$written', message '$err'"
      return ;;
  esac
  if [ "$status" -ne 0 ]; then fail "$name: status $status: $err"; return; fi
  [ "$written" = "./sources.list.d/$want_file" ] || fail "$name: wrote '$written', expected sources.list.d/$want_file"
  [ "$out" = "$root/sources.list.d/$want_file" ] || fail "$name: printed '$out'"
  if [ -f "$root/sources.list.d/$want_file" ]; then
    got=$(cat "$root/sources.list.d/$want_file")
    [ "$got" = "$want_text" ] || fail "$name: $want_file holds"$'\n'"$got"$'\n'"expected"$'\n'"$want_text"
  fi
  # --print shows the same text and writes nothing more.
  rm -f "$root/sources.list.d/$want_file"
  out=$(bash "$script" --print "$root")
  [[ $out == "$root/sources.list.d/$want_file "*$'\n'"$want_text" ]] || fail "$name: --print gave"$'\n'"$out"
  [ ! -e "$root/sources.list.d/$want_file" ] || fail "$name: --print wrote $want_file"
}

stanza() {  # uri suites [signed-by]
  printf 'Types: deb\nURIs: %s\nSuites: %s\nComponents: main\n%s' "$1" "$2" "${3:+Signed-By: $3
}"
}

deb822_text="Types: deb
URIs: $mirror
Suites: bookworm-backports
Components: main
Signed-By: $key"

case_ "deb822, as Debian's container images have it" bookworm-backports.sources "$deb822_text" \
  sources.list.d/debian.sources "$(stanza "$mirror" "bookworm bookworm-updates" "$key")

$(stanza http://security.example.org/debian-security bookworm-security "$key")"

case_ "one-line sources.list, as the installer writes it" bookworm-backports.list \
  "deb $mirror bookworm-backports main" \
  sources.list "# deb cdrom:[Debian GNU/Linux 12]/ bookworm main
deb $mirror bookworm main non-free-firmware
deb-src $mirror bookworm main
deb http://security.example.org/debian-security bookworm-security main"

case_ "one-line entry with options, which the backports keep" bookworm-backports.list \
  "deb [arch=amd64 signed-by=$key] $mirror bookworm-backports main" \
  sources.list "deb	[ arch=amd64   signed-by=$key ]	$mirror	bookworm contrib main # our mirror"

case_ "a comment ends the line" bookworm-backports.list "deb $mirror bookworm-backports main" \
  sources.list "deb http://contrib.example.org/debian bookworm contrib # main comes from our mirror
deb $mirror bookworm main"

case_ "sources.list comes before sources.list.d" bookworm-backports.list \
  "deb $mirror bookworm-backports main" \
  sources.list "deb $mirror bookworm main" \
  sources.list.d/other.sources "$(stanza http://elsewhere.example.org/debian bookworm "$key")"

case_ "only comments in sources.list: the deb822 file" bookworm-backports.sources "$deb822_text" \
  sources.list "# moved to sources.list.d/debian.sources" \
  sources.list.d/debian.sources "$(stanza "$mirror" bookworm "$key")"

case_ "several mirrors and no key" bookworm-backports.sources "Types: deb
URIs: $mirror http://second.example.org/debian
Suites: bookworm-backports
Components: main" \
  sources.list.d/debian.sources "Types: deb deb-src
URIs: $mirror
  http://second.example.org/debian
Suites: bookworm
Components: main contrib"

case_ "an inline key keeps its lines" bookworm-backports.sources "Types: deb
URIs: $mirror
Suites: bookworm-backports
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGPL0BUBEADmW5NdOOHwPIJlgPu6JDcKw/NZJPR8lsD9K7UgrF6nxlE=
 -----END PGP PUBLIC KEY BLOCK-----" \
  sources.list.d/debian.sources "Types: deb
URIs: $mirror
Suites: bookworm
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGPL0BUBEADmW5NdOOHwPIJlgPu6JDcKw/NZJPR8lsD9K7UgrF6nxlE=
 -----END PGP PUBLIC KEY BLOCK-----"

case_ "disabled sources and other repositories are passed over" bookworm-backports.sources "$deb822_text" \
  sources.list.d/a-docker.list "deb [signed-by=/etc/apt/keyrings/docker.gpg] https://download.example.com/linux/debian bookworm stable" \
  sources.list.d/b-old.sources "$(stanza http://disabled.example.org/debian bookworm "$key")"$'\n'"Enabled: no" \
  sources.list.d/debian.sources.disabled "$(stanza http://renamed.example.org/debian bookworm "$key")" \
  sources.list.d/debian.sources "$(stanza "$mirror" bookworm "$key")"

case_ "a one-line file in sources.list.d" bookworm-backports.list "deb $mirror bookworm-backports main" \
  sources.list.d/mirror.list "deb $mirror bookworm main"

case_ "backports already there, one-line" - "" \
  sources.list "deb $mirror bookworm main
deb $mirror bookworm-backports main"

case_ "backports already there, deb822" - "" \
  sources.list.d/debian.sources "$(stanza "$mirror" "bookworm bookworm-backports" "$key")"

case_ "backports only in a comment" bookworm-backports.list "deb $mirror bookworm-backports main" \
  sources.list "deb $mirror bookworm main
# deb $mirror bookworm-backports main"

case_ "no Debian bookworm source" ! "" \
  sources.list "deb $mirror bullseye main" \
  sources.list.d/debian.sources "$(stanza http://security.example.org/debian-security bookworm-security "$key")"

case_ "no sources at all" ! ""

# No package host in the scripts: the mirror is always the machine's.
hosts=$(grep -EnH 'https?://' "$script" "$source_dir/cmake/install-deps.sh")
[ -z "$hosts" ] || fail "a package host is named: $hosts"

echo "$cases cases, $failures failure(s)"
[ "$failures" -eq 0 ]
