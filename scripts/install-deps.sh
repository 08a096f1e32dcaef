#!/usr/bin/env bash
# Installs the Debian packages that building and testing Ravix Setup need, or the
# packages named as arguments instead (the Windows build names its own).
# Idempotent: installs only what is missing, runs apt-get update at most once.
# Works as root and through sudo.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev
  libcli11-dev nlohmann-json3-dev
  qt6-base-dev libgl-dev fonts-dejavu-core
  clang
)
if [ "${RAVIX_WITH_FUZZ:-0}" = 1 ]; then packages+=(libclang-rt-14-dev); fi
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
