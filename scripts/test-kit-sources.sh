#!/usr/bin/env bash
# The Windows kit's first step on fresh Debian 12 machines: scripts/mingw-kit.sh adds a deb-src
# entry for the machine's own archive, whatever form its apt sources take. Each case starts from a
# copy of the fresh root that test-package.sh uses (debootstrap, minbase), with its sources set as
# one kind of machine has them:
#   one-line  /etc/apt/sources.list only, as debootstrap and the Debian installer write it
#   deb822    /etc/apt/sources.list.d/debian.sources only
#   both      the release in sources.list, its updates in a deb822 file
#   deb-src   one-line sources that already have a deb-src entry: nothing may be added
# and runs `mingw-kit.sh --sources` there, some cases with the writer of the entry held back by
# 3 s. Then apt must know a source index, no entry may be configured twice, Debian's zlib
# source must be listed, and a second run must change nothing. In the one-line case with the
# writer held back the script goes on as far as `--key`, which installs the kit's packages in the
# root and fetches the source versions (from this machine's apt cache and the kit's source cache
# where they are), and its key must be this machine's kit's when there is one.
# Needs root and the network to the machine's own Debian archive.
# Usage: scripts/test-kit-sources.sh [CASE...], a case being one of the names above, with
# "-delayed" for the writer held back (default: all of them). BRISOLT_KIT_SCRIPT names another
# kit script to try (a changed one, to see that the test catches a fault).
. "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."

[ "$(id -u)" -eq 0 ] || { echo "Run as root: debootstrap and chroot need it." >&2; exit 1; }
base=$(debian_base)
mirror=$(debian_mirror)
cache="${BRISOLT_KIT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/brisolt}"

root="" layers=""
release_root() {
  [ -z "$layers" ] || remove_root "$layers"
  root="" layers=""
}
trap release_root EXIT

in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    LANG=C.UTF-8 "$@"
}

