#!/usr/bin/env bash
# The Windows setup program as a clerk runs it, under Wine in a prefix of its own: installs
# build-mingw/packages/brisolt-<version>-setup.exe silently (/S) for the current user, checks what
# it put where (the program, the guide and Qt's Russian texts beside it, the Start-menu entry, the
# desktop shortcut, the entry among the installed programs), starts the installed window (its
# caption appears), runs a batch with the installed brisolt.com, uninstalls silently and checks
# that no file of it is left. Makes the setup program first (target "setup" of the mingw build).
# Usage: scripts/windows-setup.sh
. "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."
root=$PWD

cmake --build --preset mingw --target setup >/dev/null
setup=$(find build-mingw/packages -maxdepth 1 -name 'brisolt-*-setup.exe')
[ -n "$setup" ] && [ "$(wc -l <<<"$setup")" -eq 1 ] || { echo "no single setup program: $setup" >&2; exit 1; }
echo "$setup: $(stat -c %s "$setup") bytes"

prefix="$root/build-mingw/wineprefix-setup"
work="$root/build-mingw/setup-work"
rm -rf "$prefix" "$prefix.log" "$work"
mkdir -p "$work"
wine_run() { cmake/wine-run.sh "$prefix" "$@"; }
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=wineserver
wine_wait() { WINEPREFIX="$prefix" "$wineserver" -w; }
trap 'WINEPREFIX="$prefix" "$wineserver" -k 2>/dev/null || true' EXIT
fail() { echo "windows-setup.sh: $*" >&2; exit 1; }

wine_run cmd /c ver >/dev/null
wine_wait
drive="$prefix/drive_c"
files_before=$(cd "$drive" && find . -type f ! -path './windows/*' | sort)

title="Сверка начислений и уплат в ПФР"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisolt'
wine_run "Z:${root//\//\\}\\${setup//\//\\}" /S
wine_wait

# Where it went: the user's own programs folder, named among the installed programs.
query=$(wine_run reg query "$uninstall_key" /v InstallLocation) || fail "no entry among the installed programs of the user"
windows_dir=$(sed -n 's/.*InstallLocation[[:space:]]\+REG_SZ[[:space:]]\+//p' <<<"$query" | tr -d '\r')
local_programs=$(wine_run cmd /c 'echo %LOCALAPPDATA%\Programs\Brisolt' | tr -d '\r')
[ "$windows_dir" = "$local_programs" ] || fail "installed in $windows_dir, not in $local_programs"
unix_dir=$(WINEPREFIX="$prefix" winepath -u "$windows_dir" 2>/dev/null | tr -d '\r')
echo "Installed for the user in $windows_dir"
for file in brisolt.exe brisolt.com brisolt-packgen.exe README.txt guide/index.html \
            guide/protocol-table.png translations/qtbase_ru.qm uninstall.exe; do
  [ -f "$unix_dir/$file" ] || fail "$file is not installed"
done
for shortcut in "Start Menu/Programs/$title.lnk" "Desktop/$title.lnk"; do
  found=$(find "$drive/users" -path "*/$shortcut" -print)
  [ -n "$found" ] || fail "no shortcut \"$shortcut\""
done
entry=$(wine_run reg query "$uninstall_key")
for value in "DisplayName.*$title" "UninstallString" "QuietUninstallString.*/S" "Publisher"; do
  grep -q "$value" <<<"$entry" || fail "the uninstall entry lacks $value"
done

# The installed window: its caption appears.
BRISOLT_WINE_PREFIX="$prefix" BRISOLT_WINDOW_PROGRAM="$unix_dir/brisolt.exe" \
  scripts/windows-window.sh "$work/window"

# A batch with the installed brisolt.com, typed in cmd.
protocol="$work/protocol.html"
status=0
wine_run cmd /c "$windows_dir\\brisolt.com" /regnumb=087-001-012345 \
  "/path=Z:${root//\//\\}\\examples" "/orgname=ООО Ромашка" "/protfilename=Z:${protocol//\//\\}" \
  >"$work/batch.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$work/batch.log" >&2; fail "the installed brisolt.com ended with status $status"; }
grep -q "087-001-012345" "$protocol" || fail "the installed brisolt.com wrote no protocol"
echo "The installed brisolt.com wrote a protocol of $(stat -c %s "$protocol") bytes"

# Silent uninstall: no file of it left, no entry among the installed programs.
wine_run "$windows_dir\\uninstall.exe" /S
wine_wait
[ ! -e "$unix_dir" ] || fail "$windows_dir is left: $(find "$unix_dir" | head -n 20)"
! wine_run reg query "$uninstall_key" >/dev/null 2>&1 || fail "the uninstall entry is left"
files_after=$(cd "$drive" && find . -type f ! -path './windows/*' | sort)
left=$(comm -13 <(echo "$files_before") <(echo "$files_after"))
[ -z "$left" ] || fail "files left after uninstalling: $left"
echo "The setup program installs, runs and uninstalls cleanly for the user."
