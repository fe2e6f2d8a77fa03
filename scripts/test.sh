#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine.
# Usage: scripts/test.sh [extra ctest arguments, e.g. -R osd]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
trap stop_all EXIT

ensure_packages
bash "$ROOT/scripts/check_format.sh"
build_project
start_display
start_wine
log "running tests"
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 1200 "$@"
