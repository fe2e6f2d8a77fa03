#!/usr/bin/env bash
# Runs the end-to-end tests (CTest label "matrix": shell, actions, OSD and
# pictures, languages, installer, reliability) in each configuration a user
# may have, one changed from the test command's default (a 32-bit prefix,
# Wine's own Windows version, a 1920x1080 screen) at a time:
#   win64      a 64-bit prefix: the 32-bit program under WOW64, the
#              installer into "Program Files (x86)", its keys in the 32-bit
#              registry view
#   winxp, win7, win81, win10
#              the Windows version Wine reports (5.1, 6.1, 6.2, 6.2: a
#              program without a compatibility manifest is told 6.2 from
#              8.1 on), which picks the root of the button bindings
#   640x480, 1366x768, 1080x1920, 3840x2160
#              the screen
# Prints one line per configuration (name, what it is, passed and failed
# counts, time) and ends non-zero when a test failed anywhere; each
# configuration's CTest output is in build/matrix/<name>.log.
# Usage: scripts/matrix.sh [name ...]   (default: every configuration)
# RAVELO_TEST_JOBS (default 3) tests run side by side.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# name|what it is|its settings
CONFIGURATIONS=(
  "win64|64-bit prefix (WOW64)|RAVELO_WINEARCH=win64"
  "winxp|Windows XP reported (5.1)|RAVELO_WINVER=winxp"
  "win7|Windows 7 reported (6.1)|RAVELO_WINVER=win7"
  "win81|Windows 8.1 reported (6.2)|RAVELO_WINVER=win81"
  "win10|Windows 10 reported (6.2)|RAVELO_WINVER=win10"
  "640x480|screen 640x480|RAVELO_SCREEN=640x480"
  "1366x768|screen 1366x768|RAVELO_SCREEN=1366x768"
  "1080x1920|screen 1080x1920 (portrait)|RAVELO_SCREEN=1080x1920"
  "3840x2160|screen 3840x2160|RAVELO_SCREEN=3840x2160"
)

selected=("$@")
for wanted in "${selected[@]}"; do
  found=""
  for entry in "${CONFIGURATIONS[@]}"; do
    [ "${entry%%|*}" = "$wanted" ] && found=1
  done
  [ -n "$found" ] || { log "no configuration $wanted"; exit 2; }
done

ensure_packages
mkdir -p "$BUILD_DIR/matrix"
log "building (output in $BUILD_DIR/matrix/build.log)"
build_project >"$BUILD_DIR/matrix/build.log" 2>&1 || { tail -n 30 "$BUILD_DIR/matrix/build.log" >&2; exit 1; }
remove_stale_sessions

# Every configuration starts from the default one.
unset RAVELO_WINEARCH RAVELO_WINVER RAVELO_SCREEN

failed_configurations=0
log "$(git -C "$ROOT" rev-parse --short HEAD)$(git -C "$ROOT" diff --quiet HEAD || echo ' with changes'), $(date -u '+%Y-%m-%d %H:%M UTC')"
for entry in "${CONFIGURATIONS[@]}"; do
  IFS='|' read -r name what settings <<<"$entry"
  if [ ${#selected[@]} -gt 0 ] && [[ " ${selected[*]} " != *" $name "* ]]; then
    continue
  fi
  out="$BUILD_DIR/matrix/$name.log"
  start=$SECONDS
  status=0
  (
    export $settings
    export WINEARCH=${RAVELO_WINEARCH:-win32}
    make_wine_template
    cd "$BUILD_DIR"
    ctest --output-on-failure --timeout 1200 -j"${RAVELO_TEST_JOBS:-3}" -L '^matrix$'
  ) >"$out" 2>&1 </dev/null || status=$?
  seconds=$((SECONDS - start))
  total=$(sed -n 's/.*tests passed, [0-9]* tests\{0,1\} failed out of \([0-9]*\)$/\1/p' "$out" | tail -n 1)
  failed=$(sed -n 's/.*tests passed, \([0-9]*\) tests\{0,1\} failed out of [0-9]*$/\1/p' "$out" | tail -n 1)
  if [ -z "$total" ]; then
    result="did not run (see $out)"
    status=1
  else
    result="$((total - failed)) passed, $failed failed"
  fi
  printf '%-10s %-28s %-24s %dm%02ds\n' "$name" "$what" "$result" $((seconds / 60)) $((seconds % 60))
  if [ "$status" -ne 0 ]; then
    failed_configurations=$((failed_configurations + 1))
    sed -n '/The following tests FAILED:/,$p' "$out" | grep -E '^\s+[0-9]+ - ' | sed 's/^\s*/    /' || true
  fi
done
[ "$failed_configurations" -eq 0 ]
