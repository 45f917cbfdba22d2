#!/bin/sh
# Runs a Windows program under Wine in a prefix of its own, so that the tests neither use nor
# change the user's ~/.wine. Usage: wine-run.sh PREFIX PROGRAM [ARGUMENT...]
# The first run creates the prefix (slow: tens of seconds); a lock keeps parallel tests from
# creating it twice. The wine64 loader of Debian's wine64 package is taken, or wine when present.
set -eu
prefix="$1"
shift
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No browser or .NET runtime to offer to install: the programs need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ -x /usr/lib/wine/wine64 ]; then
  wine=/usr/lib/wine/wine64
  wineserver=/usr/lib/wine/wineserver
else
  wine=wine
  wineserver=wineserver
fi
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  flock "$prefix.lock" sh -c \
    '[ -f "$WINEPREFIX/system.reg" ] || { "$1" wineboot -i && "$2" -w; }' sh "$wine" "$wineserver"
fi
exec "$wine" "$@"
