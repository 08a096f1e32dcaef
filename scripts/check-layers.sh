#!/usr/bin/env bash
# Fails when a source file includes a header from a layer above its own. The layers,
# lowest first; folders on one line are side by side and may not include each other
# in both directions, so the order within a line is the order of allowed includes.
set -euo pipefail
cd "$(dirname "$0")/../src"

layers=(platform resources sim status link protocol isp settings files dialogs app script cli gui win32gui)
# The simulated machine is chosen in one place: app/ composes the tool on the simulator
# or the hardware (ToolMachine), and the script engine drives the simulator's knobs.
# Nothing else names it, so that no command can tell the simulator from a real port.
sim_users=(sim app script)
declare -A rank
for i in "${!layers[@]}"; do rank[${layers[$i]}]=$i; done

bad=0
while IFS= read -r -d '' file; do
  own=${file%%/*}
  [ -n "${rank[$own]+x}" ] || { echo "check-layers: $file lies in no known layer" >&2; bad=1; continue; }
  while IFS= read -r target; do
    [ "$target" = "$own" ] && continue
    if [ -z "${rank[$target]+x}" ]; then
      echo "check-layers: $file includes from unknown folder $target/" >&2; bad=1
    elif [ "${rank[$target]}" -gt "${rank[$own]}" ]; then
      echo "check-layers: $file ($own) includes from $target/, a layer above it" >&2; bad=1
    elif [ "$target" = sim ] && [[ ! " ${sim_users[*]} " =~ " $own " ]]; then
      echo "check-layers: $file ($own) includes from sim/, which only app/ and script/ may name" >&2; bad=1
    fi
  done < <(sed -n 's|^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z0-9_]*\)/.*|\1|p' "$file" | sort -u)
done < <(find . \( -name '*.h' -o -name '*.cpp' \) -print0 | sed -z 's|^\./||')

if [ "$bad" -ne 0 ]; then exit 1; fi
echo "check-layers: every include points down"
