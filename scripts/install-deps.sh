#!/usr/bin/env bash
# Installs the Debian packages that building and testing Ravix Setup need, or the
# packages named as arguments instead (the Windows build names its own).
# RAVIX_WITH_FUZZ=1 adds the fuzzing runtime; RAVIX_WITH_PACKAGE=1 the tools that make
# and check the Debian package (scripts/package-linux.sh).
# Idempotent: installs only what is missing, runs apt-get update at most once.
# Works as root and through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev
  libcli11-dev nlohmann-json3-dev
  libftdi1-dev
  qt6-base-dev libgl-dev fonts-dejavu-core
  clang
)
if [ "${RAVIX_WITH_FUZZ:-0}" = 1 ]; then packages+=(libclang-rt-14-dev); fi
if [ "${RAVIX_WITH_PACKAGE:-0}" = 1 ]; then
  # dpkg-shlibdeps (dpkg-dev) and file work out the package's dependencies; the rest check it.
  packages+=(dpkg-dev file fakeroot lintian appstream desktop-file-utils man-db groff-base)
fi
if [ $# -gt 0 ]; then packages=("$@"); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo=sudo
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
