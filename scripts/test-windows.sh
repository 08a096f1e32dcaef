#!/usr/bin/env bash
# Runs the Windows build under Wine: every scenario through ravix-cli.exe and through
# ravix-setup.exe (its Win32 windows on Xvfb), each transcript compared with the
# scenario's .expected exactly as tests/run_scenario.cmake compares the Linux runs; then
# the serial port backend against a missing port and a pseudo-terminal, the unit tests
# built for Windows, and the installer. One Wine prefix and one X server for the whole run.
#   BUILD_DIR  the Windows build (default build-windows/, made by scripts/build-windows.sh)
#   ONLY       run only the scenarios whose path relative to tests/scenarios matches this regex
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${BUILD_DIR:-build-windows}")
start=$(date +%s)

for tool in wine wineboot wineserver; do
  command -v $tool >/dev/null || { echo "test-windows: $tool is missing; run scripts/build-windows.sh" >&2; exit 1; }
done
[ -x "$build/ravix-cli.exe" ] || { echo "test-windows: no $build/ravix-cli.exe; run scripts/build-windows.sh" >&2; exit 1; }

scratch=$(mktemp -d /tmp/ravix-windows-test.XXXXXX)
export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko: nothing here needs them, and their installers would ask on the screen.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
xvfb_pid=""
pty_pid=""
cleanup() {
  wineserver -k 2>/dev/null && wineserver -w 2>/dev/null || true
  [ -n "$pty_pid" ] && kill "$pty_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# The windows need an X server even though nobody looks at them.
if [ -x "$build/ravix-setup.exe" ]; then
  command -v Xvfb >/dev/null || { echo "test-windows: Xvfb is missing; run scripts/build-windows.sh" >&2; exit 1; }
  display=99
  while [ -e /tmp/.X11-unix/X$display ] || [ -e /tmp/.X$display-lock ]; do display=$((display + 1)); done
  Xvfb :$display -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:$display
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
fi

# The server stays up between the programs: each start then takes a fraction of a second.
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
wineboot -i >/dev/null 2>&1
echo "test-windows: Wine prefix ready after $(( $(date +%s) - start )) s"

passed=0
failed=0
skipped=0
restarted=0
results=$build/windows-test-results
rm -rf "$results"
mkdir -p "$results"

# check NAME EXPECTED_FILE ACTUAL_FILE: compares and counts; a difference is shown and kept.
check() {
  local name=$1 expected=$2 actual=$3
  if cmp -s "$expected" "$actual"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $name (transcript in $actual)"
    diff -u "$expected" "$actual" | head -40 || true
  fi
}

# run_program NAME MODE SCRIPT EXPECTED: MODE cli or setup.
run_program() {
  local name=$1 mode=$2 script=$3 expected=$4
  local dir stem work flags=() first status
  dir=$(dirname "$script")
  stem=$(basename "$script" .script)
  work=$scratch/work-$mode-$stem
  first=$(head -n 1 "$script")
  if [[ $first == '#!'* ]]; then read -r -a flags <<<"${first#\#!}"; fi
  local actual=$results/${name//\//_}.$mode
  local program=ravix-cli.exe command=run attempt
  [ "$mode" = setup ] && program=ravix-setup.exe command=--script
  for attempt in 1 2; do
    rm -rf "$work"
    mkdir -p "$work"
    [ -d "$dir/$stem.files" ] && cp -R "$dir/$stem.files/." "$work/"
    set +e
    (cd "$work" && timeout 120 wine "$build/$program" "${flags[@]}" $command "$script" >"$actual" 2>"$actual.err" </dev/null)
    status=$?
    set -e
    # A program that printed nothing at all, not even its first window, never started:
    # Wine now and then fails to start a process. Once more, and counted.
    [ -s "$actual" ] || [ "$status" -eq 0 ] || [ "$attempt" -eq 2 ] || { restarted=$((restarted + 1)); continue; }
    break
  done
  echo "exit $status" >>"$actual"
  rm -rf "$work"
  check "$name [$mode]" "$expected" "$actual"
}

modes=(cli)
[ -x "$build/ravix-setup.exe" ] && modes+=(setup)
scenario_start=$(date +%s)
while IFS= read -r script; do
  name=${script#"$root/tests/scenarios/"}
  name=${name%.script}
  [[ -n ${ONLY:-} && ! $name =~ $ONLY ]] && continue
  # A scenario that prepares its directory with a shell script needs POSIX.
  if [ -e "${script%.script}.setup" ]; then
    skipped=$((skipped + ${#modes[@]}))
    continue
  fi
  for mode in "${modes[@]}"; do run_program "$name" "$mode" "$script" "${script%.script}.expected"; done
done < <(find "$root/tests/scenarios" -name '*.script' | sort)
echo "test-windows: scenarios took $(( $(date +%s) - scenario_start )) s (${modes[*]})"

source "$root/scripts/test-windows-extra.sh"

[ "$restarted" -gt 0 ] && echo "test-windows: $restarted program start(s) under Wine printed nothing and were run again"
echo "test-windows: $passed passed, $failed failed, $skipped skipped in $(( $(date +%s) - start )) s"
[ "$failed" -eq 0 ]
