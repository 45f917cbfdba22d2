#!/usr/bin/env bash
# The Windows program against the Linux one, end to end: pack folders with Russian names, run by
# build/brisolt and by build-mingw/brisolt.exe under Wine, must give the same protocols apart from
# the time stamp, the version line and the folder prefix; a missing folder and an unwritable
# target must end with the same statuses and messages. The Windows program writes its protocols
# to its default place, a TEMP with Cyrillic letters, and runs on a Russian (1251) and on a
# Western (1252) ANSI code page.
# Needs the release and the mingw builds (scripts/test-all.sh makes both).
. "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."
root=$PWD
linux="$root/build/brisolt"
windows="$root/build-mingw/brisolt.exe"
packgen="$root/build/brisolt-packgen"
for program in "$linux" "$windows" "$packgen"; do
  [ -x "$program" ] || [ -f "$program" ] || { echo "missing $program: build the release and mingw presets" >&2; exit 1; }
done
work="$root/build-mingw/e2e"
rm -rf "$work"
mkdir -p "$work"
regnumb=087-001-012345

# Wine sees the Unix root as drive Z:.
windows_name() { local path="$1"; echo "Z:${path//\//\\}"; }

# Runs the Windows program as a clerk types it in cmd, "brisolt" without the extension, which
# finds the console companion brisolt.com beside brisolt.exe where the window is built in (cmd
# tries .com before .exe), with TEMP set inside cmd: Wine replaces a TEMP of the Unix side from
# its registry. Each argument goes on as one word (Wine quotes those with blanks).
# Usage: run_windows CODEPAGE_LOCALE TEMP_FOLDER STDERR_FILE ARGUMENT... (TEMP without blanks)
run_windows() {
  local locale="$1" temp="$2" errors="$3"
  shift 3
  mkdir -p "$temp"
  BRISOLT_WINE_LANG="$locale" cmake/wine-run.sh "$root/build-mingw/wineprefix" cmd /c \
    set "TEMP=$(windows_name "$temp")&&" "$(windows_name "${windows%.exe}")" "$@" 2>"$errors"
}

# Folders: the sample insurer and a generated one, both under Russian names with a blank.
sample="$work/Сведения ПФР за 2010-2012"
generated="$work/Пачки ООО «Ромашка»"
"$packgen" --out "$sample" --sample >/dev/null
"$packgen" --out "$generated" --seed 13 --persons 30 --periods 8 >/dev/null

# Compares a Linux protocol with a Windows one apart from the time stamp, the version line and
# the folder prefix. Usage: compare.py LINUX_PROTOCOL LINUX_FOLDER WINDOWS_PROTOCOL WINDOWS_FOLDER
cat >"$work/compare.py" <<'EOF_PY'
import re, sys, zipfile

def normalised_text(text, folder):
    text = re.sub(r"\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d", "{stamp}", text)
    text = re.sub(r"\d+\.\d+\.\d+\.\d+ от [0-9.]+", "{version}", text)
    # The folder, and the separators of the file names below it.
    parts = text.split(folder)
    for index in range(1, len(parts)):
        tail = parts[index]
        end = re.search(r'[<"\s(]', tail)
        end = end.start() if end else len(tail)
        parts[index] = tail[:end].replace("\\", "/") + tail[end:]
    return "{folder}".join(parts), len(parts) - 1

def compare(linux, windows, part):
    if linux != windows:
        for number, (a, b) in enumerate(zip(linux.splitlines(), windows.splitlines()), 1):
            if a != b:
                sys.exit(f"{sys.argv[3]} {part} differs from {sys.argv[1]} at line {number}:\n  {a}\n  {b}")
        sys.exit(f"{sys.argv[3]} {part} differs from {sys.argv[1]} in length")

def parts(path):
    """A protocol as named texts: the file itself, or each part of an XLSX workbook (UTF-8)
    but the document properties, which hold the time of writing."""
    if not path.endswith(".xlsx"):
        return {"": open(path, "rb").read().decode("cp1251")}
    with zipfile.ZipFile(path) as workbook:
        return {name: workbook.read(name).decode("utf-8") for name in workbook.namelist()
                if name != "docProps/core.xml"}

linux_parts, windows_parts = parts(sys.argv[1]), parts(sys.argv[3])
if sorted(linux_parts) != sorted(windows_parts):
    sys.exit(f"{sys.argv[3]} has the parts {sorted(windows_parts)}, {sys.argv[1]} {sorted(linux_parts)}")
linux_folders = 0
for name in sorted(linux_parts):
    linux, found = normalised_text(linux_parts[name], sys.argv[2])
    windows, _ = normalised_text(windows_parts[name], sys.argv[4])
    linux_folders += found
    compare(linux, windows, name)
if linux_folders == 0:
    sys.exit(f"{sys.argv[1]}: the folder does not appear in the protocol")
EOF_PY

