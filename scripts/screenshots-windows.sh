#!/usr/bin/env bash
# Pictures of the Windows program's own Win32 windows, run under Wine on Xvfb, for the
# documentation: docs/screenshots/windows-*.png. Needs the Windows build
# (scripts/build-windows.sh); installs ImageMagick for the PNG files when missing.
#   scripts/screenshots-windows.sh [OUT_DIR]     (default docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)
setup=$(realpath "${BUILD_DIR:-build-windows}")/ravix-setup.exe
[ -x "$setup" ] || { echo "screenshots-windows: no $setup; run scripts/build-windows.sh" >&2; exit 1; }
# ImageMagick for the PNG files; Wine's own fonts for the glyphs of the title bars' buttons.
missing=()
for p in imagemagick fonts-wine; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi

work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
display=99
while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=:$display
trap 'wineserver -k 2>/dev/null; kill $xvfb_pid 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
wineboot -i >/dev/null 2>&1
# No window manager runs on the X server: Wine draws the frames and title bars itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1

# shot NAME SCRIPT PICTURE=TARGET...: runs SCRIPT in a fresh directory and keeps the
# named pictures (window-ID.bmp, box-N.bmp) as PNG files under new names.
shot() {
  local name=$1 script=$2
  shift 2
  local dir=$work/$name
  mkdir -p "$dir/shots"
  printf '%b' "$script" >"$dir/script"
  # An update file of 200 bytes for the simulated controller's release, whose transfer
  # runs long enough to show its progress.
  for ((address = 0; address < 200; address++)); do printf '%04X:00%02X\n' $address $address; done >"$dir/w1011_1011.upd"
  (cd "$dir" && wine "$setup" --simulate --script script --screenshot shots >"$dir/transcript" 2>/dev/null </dev/null) || true
  local pair
  for pair in "$@"; do
    if [ ! -f "$dir/shots/${pair%%=*}" ]; then
      echo "screenshots-windows: $name made no ${pair%%=*}; its transcript:" >&2
      cat "$dir/transcript" >&2
      exit 1
    fi
    convert "$dir/shots/${pair%%=*}" -strip "$out/${pair#*=}"
    echo "$out/${pair#*=}"
  done
}

shot read 'press 1155\npress 1149\n' window-1226.bmp=windows-main-read.png
shot rpm 'press 1155\npress 1149\npress 1210\n' window-1228.bmp=windows-dialog-rpm-control.png
shot lock 'press 1155\npress 1149\npress 1202\n' window-1229.bmp=windows-dialog-lock-functions.png
# The rev counter needs a controller whose test program is locked (bit 1 of byte 13 clear).
shot rev 'sim byte 13 0xFD\npress 1155\npress 1149\npress 1238\n' window-1240.bmp=windows-dialog-rev-counter.png
shot box 'sim adapter off\npress 1155\n' box-1.bmp=windows-box-owned.png
# The progress bar in its row under the status field, as a transfer stops at its 120th byte.
shot progress 'press 1155\nchoose w1011_1011.upd\nsim fail load 120\npress 1147\n' box-2.bmp=windows-progress-update.png
