#!/usr/bin/env bash
# The demo tour: installs what is missing, builds, and runs Ravelo Remote
# from its program folder with the whole simulated suite (firmware
# simulator, system service with its virtual remote, the overclocking
# program's and the power-saving engine's stand-ins). It then presses the
# remote's keys through the service and shows every display: for each step
# a screenshot while the display is up and one line of what happened.
#
#   bash scripts/demo.sh                 the tour; output in out/demo/
#   bash scripts/demo.sh --interactive   the tour, then the suite stays up
#                                        with the virtual remote to click
#                                        (needs a real display); Enter ends it
#   bash scripts/demo.sh --refresh-docs  the tour, then its overview and
#                                        animated display replace the
#                                        README's pictures in docs/demo/
#   options: --no-tour (with --interactive: skip the tour), --out DIR
#
# The demo writes to out/ (and builds into build/) only; the pictures in
# docs/ change only with --refresh-docs. It runs in a Wine prefix of its own
# (out/wineprefix-demo, or RAVELO_DEMO_PREFIX), so its settings and its
# running copy of the program never meet those of the test runs.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${RAVELO_DEMO_PREFIX:-$ROOT/out/wineprefix-demo}
source "$ROOT/scripts/lib.sh"
source "$ROOT/scripts/demo/helpers.sh"

usage() { sed -n '2,21p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'; }

