#!/usr/bin/env bash
# Builds, then measures the real program under Wine with the simulated
# suite: start-up, key latency, display cycles, the fade, idle cost, memory,
# handles and threads. Prints markdown tables; the whole output of the run
# goes to docs/bench/last-run.txt.
# Usage: scripts/bench.sh [program_bench options, e.g. --quick or --displays 200]
# Takes about 50 minutes with the defaults (1000 displays for the memory figures).
# The program keeps one copy per Wine session: run no tests meanwhile, or give
# the bench a prefix of its own (WINEPREFIX=...).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# The wineserver of this prefix, if one runs (its working folder is named
# after the prefix's device and inode).
prefix_server_pid() {
  local id p
  id=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
  for p in $(pgrep -x 'wineserver(32|64)?' || true); do
    if [ "$(basename "$(readlink "/proc/$p/cwd" 2>/dev/null)")" = "$id" ]; then
      echo "$p"
      return 0
    fi
  done
  return 1
}

BENCH_SERVER_OWNED=""
finish() {
  # lib.sh leaves a wineserver running when any other one runs; stop the one
  # this run started for its own prefix.
  if [ -n "$BENCH_SERVER_OWNED" ] && prefix_server_pid >/dev/null; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
  fi
  stop_all
}
trap finish EXIT

ensure_packages
build_project
start_display
[ -d "$WINEPREFIX" ] && prefix_server_pid >/dev/null || BENCH_SERVER_OWNED=1
start_wine

mkdir -p "$ROOT/docs/bench"
raw="$ROOT/docs/bench/last-run.txt"
export RAVELO_DIST="$BUILD_DIR/dist" RAVELO_BIN="$BUILD_DIR/bin" RAVELO_SOURCE="$ROOT" RAVELO_BUILD="$BUILD_DIR"
log "running the benchmark (raw output: $raw)"
cd "$BUILD_DIR/bin"
wine program_bench.exe --out "Z:${raw//\//\\}" "$@" </dev/null
