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
# The template prefixes boot while the build runs: the default one and the
# 64-bit one of the tests that also run in the 64-bit 4K configuration
# (name@win64-4k, cmake/Ravelo.cmake).
mkdir -p "$WINE_TEMPLATES"
(make_wine_template) >"$WINE_TEMPLATES/template.log" 2>&1 &
template_pid=$!
template64_pid=""
if [ "$(RAVELO_WINVER="" WINEARCH=win64 wine_template)" != "$(wine_template)" ]; then
  (RAVELO_WINVER="" WINEARCH=win64 make_wine_template) >"$WINE_TEMPLATES/template-win64.log" 2>&1 &
  template64_pid=$!
fi
build_status=0
build_project || build_status=$?
templates_status=0
wait "$template_pid" || templates_status=$?
[ -z "$template64_pid" ] || wait "$template64_pid" || templates_status=$?
cat "$WINE_TEMPLATES"/template*.log >&2
[ "$build_status" -eq 0 ] || exit "$build_status"
[ "$templates_status" -eq 0 ] || { log "could not make the template prefixes"; exit 1; }
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