# A copy of the fresh root (an overlay on it where the kernel has them) with the project's scripts
# in /src and the sources of one kind. Sets $root.
make_root() {
  local kind="$1"
  layers=$(mktemp -d /tmp/brisolt-kit-sources-XXXXXX)
  root="$layers/root"
  mkdir -p "$layers/changes" "$layers/work" "$root"
  mount -t overlay overlay -o "lowerdir=$base,upperdir=$layers/changes,workdir=$layers/work" "$root" \
    2>/dev/null || cp -a "$base/." "$root/"
  mount -t proc proc "$root/proc"
  mkdir -p "$root/src/scripts"
  cp "${BRISOLT_KIT_SCRIPT:-scripts/mingw-kit.sh}" "$root/src/scripts/mingw-kit.sh"
  cp scripts/common.sh "$root/src/scripts/"
  rm -f "$root/etc/apt/sources.list" "$root"/etc/apt/sources.list.d/*
  case "$kind" in
    one-line)
      echo "deb $mirror bookworm main" >"$root/etc/apt/sources.list"
      echo "deb $mirror bookworm-updates main" >>"$root/etc/apt/sources.list" ;;
    deb822)
      printf 'Types: deb\nURIs: %s\nSuites: bookworm bookworm-updates\nComponents: main\nSigned-By: %s\n' \
        "$mirror" /usr/share/keyrings/debian-archive-keyring.gpg >"$root/etc/apt/sources.list.d/debian.sources" ;;
    both)
      echo "deb $mirror bookworm main" >"$root/etc/apt/sources.list"
      printf 'Types: deb\nURIs: %s\nSuites: bookworm-updates\nComponents: main\n' "$mirror" \
        >"$root/etc/apt/sources.list.d/debian.sources" ;;
    deb-src)
      printf 'deb %s bookworm main\ndeb-src %s bookworm main\n' "$mirror" "$mirror" \
        >"$root/etc/apt/sources.list" ;;
  esac
}

# Writers (install, tee, cp) that wait 3 s before they open the deb-src entry's file, as a slow
# disk or a busy machine may.
hold_back_writer() {
  local writer
  for writer in install tee cp; do
    printf '#!/bin/sh\ncase "$*" in *brisolt-deb-src*) sleep 3 ;; esac\nexec /usr/bin/%s "$@"\n' \
      "$writer" >"$root/usr/local/sbin/$writer"
    chmod 755 "$root/usr/local/sbin/$writer"
  done
}

# The state of the root's apt sources, to compare before and after a run.
sources_state() {
  local file
  for file in "$root/etc/apt/sources.list" "$root"/etc/apt/sources.list.d/*; do
    if [ -f "$file" ]; then sha256sum "$file"; fi
  done
}

fail() { echo "test-kit-sources.sh: $case_name: $*" >&2; exit 1; }

# Runs the step (or, with "key", the script as far as --key) in a fresh root of the kind and checks
# what it left.
check_case() {
  local kind="$1" delayed="$2" expected="$3" go_on="${4:-sources}" log targets showsrc state
  if [ ${#wanted[@]} -gt 0 ] && [[ " ${wanted[*]} " != *" $kind${delayed:+-delayed} "* ]]; then
    return 0
  fi
  case_name="$kind${delayed:+, writer held back}, --$go_on"
  local case_started=$SECONDS
  echo "-- $case_name"
  make_root "$kind"
  [ -z "$delayed" ] || hold_back_writer
  if [ "$go_on" = key ]; then
    # The packages and sources this machine already has are taken from its caches.
    mount --bind /var/cache/apt/archives "$root/var/cache/apt/archives"
    if [ -d "$cache/sources" ]; then
      mkdir -p "$root/root/.cache/brisolt/sources"
      mount --bind "$cache/sources" "$root/root/.cache/brisolt/sources"
      mount -o remount,ro,bind "$root/root/.cache/brisolt/sources"
    fi
  fi
  log="$root/tmp/kit.log"
  in_root /src/scripts/mingw-kit.sh "--$go_on" >"$root/tmp/kit.out" 2>"$log" \
    || { cat "$log" >&2; fail "mingw-kit.sh --$go_on failed"; }

  # The files the step wrote: exactly those expected for this kind.
  local written=""
  [ ! -f "$root/etc/apt/sources.list.d/brisolt-deb-src.list" ] || written+=" list"
  [ ! -f "$root/etc/apt/sources.list.d/brisolt-deb-src.sources" ] || written+=" sources"
  [ "$written" = "$expected" ] || fail "wrote${written:- nothing}, expected${expected:- nothing}"

  # apt warns of an entry configured twice whenever it reads the sources.
  targets=$(in_root apt-get indextargets --format '$(CREATED_BY)' 2>&1)
  grep -qx Sources <<<"$targets" || fail "apt has no source index"
  ! grep -qi "configured multiple times" <<<"$targets" || { echo "$targets" >&2; fail "an entry is doubled"; }
  showsrc=$(in_root apt-cache showsrc zlib)
  grep -q '^Version: ' <<<"$showsrc" || fail "Debian's zlib source is not listed"

  state=$(sources_state)
  in_root /src/scripts/mingw-kit.sh --sources >/dev/null 2>"$log" \
    || { cat "$log" >&2; fail "a second mingw-kit.sh --sources failed"; }
  [ "$(sources_state)" = "$state" ] || fail "a second run changed the apt sources"

  if [ "$go_on" = key ]; then
    local key ours
    key=$(cat "$root/tmp/kit.out")
    [[ "$key" =~ ^[0-9a-f]{16}$ ]] || { cat "$log" >&2; fail "--key printed \"$key\""; }
    if [ -L "$cache/mingw-kit" ]; then
      ours=$(readlink "$cache/mingw-kit")
      [ "${ours##*/mingw-kit-}" = "$key" ] || fail "key $key, this machine's kit is ${ours##*/}"
      echo "key $key, the same as this machine's kit"
    else
      echo "key $key"
    fi
  fi
  release_root
  echo "   passed in $((SECONDS - case_started)) s"
}

wanted=("$@")
started=$SECONDS
check_case one-line "" " list"
check_case one-line delayed " list" key
check_case deb822 "" " sources"
check_case both delayed " list sources"
check_case deb-src "" ""
echo "The kit's deb-src step works on every kind of apt sources ($((SECONDS - started)) s)."
