# shellcheck shell=bash
# Sourced by every script of the project (bash): strict mode, and an error trap that names the
# script, the line and the command that failed, so that no script ever stops without a word.
# Also the few helpers several scripts share.
#
# Under pipefail a pipeline whose reader stops early (grep -q, head) fails when its writer is
# killed by SIGPIPE, which depends on timing; the helpers below read whole outputs instead.
set -Eeuo pipefail
trap 'brisolt_status=$?
      echo "${BASH_SOURCE[0]##*/}: line $LINENO: \"$BASH_COMMAND\" failed with status $brisolt_status" >&2' ERR

# True when the Debian package is installed.
is_installed() {
  local state
  state=$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) || return 1
  [ "$state" = "install ok installed" ]
}

# The first line of standard input that matches the extended regular expression (empty when none);
# reads all of its input.
first_match() {
  local lines
  lines=$(grep -E -- "$1") || return 0
  printf '%s\n' "${lines%%$'\n'*}"
}

# True when the locale (for example ru_RU.UTF-8) is compiled on this machine.
has_locale() {
  local wanted="${1,,}" all
  wanted="${wanted/utf-8/utf8}"
  all=$(locale -a 2>/dev/null) || return 1
  grep -qix -- "$wanted" <<<"$all"
}

# Runs as root, or through sudo.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# The URI of the machine's own Debian archive: the first one of its apt sources (one-line or
# deb822) that serves binary packages and is not the security archive. Never a host of ours.
debian_mirror() {
  local file uris=""
  shopt -s nullglob
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    uris+=$(sed -nE 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]*)?([^[:space:]]+).*/\2/p' "$file")$'\n'
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    uris+=$(awk -v RS= '
      /(^|\n)[[:space:]]*Types:[^\n]*(^|[[:space:]])deb([[:space:]]|\n|$)/ {
        if (match($0, /(^|\n)[[:space:]]*URIs:[^\n]*/)) {
          line = substr($0, RSTART, RLENGTH); sub(/^\n?[[:space:]]*URIs:[[:space:]]*/, "", line)
          split(line, found, /[[:space:]]+/); print found[1]
        }
      }' "$file")$'\n'
  done
  shopt -u nullglob
  first_match '^(http|https|ftp|file):' <<<"$(grep -v security <<<"$uris" || true)"
}

# A fresh Debian 12 root made once by debootstrap (minbase) from the machine's own archive, in
# build/package-root/bookworm of the project; later calls reuse it. Prints its path. Copy it
# before changing anything in it. Needs root.
debian_base() {
  local base build_root mirror
  build_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
  base="$build_root/build/package-root/bookworm"
  if [ ! -x "$base/bin/bash" ]; then
    command -v debootstrap >/dev/null || PATH="$PATH:/usr/sbin"
    command -v debootstrap >/dev/null || {
      DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap >&2
    }
    mirror=$(debian_mirror)
    [ -n "$mirror" ] || { echo "No Debian mirror in this machine's apt sources." >&2; return 1; }
    rm -rf "$base"
    mkdir -p "$(dirname "$base")"
    debootstrap --variant=minbase bookworm "$base" "$mirror" >&2
  fi
  echo "$base"
}

# Unmounts whatever is mounted inside the folder (deepest first, waiting a little for processes
# still running there) and removes it, never crossing into a file system mounted inside.
remove_root() {
  local dir attempt point points
  dir=$(realpath -m "$1")
  for attempt in 1 2 3 4 5 6 7 8 9 10; do
    points=$(awk -v inside="$dir/" 'index($2, inside) == 1 { print $2 }' /proc/mounts | sort -r)
    [ -n "$points" ] || break
    while read -r point; do umount "$point" 2>/dev/null || true; done <<<"$points"
    [ "$attempt" -lt 5 ] || while read -r point; do umount -l "$point" 2>/dev/null || true; done <<<"$points"
    sleep 1
  done
  points=$(awk -v inside="$dir/" 'index($2, inside) == 1 { print $2 }' /proc/mounts)
  [ -z "$points" ] || { echo "Still mounted, so not removed: $points" >&2; return 1; }
  rm -rf --one-file-system "$dir"
}
