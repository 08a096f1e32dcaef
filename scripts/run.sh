#!/usr/bin/env bash
# Installs what is missing, builds, and starts the desktop program on the simulated
# controller. Without a display it reads the simulated controller in the terminal instead.
# The setup file (rvsetup.cfg) of the demo lives in BUILD_DIR/demo, not in the checkout.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build=$PWD/${BUILD_DIR:-build}
mkdir -p "$build/demo"
cd "$build/demo"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display here (\$DISPLAY and \$WAYLAND_DISPLAY are unset), so ravix-setup cannot open its window."
  echo "run: reading the simulated controller on COM1 with ravix-cli instead:"
  echo
  "$build/ravix-cli" --simulate --port COM1 read
  echo
  echo "run: more everyday commands: ravix-cli --help (see README.md)"
  exit
fi

# The demo starts on COM1 (a new setup file names the parallel port, which the
# settings commands do not use): the tool itself stores the port when it ends.
printf 'press 1155\npress 2\n' | "$build/ravix-cli" --simulate run - >/dev/null
exec "$build/ravix-setup" --simulate
