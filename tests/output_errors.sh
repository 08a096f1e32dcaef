#!/bin/sh
# Standard output that cannot take what ravix-cli writes (a full disk, a closed
# descriptor) fails the command with exit 1 and the reason on standard error; the
# work itself is not cut short by it. POSIX only.
#   sh output_errors.sh RAVIX_CLI TESTS_DIR
cli=$1
tests=$2
work=$(mktemp -d /tmp/ravix-output-errors.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect STATUS REGEX SINK COMMAND...: runs COMMAND with standard output on SINK
# ("full", "closed" or a file name) and checks its exit status and standard error.
expect() {
  want=$1 regex=$2 sink=$3
  shift 3
  case $sink in
    full) "$@" >/dev/full 2>err ;;
    closed) "$@" >&- 2>err ;;
    *) "$@" >"$sink" 2>err ;;
  esac
  got=$?
  [ "$got" = "$want" ] || fail "$* >$sink: exit $got, expected $want: $(cat err)"
  [ -z "$regex" ] || grep -Eq "$regex" err || fail "$* >$sink: standard error does not match '$regex': $(cat err)"
}

image=$tests/scenarios/update/program_plain.files/image.hex
script=$tests/scenarios/script/press_handled_command.script
for sink in full closed; do
  reason="cannot write standard output: "
  [ $sink = full ] && reason="${reason}(No space left on device|a write failed)"
  [ $sink = closed ] && reason="${reason}(Bad file descriptor|a write failed)"
  expect 1 "$reason" $sink "$cli" --simulate --port COM1 read --json
  expect 1 "$reason" $sink "$cli" --simulate --port COM1 read
  expect 1 "$reason" $sink "$cli" --simulate --port COM1 info
  expect 1 "$reason" $sink "$cli" --simulate --port COM1 locks
  expect 1 "$reason" $sink "$cli" --simulate run "$script"
  expect 1 "$reason" $sink "$cli" pack --plain --versions 1011 3011 "$image"
  expect 1 "$reason" $sink "$cli" --help
done

# A full file system: the table is not there, and the command says so.
expect 0 "" plane.json "$cli" --simulate --port COM1 read --json
grep -q '"startup-power"' plane.json || fail "read --json wrote no settings"

# A closed standard output is no free number for a file the command opens: what a
# run without --port shows must not end up in the port's setup file (a task makes none).
rm -f rvsetup.cfg
expect 1 "Bad file descriptor" closed "$cli" --simulate info
[ ! -e rvsetup.cfg ] || fail "a task made rvsetup.cfg: '$(cat rvsetup.cfg)'"
# Nor for the session log, which stays open while a transcript longer than the
# output buffer is written.
printf 'press 1155\nsim wire on\npress 1149\n' >wired.script
expect 1 "cannot write standard output" closed "$cli" --simulate --log run.log run wired.script
grep -v '^[0-9]' run.log >stray && fail "the transcript went into the log: $(head -3 stray)"

# The update goes on to its end while its progress cannot be shown; the session log
# shows that it did, and the exit status that not everything was said.
"$cli" pack --plain --versions 1011 3011 "$image" >/dev/null 2>&1
"$cli" --simulate --port COM1 --log session.log update x1011_3011.upd --yes >&- 2>/dev/full
got=$?
[ "$got" = 1 ] || fail "update with standard error on /dev/full: exit $got, expected 1"
grep -q 'status "OK"' session.log || fail "the update did not run to its end: $(cat session.log)"

# Writes to a pipe whose reader went away fail; they do not end the program.
"$cli" --simulate run "$script" 2>err | true
status=$(grep -c 'cannot write standard output' err)
[ "$status" = 1 ] || fail "a closed pipe: $(cat err)"

[ $failures = 0 ] && echo "all output error cases passed"
exit $failures
