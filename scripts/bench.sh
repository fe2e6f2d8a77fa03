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

trap stop_all EXIT

ensure_packages
build_project
start_display
start_wine

mkdir -p "$ROOT/docs/bench"
raw="$ROOT/docs/bench/last-run.txt"
export RAVELO_DIST="$BUILD_DIR/dist" RAVELO_BIN="$BUILD_DIR/bin" RAVELO_SOURCE="$ROOT" RAVELO_BUILD="$BUILD_DIR"
log "running the benchmark (raw output: $raw)"
cd "$BUILD_DIR/bin"
wine program_bench.exe --out "Z:${raw//\//\\}" "$@" </dev/null
