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
  echo "run: reading the simulated controller with ravix-cli instead:"
  echo
  # COM1, Read, then the version and the settings that the read filled in.
  "$build/ravix-cli" --simulate run - <<'SCRIPT'
press 1155
press 1149
show 1044 1145 1135 1166 1134 1138 1139 1142 1164 1146 1140
show 1168 1171 1170 1193 1194 1180 1181 1182 1175 1212
show 1191 1190 1188 1137 1169 1177 1178 1179 1192
press 2
SCRIPT
  exit
fi

# The demo starts on COM1 (a new setup file would name the parallel port, which the
# settings commands do not use): the tool itself stores the port when it ends.
[ -f rvsetup.cfg ] || printf 'press 1155\npress 2\n' | "$build/ravix-cli" --simulate run - >/dev/null
exec "$build/ravix-setup" --simulate
