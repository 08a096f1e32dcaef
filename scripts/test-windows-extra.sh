# The checks of scripts/test-windows.sh beyond the scenarios, sourced by it: it uses
# its run_program, check, $build, $scratch, $results, $modes and the counters.

# The serial port backend on the real Windows calls: COM7 with nothing behind it, and
# COM5 mapped by Wine to a pseudo-terminal (opened, configured, but without modem lines).
serial_checks() {
  local pty_file=$scratch/pty
  python3 -c 'import os, pty, sys, time
master, slave = pty.openpty()
print(os.ttyname(slave), flush=True)
sys.stdout.close()
time.sleep(3600)' >"$pty_file" &
  pty_pid=$!
  for _ in $(seq 50); do [ -s "$pty_file" ] && break; sleep 0.1; done
  local pts
  pts=$(head -n 1 "$pty_file")
  [ -c "$pts" ] || { echo "FAIL serial: no pseudo-terminal"; failed=$((failed + 1)); return; }
  rm -f "$WINEPREFIX/dosdevices/com7" "$WINEPREFIX/dosdevices/com5"
  ln -s "$pts" "$WINEPREFIX/dosdevices/com5"
  local script=$root/tests/windows/serial_ports.script mode
  for mode in "${modes[@]}"; do run_program windows/serial_ports "$mode" "$script" "${script%.script}.expected"; done
  kill "$pty_pid" 2>/dev/null || true
  pty_pid=""
}

# The unit tests built for Windows (those that make sense there), when they were built.
# Left out: a test of POSIX paths ("/x.upd" is "Z:\x.upd" under Wine).
unit_checks() {
  [ -x "$build/ravix-windows-tests.exe" ] || return 0
  local log=$results/unit-tests.log
  if (cd "$scratch" && timeout 300 wine "$build/ravix-windows-tests.exe" --gtest_brief=1 \
        --gtest_filter=-ScriptEngineTest.ChoosesFilesFromTheQueueAndMovesTheCurrentDirectory >"$log" 2>&1); then
    passed=$((passed + 1))
    echo "test-windows: unit tests under Wine: $(grep -E '^\[  PASSED  \]' "$log" || true)"
  else
    failed=$((failed + 1))
    echo "FAIL unit tests under Wine:"
    tail -n 40 "$log"
  fi
}

extra_start=$(date +%s)
serial_checks
unit_checks
echo "test-windows: serial port and unit checks took $(( $(date +%s) - extra_start )) s"
