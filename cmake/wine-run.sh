#!/usr/bin/env bash
# Runs a Windows program under Wine in a prefix of its own, so that the tests neither use nor
# change the user's ~/.wine. Usage: wine-run.sh PREFIX PROGRAM [ARGUMENT...]
#
# The programs run as on a Russian Windows: Wine takes the ANSI code page from the locale
# (ru_RU.UTF-8 gives windows-1251; BRISOLT_WINE_LANG=C.UTF-8 gives a Western 1252), and the
# prefix's TEMP has Cyrillic letters, as a user named Иван has, so every test meets one. Wine
# maps Windows names to Unix ones in the locale's character set, so the locale is always UTF-8.
#
# The first run creates the prefix (slow: about 20 s); a lock keeps parallel tests from creating
# it twice. The wine64 loader of Debian's wine64 package is taken, or wine when that is absent.
. "$(dirname "$0")/../scripts/common.sh"
prefix="$1"
shift
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No browser or .NET runtime to offer to install: the programs need neither.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export LC_ALL="${BRISOLT_WINE_LANG:-ru_RU.UTF-8}"
export LANG="$LC_ALL"
if ! has_locale "$LC_ALL"; then
  echo "wine-run.sh: the locale $LC_ALL is missing (scripts/deps.sh makes it)" >&2
  exit 1
fi
if [ -x /usr/lib/wine/wine64 ]; then
  wine=/usr/lib/wine/wine64
  wineserver=/usr/lib/wine/wineserver
else
  wine=wine
  wineserver=wineserver
fi
if [ ! -f "$prefix/brisolt-ready" ]; then
  mkdir -p "$prefix"
  flock "$prefix/.lock" sh -c '
    [ -f "$WINEPREFIX/brisolt-ready" ] && exit 0
    "$1" wineboot -i
    "$1" cmd /c mkdir "%USERPROFILE%\\Временные файлы"
    for name in TEMP TMP; do
      "$1" reg add "HKCU\\Environment" /v $name /t REG_EXPAND_SZ /d "%USERPROFILE%\\Временные файлы" /f
    done
    "$2" -w
    touch "$WINEPREFIX/brisolt-ready"' sh "$wine" "$wineserver" >"$prefix.log" 2>&1 || {
    cat "$prefix.log" >&2
    exit 1
  }
fi
exec "$wine" "$@"
