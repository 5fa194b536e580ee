#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the application and the tests
# need. Safe to run again: it installs only what is missing.
#   scripts/install-deps.sh          the build and the tests
#   scripts/install-deps.sh --fuzz   also clang and its fuzzing and
#                                    sanitizer runtimes (scripts/fuzz.sh)
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  qt6-translations-l10n
  libsqlite3-dev libgtest-dev
  libpq-dev postgresql
  libzip-dev libpugixml-dev zip
  fonts-ipafont
  poppler-utils xvfb xauth
  libreoffice-calc-nogui
  glabels
)
if [ "${1:-}" = "--fuzz" ]; then
  packages+=(clang-14 libclang-rt-14-dev llvm-14)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
