#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the checks need. Idempotent; runs
# apt-get only when something is missing. Usage: scripts/deps.sh [build|test]
set -euo pipefail

mode="${1:-test}"
# dpkg-dev and file: the package step (cpack -G DEB) finds the libraries' packages with
# dpkg-shlibdeps, which needs both, and takes the hardening flags from dpkg-buildflags.
packages=(cmake ninja-build g++ pkg-config libgtest-dev qt6-base-dev qt6-translations-l10n
          zlib1g-dev dpkg-dev file)
if [ "$mode" = test ]; then
  # llvm-14: llvm-symbolizer, so that a fuzzing finding shows function names and lines.
  # python3-jsonschema: the JSON protocol is checked against its schema.
  packages+=(clang libclang-rt-14-dev llvm-14 libpugixml-dev libbenchmark-dev
             chromium libreoffice-calc-nogui xvfb xauth python3 python3-jsonschema
             lintian xdotool imagemagick fonts-dejavu-core
             g++-mingw-w64-x86-64-posix wine64 locales)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The Windows tests run under Wine on a Russian code page, which Wine takes from this locale.
if [ "$mode" = test ] && ! locale -a 2>/dev/null | grep -qix "ru_RU.utf8"; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
