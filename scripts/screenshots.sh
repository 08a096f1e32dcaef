#!/usr/bin/env bash
# Pictures of the desktop program on the simulated controller, for the documentation.
# Made without a screen (Qt's offscreen platform) by ravix-setup --script --screenshot.
#   scripts/screenshots.sh [OUT_DIR]     (default docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=${1:-docs/screenshots}
mkdir -p "$out"
out=$(cd "$out" && pwd)
scripts/build.sh >/dev/null
setup=$root/${BUILD_DIR:-build}/ravix-setup
export QT_QPA_PLATFORM=offscreen

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# shot NAME SCRIPT PICTURE=TARGET...: runs SCRIPT in a fresh directory and keeps the
# named pictures (window-1226.png, window-1226-menu-N.png, box-N.png) under new names.
shot() {
  local name=$1 script=$2
  shift 2
  local dir=$work/$name
  mkdir -p "$dir/shots"
  # A plain update file made for the simulated controller's release (0x1011).
  printf '0000:00C0\n0001:00CF\n' >"$dir/v1011_1011.upd"
  # A longer one (200 bytes), whose transfer runs long enough to show its progress.
  for ((address = 0; address < 200; address++)); do printf '%04X:00%02X\n' $address $address; done >"$dir/w1011_1011.upd"
  (cd "$dir" && printf '%b' "$script" | "$setup" --simulate --script - --screenshot "$dir/shots" >"$dir/transcript" 2>/dev/null)
  local pair
  for pair in "$@"; do
    if [ ! -f "$dir/shots/${pair%%=*}" ]; then
      echo "screenshots: $name made no ${pair%%=*}; its transcript:" >&2
      cat "$dir/transcript" >&2
      exit 1
    fi
    cp "$dir/shots/${pair%%=*}" "$out/${pair#*=}"
    echo "$out/${pair#*=}"
  done
}

shot start '' window-1226.png=main-start.png
# After a read on COM1: the Port menu names the device behind each port and marks COM1.
shot read 'press 1155\npress 1149\n' window-1226.png=main-read.png window-1226-menu-2.png=menu-port.png \
  window-1226-menu-1.png=menu-file.png window-1226-menu-5.png=menu-help.png
# A type-3 controller: the read greys the menu items that such a controller lacks.
shot type3 'sim byte 32 0x30\npress 1155\npress 1149\n' \
  window-1226.png=main-type3.png window-1226-menu-3.png=main-type3-menu-memory.png
# Message boxes: one without owner, one owned by the main window, a question.
shot refused 'press 1138\n' box-1.png=box-no-owner.png
shot no-adapter 'sim adapter off\npress 1155\n' box-1.png=box-owned.png
shot question 'press 1155\nchoose v1011_1011.upd\nanswer cancel\npress 1147\n' box-1.png=box-question.png
# The progress bar in its row under the status field, as a transfer stops at its 120th byte.
shot progress 'press 1155\nchoose w1011_1011.upd\nsim fail load 120\npress 1147\n' box-2.png=progress-update.png
