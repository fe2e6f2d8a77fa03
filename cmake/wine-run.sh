#!/usr/bin/env bash
# Runs a Windows executable under Wine for CTest. Once scripts/test.sh has
# made the template prefixes (in RAVELO_WINE_TEMPLATES, set by ravelo_test),
# each test process gets a Wine session of its own: a copy of the template
# of its configuration (RAVELO_WINEARCH, RAVELO_WINVER; scripts/lib.sh), its
# own wineserver and its own X display of the configuration's size
# (RAVELO_SCREEN). The program allows one copy per logon, so this is what
# lets tests run side by side; the own display keeps a test's pictures and
# keys free of another test's windows.
# Without the templates (a test run by hand before any test.sh), the test
# runs in the checkout's prefix on the current display.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
templates=${RAVELO_WINE_TEMPLATES:-}
if [ -z "$templates" ] || [ ! -d "$templates" ]; then
  export WINEPREFIX=${WINEPREFIX:-$here/.wineprefix}
  export WINEARCH=${WINEARCH:-win32}
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
  exec wine "$@"
fi

source "$here/scripts/lib.sh"
WINE_TEMPLATES=$templates
template=$(wine_template)
[ -f "$template/.ready" ] || { log "no template prefix $template: scripts/test.sh or scripts/matrix.sh makes it"; exit 1; }
sessions=$WINE_TEMPLATES/sessions
session=$sessions/$(basename "$1" .exe)-$$
export WINEPREFIX=$session/prefix

wine_pid=""
end_session() {
  # Whatever the test left running in its session ends with it.
  wineserver -k </dev/null >/dev/null 2>&1 && wineserver -w </dev/null >/dev/null 2>&1
  stop_display
  rm -rf "$session"
}
# Wine runs in the background: bash runs no trap while a foreground child
# runs, so a signal would wait for the test to end by itself. It is passed
# on to wine, and the session ends with the script.
pass_on() {
  [ -n "$wine_pid" ] && kill -s "$1" "$wine_pid" 2>/dev/null
  exit "$2"
}
trap end_session EXIT
trap 'pass_on INT 130' INT
trap 'pass_on TERM 143' TERM
trap 'pass_on HUP 129' HUP

mkdir -p "$session" && copy_prefix "$template" "$WINEPREFIX" || { log "could not copy $template"; exit 1; }
# ctest ends a test that overruns its time-out with SIGKILL to its whole
# process tree, which no trap sees: a watcher outside the tree ends the
# session once this script is gone.
(setsid bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done; source "$2"; end_stale_session "$3"' \
  watcher "$$" "$here/scripts/lib.sh" "$session" </dev/null >/dev/null 2>&1 &)
unset DISPLAY
start_display || exit 1
wine "$@" <&0 &
wine_pid=$!
wait "$wine_pid"
