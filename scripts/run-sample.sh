#!/usr/bin/env bash
# The main job on the bundled sample folder: installs what is missing, builds the release, runs the
# batch on examples/ and prints where the protocols are. Extra arguments go to the program (for
# example /protform=1 for the detailed layout, /protopen=1 to open the page).
. "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."

scripts/deps.sh build
cmake --preset release > /dev/null
cmake --build --preset release --target brisolt

out="${TMPDIR:-/tmp}/brisolt-sample"
mkdir -p "$out"
common=(/regnumb=087-001-012345 "/path=$PWD/examples" "/orgname=ООО Ромашка")
build/brisolt "${common[@]}" "/protfilename=$out/protocol.html" "$@"
build/brisolt "${common[@]}" /protformat=2 "/protfilename=$out/protocol.xml" "$@"
echo "Protocol written: $out/protocol.html"
echo "Spreadsheet protocol written: $out/protocol.xml"
