#!/bin/bash
# `make dist`: the 32-bit program folder as a zip for Windows users.
#   cmake/make-dist.sh [BUILD_DIR]      BUILD_DIR: a configured i686 build (build/win32)
#
# Writes DIST_DIR/Halvorendyne.zip (DIST_DIR default build/dist) with one
# folder, Halvorendyne/: Halvdyne.exe, Internal.hvd, the help files
# Halvdyne.chm and Halvdyne.hlp, README.txt, and Scenarios/ with hvdtool.exe,
# the scenarios, the published estimates and the range descriptions.
# Refuses an exe that is not a 32-bit GUI program, programs that import
# anything but Windows' own DLLs, or an exe that carries a manifest.
set -u
cd "$(dirname "$0")/.."
build=${1:-build/win32}
dist=${DIST_DIR:-build/dist}
exe=$build/Halvdyne.exe
OBJDUMP=i686-w64-mingw32-objdump
command -v "$OBJDUMP" >/dev/null || OBJDUMP=objdump

# The program and the files that go beside it, and in Scenarios/ hvdtool
# with the scenarios, the published estimates and the range descriptions;
# nothing else of the build.
scenarios=(Pessimistic Middle Optimistic)
published=(GreenBank1961Low GreenBank1961High DrakeLaterValues FrankSullivan2016 WestbyConselice2020)
descriptions=(Sandberg2018)
targets=(Halvdyne settings_Internal help_file help_chm hvdtool)
for name in "${scenarios[@]}" "${published[@]}"; do targets+=("settings_$name"); done
cmake --build "$build" --target "${targets[@]}" -j"${JOBS:-2}" || { echo "make-dist: the build of $build failed" >&2; exit 1; }
for f in Halvdyne.exe Internal.hvd Halvdyne.hlp Halvdyne.chm hvdtool.exe; do
  [ -f "$build/$f" ] || { echo "make-dist: $build/$f is missing: build $build first" >&2; exit 1; }
done

# The shipped program: 32-bit x86, GUI subsystem.
kind=$(file -b "$exe")
case $kind in
  "PE32 executable (GUI) Intel 80386"*) echo "Halvdyne.exe: $kind" ;;
  *) echo "make-dist: $exe is not a 32-bit GUI program: $kind" >&2; exit 1 ;;
esac

# Statically linked: only DLLs that every Windows has, for the program and
# for hvdtool (a 32-bit console program).
system_dlls=" kernel32.dll user32.dll gdi32.dll comdlg32.dll msvcrt.dll advapi32.dll shell32.dll comctl32.dll ole32.dll oleaut32.dll winmm.dll version.dll winspool.drv "
for program in "$exe" "$build/hvdtool.exe"; do
  imports=$("$OBJDUMP" -p "$program" | sed -nE 's/^[[:space:]]*DLL Name: *(.*)$/\1/p' | tr -d '\r')
  [ -n "$imports" ] || { echo "make-dist: no imports found in $program" >&2; exit 1; }
  foreign=()
  for dll in $imports; do
    lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
    [[ $system_dlls == *" $lower "* ]] || foreign+=("$dll")
  done
  if [ ${#foreign[@]} -gt 0 ]; then
    echo "make-dist: $program imports DLLs that Windows does not have: ${foreign[*]}" >&2
    exit 1
  fi
  echo "$(basename "$program") imports: $(echo $imports)"
done
kind=$(file -b "$build/hvdtool.exe")
case $kind in
  "PE32 executable (console) Intel 80386"*) ;;
  *) echo "make-dist: $build/hvdtool.exe is not a 32-bit console program: $kind" >&2; exit 1 ;;
esac

# No manifest: README.txt tells users what Windows then does with the
# settings under Program Files (its file virtualization), which a manifest
# with a requested execution level would turn off.
if grep -qa 'urn:schemas-microsoft-com:asm' "$exe"; then
  echo "make-dist: $exe carries a manifest; README.txt says it has none" >&2
  exit 1
fi
echo "manifest: none"

stage=$(mktemp -d "${TMPDIR:-/tmp}/halv-dist.XXXXXX")
trap 'rm -rf "$stage"' EXIT
folder=$stage/Halvorendyne
mkdir -p "$folder"
cp "$exe" "$build/Internal.hvd" "$folder/"
cp "$build/Halvdyne.hlp" "$build/Halvdyne.chm" "$folder/"
mkdir -p "$folder/Scenarios/published"
cp "$build/hvdtool.exe" "$folder/Scenarios/"
for name in "${scenarios[@]}"; do cp "$build/scenarios/$name.hvd" "$folder/Scenarios/"; done
for name in "${published[@]}"; do cp "$build/scenarios/published/$name.hvd" "$folder/Scenarios/published/"; done
# The range descriptions with Windows line ends, for Notepad; hvdtool reads either.
for name in "${descriptions[@]}"; do sed 's/$/\r/' "resources/scenarios/$name.txt" >"$folder/Scenarios/$name.txt"; done
# Windows line ends for Notepad.
sed 's/$/\r/' >"$folder/README.txt" <<'EOF'
Halvorendyne 1.0
================

