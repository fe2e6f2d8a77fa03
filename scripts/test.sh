#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine, each
# test process in a Wine session and on an X display of its own, several
# at a time (RAVELO_TEST_JOBS, default 6: the tests mostly wait on timers
# and displays, so more than the cores pays).
# Usage: scripts/test.sh [extra ctest arguments, e.g. -R osd]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Non-blank lines that are not // comments, of the C++ files below the folders.
code_lines() {
  (cd "$ROOT" && find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -exec cat {} +) | grep -c -v -E '^\s*(//|$)'
}

ensure_packages
bash "$ROOT/scripts/check_format.sh"
build_project
make_wine_template
remove_stale_sessions
log "running tests"
cd "$BUILD_DIR"
status=0
ctest --output-on-failure --timeout 1200 -j"${RAVELO_TEST_JOBS:-6}" "$@" || status=$?
tests=$(code_lines tests)
code=$(code_lines src sim)
log "test share: $tests test lines against $code program and stand-in lines ($((100 * tests / code))%)"
exit $status