# Protocols: the same options for both programs.
cases=(
  "sample|html|"
  "sample|xml|/protformat=1 /protform=1"
  "generated|html|/subdirs=1 /calccorr=1 /saldofilter=2"
  "generated|xml|/protformat=2 /subdirs=1"
  "sample|xlsx|/protformat=2"
  "generated|xlsx|/protform=1 /subdirs=1"
)
compared=0
for locale in ru_RU.UTF-8 C.UTF-8; do
  for entry in "${cases[@]}"; do
    IFS='|' read -r which extension options <<<"$entry"
    folder=$sample
    [ "$which" = generated ] && folder=$generated
    # shellcheck disable=SC2206
    extra=($options)
    linux_protocol="$work/linux-$compared.$extension"
    "$linux" "/regnumb=$regnumb" "/path=$folder" "/orgname=ООО «Ромашка»" "/protfilename=$linux_protocol" "${extra[@]}"
    temp="$work/Иван/AppData/Local/Temp$compared"
    # A workbook is asked for by the name's extension; the other formats go to the default place.
    [ "$extension" = xlsx ] && extra+=("/protfilename=$(windows_name "$temp/$regnumb.xlsx")")
    run_windows "$locale" "$temp" "$work/errors-$compared.txt" \
      "/regnumb=$regnumb" "/path=$(windows_name "$folder")" "/orgname=ООО «Ромашка»" "${extra[@]}" || {
      echo "the Windows program failed ($locale, $which ${extra[*]}):" >&2
      cat "$work/errors-$compared.txt" >&2
      exit 1
    }
    windows_protocol="$temp/$regnumb.$extension"
    python3 "$work/compare.py" "$linux_protocol" "$folder" "$windows_protocol" "$(windows_name "$folder")"
    echo "same protocol: $locale, $which ${extra[*]}"
    compared=$((compared + 1))
  done
done

# Failures: the status and the message (UTF-8; CR LF from Windows) must agree.
expect_failure() {
  local title="$1" status="$2" message_linux="$3" message_windows="$4"
  shift 4
  local linux_args=() windows_args=() argument
  # "@" stands for the work folder: a Unix path for Linux, a Windows one for Windows.
  for argument in "$@"; do
    linux_args+=("${argument//@/$work}")
    if [[ "$argument" == *@* ]]; then
      windows_args+=("${argument%%=*}=$(windows_name "${argument#*=}" | sed "s|@|${work//\//\\\\}|")")
    else
      windows_args+=("$argument")
    fi
  done
  local got=0
  "$linux" "${linux_args[@]}" 2>"$work/failure-linux.txt" || got=$?
  [ "$got" -eq "$status" ] || { echo "$title: Linux status $got, expected $status" >&2; exit 1; }
  [ "$(cat "$work/failure-linux.txt")" = "$message_linux" ] || {
    echo "$title: Linux said: $(cat "$work/failure-linux.txt")" >&2; exit 1; }
  for locale in ru_RU.UTF-8 C.UTF-8; do
    got=0
    run_windows "$locale" "$work/Иван/Temp" "$work/failure-windows.txt" "${windows_args[@]}" || got=$?
    [ "$got" -eq "$status" ] || { echo "$title ($locale): Windows status $got, expected $status" >&2; exit 1; }
    printf '%s\r\n' "$message_windows" | cmp -s - "$work/failure-windows.txt" || {
      echo "$title ($locale): Windows said:" >&2; od -c "$work/failure-windows.txt" | head >&2; exit 1; }
  done
  echo "same status $status: $title"
}
mkdir -p "$work/Протокол уже открыт.xml"
expect_failure "missing folder" 2 \
  "Каталога $work/Нет такой папки не существует." \
  "Каталога $(windows_name "$work")\\Нет такой папки не существует." \
  "/regnumb=$regnumb" "/path=@/Нет такой папки" "/orgname=Ромашка"
expect_failure "target in a missing folder" 4 \
  "Не удалось записать протокол: $work/Нет папки/протокол.html: папка не существует (No such file or directory)" \
  "Не удалось записать протокол: $(windows_name "$work")\\Нет папки\\протокол.html: папка не существует (No such file or directory)" \
  "/regnumb=$regnumb" "/path=${sample/$work/@}" "/orgname=Ромашка" "/protfilename=@/Нет папки/протокол.html"
busy="Не удалось открыть протокол. Пожалуйста, проверьте, не открыт ли у Вас протокол в Excel по этому же страхователю"
expect_failure "target is a folder" 4 \
  "$busy ($work/Протокол уже открыт.xml: это папка, а не файл)" \
  "$busy ($(windows_name "$work")\\Протокол уже открыт.xml: это папка, а не файл)" \
  "/regnumb=$regnumb" "/path=${sample/$work/@}" "/orgname=Ромашка" "/protformat=1" "/protfilename=@/Протокол уже открыт.xml"
echo "Windows and Linux programs agree: $compared protocols, 3 failures."
