#!/usr/bin/env bash
# Shared by test.sh, demo.sh and bench: installs what is missing, builds,
# and brings up the Wine prefix and an X server. Source it, don't run it.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
export WINEPREFIX=${WINEPREFIX:-$ROOT/.wineprefix}
export WINEDEBUG=-all
# The configuration the tests run in; scripts/matrix.sh runs them in each:
#   RAVELO_WINEARCH  win32 (default) or win64: a 64-bit prefix, where the
#                    32-bit program runs under WOW64 as on most users' Windows
#   RAVELO_WINVER    the Windows version Wine reports (winxp, win7, win81,
#                    win10); empty for Wine's own default (win7 in Wine 8)
#   RAVELO_SCREEN    the X screen, WxH (default 1920x1080)
# The first two are properties of the prefix (one template each), the
# screen is the X server's.
export WINEARCH=${RAVELO_WINEARCH:-win32}
# No Mono/Gecko prompts: the prefix needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="

RAVELO_PACKAGES=(cmake make g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev googletest libstb-dev wine wine32:i386 wine64 libxrandr2:i386 xvfb xauth x11-utils imagemagick
  nsis fonts-dejavu-core fonts-wine fonts-wqy-microhei picom clang-format ccache)
# fonts-wine: the movies' Tahoma (Latin and Cyrillic); fonts-wqy-microhei:
# the Japanese and Chinese texts; fonts-dejavu-core: the demo labels its
# overview in DejaVu Sans. picom: see start_display. wine64: the 64-bit
# prefixes. libxrandr2:i386: the 32-bit Wine changes and lists display
# modes through it (a display change broadcasts WM_DISPLAYCHANGE).
# The native fuzz targets: clang with its libFuzzer and sanitizer runtimes.
FUZZ_PACKAGES=(cmake make clang libclang-rt-dev libstb-dev)

log() { printf '== %s\n' "$*" >&2; }

# Installs the packages named (default: the build's and tests' list).
ensure_packages() {
  local missing=()
  local p
  [ $# -gt 0 ] || set -- "${RAVELO_PACKAGES[@]}"
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# build_project [target...]: everything, or only the targets named.
build_project() {
  # ccache keeps rebuilds of other checkouts and build folders cheap; paths
  # below the checkout's parent are rewritten so worktrees share entries.
  local launcher=""
  if command -v ccache >/dev/null 2>&1; then
    launcher="-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$ROOT")}
    export CCACHE_NOHASHDIR=1
  fi
  log "configuring and building in $BUILD_DIR"
  cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher >/dev/null
  if [ $# -gt 0 ]; then
    cmake --build "$BUILD_DIR" -j"$(nproc)" --target "$@"
  else
    cmake --build "$BUILD_DIR" -j"$(nproc)"
  fi
}

# Starts Xvfb on a free display unless DISPLAY already names one, with a
# compositing manager on it: without one, X cannot blend the OSD's layered
# windows (per-pixel alpha comes out opaque black, constant alpha and the
# fade have no effect), and every screenshot would show what no Windows user
# sees. Xvfb picks the number itself (-displayfd), so test processes
# starting displays side by side never race for one.
XVFB_PID=""
COMPOSITOR_PID=""
start_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local numfile n="" i screen=${RAVELO_SCREEN:-1920x1080}
  [[ "$screen" =~ ^[1-9][0-9]{2,4}x[1-9][0-9]{2,4}$ ]] || { log "RAVELO_SCREEN must be WxH, not $screen"; return 1; }
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$numfile" </dev/null >/dev/null 2>&1 &
  XVFB_PID=$!
  for i in $(seq 1 200); do
    n=$(cat "$numfile" 2>/dev/null)
    [ -n "$n" ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.05
  done
  rm -f "$numfile"
  if [ -z "$n" ]; then
    stop_display
    log "could not start Xvfb"; return 1
  fi
  export DISPLAY=":$n"
  start_compositor
}

# Ends what start_display started.
stop_display() {
  stop_compositor
  if [ -n "$XVFB_PID" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=""
  fi
}

# picom on $DISPLAY, with no settings file: no shadows, no fades, no
# opacity rules of its own (xcompmgr leaves a stale picture where a layered
# window turned fully transparent). It is ready once its selection window
# is there. A display without one still works, only unblended.
start_compositor() {
  command -v picom >/dev/null 2>&1 || { log "picom is not installed: no compositing on $DISPLAY"; return 0; }
  # Xvfb names its display a moment before it takes every connection: a
  # picom started then ends with "Can't open display", so it is started
  # again until it stays (ten seconds in all).
  local i
  for i in $(seq 1 100); do
    if [ -z "$COMPOSITOR_PID" ] || ! kill -0 "$COMPOSITOR_PID" 2>/dev/null; then
      picom --config /dev/null --backend xrender </dev/null >/dev/null 2>&1 &
      COMPOSITOR_PID=$!
    fi
    if xwininfo -root -children 2>/dev/null | grep -q '"picom"'; then
      return 0
    fi
    sleep 0.1
  done
  log "picom did not come up on $DISPLAY"
  stop_compositor
}

stop_compositor() {
  if [ -n "$COMPOSITOR_PID" ]; then
    kill "$COMPOSITOR_PID" 2>/dev/null || true
    wait "$COMPOSITOR_PID" 2>/dev/null || true
    COMPOSITOR_PID=""
  fi
}

# Creates the project-local prefix once, and keeps one wineserver running
# for the whole session so each test process starts quickly.
WINESERVER_STARTED=""
start_wine() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
    wineserver -w </dev/null >/dev/null 2>&1
  fi
  # A wineserver that already serves this prefix belongs to someone else's
  # session (another test run): use it, and leave it running at the end.
  if [ -z "$(prefix_server_pid)" ]; then
    WINESERVER_STARTED=1
  fi
  wineserver -p </dev/null >/dev/null 2>&1 || true
  wine_settings
}

# What every prefix of the project gets.
wine_settings() {
  # This Wine looks for TrueType faces in the prefix's Fonts folder, not in
  # fonts-wine's: the movies' Tahoma goes there.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" face
  mkdir -p "$fonts"
  for face in /usr/share/wine/fonts/tahoma*.ttf; do
    [ -f "$face" ] && [ ! -f "$fonts/${face##*/}" ] && cp "$face" "$fonts/"
  done
  # Without a window manager, hiding a top-level window stalls unless Wine
  # manages no windows itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
}

# The test processes run in Wine sessions of their own (cmake/wine-run.sh):
# copies of a template prefix, booted once per build folder and
# configuration, each with its own wineserver. The program allows one copy
# per logon, and a wineserver is one logon, so the tests can run side by
# side. A template is made again when the settings or Wine change.
WINE_TEMPLATES=$BUILD_DIR/wine

# The template of the configuration in force: template, template-win64,
# template-winxp, template-win64-win10 ...
wine_template() {
  local name=template
  [ "$WINEARCH" = win32 ] || name+=-$WINEARCH
  [ -z "${RAVELO_WINVER:-}" ] || name+=-$RAVELO_WINVER
  echo "$WINE_TEMPLATES/$name"
}

make_wine_template() {
  local stamp template
  template=$(wine_template)
  case "$WINEARCH" in win32 | win64) ;; *) log "RAVELO_WINEARCH must be win32 or win64"; return 1 ;; esac
  case "${RAVELO_WINVER:-}" in "" | winxp | win7 | win8 | win81 | win10) ;;
    *) log "RAVELO_WINVER must be winxp, win7, win8, win81 or win10"; return 1 ;;
  esac
  stamp=$( (wine --version; declare -f wine_settings; echo "$WINEARCH ${RAVELO_WINVER:-}") | md5sum)
  [ "$(cat "$template/.ready" 2>/dev/null)" = "$stamp" ] && return 0
  log "creating the template Wine prefix $template"
  rm -rf "$template"
  mkdir -p "$template"
  (
    export WINEPREFIX=$template
    wineboot -i </dev/null >/dev/null 2>&1
    wine_settings
    # What GetVersionEx reports to every program of the prefix.
    if [ -n "${RAVELO_WINVER:-}" ]; then
      wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$RAVELO_WINVER" /f </dev/null >/dev/null 2>&1
    fi
    wineserver -w </dev/null >/dev/null 2>&1
  )
  echo "$stamp" >"$template/.ready"
}

