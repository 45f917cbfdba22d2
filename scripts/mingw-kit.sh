#!/usr/bin/env bash
# Makes, once, the static kit the Windows build links: Qt 6 (Core, Gui, Widgets, Test, the
# windows and offscreen platform plugins) and zlib, both cross-built for
# x86_64-w64-mingw32 from Debian's own source packages, with Debian's mingw-w64 and the host
# tools of the installed qt6-base-dev. Prints the kit's prefix on its last line; with --key,
# only the key below; with --sources, only the deb-src step below and apt's lists.
#
# The kit lives outside the source tree, in $BRISOLT_KIT_CACHE (default ~/.cache/brisolt), in a
# folder named by a hash of the source versions, the compiler and the configure options, so that
# it is reused while they match and made anew when one changes. "mingw-kit" in that folder links
# to the current one; the toolchain file (cmake/mingw-w64-x86_64.cmake) finds it there.
#
# Needs root (or sudo) on a fresh Debian 12 for the packages and for the deb-src entry it adds.
# Takes about 11 minutes on two idle cores, several times that on a busy machine.
. "$(dirname "$0")/common.sh"
started=$SECONDS
cache="${BRISOLT_KIT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/brisolt}"
jobs="${BRISOLT_KIT_JOBS:-$(nproc)}"
triplet=x86_64-w64-mingw32

log() { echo "mingw-kit: $*" >&2; }

# --- Packages: the cross compiler, the host Qt whose tools the cross build runs, the source
# tools. ---
packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools cmake ninja-build pkg-config perl python3
          qt6-base-dev qt6-base-dev-tools qt6-translations-l10n dpkg-dev xz-utils make)
missing=()
for package in "${packages[@]}"; do
  is_installed "$package" || missing+=("$package")
done

# --- The deb-src entry for the archive the machine already uses (its own mirror, from its own
# sources list). ---
# Both forms of sources are read: one-line entries (sources.list, *.list) and deb822 stanzas
# (*.sources). The entries are gathered first and written once, so that no glob sees the file being
# written, and an entry of our own from an earlier run is never read back or doubled. Nothing is
# added when apt already has a source index configured (any deb-src entry of the machine's own).
# A CD or DVD named in the sources has no source packages.
deb_src_entries() {
  local file
  shopt -s nullglob
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] && [ "${file##*/}" != brisolt-deb-src.list ] || continue
    sed -n '/^[[:space:]]*deb[[:space:]]\+\(\[[^]]*\][[:space:]]*\)\?cdrom:/d
            s/^[[:space:]]*deb[[:space:]]\+/deb-src /p' "$file"
  done >"$1.list"
  for file in /etc/apt/sources.list.d/*.sources; do
    [ "${file##*/}" != brisolt-deb-src.sources ] || continue
    awk 'BEGIN{RS="";ORS="\n\n"} /(^|\n)Types:[^\n]*deb([ \n]|$)/ {
           sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$file"
  done >"$1.sources"
  shopt -u nullglob
}
# apt lists a configured index target with --no-release-info, and without it only once its release
# file has been fetched: a deb-src entry whose index was never fetched needs an update, not a
# second entry.
configured=$(apt-get indextargets --no-release-info --format '$(CREATED_BY)')
fetched=$(apt-get indextargets --format '$(CREATED_BY)')
if grep -qx 'Sources' <<<"$configured"; then
  grep -qx 'Sources' <<<"$fetched" || apt_update=1
else
  entries=$(mktemp -d)
  trap 'rm -rf "$entries"' EXIT
  deb_src_entries "$entries/brisolt-deb-src"
  if [ ! -s "$entries/brisolt-deb-src.list" ] && [ ! -s "$entries/brisolt-deb-src.sources" ]; then
    log "the machine's apt sources name no Debian archive to take the sources from"
    exit 1
  fi
  for kind in list sources; do
    if [ -s "$entries/brisolt-deb-src.$kind" ]; then
      as_root install -m 644 "$entries/brisolt-deb-src.$kind" "/etc/apt/sources.list.d/brisolt-deb-src.$kind"
    fi
  done
  rm -rf "$entries"
  trap - EXIT
  log "added the deb-src entries for the machine's own archive"
  apt_update=1
fi
export DEBIAN_FRONTEND=noninteractive
if [ "${1:-}" = --sources ]; then
  [ "${apt_update:-0}" = 0 ] || as_root apt-get update -q >&2
  exit 0
