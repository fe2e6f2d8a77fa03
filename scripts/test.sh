#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine, each
# test process in a Wine session and on an X display of its own, several
# at a time (RAVELO_TEST_JOBS, default 6: the tests mostly wait on timers
# and displays, so more than the cores pays).
# Usage: scripts/test.sh [extra ctest arguments, e.g. -R osd]
# The fuzz targets (scripts/fuzz.sh) run beside the tests when no ctest
# arguments are given: each over its corpus plus RAVELO_FUZZ_SECONDS (10)
# of new inputs, at the lowest priority. RAVELO_FUZZ=1 runs them with a
# filtered test run too, RAVELO_FUZZ=0 never.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Non-blank lines that are not // comments, of the C++ files below the folders.
code_lines() {
  (cd "$ROOT" && find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -exec cat {} +) | grep -c -v -E '^\s*(//|$)'
}

run_fuzz=${RAVELO_FUZZ:-$([ $# -eq 0 ] && echo 1 || echo 0)}

ensure_packages
[ "$run_fuzz" = 1 ] && ensure_packages "${FUZZ_PACKAGES[@]}"
bash "$ROOT/scripts/check_format.sh"
bash "$ROOT/scripts/check_layers.sh"
build_project
make_wine_template
remove_stale_sessions

# ---- fuzz targets, side by side with the tests ----
fuzz_pid=""
fuzz_out="$BUILD_DIR/fuzz-summary.txt"
if [ "$run_fuzz" = 1 ]; then
  log "fuzz targets running beside the tests (output in $fuzz_out)"
  FUZZ_NICE=19 bash "$ROOT/scripts/fuzz.sh" "${RAVELO_FUZZ_SECONDS:-10}" </dev/null >"$fuzz_out" 2>&1 &
  fuzz_pid=$!
fi

log "running tests"
cd "$BUILD_DIR"
status=0
ctest --output-on-failure --timeout 1200 -j"${RAVELO_TEST_JOBS:-6}" "$@" || status=$?

if [ -n "$fuzz_pid" ]; then
  fuzz_status=0
  wait "$fuzz_pid" || fuzz_status=$?
  clean=$(grep -c '^fuzz .* ok ' "$fuzz_out" || true)
  if [ "$fuzz_status" -eq 0 ]; then
    log "fuzz: all $clean targets clean over their corpora plus ${RAVELO_FUZZ_SECONDS:-10} s each"
  else
    log "fuzz: FAILED ($clean targets clean); see $fuzz_out"
    grep -E '^fuzz |^    ' "$fuzz_out" >&2 || tail -n 20 "$fuzz_out" >&2
    status=1
  fi
fi
# ---- end of the fuzz targets ----
tests=$(code_lines tests)
code=$(code_lines src sim)
log "test share: $tests test lines against $code program and stand-in lines ($((100 * tests / code))%)"
exit $status