# Session folders whose test process is gone (killed on a time-out).
remove_stale_sessions() {
  local dir
  for dir in "$WINE_TEMPLATES"/sessions/*-[0-9]*; do
    [ -d "$dir" ] || continue
    kill -0 "${dir##*-}" 2>/dev/null || end_stale_session "$dir"
  done
}

# end_stale_session folder: ends the session's wineserver, and with it
# whatever still runs in the session, before its prefix is deleted.
end_stale_session() {
  [ -d "$1" ] || return 0
  if [ -d "$1/prefix" ]; then
    WINEPREFIX=$1/prefix wineserver -k </dev/null >/dev/null 2>&1 &&
      WINEPREFIX=$1/prefix wineserver -w </dev/null >/dev/null 2>&1
  fi
  rm -rf "$1"
}

# copy_prefix template dest: Wine's program files and fonts (nothing writes
# them) are hard links; every other file is copied, as Wine rewrites some
# in place.
copy_prefix() {
  cp -al "$1" "$2" 2>/dev/null || { rm -rf "$2"; cp -a "$1" "$2"; return; }
  find "$2" -type f ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.drv' -o -iname '*.sys' -o -iname '*.ocx' \
    -o -iname '*.nls' -o -iname '*.acm' -o -iname '*.cpl' -o -iname '*.tlb' -o -iname '*.ax' -o -iname '*.vxd' \
    -o -iname '*.ttf' -o -iname '*.fon' \) -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} +
}

stop_all() {
  if [ -n "$WINESERVER_STARTED" ]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
    WINESERVER_STARTED=""
  fi
  stop_display
}

# PID of the wineserver that serves $WINEPREFIX, or nothing. A wineserver
# runs in a folder named after the prefix's device and inode, which tells
# it apart from the servers of other prefixes on the machine.
prefix_server_pid() {
  [ -d "$WINEPREFIX" ] || return 0
  local tag pid
  tag="server-$(stat -c %D "$WINEPREFIX")-$(printf '%x' "$(stat -c %i "$WINEPREFIX")")"
  for pid in $(pgrep -x 'wineserver(32|64)?' 2>/dev/null || true); do
    case "$(readlink "/proc/$pid/cwd" 2>/dev/null)" in
      */"$tag") echo "$pid"; return 0 ;;
    esac
  done
}
