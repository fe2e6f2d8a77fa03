#!/usr/bin/env bash
# The long soak: Ravelo Remote with the simulated suite for an hour, a key
# every few seconds, its memory, handles, threads and windows sampled as it
# goes. Runs in a Wine prefix and on an X display of its own, so a test run
# may go on beside it.
#
#   bash scripts/soak.sh [minutes]     default 60; output in out/soak/soak.log
#   RAVELO_SOAK_SAMPLE_SECONDS, RAVELO_SOAK_KEY_GAP_MS change the sampling
#   and the pace.
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${RAVELO_SOAK_PREFIX:-$ROOT/out/wineprefix-soak}
source "$ROOT/scripts/lib.sh"
OUT=$ROOT/out/soak
cleanup() { stop_all; }
trap cleanup EXIT

export RAVELO_SOAK_MINUTES=${1:-60}
unset DISPLAY
ensure_packages
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target reliability_soak >/dev/null
start_display
start_wine
mkdir -p "$OUT"
log "soak of $RAVELO_SOAK_MINUTES minutes; progress in $OUT/soak.log"
export RAVELO_DIST=$BUILD_DIR/dist RAVELO_BIN=$BUILD_DIR/bin RAVELO_SOURCE=$ROOT RAVELO_BUILD=$BUILD_DIR
# The soak passes only when the test says so and its process then ends
# well: a crash after the summary fails it too (pipefail carries wine's
# status through the pipe).
status=0
wine "$BUILD_DIR/bin/reliability_soak.exe" --gtest_color=no </dev/null 2>&1 | stdbuf -oL tr -d '\r' | tee "$OUT/soak.log" ||
  status=$?
grep -q '^\[  PASSED  \] 1 test' "$OUT/soak.log" || status=1
[ "$status" -eq 0 ] || log "soak FAILED (status $status); see $OUT/soak.log"
exit $status
