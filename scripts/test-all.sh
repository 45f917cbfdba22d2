#!/usr/bin/env bash
# Everything CI checks: installs what is missing, builds the release, runs every test through
# CTest, makes the Windows kit (and checks its first step on fresh Debian roots), builds the Windows
# program and runs its tests under Wine, its window at three scalings, its zip and its setup
# program installed and removed under Wine, the Debian package, runs the Linux tests again built
# with AddressSanitizer and UndefinedBehaviorSanitizer, then feeds the fuzz targets (pack reader,
# command line, folder load, writers) random input for a fixed time shared among them.
# Each stage prints its elapsed time, so a slow stage shows in the CI log.
. "$(dirname "$0")/common.sh"
cd "$(dirname "$0")/.."

stage_started=$SECONDS
all_started=$SECONDS
stage() {
  local now=$SECONDS
  [ "${stage_name:-}" = "" ] || echo "== ${stage_name}: $((now - stage_started)) s"
  stage_name="$1"
  stage_started=$now
  [ "$stage_name" = "" ] || echo "== ${stage_name}"
}

stage "Installing packages"
scripts/deps.sh test

stage "Release build"
cmake --preset release
cmake --build --preset release -j "$(nproc)"

stage "Release tests"
export QT_QPA_PLATFORM=offscreen
ctest --preset release --timeout 900

stage "Windows kit (static Qt, zlib)"
# Made once into a cache outside the tree and reused while its sources and options match; a fresh
# machine builds it in about 11 minutes on two idle cores.
scripts/mingw-kit.sh

stage "Windows kit's sources on fresh Debian 12 roots"
# The kit's deb-src step on one-line, deb822 and mixed apt sources, also with its writer held back,
# as far as --key in one of them (debootstrap's root is made once, then reused).
scripts/test-kit-sources.sh

stage "Windows build (mingw-w64)"
cmake --preset mingw
cmake --build --preset mingw -j "$(nproc)"

stage "Wine prefix"
# Made once per build folder; the first time costs about 20 s.
cmake/wine-run.sh "$PWD/build-mingw/wineprefix" cmd /c ver

stage "Windows tests under Wine"
# On a Russian code page with a Cyrillic TEMP (see cmake/wine-run.sh).
ctest --preset mingw --timeout 600 -j "$(nproc)"
# The Windows program against the Linux one on folders with Russian names, on two code pages.
scripts/windows-e2e.sh

stage "Windows window under Wine"
# brisolt.exe without parameters on a virtual display: its main window appears with its caption.
scripts/windows-window.sh

stage "Windows window at 125 % and 150 % scaling"
# At 120 and 144 DPI the whole window fits the room a 1366x768 screen leaves above a taskbar.
BRISOLT_WINDOW_DPI=120 scripts/windows-window.sh
BRISOLT_WINDOW_DPI=144 scripts/windows-window.sh

stage "Windows package"
# The zip holds both programs, the guide and the README, and the programs need no DLL beyond
# those every Windows has (no MinGW runtime, no Qt).
rm -rf build-mingw/packages
(cd build-mingw && cpack -G ZIP >/dev/null)
zip=$(ls build-mingw/packages/brisolt-*-windows-x64.zip)
python3 - "$zip" <<'EOF_ZIP'
import sys, zipfile
names = zipfile.ZipFile(sys.argv[1]).namelist()
top = names[0].split("/")[0]
for wanted in ("brisolt.exe", "brisolt.com", "brisolt-packgen.exe", "README.txt",
               "translations/qtbase_ru.qm", "guide/index.html", "guide/protocol-table.png"):
    if f"{top}/{wanted}" not in names:
        sys.exit(f"{sys.argv[1]} lacks {wanted}")
EOF_ZIP
# The DLLs of Windows 8.1 and later that the programs, with the static Qt, may import.
system_dlls="advapi32 authz bcrypt comdlg32 d3d11 d3d9 dwmapi dwrite dxgi gdi32 imm32 kernel32 msvcrt
  netapi32 ole32 oleaut32 shcore shell32 shlwapi user32 userenv uxtheme version winmm ws2_32 wtsapi32"
