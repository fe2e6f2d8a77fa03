#!/usr/bin/env bash
# Installs what is missing, builds, and runs Ravelo Remote with the
# simulated suite: the firmware simulator, the system service with its
# virtual remote, and the program itself from its program folder. It
# presses remote keys through the service, asks the program to quit, and
# prints what happened. Everything it writes goes to out/demo/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

OUT=${DEMO_OUT:-$ROOT/out/demo}
PIDS=()
cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  stop_all
}
trap cleanup EXIT

ensure_packages
build_project >/dev/null
start_display
start_wine

BIN=$BUILD_DIR/bin
DIST=$BUILD_DIR/dist
rm -rf "$OUT"; mkdir -p "$OUT"
cp "$BIN/OvAcpiDb.txt" "$OUT/firmware.txt"
export OVACPI_DB=$(winepath -w "$OUT/firmware.txt" 2>/dev/null)
export RAVELO_SERVICE_LOG=$(winepath -w "$OUT/service.log" 2>/dev/null)
export RAVELO_SERVICE_CHANNEL=demo-$$
export FLASHOBJ_LOG=$(winepath -w "$OUT/osd.log" 2>/dev/null)
export RAVELO_APEX_LOG=$(winepath -w "$OUT/ravelo-apex.log" 2>/dev/null)
export KELVO_LOG=$(winepath -w "$OUT/kelvo.log" 2>/dev/null)

svc() { wine "$BIN/RemoteService.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
acpi() { wine "$BIN/AcpiTool.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
say() { printf '%-28s %s\n' "$1" "$2"; }

wait_for() {  # wait_for SECONDS command...
  local limit=$1; shift
  local i
  for i in $(seq 1 $((limit * 4))); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.25
  done
  return 1
}
has_client() { [ -n "$(svc clients)" ]; }

echo "Ravelo Remote demo — output in $OUT"
(cd "$BIN" && exec wine RemoteService.exe run </dev/null >/dev/null 2>&1) &
PIDS+=($!)
wait_for 30 svc attempts || { echo "the service did not start"; exit 1; }
say "service" "running (attempts so far: $(svc attempts))"

# The sibling programs' stand-ins, on the same simulated firmware.
(cd "$BIN" && exec wine RaveloApexSim.exe </dev/null >/dev/null 2>&1) &
PIDS+=($!)
(cd "$BIN" && exec wine KelvoEngineSim.exe </dev/null >/dev/null 2>&1) &
PIDS+=($!)

acpi set 0x11060008 2 >/dev/null
say "firmware before start" "$(acpi get 0x11060008)"
(cd "$DIST" && exec wine RaveloRemote.exe </dev/null >/dev/null 2>&1) &
PROGRAM=$!
PIDS+=($PROGRAM)
wait_for 60 has_client || { echo "Ravelo Remote did not register"; exit 1; }
say "Ravelo Remote" "registered: $(svc clients)"

lines() { [ -f "$1" ] && wc -l < "$1" || echo 0; }
since() { [ -f "$1" ] && tail -n +"$(( $2 + 1 ))" "$1" | tr -d '\r'; }
shot=0
for key in 144 147 149; do
  osd0=$(lines "$OUT/osd.log"); apex0=$(lines "$OUT/ravelo-apex.log"); kelvo0=$(lines "$OUT/kelvo.log")
  if svc key $key >/dev/null; then say "key $key" "posted"; else say "key $key" "not posted"; fi
  sleep 1.5
  shot=$((shot + 1))
  /usr/bin/import -window root "$OUT/display-$shot-key-$key.png" 2>/dev/null || true
  sleep 6
  since "$OUT/osd.log" "$osd0" | grep -E ' request ' | sed 's/^[0-9]* /    osd: /'
  since "$OUT/ravelo-apex.log" "$apex0" | sed 's/^/    Ravelo Apex: /'
  since "$OUT/kelvo.log" "$kelvo0" | sed 's/^/    Kelvo Engine: /'
  say "    firmware" "active profile $(acpi get 0x11060008)"
done

say "quit" "$(svc quit >/dev/null && echo posted)"
for i in $(seq 1 120); do kill -0 "$PROGRAM" 2>/dev/null || break; sleep 0.25; done
if kill -0 "$PROGRAM" 2>/dev/null; then say "Ravelo Remote" "still running!"; else say "Ravelo Remote" "ended"; fi
say "clients after quit" "$(svc clients | wc -l)"
say "firmware after quit" "$(acpi get 0x11060008)"
svc stop >/dev/null || true
echo
echo "Service log:"
sed 's/^/  /' "$OUT/service.log" 2>/dev/null || true
