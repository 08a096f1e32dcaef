# The checks of scripts/test-windows.sh beyond the scenarios, sourced by it: it uses
# its run_program, check, $build, $scratch, $results, $modes and the counters.

# The serial port backend on the real Windows calls: COM7 with nothing behind it, and
# COM5 and COM12 mapped by Wine to pseudo-terminals (opened, configured, but without
# modem lines). COM5 is a bare dosdevices link, which Wine opens but lists nowhere;
# COM12 is mapped as winecfg maps a port (HKLM\Software\Wine\Ports, taken up when the
# Wine server starts again), so that Wine lists it among its COM ports as Windows lists
# a USB adapter's. COM12 stays mapped for the unit tests (RAVIX_TEST_MORE_PORT); the
# pseudo-terminals go when the run ends.
serial_checks() {
  local pty_file=$scratch/pty
  python3 -c 'import os, pty, sys, time
ends = [pty.openpty() for _ in range(2)]
print("\n".join(os.ttyname(slave) for _, slave in ends), flush=True)
sys.stdout.close()
time.sleep(3600)' >"$pty_file" &
  pty_pid=$!
  for _ in $(seq 50); do [ "$(wc -l <"$pty_file")" -ge 2 ] && break; sleep 0.1; done
  local pts more
  pts=$(sed -n 1p "$pty_file")
  more=$(sed -n 2p "$pty_file")
  [ -c "$pts" ] && [ -c "$more" ] || { echo "FAIL serial: no pseudo-terminals"; failed=$((failed + 1)); return; }
  rm -f "$WINEPREFIX/dosdevices/com7" "$WINEPREFIX/dosdevices/com5" "$WINEPREFIX/dosdevices/com12"
  ln -s "$pts" "$WINEPREFIX/dosdevices/com5"
  wine reg add 'HKLM\Software\Wine\Ports' /v COM12 /d "$more" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null && wineserver -w 2>/dev/null || true
  wineserver -p >/dev/null 2>&1
  export RAVIX_TEST_MORE_PORT=COM12
  local script=$root/tests/windows/serial_ports.script mode
  for mode in "${modes[@]}"; do run_program windows/serial_ports "$mode" "$script" "${script%.script}.expected"; done
  # ravix-cli --port COM12: the port above COM8 is opened and measured; no adapter answers.
  local out=$results/port_check_com12.out status
  set +e
  (cd "$scratch" && timeout 120 wine "$build/ravix-cli.exe" --port COM12 port-check >"$out" 2>&1 </dev/null)
  status=$?
  set -e
  if [ "$status" -eq 1 ] && grep -q '^port          COM12' "$out" && grep -q 'No Adaptor found at COM12' "$out"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL ravix-cli.exe --port COM12 port-check (exit $status):"
    cat "$out"
  fi
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

# Each program is one file: what it imports must all come with Windows itself.
import_checks() {
  local system='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|advapi32|msvcrt|ole32|winmm|setupapi)\.dll$' exe dll foreign
  for exe in ravix-cli.exe ravix-setup.exe; do
    [ -f "$build/$exe" ] || continue
    foreign=()
    while read -r dll; do
      [[ ${dll,,} =~ $system ]] || foreign+=("$dll")
    done < <(x86_64-w64-mingw32-objdump -p "$build/$exe" | sed -n 's/^\s*DLL Name: //p')
    if [ ${#foreign[@]} -eq 0 ]; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      echo "FAIL $exe needs DLLs that Windows does not have: ${foreign[*]}"
    fi
  done
}

# --sim-state on Windows: what ravix-cli.exe writes, ravix-setup.exe and then
# ravix-cli.exe again find in the one state file; a file that is not one is refused.
sim_state_checks() {
  local work=$scratch/sim-state out=$results/sim-state.out problems=()
  rm -rf "$work"
  mkdir -p "$work"
  (
    set +e  # the refusal below is meant to fail
    cd "$work" || exit 1
    wine "$build/ravix-cli.exe" --simulate --sim-state demo.sim --port COM1 write --set brake=hard </dev/null
    if [ -x "$build/ravix-setup.exe" ]; then
      printf 'sim dump 17\nsim byte 19 7\n' | wine "$build/ravix-setup.exe" --simulate --sim-state demo.sim --script -
    fi
    wine "$build/ravix-cli.exe" --simulate --sim-state demo.sim --port COM1 read </dev/null
    printf 'my notes\n' >notes.txt
    wine "$build/ravix-cli.exe" --simulate --sim-state notes.txt --port COM1 read </dev/null
    echo "exit $?"
    cat notes.txt
  ) >"$out" 2>&1 || true
  grep -q '^brake  *hard' "$out" || problems+=("the next ravix-cli.exe does not see the brake written")
  if [ -x "$build/ravix-setup.exe" ]; then
    grep -q '^sim 17 0x01' "$out" || problems+=("ravix-setup.exe does not see the brake written")
    grep -q '^startup-power  *7' "$out" || problems+=("ravix-setup.exe's change is not kept")
  fi
  grep -q 'is no simulated controller.s state' "$out" && grep -q '^exit 1' "$out" && grep -q '^my notes' "$out" ||
    problems+=("a file that is not a state is not refused, or not left as it was")
  if [ ${#problems[@]} -eq 0 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAIL sim-state: %s\n' "${problems[@]}"
    echo "  (the programs' output is in $out)"
  fi
  rm -rf "$work"
}

extra_start=$(date +%s)
# The FTDI adapter through ftd2xx.dll loaded at run time: the tests' stand-in for the
# library (build-windows/test-ftd2xx/, on the search path through WINEPATH) passes the
# calls on to the simulated FT232R. port-check shows the library's 2 ms latency timer
# (1 ms when the simulated chip is reached directly), and every scenario without a wire
# trace gives its transcript through it (the blinking status text counted once, as
# tests/run_scenario.cmake does for the adapter models).
ftdi_checks() {
  local library=$build/test-ftd2xx
  [ -f "$library/ftd2xx.dll" ] || { echo "FAIL ftdi: no stand-in ftd2xx.dll"; failed=$((failed + 1)); return; }
  local winepath
  winepath=$(winepath -w "$library" 2>/dev/null)
  local out=$results/port_check_ftdi.out
  (cd "$scratch" && WINEPATH="$winepath" timeout 120 wine "$build/ravix-cli.exe" --simulate --sim-adapter ft232r \
    --port ftdi: port-check >"$out" 2>&1 </dev/null) || true
  if grep -q '^cable         FT232R USB UART SIM' "$out" && grep -q '^latency       2 ms' "$out"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL ftdi: port-check through the stand-in ftd2xx.dll"
    cat "$out"
  fi
  local script name stem dir work first flags actual status
  while IFS= read -r script; do
    name=${script#"$root/tests/scenarios/"}
    name=${name%.script}
    [[ -n ${ONLY:-} && ! $name =~ $ONLY ]] && continue
    [ -e "${script%.script}.setup" ] && continue
    first=$(head -n 1 "$script")
    [[ $first == '#!'*--simulate* && $first != *--sim-adapter* ]] || continue
    grep -q '^sim wire ' "$script" && continue
    read -r -a flags <<<"${first#\#!}"
    dir=$(dirname "$script")
    stem=$(basename "$script" .script)
    work=$scratch/work-ftdi-$stem
    actual=$results/${name//\//_}.ft232r
    rm -rf "$work"
    mkdir -p "$work"
    [ -d "$dir/$stem.files" ] && cp -R "$dir/$stem.files/." "$work/"
    set +e
    (cd "$work" && WINEPATH="$winepath" timeout 120 wine "$build/ravix-cli.exe" "${flags[@]}" --sim-adapter ft232r \
      run "$script" >"$actual" 2>"$actual.err" </dev/null)
    status=$?
    set -e
    echo "exit $status" >>"$actual"
    rm -rf "$work"
    python3 - "${script%.script}.expected" "$actual.expected" "$actual" "$actual" <<'PY'
import re, sys
blink = re.compile(r'(set 1044 "(Update laeuft|               )"\n)+')
for source, target in zip(sys.argv[1::2], sys.argv[2::2]):
    text = open(source, encoding="utf-8", errors="surrogateescape", newline="").read()
    open(target, "w", encoding="utf-8", errors="surrogateescape", newline="").write(
        blink.sub('set 1044 (blinking)\n', text))
PY
    check "$name [ft232r through ftd2xx.dll]" "$actual.expected" "$actual"
  done < <(find "$root/tests/scenarios" -name '*.script' | sort)
}

import_checks
serial_checks
ftdi_checks
sim_state_checks
unit_checks
echo "test-windows: serial port and unit checks took $(( $(date +%s) - extra_start )) s"

# The installer made by scripts/package-windows.sh, when it was made: a silent install,
# the Start-menu entry starting in the application-data folder, the installed program
# running, and a silent uninstall that leaves nothing but the user's settings file.
installer_checks() {
  local installer
  installer=$(ls "$build"/package/ravix-setup-*-windows-x64-setup.exe 2>/dev/null | head -n 1 || true)
  [ -n "$installer" ] || return 0
  local user_dir
  user_dir=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData | grep -v /Public/ | head -n 1)
  local programs="$user_dir/Local/Programs/Ravix Setup"
  local settings="$user_dir/Roaming/Ravix Setup"
  local menu="$user_dir/Roaming/Microsoft/Windows/Start Menu/Programs/Ravix Setup"
  local problems=()
  # (The Wine server stays up for the whole run, so `wineserver -w` would wait for ever:
  # wine itself returns when the installer has ended.)
  wine "$installer" /S
  for f in ravix-setup.exe ravix-cli.exe README.txt LICENSE.txt ravix-setup-manual.pdf uninstall.exe; do
    [ -f "$programs/$f" ] || problems+=("not installed: $f")
  done
  [ -f "$menu/Ravix Setup.lnk" ] || problems+=("no Start-menu entry")
  # Outputs are taken whole before they are searched: a grep -q that ends early would
  # fail the writer with a broken pipe, and the pipeline with it.
  local link_strings opened
  link_strings=$(strings -el "$menu/Ravix Setup.lnk" 2>/dev/null || true)
  grep -q 'AppData\\Roaming\\Ravix Setup$' <<<"$link_strings" ||
    problems+=("the Start-menu entry does not start in the application-data folder")
  # The installed program, started there as the entry starts it, keeps its settings there.
  (cd "$settings" && printf 'press 2\n' | wine "$programs/ravix-cli.exe" --simulate run - >/dev/null 2>&1) ||
    problems+=("the installed ravix-cli.exe does not run")
  [ -f "$settings/rvsetup.cfg" ] || problems+=("no rvsetup.cfg in the application-data folder")
  # "Help > User's Manual" finds the manual beside the installed programs.
  opened=$(cd "$settings" && printf 'press users-manual\npress 1\n' | wine "$programs/ravix-cli.exe" --simulate run - 2>&1 || true)
  grep -q 'open ".*ravix-setup-manual\.pdf"' <<<"$opened" || problems+=("User's Manual does not open the installed manual: $opened")
  wine "$programs/uninstall.exe" /S
  # The uninstaller runs from a copy of itself and removes the original when it ends.
  for _ in $(seq 50); do [ -e "$programs" ] || break; sleep 0.2; done
  [ ! -e "$programs" ] || problems+=("left after uninstalling: $(ls "$programs" | tr '\n' ' ')")
  [ ! -e "$menu" ] || problems+=("the Start-menu folder is left")
  [ -f "$settings/rvsetup.cfg" ] || problems+=("the uninstaller removed the user's settings file")
  if [ ${#problems[@]} -eq 0 ]; then
    passed=$((passed + 1))
    echo "test-windows: $(basename "$installer") installs and uninstalls silently"
  else
    failed=$((failed + 1))
    printf 'FAIL installer: %s\n' "${problems[@]}"
  fi
}
installer_checks