for program in build-mingw/brisolt.exe build-mingw/brisolt.com build-mingw/brisolt-packgen.exe; do
  x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p' | while read -r dll; do
    name="${dll,,}"
    name="${name%.dll}"
    case " ${system_dlls//$'\n'/ } " in *" $name "*) continue ;; esac
    case "$name" in api-ms-win-core-*) continue ;; esac
    echo "$program needs $dll, which Windows does not have" >&2
    exit 1
  done
done
# A double click on brisolt.exe opens no console; brisolt.com and the generator are console programs.
for check in "brisolt.exe:Windows GUI" "brisolt.com:Windows CUI" "brisolt-packgen.exe:Windows CUI"; do
  headers=$(x86_64-w64-mingw32-objdump -p "build-mingw/${check%%:*}")
  grep -q "^Subsystem.*(${check#*:})" <<<"$headers" \
    || { echo "build-mingw/${check%%:*} is not a ${check#*:} program" >&2; exit 1; }
done

stage "Windows setup program"
# Made with makensis; installed silently under Wine for the user, its window and its batch run
# from where it was installed, then uninstalled without a file left.
scripts/windows-setup.sh

stage "Debian package"
# The .deb holds the program, its desktop entry, icon, guide and manual page, and passes lintian.
# The maintainer's mail address is a build setting (BRISOLT_MAINTAINER) still to be given by the
# publisher, so lintian's complaints about it are not checked here.
rm -rf build/packages
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/packages/brisolt_*.deb)
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/brisolt ./usr/bin/brisolt-packgen ./usr/share/applications/brisolt.desktop \
            ./usr/share/icons/hicolor/scalable/apps/brisolt.svg \
            ./usr/share/icons/hicolor/48x48/apps/brisolt.png \
            ./usr/share/brisolt/guide/index.html ./usr/share/brisolt/guide/protocol-table.png \
            ./usr/share/man/man1/brisolt.1.gz ./usr/share/doc/brisolt/copyright; do
  grep -q " $path\( \|$\)" <<<"$contents" || { echo "$deb lacks $path" >&2; exit 1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
grep -q "libqt6widgets6" <<<"$depends" || { echo "$deb: no Qt dependency" >&2; exit 1; }
grep -q "zlib1g" <<<"$depends" || { echo "$deb: no zlib dependency (XLSX)" >&2; exit 1; }
grep -q "qt6-translations-l10n" <<<"$depends" || { echo "$deb: no translations" >&2; exit 1; }
lintian --fail-on error,warning --suppress-tags bogus-mail-host,bogus-mail-host-in-debian-changelog \
  "$deb"
# The programs are built with the distribution's hardening flags.
hardening=$(lintian --pedantic --tags hardening-no-bindnow,hardening-no-fortify-functions,hardening-no-relro "$deb")
[ -z "$hardening" ] || { echo "$hardening" >&2; exit 1; }

stage "Sanitizer build (ASan + UBSan)"
cmake --preset asan
cmake --build --preset asan -j "$(nproc)"

stage "Sanitizer tests"
ctest --preset asan --timeout 900 -j "$(nproc)"

stage "Fuzz build"
fuzz_seconds="${BRISOLT_FUZZ_SECONDS:-60}"
cmake --preset fuzz
cmake --build --preset fuzz -j "$(nproc)"

stage "Fuzzing"
# A finding is reported with function names and lines only through llvm-symbolizer.
ASAN_SYMBOLIZER_PATH=$(command -v llvm-symbolizer || command -v llvm-symbolizer-14 || true)
[ -x "$ASAN_SYMBOLIZER_PATH" ] || { echo "llvm-symbolizer is missing (package llvm-14)" >&2; exit 1; }
export ASAN_SYMBOLIZER_PATH
fuzzers=()
for fuzzer in build-fuzz/fuzz_*; do
  [ -x "$fuzzer" ] && fuzzers+=("$fuzzer")
done
share=$(( fuzz_seconds / ${#fuzzers[@]} ))
[ "$share" -ge 1 ] || share=1
for fuzzer in "${fuzzers[@]}"; do
  name=$(basename "$fuzzer")
  work="build-fuzz/corpus-$name"
  mkdir -p "$work"
  echo "Fuzzing $name for ${share}s"
  "$fuzzer" -max_total_time="$share" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    "$work" "tests/fuzz/corpus/${name#fuzz_}"
done
stage ""
echo "All checks passed in $((SECONDS - all_started)) s."
