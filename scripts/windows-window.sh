#!/usr/bin/env bash
# The Windows program's window as Windows draws it: starts build-mingw/brisolt.exe without
# parameters under Wine on a virtual display (Xvfb), waits for its main window by its caption and
# takes a picture of it. Fails when no such window appears. The picture goes to the folder given
# (default build-mingw/window); scripts/windows-window.sh docs/guide renews the guide's picture.
# The Wine prefix is the tests' own (build-mingw/wineprefix), with the sample folder chosen and
# the window's font set to DejaVu Sans, so that the picture does not depend on the machine.
# Needs the mingw build; scripts/deps.sh installs Xvfb and the picture tools when missing.
#
# BRISOLT_WINDOW_DPI=120 (or 144) draws it as Windows does at 125 % (150 %) scaling, with the
# caption and frame Wine draws (main-window-windows-<dpi>.png), on the room a 1366x768 screen
# leaves above a 40-pixel taskbar (1366x728: the screen Xvfb makes, as Wine knows of no taskbar),
# and fails when the whole window is larger than that room (BRISOLT_WINDOW_FIT=report: says so
# and goes on).
# BRISOLT_WINDOW_PROGRAM (a Unix path) and BRISOLT_WINE_PREFIX start another copy of the program in
# another prefix (an installed one).
. "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."
root=$PWD
out="${1:-build-mingw/window}"
caption="Программа сверки начислений и уплат в ПФР"
dpi="${BRISOLT_WINDOW_DPI:-96}"
program_path="${BRISOLT_WINDOW_PROGRAM:-$root/build-mingw/brisolt.exe}"
prefix="${BRISOLT_WINE_PREFIX:-$root/build-mingw/wineprefix}"
if [ "$dpi" = 96 ]; then
  screen=1280x800 picture=main-window-windows.png fit=""
else
  screen=1366x728 picture="main-window-windows-$dpi.png" fit=1366x728
fi

if [ "${BRISOLT_WINDOW_INSIDE:-}" != 1 ]; then
  scripts/deps.sh test  # Xvfb, xdotool, ImageMagick, DejaVu fonts
  [ -f "$program_path" ] || { echo "missing $program_path: build the mingw preset" >&2; exit 1; }
  mkdir -p "$out"
  BRISOLT_WINDOW_INSIDE=1 xvfb-run -a -s "-screen 0 ${screen}x24" "$0" "$out"
  exit 0
fi

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
# The screen's DPI, as Windows' scaling sets it; at a scaling above 100 % Wine draws the caption and
# frame itself (no window manager runs on Xvfb), so that the picture and its size are the whole
# window's.
wine_run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
wine_run reg add 'HKEY_CURRENT_CONFIG\Software\Fonts' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
if [ -n "$fit" ]; then
  wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null
else
  wine_run reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1 || true
fi
# The registry is written out when the session ends; the program's session reads it anew.
WINEPREFIX="$prefix" "$wineserver" -w 2>/dev/null || true

wine_run "$program_path" >"$work/window.log" 2>&1 &
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
shape=$(xdotool getwindowgeometry --shell "$window")
width=$(sed -n 's/^WIDTH=//p' <<<"$shape")
height=$(sed -n 's/^HEIGHT=//p' <<<"$shape")
left=$(sed -n 's/^X=//p' <<<"$shape")
top=$(sed -n 's/^Y=//p' <<<"$shape")
import -window root -crop "${width}x${height}+${left}+${top}" +repage -colors 128 "PNG8:$out/$picture"
echo "The window \"$caption\" at $dpi DPI (${width}x${height}) under Wine: $out/$picture"
if [ -n "$fit" ] && { [ "$width" -gt "${fit%x*}" ] || [ "$height" -gt "${fit#*x}" ]; }; then
  echo "The window, ${width}x${height} at $dpi DPI, does not fit $fit (a 1366x768 screen less its taskbar)." >&2
  [ "${BRISOLT_WINDOW_FIT:-}" = report ] || exit 1
fi
