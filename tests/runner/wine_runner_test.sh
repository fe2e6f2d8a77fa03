#!/usr/bin/env bash
# The test runner (cmake/wine-run.sh) and the stale-session sweep
# (scripts/lib.sh) leave no session behind, however a test ends: a test
# ended by a signal, a test killed with its whole process tree as ctest
# kills one that overruns its time-out, and the session such a test leaves
# all end with their wineserver ended and their folder gone. The hung test
# is RemoteService.exe run, which runs until it is stopped.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$here/scripts/lib.sh"
WINE_TEMPLATES=${RAVELO_WINE_TEMPLATES:?}
sessions=$WINE_TEMPLATES/sessions
failures=0
fail() {
  log "FAILED: $*"
  failures=$((failures + 1))
}

# within seconds command...: the command succeeds before the time is up.
within() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -ge "$end" ] && return 1
    sleep 0.2
  done
}

descendants() {
  local child
  for child in $(pgrep -P "$1"); do
    echo "$child"
    descendants "$child"
  done
}

runner="" session="" server=""
# The hung test runs under wine, and its session's wineserver is up.
test_runs() {
  local pid
  for pid in $(descendants "$runner"); do
    if grep -q 'RemoteService\.exe' "/proc/$pid/cmdline" 2>/dev/null; then
      server=$(WINEPREFIX=$session/prefix prefix_server_pid)
      [ -n "$server" ]
      return
    fi
  done
  return 1
}
gone() { ! kill -0 "$1" 2>/dev/null; }
session_ended() { [ ! -d "$session" ] && { [ -z "$server" ] || gone "$server"; }; }

# A test that hangs, run as ctest runs it; sets runner, session and server.
start_hung_test() {
  bash "$here/cmake/wine-run.sh" "$RAVELO_BIN/RemoteService.exe" run </dev/null >/dev/null 2>&1 &
  runner=$!
  session=$sessions/RemoteService-$runner
  within 120 test_runs
}

# Whatever a failed case left: this check's own processes and session.
clean_up() {
  [ -n "$runner" ] && kill -KILL $runner $(descendants "$runner") 2>/dev/null
  [ -n "$server" ] && kill -KILL "$server" 2>/dev/null
  [ -n "$session" ] && rm -rf "$session"
  runner="" session="" server=""
}
trap clean_up EXIT

# A signal to the runner ends the test at once, and its session with it.
if start_hung_test; then
  kill -TERM "$runner"
  within 30 gone "$runner" || fail "the runner did not end on TERM while its test ran"
  within 30 session_ended || fail "TERM left the session or its wineserver behind"
else
  fail "the hung test did not start"
fi
clean_up

# Killed with its whole process tree, as ctest kills a test on its time-out:
# no trap runs, and still the session ends.
if start_hung_test; then
  tree="$runner $(descendants "$runner")"
  kill -STOP $tree 2>/dev/null
  kill -KILL $tree 2>/dev/null
  within 30 session_ended || fail "a test killed with its process tree left its session or wineserver behind"
else
  fail "the hung test did not start"
fi
clean_up

# A session whose test is gone, with its wineserver still up: the sweep ends
# the server before it deletes the folder.
sweep=$(mktemp -d)
session=$sweep/sessions/gone-$(($(cat /proc/sys/kernel/pid_max) + 1))
mkdir -p "$session/prefix"
WINEPREFIX=$session/prefix wineserver -p </dev/null >/dev/null 2>&1
server=$(WINEPREFIX=$session/prefix prefix_server_pid)
if [ -n "$server" ]; then
  (WINE_TEMPLATES=$sweep remove_stale_sessions)
  within 15 session_ended || fail "the sweep deleted a stale session without ending its wineserver"
else
  fail "no wineserver for the stale session"
fi
clean_up
rm -rf "$sweep"

[ "$failures" -eq 0 ] && log "the runner leaves no session behind"
exit "$failures"
