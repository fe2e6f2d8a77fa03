#!/usr/bin/env bash
# Runs a Windows executable under Wine for CTest. The environment (WINEPREFIX,
# DISPLAY, a persistent wineserver) is prepared by scripts/test.sh; this only
# fills in defaults so a single test can also be run by hand.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$here/.wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
