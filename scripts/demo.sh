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

acpi set 0x11060008 2 >/dev/null
say "firmware before start" "$(acpi get 0x11060008)"
(cd "$DIST" && exec wine RaveloRemote.exe </dev/null >/dev/null 2>&1) &
PROGRAM=$!
PIDS+=($PROGRAM)
wait_for 60 has_client || { echo "Ravelo Remote did not register"; exit 1; }
say "Ravelo Remote" "registered: $(svc clients)"

for key in 144 147 149; do
  if svc key $key >/dev/null; then say "key $key" "posted"; else say "key $key" "not posted"; fi
  sleep 4
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