Halvorendyne estimates how many planets in our galaxy are inhabited now,
how many advanced civilizations exist in our galaxy and in the universe,
and how far apart they are, from twenty-two parameters that you can edit.
The results fill the whole screen.

Files
-----
Halvdyne.exe   the program
Internal.hvd   the working settings: read at start from the current
               folder (the program's own when you double-click it),
               written to the program's folder when you quit
Halvdyne.chm   Help, for HTML Help (every Windows from 98 on)
Halvdyne.hlp   the same Help, for WinHelp (Windows 95 to 8.1)
README.txt     this file
Scenarios\     hvdtool, the analysis tool, with settings files to try

Running
-------
A zip downloaded from the internet carries Windows' mark of the web: open
the zip's Properties, tick "Unblock" and press OK before you unzip it.
Otherwise every page of Help shows only "Navigation to the webpage was
canceled". Then unzip ("Extract All") into a folder whose path has no "#"
in it (HTML Help cannot open a file below such a folder), and start
Halvdyne.exe from the unzipped folder. Started from inside the zip, the
program does not find Internal.hvd: it reports "File error. Settings NOT
loaded." and ends. Keep Internal.hvd beside the program.

The program is not signed, so the first time you start it Windows
SmartScreen may show "Windows protected your PC". Choose "More info",
then "Run anyway".

Where the settings go
---------------------
Quit writes Internal.hvd into the program's folder. Put the folder
somewhere you can write to, such as a folder of your own in Documents.
Not in Program Files: the program carries no manifest, so Windows treats
it as an older program and, instead of writing there, quietly keeps a copy
of Internal.hvd for each user in the VirtualStore, under
  %LOCALAPPDATA%\VirtualStore\Program Files\...
which the program then reads; the file in the program's folder stays as
it was. Settings files saved with Save can go anywhere you can write to.

Help
----
Help (the Help buttons, h and F1) opens Halvdyne.chm with HTML Help, which
every Windows from 98 and 2000 up to 11 has (95 and NT 4 with Internet
Explorer 4 or later). Where Halvdyne.chm is missing or HTML Help is not
installed, it opens Halvdyne.hlp with WinHelp instead: Windows 95 to XP
have WinHelp, Vista, 7, 8 and 8.1 once Microsoft's WinHelp viewer
(WinHlp32.exe, a separate download) is installed, and Windows 10 and 11
not at all.

Buttons and keys
----------------
Edit (e)   change the parameters in a five-page wizard
Load (l)   load settings from a .hvd file
Save (s)   save the settings to a .hvd file
Quit (q)   save Internal.hvd and end; Escape does the same
Help (h)   open Help
The letters work as typed or with Alt. Tab and the arrow keys move
between the buttons; Enter presses the one with the focus.

Scenarios and hvdtool
---------------------
Scenarios\published\ holds published estimates of the number of
civilizations (the Green Bank meeting of 1961, Drake's later values and
others) as settings files: load one with Load and the results screen says
where it comes from. Scenarios\ holds Pessimistic.hvd, Middle.hvd and
Optimistic.hvd, the ends and the middle of the published ranges, and
Sandberg2018.txt, the prior of Sandberg, Drexler and Ord's "Dissolving the
Fermi Paradox" as a range description (open it in Notepad).

hvdtool.exe runs from a command prompt (cmd) in that folder:
  cd /d "<the unzipped folder>\Scenarios"
  hvdtool range Pessimistic.hvd Optimistic.hvd
  hvdtool range Sandberg2018.txt --svg chart.svg
  hvdtool show published\DrakeLaterValues.hvd
range draws 100,000 settings and prints how widely the results spread and
which parameters drive them (--svg writes charts to open in a browser);
hvdtool alone lists its commands.

Needs 32-bit or 64-bit Windows; nothing to install.
EOF

mkdir -p "$dist"
zip_path=$(cd "$dist" && pwd)/Halvorendyne.zip
rm -f "$zip_path"
(cd "$stage" && zip -q -X -r "$zip_path" Halvorendyne) || { echo "make-dist: zip failed" >&2; exit 1; }
echo "wrote $dist/Halvorendyne.zip:"
zip -sf "$zip_path" | sed -n 's/^  */  /p' | grep -v '^  Total'
