#!/usr/bin/env bash
# Builds, then measures the real program under Wine with the simulated
# suite: start-up, key latency, display cycles, the fade, idle cost, memory,
# handles and threads. Prints markdown tables; the whole output of the run
# goes to docs/bench/last-run.txt. The last line of standard output is one
# JSON object with the headline figures (medians).
# Usage: scripts/bench.sh [--compare REV] [--screen WxH] [program_bench options, e.g. --quick or --displays 200]
#   --screen WxH   runs on an X server of its own of that size (the stretched
#                  smoke and the display's pictures grow with the screen);
#                  the raw output then goes to docs/bench/screen-WxH.txt.
#   --compare REV  also builds REV (any git revision) in a folder of its own
#                  (BENCH_BASELINE_DIR, default /tmp/ravelo-bench-<commit>)
#                  and runs both program folders in one session, alternating
#                  run by run: every headline figure with its baseline and
#                  their ratio. The raw output then goes to
#                  docs/bench/compare-run.txt.
# Takes about 50 minutes with the defaults (1000 displays for the memory figures).
# The program keeps one copy per Wine session: run no tests meanwhile, or give
# the bench a prefix of its own (WINEPREFIX=...).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

compare=""
screen=""
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --compare)
      [ $# -ge 2 ] || { log "--compare needs a revision"; exit 2; }
      compare=$2; shift 2 ;;
    --screen)
      [[ "${2:-}" =~ ^[1-9][0-9]{2,4}x[1-9][0-9]{2,4}$ ]] || { log "--screen needs WxH, e.g. 3840x2160"; exit 2; }
      screen=$2; shift 2 ;;
    *) args+=("$1"); shift ;;
  esac
done

trap stop_all EXIT

ensure_packages
build_project
cmake --build "$BUILD_DIR" --target program_bench -j"$(nproc)"

baseline_args=()
raw="$ROOT/docs/bench/last-run.txt"
if [ -n "$compare" ]; then
  commit=$(git -C "$ROOT" rev-parse --verify "$compare^{commit}")
  base_root=${BENCH_BASELINE_DIR:-/tmp/ravelo-bench-${commit:0:12}}
  if [ ! -f "$base_root/CMakeLists.txt" ]; then
    log "unpacking $compare ($commit) into $base_root"
    mkdir -p "$base_root"
    git -C "$ROOT" archive "$commit" | tar -x -C "$base_root"
  fi
  # Only the program folder of the baseline is needed; the service, the
  # stand-ins and the driver are this build's.
  (
    ROOT=$base_root
    BUILD_DIR=$base_root/build
    local_launcher=()
    if command -v ccache >/dev/null 2>&1; then
      local_launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
      export CCACHE_BASEDIR=$(dirname "$base_root") CCACHE_NOHASHDIR=1
    fi
    log "building the baseline's program folder in $BUILD_DIR"
    cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" \
          -DCMAKE_BUILD_TYPE=RelWithDebInfo "${local_launcher[@]}" >/dev/null
    cmake --build "$BUILD_DIR" --target ravelo_dist -j"$(nproc)"
  )
  baseline_args=(--baseline "$base_root/build/dist")
  raw="$ROOT/docs/bench/compare-run.txt"
fi

if [ -n "$screen" ]; then
  export RAVELO_SCREEN=$screen
  unset DISPLAY
  [ -n "$compare" ] || raw="$ROOT/docs/bench/screen-$screen.txt"
fi
start_display
start_wine

mkdir -p "$ROOT/docs/bench"
export RAVELO_DIST="$BUILD_DIR/dist" RAVELO_BIN="$BUILD_DIR/bin" RAVELO_SOURCE="$ROOT" RAVELO_BUILD="$BUILD_DIR"
log "running the benchmark (raw output: $raw)"
cd "$BUILD_DIR/bin"
wine program_bench.exe --out "Z:${raw//\//\\}" "${baseline_args[@]}" "${args[@]}" </dev/null