fi
if [ ${#missing[@]} -gt 0 ] || [ "${apt_update:-0}" = 1 ]; then
  as_root apt-get update -q >&2
  [ ${#missing[@]} -eq 0 ] || as_root apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
fi

# Debian's sources, fetched once into the cache. A package's newest listed version is taken that
# the archive still serves (a security mirror may list a version it no longer holds).
fetch_source() {
  local package="$1" version
  mkdir -p "$cache/sources"
  for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV | uniq); do
    if [ -f "$cache/sources/${package}_${version#*:}.dsc" ] \
       || (cd "$cache/sources" && apt-get source -q --download-only --only-source "$package=$version" \
             >>"$cache/sources/fetch.log" 2>&1); then
      echo "$version"
      return 0
    fi
  done
  log "no version of Debian's $package source could be fetched (see $cache/sources/fetch.log)"
  return 1
}
qt_version=$(fetch_source qt6-base)
zlib_version=$(fetch_source zlib)
host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev)
if [ "${host_qt%%+*}" != "${qt_version%%+*}" ]; then
  log "the host Qt ($host_qt) and the source ($qt_version) differ; Qt's tools must match"
  exit 1
fi

# The configure options of the Qt build; they are part of the kit's key.
qt_options=(
  -DBUILD_SHARED_LIBS=OFF
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DQT_BUILD_TOOLS_WHEN_CROSSCOMPILING=OFF
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DINPUT_opengl=no
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_vulkan=OFF -DFEATURE_openssl=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF
  -DFEATURE_fontconfig=OFF -DFEATURE_jpeg=OFF -DFEATURE_sql=OFF
  # Debian's source has no wintab headers; Direct2D stays on, as DirectWrite needs it in 6.4.
  -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=ON
  -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_freetype=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF
  -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_gui=ON -DFEATURE_png=ON
  -DCMAKE_BUILD_TYPE=Release
)
# Bump when the way the kit is made changes in a way the options above do not show.
recipe=3
key=$( { echo "$recipe $qt_version $zlib_version $host_qt"; printf '%s\n' "${qt_options[@]}";
         x86_64-w64-mingw32-g++-posix --version | sed -n 1p; } | sha256sum | cut -c1-16)
kit="$cache/mingw-kit-$key"
if [ "${1:-}" = --key ]; then
  echo "$key"  # for a CI cache that keeps the kit between machines
  exit 0
fi
if [ -f "$kit/.complete" ]; then
  ln -sfn "$kit" "$cache/mingw-kit"
  log "kit present ($((SECONDS - started)) s)"
  echo "$kit"
  exit 0
fi

# Kits and unfinished work of other keys are of no more use.
for old in "$cache"/mingw-kit-* "$cache"/work-*; do
  case "$old" in "$kit" | "$cache/work-$key" | *'*') ;; *) rm -rf "$old" ;; esac
done
# An interrupted run of the same key is taken up where it stopped: each step below skips what is
# done, and ninja rebuilds only what is missing.
work="$cache/work-$key"
mkdir -p "$work" "$kit"
log "making the kit in $kit (Qt $qt_version, zlib $zlib_version)"

# The toolchain the kit is built with: the project's compilers, static runtime, nothing found on
# the host by mistake.
cat >"$work/toolchain.cmake" <<EOF
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER $triplet-gcc-posix)
set(CMAKE_CXX_COMPILER $triplet-g++-posix)
set(CMAKE_RC_COMPILER $triplet-windres)
set(CMAKE_FIND_ROOT_PATH /usr/$triplet $kit)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

cd "$work"
for package in qt6-base zlib; do
  [ -d "$work/$package" ] && continue
  case $package in qt6-base) version=$qt_version ;; *) version=$zlib_version ;; esac
  dpkg-source -x "$cache/sources/${package}_${version#*:}.dsc" "$work/$package" >"$work/source.log" 2>&1 \
    || { cat "$work/source.log" >&2; exit 1; }
done
qt_src="$work/qt6-base"
zlib_src="$work/zlib"

# --- zlib: the library alone, static. ---
if [ ! -f "$kit/lib/libz.a" ]; then
log "zlib"
# Debian's zlib source has no Windows makefile; the library is its fifteen C files.
mkdir -p "$work/zlib-build"
for unit in adler32 compress crc32 deflate gzclose gzlib gzread gzwrite infback inffast inflate \
            inftrees trees uncompr zutil; do
  $triplet-gcc-posix -O2 -c "$zlib_src/$unit.c" -o "$work/zlib-build/$unit.o" 2>>"$work/zlib.log" \
    || { tail -n 30 "$work/zlib.log" >&2; exit 1; }
done
$triplet-ar rcs "$work/zlib-build/libz.a" "$work"/zlib-build/*.o
mkdir -p "$kit/lib" "$kit/include"
cp "$work/zlib-build/libz.a" "$kit/lib/"
cp "$zlib_src/zlib.h" "$zlib_src/zconf.h" "$kit/include/"
fi

# --- Qt: static qtbase with the host's tools. ---
log "Qt (the long part)"
qt_config=$(dpkg -L qt6-base-dev | first_match '/cmake/Qt6/Qt6Config.cmake$')
host_cmake=$(dirname "$(dirname "$qt_config")")
cmake -S "$qt_src" -B "$work/qt-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
  -DCMAKE_INSTALL_PREFIX="$kit" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake" \
  "${qt_options[@]}" >"$work/qt-configure.log" 2>&1 \
  || { tail -n 60 "$work/qt-configure.log" >&2; exit 1; }
cmake --build "$work/qt-build" -j "$jobs" >"$work/qt-build.log" 2>&1 \
  || { grep -m 20 -B2 -A8 'error' "$work/qt-build.log" >&2 || tail -n 60 "$work/qt-build.log" >&2; exit 1; }
cmake --install "$work/qt-build" >"$work/qt-install.log" 2>&1 \
  || { tail -n 30 "$work/qt-install.log" >&2; exit 1; }

# Qt's Russian texts of the same version, for the zip.
mkdir -p "$kit/translations"
qt_texts=$(dpkg -L qt6-translations-l10n | first_match '/qtbase_ru\.qm$')
cp "$qt_texts" "$kit/translations/"

echo "$qt_version $zlib_version" >"$kit/.complete"
ln -sfn "$kit" "$cache/mingw-kit"
rm -rf "$work"
log "kit made in $((SECONDS - started)) s ($(du -sh "$kit" | cut -f1))"
echo "$kit"
