#!/bin/sh
# What ravix-cli leaves where it runs and where it takes the port from: a task makes no
# rvsetup.cfg, reads the one of the current directory, else the configuration
# directory's; "port NAME" stores the choice there. POSIX only.
#   sh terminal_conventions.sh RAVIX_CLI
cli=$1
work=$(mktemp -d /tmp/ravix-terminal.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/here" || exit 1
cd "$work/here" || exit 1
XDG_CONFIG_HOME=$work/config
export XDG_CONFIG_HOME
config=$XDG_CONFIG_HOME/ravix-setup/rvsetup.cfg
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect STATUS REGEX COMMAND...: the exit status, and standard output and error together.
expect() {
  want=$1 regex=$2
  shift 2
  "$@" >out 2>&1
  got=$?
  [ "$got" = "$want" ] || fail "$*: exit $got, expected $want: $(cat out)"
  [ -z "$regex" ] || grep -Eq -e "$regex" out || fail "$*: output does not match '$regex': $(cat out)"
  rm -f out
}
empty() { [ -z "$(ls -A)" ] || fail "$1 left $(ls -A)"; }

# A first run: nothing stored anywhere, the simulated adapter answers on COM1, and the
# directory stays as empty as it was.
expect 0 "^COM2 .none stored" "$cli" port
expect 0 "^COM1 .none stored: the simulated" "$cli" --simulate port
expect 0 "^COM7 .given with --port" "$cli" --port COM7 port
expect 0 "startup-power +10" "$cli" --simulate read
expect 0 "written, read back" "$cli" --simulate write --set brake=hard
expect 0 "Vendor Code" "$cli" --simulate info
empty "the first tasks"
[ ! -e "$XDG_CONFIG_HOME" ] || fail "a task made the configuration directory"

# port NAME stores it for both programs in the configuration directory, in the setup
# file's forms: a Port-menu name in its first four bytes, another one in the long form.
expect 0 "COM5 stored in $config" "$cli" port com5
[ "$(head -c 4 "$config")" = "COM5" ] || fail "port com5 stored '$(head -c 4 "$config")'"
expect 0 "COM12 stored" "$cli" port COM12
[ "$(head -c 9 "$config")" = "*EXTCOM12" ] || fail "port COM12 stored '$(head -c 9 "$config")'"
expect 0 "^COM12 .stored in $config" "$cli" port
# ... and the tasks take it from there (the session log names the port), still
# leaving nothing here.
expect 0 "" "$cli" --simulate --log "$work/stored.log" read
grep -q "note port COM12 " "$work/stored.log" || fail "read did not use the stored COM12: $(cat "$work/stored.log")"
empty "a task with a stored port"
# A name that is no port, or too long for the setup file, is refused before anything is stored.
cp "$config" "$work/before.cfg"
expect 2 "'COM257' is no port" "$cli" port COM257
expect 2 "cannot be stored" "$cli" port /dev/serial/by-id/usb-a-long-adapter-name-port0
expect 2 "no control characters" "$cli" port "$(printf '/dev/tty\tS0')"
cmp -s "$config" "$work/before.cfg" || fail "a refused port name changed $config"

# A setup file that is a link is neither written through nor replaced.
mkdir -p "$work/linked/ravix-setup"
printf 'COM4' >"$work/target.cfg"
ln -s "$work/target.cfg" "$work/linked/ravix-setup/rvsetup.cfg"
expect 1 "cannot store the port in .*: " env XDG_CONFIG_HOME="$work/linked" "$cli" port COM6
[ -L "$work/linked/ravix-setup/rvsetup.cfg" ] && [ "$(cat "$work/target.cfg")" = "COM4" ] ||
  fail "port COM6 wrote through a link"

# The current directory's setup file comes first, and is read only.
printf 'COM3' >rvsetup.cfg
cp rvsetup.cfg "$work/here.cfg"
expect 0 "^COM3 .stored in ./rvsetup.cfg" "$cli" port
expect 0 "" "$cli" --simulate --log "$work/here.log" read
grep -q "note port COM3 " "$work/here.log" || fail "read did not use ./rvsetup.cfg: $(cat "$work/here.log")"
cmp -s rvsetup.cfg "$work/here.cfg" || fail "a task changed ./rvsetup.cfg"
rm rvsetup.cfg

# Command-line errors end before the session log is opened, so before any port is.
expect 2 "unknown command 'bogus'" "$cli" --log "$work/usage.log" bogus
expect 2 "--port 'foo' is no port" "$cli" --log "$work/usage.log" --simulate --port foo read
expect 2 "--set brake: a setting is set as NAME=VALUE" "$cli" --log "$work/usage.log" --simulate write --set brake
expect 2 "--set brakes: unknown setting; did you mean brake\?" "$cli" --log "$work/usage.log" --simulate write \
  --set brakes=hard
# An empty file name (an unset variable) names no file.
expect 2 "FILE: an empty name names no file" "$cli" --log "$work/usage.log" --simulate save ""
expect 2 "SCRIPT: an empty name names no file" "$cli" --log "$work/usage.log" run ""
expect 2 "--log: an empty name names no file" "$cli" --log "" --simulate read
[ ! -e "$work/usage.log" ] || fail "a command-line error got as far as the log: $(cat "$work/usage.log")"
empty "the command-line errors"

[ $failures = 0 ] && echo "all terminal conventions hold"
exit $failures
