#!/bin/bash
# Adds bookworm-backports to the package sources, taken from the machine's
# own Debian source: the same mirror (URIs) and key (Signed-By, or the
# one-line entry's options), written the way that source is written.
#   backports-source.sh [--print] [APT_ROOT]      (APT_ROOT default /etc/apt)
#
# The Debian source is the first active "deb" entry for the suite bookworm
# with the component main: in APT_ROOT/sources.list, then in
# sources.list.d/*.sources (deb822), then in sources.list.d/*.list. A
# one-line entry gives sources.list.d/bookworm-backports.list,
#   deb [OPTIONS] URI bookworm-backports main
# and a deb822 stanza sources.list.d/bookworm-backports.sources with its
# URIs and Signed-By. A machine that reaches Debian only through its own
# mirror or proxy keeps doing so for the backports.
#
# Prints the name of the file written; nothing when an active
# bookworm-backports entry is already there. --print writes nothing and
# prints the file's name and then the text it would hold. Exit status 0,
# 1 when no Debian bookworm source is configured, 2 on bad arguments or a
# file that cannot be written.
set -u
print_only=
if [ "${1:-}" = "--print" ]; then print_only=1; shift; fi
[ $# -le 1 ] || { echo "usage: backports-source.sh [--print] [APT_ROOT]" >&2; exit 2; }
root=${1:-/etc/apt}

# APT reads sources.list and, in sources.list.d, only *.list (one-line)
# and *.sources (deb822) files; other names there are ignored.
main_list=()
[ ! -f "$root/sources.list" ] || main_list=("$root/sources.list")
deb822=() lists=()
for f in "$root"/sources.list.d/*.sources; do [ -f "$f" ] && deb822+=("$f"); done
for f in "$root"/sources.list.d/*.list; do [ -f "$f" ] && lists+=("$f"); done

# One-line entries, each as FILE, OPTIONS, URI, SUITE, COMPONENTS apart by
# \037 (with tabs, read would merge empty fields), comments dropped;
# OPTIONS without their brackets.
one_line_entries() {
  [ $# -gt 0 ] || return 0
  awk -v OFS='\037' '
    { sub(/#.*/, "") }
    $1 == "deb" {
      line = $0; sub(/^[ \t]*deb[ \t]+/, "", line); options = ""
      if (substr(line, 1, 1) == "[") {
        end = index(line, "]"); if (end == 0) next
        options = substr(line, 2, end - 2); line = substr(line, end + 1)
        gsub(/^[ \t]+|[ \t]+$/, "", options); gsub(/[ \t]+/, " ", options)
      }
      gsub(/^[ \t]+|[ \t]+$/, "", line)
      n = split(line, word, /[ \t]+/); if (n < 2) next
      components = ""; for (i = 3; i <= n; i++) components = components " " word[i]
      print FILENAME, options, word[1], word[2], substr(components, 2)
    }' "$@"
}

# deb822 stanzas of type deb, each as FILE, URIS, SUITES, COMPONENTS,
# SIGNED-BY apart by \037, Signed-By's continuation lines (an inline key)
# joined by "\n"; stanzas with "Enabled: no" left out.
deb822_entries() {
  [ $# -gt 0 ] || return 0
  awk -v OFS='\037' '
    function flush() {
      if (("types" in field) && field["types"] ~ /(^|[ \t])deb([ \t]|$)/ && tolower(field["enabled"]) != "no")
        print file, field["uris"], field["suites"], field["components"], field["signed-by"]
      delete field; name = ""
    }
    FNR == 1 { if (NR > 1) flush(); file = FILENAME }
    /^#/ { next }
    /^[ \t]*$/ { flush(); next }
    # A folded line: lists go on with a space, a key block keeps its lines.
    /^[ \t]/ {
      if (name == "") next
      line = $0
      if (name == "signed-by") { sub(/^[ \t]/, "", line); field[name] = field[name] "\\n" line }
      else { gsub(/^[ \t]+|[ \t]+$/, "", line); gsub(/[ \t]+/, " ", line); field[name] = field[name] " " line }
      next
    }
    {
      colon = index($0, ":"); if (colon == 0) next
      name = tolower(substr($0, 1, colon - 1)); value = substr($0, colon + 1)
      gsub(/^[ \t]+|[ \t]+$/, "", value); gsub(/[ \t]+/, " ", value); field[name] = value
    }
    END { flush() }' "$@"
}

has_word() {  # space-separated list, word
  [[ " $1 " == *" $2 "* ]]
}

# A backports entry already there: nothing to do.
while IFS=$'\037' read -r _ _ _ suite _; do
  [ "$suite" != "bookworm-backports" ] || exit 0
done < <(one_line_entries "${main_list[@]}" "${lists[@]}")
while IFS=$'\037' read -r _ _ suites _ _; do
  ! has_word "$suites" bookworm-backports || exit 0
done < <(deb822_entries "${deb822[@]}")

# The Debian source, in the order APT's own documentation gives them.
found= format= text=
pick_one_line() {  # file ...
  local file options uri suite components
  while IFS=$'\037' read -r file options uri suite components; do
    if [ "$suite" = "bookworm" ] && has_word "$components" main; then
      format=list
      text="deb ${options:+[$options] }$uri bookworm-backports main"
      found=$file
      return 0
    fi
  done < <(one_line_entries "$@")
  return 1
}
pick_deb822() {
  local file uris suites components signed
  while IFS=$'\037' read -r file uris suites components signed; do
    if has_word "$suites" bookworm && has_word "$components" main; then
      format=sources
      text="Types: deb"$'\n'"URIs: $uris"$'\n'"Suites: bookworm-backports"$'\n'"Components: main"
      # An inline key (on the lines below the field name) keeps its lines.
      signed=${signed//\\n/$'\n' }
      case $signed in
        "") ;;
        $'\n'*) text+=$'\n'"Signed-By:$signed" ;;
        *) text+=$'\n'"Signed-By: $signed" ;;
      esac
      found=$file
      return 0
    fi
  done < <(deb822_entries "${deb822[@]}")
  return 1
}
pick_one_line "${main_list[@]}" || pick_deb822 || pick_one_line "${lists[@]}" ||
  { echo "backports-source: no Debian source for bookworm (a deb entry with main) in $root/sources.list or $root/sources.list.d/: add bookworm-backports yourself" >&2
    exit 1; }

target=$root/sources.list.d/bookworm-backports.$format
if [ -n "$print_only" ]; then
  echo "$target (from $found)"
  echo "$text"
  exit 0
fi
mkdir -p "$root/sources.list.d" && printf '%s\n' "$text" >"$target" ||
  { echo "backports-source: could not write $target" >&2; exit 2; }
echo "$target"
