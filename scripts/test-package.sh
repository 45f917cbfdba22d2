#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 root, as on a new clerk's machine, and checks
# that it works from there: apt resolves its dependencies, `brisolt` runs a batch on the sample
# folder from /usr/bin, the window starts (offscreen) and finds the guide, and the desktop entry,
# icon, guide and manual page are in place. Needs root and the network to the Debian mirror that
# this machine's apt sources name; takes a few minutes the first time (debootstrap), then reuses
# the root it made.
# Usage: scripts/test-package.sh [brisolt_*.deb, default: build it with cpack]
. "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."

[ "$(id -u)" -eq 0 ] || { echo "Run as root: debootstrap and chroot need it." >&2; exit 1; }

deb="${1:-}"
if [ -z "$deb" ]; then
  scripts/deps.sh test
  cmake --preset release >/dev/null
  cmake --build --preset release -j 2
  rm -rf build/packages
  (cd build && cpack -G DEB >/dev/null)
  deb=$(ls build/packages/brisolt_*.deb)
fi

base=$(debian_base)
# Every check starts from a copy of the untouched root.
root=$(mktemp -d /tmp/brisolt-package-XXXXXX)
cleanup() { remove_root "$root"; }
trap cleanup EXIT
cp -a "$base/." "$root/"
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/brisolt.deb"
cp -r examples "$root/tmp/examples"

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

in_root apt-get update -q
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q /tmp/brisolt.deb

for path in /usr/bin/brisolt /usr/bin/brisolt-packgen /usr/share/applications/brisolt.desktop \
            /usr/share/icons/hicolor/48x48/apps/brisolt.png /usr/share/brisolt/guide/index.html \
            /usr/share/doc/brisolt/guide/index.html /usr/share/man/man1/brisolt.1.gz \
            /usr/share/qt6/translations/qtbase_ru.qm; do
  [ -e "$root$path" ] || { echo "Not installed: $path" >&2; exit 1; }
done

status=0
in_root /usr/bin/brisolt /regnumb=087-001-012345 /path=/tmp/examples "/orgname=ООО Ромашка" \
  /protfilename=/tmp/protocol.html || status=$?
[ "$status" -eq 0 ] || { echo "The installed brisolt ended with status $status." >&2; exit 1; }
grep -q "087-001-012345" "$root/tmp/protocol.html" || { echo "No protocol written." >&2; exit 1; }
echo "The installed brisolt wrote a protocol of $(stat -c %s "$root/tmp/protocol.html") bytes."

in_root /usr/bin/brisolt-packgen --out /tmp/generated --sample >/dev/null
status=0
in_root /usr/bin/brisolt /regnumb=000-000-000000 /path=/tmp/generated /orgname= || status=$?
[ "$status" -eq 3 ] || { echo "An unknown insurer gave status $status, not 3." >&2; exit 1; }

# The window: Qt loads its platform plugin and the program stays up until it is stopped.
status=0
in_root env QT_QPA_PLATFORM=offscreen timeout 5 /usr/bin/brisolt 2>"$root/tmp/window.err" ||
  status=$?
[ "$status" -eq 124 ] || {
  echo "The window did not stay open (status $status):" >&2
  cat "$root/tmp/window.err" >&2
  exit 1
}
echo "The package installs on a fresh Debian 12 and runs."
