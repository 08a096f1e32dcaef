#!/usr/bin/env bash
# Installs the Debian package in a fresh, minimal Debian 12 root (debootstrap, no build
# tools) and uses it as a new user would: apt pulls its libraries, both programs run
# on the simulated controller, man shows the page, and a purge leaves none of the
# package's files behind. Needs root (debootstrap, chroot, bind mounts) and Debian's
# package mirror. Usage: scripts/fresh-package-check.sh [PACKAGE.deb]
# (default: the one scripts/package-linux.sh made in build-package/package/).
# The minimal root is made once in BASE (default /tmp/fresh-root) and copied for each run.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=${1:-$(ls build-package/package/ravix-setup_*_amd64.deb 2>/dev/null | head -n 1)}
[ -f "$deb" ] || { echo "fresh-package-check: no package; run scripts/package-linux.sh" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "fresh-package-check: needs root (debootstrap, chroot)" >&2; exit 2; }
base=${BASE:-/tmp/fresh-root}
if [ ! -x "$base/bin/bash" ]; then
  scripts/install-deps.sh debootstrap
  mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
  echo "fresh-package-check: debootstrap into $base"
  debootstrap --variant=minbase bookworm "$base" ${mirror:+"$mirror"} >/tmp/debootstrap.log 2>&1 ||
    { echo "fresh-package-check: debootstrap failed, see /tmp/debootstrap.log" >&2; exit 2; }
fi

work=$(mktemp -d /tmp/fresh-package-XXXX)
mounted=()
cleanup() {
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[i]}"; done
  [ "${KEEP:-0}" = 1 ] || rm -rf "$work"
}
trap cleanup EXIT
cp -a "$base" "$work/root"
# debootstrap wrote the mirror into sources.list; a root without one takes the host's.
[ -s "$work/root/etc/apt/sources.list" ] ||
  cp /etc/apt/sources.list.d/debian.sources "$work/root/etc/apt/sources.list.d/" 2>/dev/null || true
cp /etc/resolv.conf "$work/root/etc/resolv.conf" 2>/dev/null || true
name=$(basename "$deb")
cp "$deb" "$work/root/root/$name"
for d in proc sys dev dev/pts; do mount --bind "/$d" "$work/root/$d" && mounted+=("$work/root/$d"); done

# The steps, run inside the fresh root; each says what it shows.
cat >"$work/root/root/check.sh" <<'STEPS'
set -euo pipefail
deb=$1
step() { echo; echo "=== $*"; }
export DEBIAN_FRONTEND=noninteractive
step "a root without build tools"
for tool in cc gcc g++ c++ cmake make; do
  if command -v $tool >/dev/null; then echo "unexpected: $tool is there"; exit 1; fi
done
echo "no cc, gcc, g++, c++, cmake or make"
apt-get update -q >/dev/null

step "what the package needs at least (apt install --no-install-recommends, simulated)"
dpkg-deb -f "$deb" Depends
echo "$(apt-get install -s --no-install-recommends "./$deb" | grep -c '^Inst') packages with ravix-setup"

step "apt install ./$deb"
apt-get install -y -q "./$deb" >/tmp/install.log 2>&1 || { cat /tmp/install.log; exit 1; }
sed -n '/^The following NEW packages/,/^[0-9]* upgraded/p' /tmp/install.log
ravix-cli --version
ravix-setup --version

step "ravix-cli --simulate --port COM1 read"
cd "$(mktemp -d)"
ravix-cli --simulate --port COM1 read

step "QT_QPA_PLATFORM=offscreen ravix-setup --simulate --script S"
# A login session has its runtime folder; Qt asks for it.
export XDG_RUNTIME_DIR=/run/user/0
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
cat >read.script <<'SCRIPT'
# Read the simulated controller through COM1, show what the window holds, end.
press 1155
press 1149
show 1145 1140 1146 1194 1150
press 2
SCRIPT
QT_QPA_PLATFORM=offscreen ravix-setup --simulate --script read.script 2>qt-errors.txt
if [ -s qt-errors.txt ]; then echo "standard error of ravix-setup:"; cat qt-errors.txt; exit 1; fi
echo "(nothing on standard error: no missing plugin or font)"

step "apt install man-db; man ravix-cli"
apt-get install -y -q man-db >/dev/null 2>&1
MANWIDTH=80 MANPAGER=cat man ravix-cli 2>&1 | head -n 24
man -w ravix-cli ravix-setup

step "apt purge ravix-setup"
dpkg -L ravix-setup >/tmp/listed.txt
apt-get purge -y -q ravix-setup >/dev/null 2>&1
left=0
while read -r path; do
  # Folders such as /usr/bin belong to other packages too and rightly stay.
  if [ -e "$path" ] && [ ! -d "$path" ]; then echo "left behind: $path"; left=1; fi
done </tmp/listed.txt
for own in /usr/share/doc/ravix-setup; do [ -e "$own" ] && { echo "left behind: $own"; left=1; }; done
[ $left = 0 ] && echo "none of the $(wc -l </tmp/listed.txt) paths dpkg -L listed is left (folders of other packages aside)"
exit $left
STEPS

SECONDS=0
status=0
chroot "$work/root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  TERM=dumb bash -c "cd /root && bash check.sh $name" || status=$?
echo
echo "fresh-package-check: exit $status after ${SECONDS} s"
exit $status
