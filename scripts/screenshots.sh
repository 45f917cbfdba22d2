#!/usr/bin/env bash
# Takes the pictures of the window kept in docs/ so that its look can be reviewed: the main window
# with the insurer list of the bundled sample folder, the window after a run on it, the page
# "Протокол" after a run for several registration numbers (a long protocol name), the save
# dialog opened from there, the grown window on the page "Результаты" at the room of a 1366x768
# and a 1920x1080 screen, the results table and the window of where a person's figures come from.
# Runs the real program under Xvfb with a settings store and a temporary folder of its own; the
# user's settings are never touched. Usage: scripts/screenshots.sh [output folder, default docs]
. "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."
root=$(pwd)
out="${1:-docs/guide}"

if [ "${BRISOLT_SCREENSHOTS_INSIDE:-}" != 1 ]; then
  scripts/deps.sh build
  tools=(xvfb xauth xdotool imagemagick fonts-dejavu-core chromium)
  missing=()
  for package in "${tools[@]}"; do
    is_installed "$package" || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    as_root apt-get update -q
    as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
  cmake --preset release >/dev/null
  cmake --build --preset release --target brisolt brisolt-packgen results_screenshots -j 2

  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/config/Ostrak" "$work/temp" "$out"
  build/brisolt-packgen --out "$work/packs" --sample >/dev/null
  # The folder as if the clerk had picked it before; everything else as on a first start.
  printf '[General]\nFilesPath=%s\nOpenProtocol=0\n' "$work/packs" >"$work/config/Ostrak/Brisolt.conf"

  BRISOLT_SCREENSHOTS_INSIDE=1 BRISOLT_SCREENSHOTS_WORK="$work" \
    xvfb-run -a -s "-screen 0 1920x1080x24" "$0" "$out"

  # The results table and the sources window of the sample folder, drawn by the program's own
  # widgets on the X server.
  BRISOLT_SCREENSHOTS_INSIDE=1 xvfb-run -a -s "-screen 0 1280x800x24" \
    env -u QT_QPA_PLATFORM LANG=ru_RU.UTF-8 build/tests/app/gui/results_screenshots \
    "$work/packs" 087-001-012345 "$out"

  # The protocol of that run, as a browser shows it; the parts are cut at the rows where the
  # sample protocol's sections begin.
  chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/chromium" --hide-scrollbars --window-size=1900,5200 \
    --screenshot="$work/protocol.png" "file://$work/temp/087-001-012345.html" 2>/dev/null
  cut_part() {
    convert "$work/protocol.png" -crop "$2" +repage -resize 75% -colors 64 "PNG8:$out/$1"
  }
  cut_part protocol-header.png 1900x1330+0+0
  cut_part protocol-table.png 1900x790+0+1320
  cut_part protocol-totals.png 1900x335+0+2915
  cut_part protocol-szv63.png 1900x700+0+3250
  echo "Wrote $out/protocol-header.png, protocol-table.png, protocol-totals.png, protocol-szv63.png"
  exit 0
fi

# Inside Xvfb from here on.
work="$BRISOLT_SCREENSHOTS_WORK"
export XDG_CONFIG_HOME="$work/config" TEMP="$work/temp" LANG=C.UTF-8
unset QT_QPA_PLATFORM

# The clerk's locale, for the dates and sizes in the save dialog.
LANG=ru_RU.UTF-8 build/brisolt &
program=$!
trap 'kill "$program" 2>/dev/null || true' EXIT

# Windows are found by the program, not by their titles: under a locale the C library lacks, Qt's
# titles do not match xdotool's search.
window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid "$program" 2>/dev/null | first_match . || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "The main window did not open." >&2; exit 1; }
sleep 1

# Positions inside the 580 x 600 window: the list button beside the grid, the registration-number
# field and "Обработать" on the page "Параметры"; "Назад", "Сохранить как..." and "Что сделать..."
# on the page "Протокол".
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }
wait_for() {
  for _ in $(seq 300); do
    [ -f "$1" ] && break
    sleep 0.1
  done
  [ -f "$1" ] || { echo "The run wrote no protocol." >&2; exit 1; }
  sleep 1
}
click 560 198
sleep 1
import -window "$window" "$out/main-window.png"

click 512 507
wait_for "$work/temp/087-001-012345.html"
import -window "$window" "$out/window-after-run.png"

numbers="087-001-012345,087-001-000001,087-001-000002,087-001-000003,087-001-000004,087-001-000005"
click 113 511
click 290 337
xdotool key --window "$window" ctrl+a
xdotool type --window "$window" --delay 5 "$numbers"
click 512 507
wait_for "$work/temp/$numbers.html"
# The sample holds one insurer: the window names the other numbers in a box; close it.
sleep 1
xdotool key Return || true
sleep 1
import -window "$window" "$out/protocol-long-name.png"

click 346 511
dialog=""
for _ in $(seq 100); do
  dialog=$(xdotool search --onlyvisible --pid "$program" 2>/dev/null | grep -vx "$window" | first_match . || true)
  [ -n "$dialog" ] && break
  sleep 0.1
done
[ -n "$dialog" ] || { echo "The save dialog did not open." >&2; exit 1; }
sleep 1
import -window "$dialog" "$out/save-dialog.png"
xdotool key --window "$dialog" Escape
sleep 1

# The page "Результаты" of the grown window, as large as a maximised window is on a 1366x768 and a
# 1920x1080 screen with a 40-point task bar (no window manager runs here: the window is sized).
click 459 511
for room in 1366x728 1920x1040; do
  xdotool windowmove "$window" 0 0 windowsize "$window" "${room%x*}" "${room#*x}"
  sleep 2
  import -window "$window" -colors 128 "PNG8:$out/results-window-${room%x*}.png"
done
echo "Wrote $out/main-window.png, window-after-run.png, protocol-long-name.png, save-dialog.png," \
  "results-window-1366.png, results-window-1920.png"
