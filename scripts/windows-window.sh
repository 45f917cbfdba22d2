#!/usr/bin/env bash
# The Windows program's window as Windows draws it: starts build-mingw/brisolt.exe without
# parameters under Wine on a virtual display (Xvfb), waits for its main window by its caption and
# takes a picture of it. Fails when no such window appears. The picture goes to the folder given
# (default build-mingw/window); scripts/windows-window.sh docs/guide renews the guide's picture.
# The Wine prefix is the tests' own (build-mingw/wineprefix), with the sample folder chosen and
# the window's font set to DejaVu Sans, so that the picture does not depend on the machine.
# Needs the mingw build; scripts/deps.sh installs Xvfb and the picture tools when missing.
. "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."
root=$PWD
out="${1:-build-mingw/window}"
caption="Программа сверки начислений и уплат в ПФР"

if [ "${BRISOLT_WINDOW_INSIDE:-}" != 1 ]; then
  scripts/deps.sh test  # Xvfb, xdotool, ImageMagick, DejaVu fonts
  [ -f build-mingw/brisolt.exe ] || { echo "missing build-mingw/brisolt.exe: build the mingw preset" >&2; exit 1; }
  mkdir -p "$out"
  BRISOLT_WINDOW_INSIDE=1 xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$out"
  exit 0
fi

prefix="$root/build-mingw/wineprefix"
wine_run() { cmake/wine-run.sh "$prefix" "$@"; }
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=wineserver
# A Wine session the tests left running has no display (its desktop was made without one), and
# every window of it would fail: this run starts a session of its own, on this display.
WINEPREFIX="$prefix" "$wineserver" -k 2>/dev/null || true
WINEPREFIX="$prefix" "$wineserver" -w 2>/dev/null || true
work="$root/build-mingw/window-work"
rm -rf "$work"
mkdir -p "$work"
build/brisolt-packgen --out "$work/packs" --sample >/dev/null 2>&1 \
  || build-mingw/brisolt-packgen.exe --out "$work/packs" --sample >/dev/null 2>&1 || true

# The same look on every machine: Wine's dialog font (Tahoma and the "MS Shell Dlg" names) drawn
# with DejaVu Sans, which holds Cyrillic; the sample folder already chosen.
wine_run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /d "DejaVu Sans" /f >/dev/null
wine_run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS Shell Dlg" /d "DejaVu Sans" /f >/dev/null
wine_run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS Shell Dlg 2" /d "DejaVu Sans" /f >/dev/null
wine_run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "Segoe UI" /d "DejaVu Sans" /f >/dev/null
wine_run reg add 'HKCU\Software\Ostrak\Brisolt' /v FilesPath /d "Z:${work//\//\\}\\packs" /f >/dev/null
wine_run reg add 'HKCU\Software\Ostrak\Brisolt' /v OpenProtocol /t REG_DWORD /d 0 /f >/dev/null

wine_run "$root/build-mingw/brisolt.exe" >"$work/window.log" 2>&1 &
program=$!
trap 'kill $program 2>/dev/null || true; WINEPREFIX="$prefix" "$wineserver" -k 2>/dev/null || true' EXIT

window=""
for _ in $(seq 1 120); do
  window=$(xdotool search --onlyvisible --name "^${caption}\$" 2>/dev/null | first_match . || true)
  [ -n "$window" ] && break
  kill -0 $program 2>/dev/null || { echo "brisolt.exe ended without a window:" >&2; cat "$work/window.log" >&2; exit 1; }
  sleep 1
done
[ -n "$window" ] || { echo "no window with the caption \"$caption\" within 120 s" >&2; exit 1; }
sleep 3  # the insurer list of the chosen folder fills in
geometry=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
import -window root -crop "$(xdotool getwindowgeometry --shell "$window" | awk -F= '
  /^X=/ {x=$2} /^Y=/ {y=$2} /^WIDTH=/ {w=$2} /^HEIGHT=/ {h=$2}
  END {printf "%dx%d+%d+%d", w, h, x, y}')" +repage -colors 128 "PNG8:$out/main-window-windows.png"
echo "The window \"$caption\" ($geometry) under Wine: $out/main-window-windows.png"
