#!/usr/bin/env bash
# The Windows setup program as a clerk runs it, under Wine in a prefix of its own: installs
# build-mingw/packages/brisolt-<version>-setup.exe silently (/S) for the current user, checks what
# it put where (the program, the guide and Qt's Russian texts beside it, the Start-menu entry, the
# desktop shortcut, the entry among the installed programs), starts the installed window (its
# caption appears), runs a batch with the installed brisolt.com, uninstalls silently and checks
# that no file of it is left. Makes the setup program first (target "setup" of the mingw build).
# Then the same as administrator, for all users. Usage: scripts/windows-setup.sh
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
# A Russian Windows: reg prints in its console code page, 866. No menu entries or desktop files on
# the Unix side (winemenubuilder).
wine_run() {
  BRISOLT_WINE_LANG=ru_RU.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" \
    cmake/wine-run.sh "$prefix" "$@"
}
reg_query() { wine_run reg query "$@" | iconv -f CP866 -t UTF-8; }
wineserver=/usr/lib/wine/wineserver
[ -x "$wineserver" ] || wineserver=wineserver
wine_wait() { WINEPREFIX="$prefix" "$wineserver" -w; }
trap 'WINEPREFIX="$prefix" "$wineserver" -k 2>/dev/null || true' EXIT
fail() { echo "windows-setup.sh: $*" >&2; exit 1; }

wine_run cmd /c ver >/dev/null
wine_wait
drive="$prefix/drive_c"
# Wine links the user's Desktop, Documents and the like to the Unix home: here they are folders of
# the prefix, so that the shortcuts stay inside it.
for folder in "$drive"/users/*/*; do
  if [ -L "$folder" ]; then rm "$folder" && mkdir "$folder"; fi
done
files_before=$(cd "$drive" && find . -type f ! -path './windows/*' | sort)

title="Сверка начислений и уплат в ПФР"
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Brisolt'
windows_setup="Z:${root//\//\\}\\${setup//\//\\}"

# Installs silently with the options given, checks where everything went and prints the Unix path
# of the folder. $1: HKCU (for the user) or HKLM (for all users); $2: the Windows folder expected.
install_setup() {
  local hive="$1" expected="$2" query windows_dir unix_dir file shortcut found entry value
  shift 2
  wine_run "$windows_setup" /S "$@"
  wine_wait
  query=$(reg_query "$hive\\$uninstall_key" /v InstallLocation) \
    || fail "no entry among the installed programs in $hive"
  windows_dir=$(sed -n 's/.*InstallLocation[[:space:]]\+REG_SZ[[:space:]]\+//p' <<<"$query" | tr -d '\r')
  [ "$windows_dir" = "$expected" ] || fail "installed in $windows_dir, not in $expected"
  unix_dir=$(wine_run winepath -u "$windows_dir" | tr -d '\r')
  unix_dir="${unix_dir%/}"
  for file in brisolt.exe brisolt.com brisolt-packgen.exe README.txt guide/index.html \
              guide/protocol-table.png translations/qtbase_ru.qm uninstall.exe; do
    [ -f "$unix_dir/$file" ] || fail "$file is not installed in $windows_dir"
  done
  for shortcut in "Start Menu/Programs/$title.lnk" "Desktop/$title.lnk"; do
    found=$(find "$drive" -path "*/$shortcut" -print)
    [ -n "$found" ] || fail "no shortcut \"$shortcut\""
  done
  entry=$(reg_query "$hive\\$uninstall_key")
  for value in "DisplayName.*$title" "UninstallString" "QuietUninstallString.*/S" "Publisher"; do
    grep -q "$value" <<<"$entry" || fail "the uninstall entry lacks $value"
  done
  echo "Installed in $windows_dir, listed in $hive" >&2
  echo "$unix_dir"
}

# Uninstalls silently and checks that nothing of it is left: no file (after the restart that
# removes the uninstaller's own copy in TEMP, as Windows does), no entry among the programs.
uninstall_setup() {
  local hive="$1" windows_dir="$2" unix_dir="$3" files_after left
  wine_run "$windows_dir\\uninstall.exe" /S
  wine_wait
  [ ! -e "$unix_dir" ] || fail "$windows_dir is left: $(find "$unix_dir" -maxdepth 2)"
  ! wine_run reg query "$hive\\$uninstall_key" >/dev/null 2>&1 || fail "the uninstall entry is left in $hive"
  wine_run wineboot -r
  wine_wait
  files_after=$(cd "$drive" && find . -type f ! -path './windows/*' | sort)
  left=$(comm -13 <(echo "$files_before") <(echo "$files_after"))
  [ -z "$left" ] || fail "files left after uninstalling: $left"
  echo "Uninstalled from $windows_dir: no file left"
}

# For the user, as a clerk without administrator rights gets it. Wine gives every program
# administrator rights, so /CurrentUser asks for what a clerk's setup does by itself.
user_dir=$(wine_run cmd /c 'echo %LOCALAPPDATA%\Programs\Brisolt' | tr -d '\r')
unix_dir=$(install_setup HKCU "$user_dir" /CurrentUser)

# The installed window: its caption appears.
BRISOLT_WINE_PREFIX="$prefix" BRISOLT_WINDOW_PROGRAM="$unix_dir/brisolt.exe" \
  scripts/windows-window.sh "$work/window"

# A batch with the installed brisolt.com, typed in cmd.
protocol="$work/protocol.html"
status=0
wine_run cmd /c "$user_dir\\brisolt.com" /regnumb=087-001-012345 \
  "/path=Z:${root//\//\\}\\examples" "/orgname=ООО Ромашка" "/protfilename=Z:${protocol//\//\\}" \
  >"$work/batch.log" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$work/batch.log" >&2; fail "the installed brisolt.com ended with status $status"; }
grep -q "087-001-012345" "$protocol" || fail "the installed brisolt.com wrote no protocol"
echo "The installed brisolt.com wrote a protocol of $(stat -c %s "$protocol") bytes"
uninstall_setup HKCU "$user_dir" "$unix_dir"

# As administrator: for all users, in Program Files.
all_dir=$(wine_run cmd /c 'echo %ProgramW6432%\Brisolt' | tr -d '\r')
unix_dir=$(install_setup HKLM "$all_dir")
uninstall_setup HKLM "$all_dir" "$unix_dir"
echo "The setup program installs, runs and uninstalls cleanly, for the user and for all users."
