#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the checks need. Idempotent; runs
# apt-get only when something is missing. Usage: scripts/deps.sh [build|test]
. "$(dirname "$0")/common.sh"

mode="${1:-test}"
# dpkg-dev and file: the package step (cpack -G DEB) finds the libraries' packages with
# dpkg-shlibdeps, which needs both, and takes the hardening flags from dpkg-buildflags.
packages=(cmake ninja-build g++ pkg-config libgtest-dev qt6-base-dev qt6-translations-l10n
          zlib1g-dev dpkg-dev file)
if [ "$mode" = test ]; then
  # llvm-14: llvm-symbolizer, so that a fuzzing finding shows function names and lines.
  # python3-jsonschema: the JSON protocol is checked against its schema.
  # nsis: makensis, which makes the Windows setup program. debootstrap: the fresh Debian roots.
  packages+=(clang libclang-rt-14-dev llvm-14 libpugixml-dev libbenchmark-dev
             chromium libreoffice-calc-nogui xvfb xauth python3 python3-jsonschema
             lintian xdotool imagemagick fonts-dejavu-core
             g++-mingw-w64-x86-64-posix wine64 locales nsis debootstrap)
fi

missing=()
for package in "${packages[@]}"; do
  is_installed "$package" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -q
  as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The Windows tests run under Wine on a Russian code page, which Wine takes from this locale.
if [ "$mode" = test ] && ! has_locale ru_RU.UTF-8; then
  as_root localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