INTERACTIVE=""
TOUR=1
REFRESH_DOCS=""
OUT=${DEMO_OUT:-$ROOT/out/demo}
while [ $# -gt 0 ]; do
  case "$1" in
    --interactive) INTERACTIVE=1 ;;
    --no-tour) TOUR="" ;;
    --refresh-docs) REFRESH_DOCS=1 ;;
    --out) [ $# -ge 2 ] || { usage >&2; exit 2; }; OUT=$2; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "unknown option: $1" >&2; usage >&2; exit 2 ;;
  esac
  shift
done
if [ -n "$INTERACTIVE" ] && ! { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }; then
  echo "--interactive needs a display to click on (DISPLAY is not set or not reachable)." >&2
  exit 2
fi
[ -n "$TOUR" ] || [ -n "$INTERACTIVE" ] || { echo "--no-tour is for --interactive" >&2; exit 2; }
# The README's pictures come from a tour on a screen of its own: a person's
# desktop may show anything.
if [ -n "$REFRESH_DOCS" ] && { [ -n "$INTERACTIVE" ] || [ -z "$TOUR" ]; }; then
  echo "--refresh-docs takes the plain tour, not --interactive or --no-tour" >&2
  exit 2
fi
case "$OUT" in /*) ;; *) OUT=$PWD/$OUT ;; esac

rm -rf "$OUT"
mkdir -p "$OUT"
LOG=$OUT/demo.log
: >"$LOG"
# say TEXT: a line for the person watching, kept in the log too.
say() { printf '%s\n' "$*" | tee -a "$LOG"; }
note() { printf '%s\n' "$*" >>"$LOG"; }

STARTED=()
PROGRAM="" SERVICE="" APEX="" KELVO=""
cleanup() {
  local status=$?
  trap - EXIT INT TERM
  set +e
  if is_running "$PROGRAM"; then
    svc quit >/dev/null
    end_pid "$PROGRAM"
  fi
  is_running "$APEX" && (cd "$BIN" && wine RaveloApexSim.exe --quit </dev/null >/dev/null 2>&1)
  is_running "$KELVO" && (cd "$BIN" && wine KelvoEngineSim.exe --quit </dev/null >/dev/null 2>&1)
  if is_running "$SERVICE"; then
    svc stop >/dev/null
  fi
  local pid
  for pid in "${STARTED[@]}"; do end_pid "$pid"; done
  stop_all
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- build and environment ------------------------------------------------

ensure_packages
log "building (output in $OUT/build.log)"
if ! demo_build >"$OUT/build.log" 2>&1; then
  tail -n 30 "$OUT/build.log" >&2
  echo "the build failed; see $OUT/build.log" >&2
  exit 1
fi
BIN=$BUILD_DIR/bin
DIST=$BUILD_DIR/dist
start_display
start_wine

# One firmware for every process: a copy of the default board's database.
cp "$BIN/OvAcpiDb.txt" "$OUT/firmware.txt"
win() { winepath -w "$1" 2>/dev/null; }
export OVACPI_DB; OVACPI_DB=$(win "$OUT/firmware.txt")
export RAVELO_SERVICE_LOG; RAVELO_SERVICE_LOG=$(win "$OUT/service.log")
export RAVELO_SERVICE_CHANNEL=demo-$$
export FLASHOBJ_LOG; FLASHOBJ_LOG=$(win "$OUT/osd.log")
export RAVELO_APEX_LOG; RAVELO_APEX_LOG=$(win "$OUT/ravelo-apex.log")
export KELVO_LOG; KELVO_LOG=$(win "$OUT/kelvo-engine.log")
unset FLASHOBJ_SPEED RAVELO_SIM_REGISTRY_BASE

# Profiles: Default.oc sets the default clock at 3200 MHz (step 8). Button A
# is the firmware profile "Gaming" (3800 MHz), B "Silent" (3200 MHz), C the
# file Eco.oc at 3100 MHz, below the default, so C only warns.
PROFILES=$(common_appdata)/Orva\ OC\ Profiles
write_profile "$PROFILES/Default/Default.oc" 8
write_profile "$PROFILES/Eco.oc" 4
# The bindings are read from HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE after
# the version Windows reports; both get them, so either reading finds them.
# The power-saving engine counts as calibrated: six thresholds (the board
# has the three extra threshold items) and no "still needed" flag.
{
  echo 'REGEDIT4'
  for root in HKEY_CURRENT_USER HKEY_LOCAL_MACHINE; do
    printf '\n[%s\\Software\\Orva\\Ravelo Profile]\n' "$root"
    printf '"RRProfileAIndex"=dword:00000000\n"RRProfileAName"="Gaming"\n'
    printf '"RRProfileBIndex"=dword:00000001\n"RRProfileBName"="Silent"\n'
    printf '"RRProfileCIndex"=dword:00000002\n"RRProfileCName"="Eco"\n'
  done
  printf '\n[HKEY_LOCAL_MACHINE\\Software\\Orva\\Drivo3]\n'
  for n in 1 2 3 4 5 6; do printf '"Threshold%d"=dword:%08x\n' "$n" $((20 * n)); done
  printf '\n[HKEY_CURRENT_USER\\Software\\Orva\\Drivo3\\Advance]\n"CalibrationNeeded"=dword:00000000\n'
} >"$OUT/settings.reg"
wine regedit /S "$(win "$OUT/settings.reg")" </dev/null >/dev/null 2>&1
CALIBRATION_KEY='HKCU\Software\Orva\Drivo3\Advance'

# --- the suite ------------------------------------------------------------------

say "Ravelo Remote demo: output in $OUT"
# The virtual remote is shown in the tour too: the overview has its picture.
start_bg SERVICE "$BIN" RemoteService.exe run --show
wait_for 60 service_up || { say "the service did not start"; exit 1; }
# For the tour, clear of the stand-ins' windows and of the displays' middle;
# for a person, beside the stand-ins' windows rather than under them.
REMOTE_AT=(1560 600)
[ -n "$INTERACTIVE" ] && REMOTE_AT=(800 40)
wait_for 30 remote_shown && wine "$BIN/TourWindows.exe" move - "Ravelo Virtual Remote" "${REMOTE_AT[@]}" </dev/null >/dev/null 2>&1 || true

start_apex() {
  start_bg APEX "$BIN" RaveloApexSim.exe
  wait_for 60 has_line_since "$OUT/ravelo-apex.log" 0 . || { say "Ravelo Apex stand-in did not start"; exit 1; }
}
start_kelvo() {
  start_bg KELVO "$BIN" KelvoEngineSim.exe
  wait_for 60 has_line_since "$OUT/kelvo-engine.log" 0 . || { say "Kelvo Engine stand-in did not start"; exit 1; }
}
start_apex
start_kelvo

start_bg PROGRAM "$DIST" RaveloRemote.exe
wait_for 60 has_client || { say "Ravelo Remote did not register with the service"; exit 1; }
note "registered: $(svc clients)"
say "suite running: service, Ravelo Apex and Kelvo Engine stand-ins, Ravelo Remote ($DIST)"
say "firmware at start: $(firmware_line)"

# --- the tour ------------------------------------------------------------------------

STEP=0
FAULTS=0
TILES=()
# The virtual remote, photographed once the suite is up.
if remote_picture "$OUT/virtual-remote.png"; then
  TILES+=("$OUT/virtual-remote.png" "The virtual remote (--interactive)")
else
  note "no picture of the virtual remote"
fi
# One whole display of this step is recorded for the animated picture.
RECORD_STEP=1
RECORDER=""
SHOOTERS=()
OSD_LOG=$OUT/osd.log
APEX_LOG=$OUT/ravelo-apex.log
KELVO_LOG_FILE=$OUT/kelvo-engine.log

press() {
  if svc key "$1" >/dev/null; then return 0; fi
  note "  key $1 was not posted"
  return 1
}

# step TITLE MOVIE KEY...: presses the keys one after the other, each one
# once the display has reacted to the one before, with a screenshot each
# time; a key written as N- is pressed while the display stays as it is.
# Then waits for the display to end and prints what happened.
step() {
  local title=$1 movie=$2
  shift 2
  STEP=$((STEP + 1))
  local slug
  slug=$(printf '%02d-%s' "$STEP" "$(printf '%s' "$title" | tr 'A-Z' 'a-z' | tr -c 'a-z0-9' '-' | tr -s '-')")
  slug=${slug%-}
  local osd0 apex0 kelvo0 before key n=0 shot="" problem=""
  osd0=$(lines_of "$OSD_LOG"); apex0=$(lines_of "$APEX_LOG"); kelvo0=$(lines_of "$KELVO_LOG_FILE")
  if [ -n "$TOUR" ] && [ "$STEP" -eq "$RECORD_STEP" ]; then
    start_recorder "$OUT/.frames" || note "  the recorder did not start"
  fi
  for key in "$@"; do
    n=$((n + 1))
    if [ "${key%-}" != "$key" ]; then
      press "${key%-}" || problem="key ${key%-} not posted"
      sleep 1
      continue
    fi
    before=$(lines_of "$OSD_LOG")
    press "$key" || problem="key $key not posted"
    # A later key of the same display changes what it shows; the display's
    # own end ("out", "end") is no answer to it.
    local answer=' request '
    [ "$n" -gt 1 ] && answer=' request (set2Digit|show [0-9]|play [0-9]|changeLabel|changeContent)'
    if ! wait_for 20 has_line_since "$OSD_LOG" "$before" "$answer"; then
      if [ "$n" -eq 1 ]; then
        # The display before may have taken longer to go: one more press.
        note "  key $key: no display after 20 s, pressed again"
        press "$key" || true
        wait_for 20 has_line_since "$OSD_LOG" "$before" ' request ' || { problem="key $key: nothing shown"; continue; }
      else
        problem="key $key: display unchanged"
        continue
      fi
    fi
    # The intro or the change has played; a later key must come well
    # within the display's 3-second idle time, screenshot included.
    # The last key's picture may wait for the change to settle.
    if [ "$n" -eq 1 ]; then sleep 0.6; elif [ "$n" -lt $# ]; then sleep 0.3; else sleep 0.8; fi
    if [ $# -gt 1 ]; then shot="$OUT/$slug-$n.png"; else shot="$OUT/$slug.png"; fi
    if [ "$n" -lt $# ]; then
      # The screen is read as soon as the screenshot starts, long before
      # the next key (a Windows process of its own) reaches the display;
      # waiting for the picture to be written could let the display's
      # three idle seconds run out first.
      screenshot "$shot" &
      SHOOTERS+=("$!")
    else
      screenshot "$shot" || problem="no screenshot"
    fi
  done
  local shooter
  for shooter in "${SHOOTERS[@]}"; do wait "$shooter" || problem=${problem:-"no screenshot"}; done
  SHOOTERS=()
  if ! wait_for 60 has_line_since "$OSD_LOG" "$osd0" " $movie callback outro"; then
    problem=${problem:-"the display did not end"}
  fi
  # The fade-out hides the OSD; then the state ends and sends what it
  # sends at the end.
  wait_for 30 osd_hidden || problem=${problem:-"the display stayed on screen"}
  sleep 1
  [ -n "$shot" ] && TILES+=("$shot" "$STEP. $title")
  if [ "$STEP" -eq "$RECORD_STEP" ] && [ -n "$RECORDER" ]; then
    wait "$RECORDER" 2>/dev/null || note "  the recorder failed"
    RECORDER=""
    if make_animation "$OUT/.frames" "$OUT/display.gif"; then
      note "  animated display: $OUT/display.gif"
    else
      note "  could not make the animated display (see $OUT/montage.txt)"
    fi
    [ -n "${DEMO_KEEP_FRAMES:-}" ] || rm -rf "$OUT/.frames"
  fi

  local osd apex kelvo
  osd=$(since "$OSD_LOG" "$osd0" | osd_summary)
  apex=$(since "$APEX_LOG" "$apex0" | sibling_summary)
  kelvo=$(since "$KELVO_LOG_FILE" "$kelvo0" | sibling_summary)
  case "$osd" in "$movie"*) ;; *) problem=${problem:-"expected the $movie display"} ;; esac
  local keys="$*"
  say "$(printf '%2d. %s | key %s | OSD %s | Ravelo Apex got: %s | Kelvo Engine got: %s | firmware: %s%s' \
    "$STEP" "$title" "${keys//-/}" "$osd" "$apex" "$kelvo" "$(firmware_line)" "${problem:+ | PROBLEM: $problem}")"
  {
    since "$OSD_LOG" "$osd0" | sed 's/^/    osd: /'
    since "$APEX_LOG" "$apex0" | sed 's/^/    Ravelo Apex: /'
    since "$KELVO_LOG_FILE" "$kelvo0" | sed 's/^/    Kelvo Engine: /'
  } >>"$LOG"
  if [ -n "$problem" ]; then FAULTS=$((FAULTS + 1)); fi
  return 0
}

stop_sibling() {  # EXE PIDVAR
  (cd "$BIN" && wine "$1" --quit </dev/null >/dev/null 2>&1) || true
  end_pid "${!2}"
  say "    ($1 stopped)"
}

if [ -n "$TOUR" ]; then
  step "Profile A on" RaveloProfileOn 144
  step "Profile A off" RaveloProfileOff 144
  step "Profile B on" RaveloProfileOn 145
  step "Profile C below the default clock" Warning 146
  step "Manual mode cycle" KelvoManual 147 147 147 147
  step "Auto mode" KelvoAuto 148
  reg_dword "$CALIBRATION_KEY" CalibrationNeeded 1
  note "    (CalibrationNeeded = 1)"
  step "Auto mode, calibration needed" Warning 148 148-
  reg_dword "$CALIBRATION_KEY" CalibrationNeeded 0
  step "Clock tuning up" OCTuning 149 149 149
  step "Clock tuning down" OCTuning 150 150 150
  stop_sibling RaveloApexSim.exe APEX
  step "Ravelo Apex not running" Warning 144
  stop_sibling KelvoEngineSim.exe KELVO
  step "Kelvo Engine not running" Warning 147

  if make_overview "$OUT/overview.png" "${TILES[@]}"; then
    say "overview of all displays: $OUT/overview.png"
  else
    say "could not make the overview picture (see $OUT/montage.txt)"
  fi
fi

[ -f "$OUT/display.gif" ] && say "one display in motion: $OUT/display.gif"

if [ -n "$INTERACTIVE" ]; then
  # A working suite for the person at the remote.
  is_running "$APEX" || start_apex
  is_running "$KELVO" || start_kelvo
  say ""
  say "The suite is running with the virtual remote open: click its keys."
  say "The displays' requests go to $OUT/osd.log, the stand-ins' to their logs there."
  read -r -p "Press Enter to end the demo. " _ || true
fi

say "quit: $(svc quit >/dev/null && echo "asked through the service" || echo "could not be posted")"
if wait_for 30 has_ended "$PROGRAM"; then say "Ravelo Remote ended"; else say "Ravelo Remote did not end"; FAULTS=$((FAULTS + 1)); fi
say "firmware after quit: $(firmware_line)"
if [ "$FAULTS" -gt 0 ]; then
  say "$FAULTS step(s) did not go as expected; see $LOG"
  exit 1
fi
say "done: screenshots, logs and overview in $OUT"

# The README's pictures are replaced only when asked, and only by a tour
# that went as expected and made both.
if [ -n "$REFRESH_DOCS" ]; then
  if [ ! -f "$OUT/overview.png" ] || [ ! -f "$OUT/display.gif" ]; then
    say "README pictures left as they were: the tour made no overview or no animated display"
    exit 1
  fi
  mkdir -p "$ROOT/docs/demo"
  cp "$OUT/overview.png" "$OUT/display.gif" "$ROOT/docs/demo/"
  say "README pictures refreshed: docs/demo/overview.png, docs/demo/display.gif"
fi
