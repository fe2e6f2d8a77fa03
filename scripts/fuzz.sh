#!/usr/bin/env bash
# Builds the native fuzz targets (fuzz/) with clang's libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs every target side
# by side for the given number of seconds (default 60) over its committed
# seed corpus. Exits non-zero when a target fails to build or finds a fault.
#
# Usage: scripts/fuzz.sh [seconds-per-target] [target ...]
# Environment: FUZZ_BUILD_DIR (default build-fuzz), FUZZ_LOG_DIR (default
# <build>/logs), FUZZ_NICE (niceness of the runs, default 0).
# Inputs that made a target fail land in <build>/findings/<target>/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

SECONDS_PER_TARGET=${1:-60}
shift || true
FUZZ_BUILD_DIR=${FUZZ_BUILD_DIR:-$ROOT/build-fuzz}
FUZZ_LOG_DIR=${FUZZ_LOG_DIR:-$FUZZ_BUILD_DIR/logs}
FUZZ_NICE=${FUZZ_NICE:-0}

ensure_packages "${FUZZ_PACKAGES[@]}"

launcher=""
if command -v ccache >/dev/null 2>&1; then
  launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$ROOT")}
  export CCACHE_NOHASHDIR=1
fi
log "building the fuzz targets in $FUZZ_BUILD_DIR"
cmake -S "$ROOT/fuzz" -B "$FUZZ_BUILD_DIR" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=None $launcher >/dev/null
nice -n "$FUZZ_NICE" cmake --build "$FUZZ_BUILD_DIR" -j"$(nproc)" >"$FUZZ_BUILD_DIR/build.log" 2>&1 ||
  { cat "$FUZZ_BUILD_DIR/build.log" >&2; echo "fuzz: build failed" >&2; exit 1; }

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for seeds in "$ROOT"/fuzz/corpus/*/; do
    targets+=("$(basename "$seeds")")
  done
fi

mkdir -p "$FUZZ_LOG_DIR"
log "running ${#targets[@]} targets for ${SECONDS_PER_TARGET}s each"
pids=()
for t in "${targets[@]}"; do
  mkdir -p "$FUZZ_BUILD_DIR/corpus/$t" "$FUZZ_BUILD_DIR/findings/$t"
  # The first folder gathers what the run finds; the committed seeds stay
  # as they are. Every seed is run first, so a kept fault input fails the
  # target at once.
  nice -n "$FUZZ_NICE" "$FUZZ_BUILD_DIR/fuzz_$t" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$FUZZ_BUILD_DIR/findings/$t/" \
    "$FUZZ_BUILD_DIR/corpus/$t" "$ROOT/fuzz/corpus/$t" </dev/null >"$FUZZ_LOG_DIR/$t.log" 2>&1 &
  pids+=($!)
done

failed=0
passed=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  rc=0
  wait "${pids[$i]}" || rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$FUZZ_LOG_DIR/$t.log" | tail -n 1)
  if [ "$rc" -eq 0 ]; then
    passed=$((passed + 1))
    printf 'fuzz %-16s ok      %s executions\n' "$t" "${runs:-?}"
  else
    failed=$((failed + 1))
    printf 'fuzz %-16s FAILED  exit %s, see %s\n' "$t" "$rc" "$FUZZ_LOG_DIR/$t.log"
    grep -m 3 -E 'ERROR|SUMMARY|runtime error|Test unit written' "$FUZZ_LOG_DIR/$t.log" | sed 's/^/    /' || true
  fi
done
echo "fuzz: ${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
