# Helpers of the demo tour (scripts/demo.sh): the Wine prefix's own
# server, the suite's processes, the stand-ins' logs, the firmware, the
# registry and profile files, screenshots. Source it after lib.sh.

# --- build ---------------------------------------------------------------------

# Builds like build_project (through ccache), but only what the demo runs: the
# program folder and the stand-ins with their tools, so a test under
# construction elsewhere in the tree does not stop the demo.
DEMO_TARGETS=(ravelo_dist AcpiTool RemoteService RaveloApexSim KelvoEngineSim TourWindows)
demo_build() {
  build_project "${DEMO_TARGETS[@]}"
}

# --- processes -------------------------------------------------------------

# start_bg VAR FOLDER EXE [ARGS...]: runs a Windows program in the
# background from FOLDER and stores its PID in VAR.
start_bg() {
  local var=$1 dir=$2 exe=$3
  shift 3
  (cd "$dir" && exec wine "$exe" "$@" </dev/null >>"$OUT/wine-output.txt" 2>&1) &
  printf -v "$var" '%s' "$!"
  STARTED+=("$!")
}

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds.
wait_for() {
  local limit=$1
  shift
  local tries=$((limit * 4))
  while [ "$tries" -gt 0 ]; do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.25
    tries=$((tries - 1))
  done
  return 1
}

is_running() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }
has_ended() { ! is_running "$1"; }

# end_pid PID: a process that did not end when asked is ended by signal.
end_pid() {
  local pid=${1:-}
  is_running "$pid" || return 0
  wait_for 10 has_ended "$pid" && return 0
  kill "$pid" 2>/dev/null || true
  wait_for 5 has_ended "$pid" || kill -9 "$pid" 2>/dev/null || true
}

# --- the suite's command lines --------------------------------------------

svc() { wine "$BIN/RemoteService.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
acpi() { wine "$BIN/AcpiTool.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# The OSD form exists and is hidden: the display has gone.
osd_hidden() {
  local status=0
  wine "$BIN/TourWindows.exe" visible TFlashOsdForm FlashOsdForm </dev/null >/dev/null 2>&1 || status=$?
  [ "$status" -eq 1 ]
}
remote_shown() { wine "$BIN/TourWindows.exe" visible - "Ravelo Virtual Remote" </dev/null >/dev/null 2>&1; }
has_client() { [ -n "$(svc clients)" ]; }
service_up() { wine "$BIN/RemoteService.exe" attempts </dev/null >/dev/null 2>&1; }

# Firmware items shown after every step: the active profile (1 A, 2 B,
# 4 C), the clock step and the engine's mode item.
firmware_line() {
  local profile clock mode
  profile=$(acpi get 0x11060008)
  clock=$(acpi get 0x03010011)
  mode=$(acpi get 0x0B000001)
  printf 'active profile %s, clock step %s (%s MHz), engine mode item %s' \
    "${profile:-?}" "${clock:-?}" "$(clock_mhz "${clock:-}")" "${mode:-?}"
}

# The default board's clock item: 3000 MHz and up in 25 MHz steps.
clock_mhz() {
  case "$1" in
    ''|*[!0-9-]*) echo "?" ;;
    *) echo $((3000 + 25 * $1)) ;;
  esac
}

# --- logs ---------------------------------------------------------------------

lines_of() { if [ -f "$1" ]; then wc -l <"$1"; else echo 0; fi; }
# since FILE N: the lines after the first N, without carriage returns.
since() { if [ -f "$1" ]; then tail -n +"$(($2 + 1))" "$1" | tr -d '\r'; fi; }
has_line_since() {  # FILE N PATTERN
  since "$1" "$2" | grep -qE "$3"
}

# The text the OSD was asked to show, from the player's log lines:
#   <tick> <movie> request <command> [<argument>]
osd_summary() {
  awk '
    $3 != "request" { next }
    {
      movie = $2; cmd = $4; arg = ""
      for (i = 5; i <= NF; i++) arg = arg (i > 5 ? " " : "") $i
      if (!(movie in seen)) { seen[movie] = 1; movies = movies (movies ? "+" : "") movie }
      if (cmd == "changeLabel") text = text (text ? " / " : "") "\"" arg "\""
      else if (cmd == "changeContent") text = text (text ? " / " : "") "\"" arg "\""
      else if (cmd == "set2Digit") values = values (values ? " > " : "") arg " MHz"
      else if ((cmd == "show" || cmd == "play") && arg != "") values = values (values ? " > " : "") "level " arg
    }
    END {
      if (!movies) { print "nothing shown"; exit }
      out = movies
      if (text) out = out " " text
      if (values) out = out " " values
      print out
    }'
}

# What a stand-in did, from its log lines:
#   <time> <window> msg=<n> wParam=<w> lParam=<l> posted|sent: <what it did>
sibling_summary() {
  awk '
    {
      msg = ""; lp = ""; what = ""
      for (i = 1; i <= NF; i++) {
        if ($i ~ /^msg=/) msg = substr($i, 5)
        else if ($i ~ /^lParam=/) lp = substr($i, 8)
      }
      p = index($0, "posted: "); if (!p) p = index($0, "sent: ")
      if (!msg || !p) next
      what = substr($0, p); sub(/^(posted|sent): /, "", what)
      out = out (out ? "; " : "") msg "(" lp ") " what
    }
    END { print (out ? out : "nothing") }'
}

# --- settings of the prefix ------------------------------------------------------

# le32 N: N as a 32-bit little-endian word.
le32() {
  local v=$(($1 & 0xFFFFFFFF))
  # shellcheck disable=SC2059
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $((v >> 8 & 255)) $((v >> 16 & 255)) $((v >> 24 & 255)))"
}

# write_profile FILE CLOCK_STEP: a ".oc" file (first word, version 1, one
# record) holding the clock setting 0x03010011.
write_profile() {
  mkdir -p "$(dirname "$1")"
  { le32 0; le32 1; le32 1; le32 0x03010011; le32 "$2"; } >"$1"
}

# The common application-data folder of the prefix, as a Linux path.
common_appdata() {
  local win
  win=$(wine cmd /c echo '%ProgramData%' </dev/null 2>/dev/null | tr -d '\r' | tail -n 1)
  [ -n "$win" ] && [ "$win" != "%ProgramData%" ] || win='C:\ProgramData'
  winepath -u "$win" 2>/dev/null
}

# reg_dword ROOT\KEY NAME VALUE
reg_dword() {
  wine reg add "$1" /v "$2" /t REG_DWORD /d "$3" /f </dev/null >/dev/null 2>&1
}

# --- screenshots -----------------------------------------------------------------------

# The screen as the compositing manager shows it (scripts/lib.sh starts one
# beside Xvfb): layered windows blended as on Windows.
screenshot() {  # FILE
  /usr/bin/import -window root "$1" >/dev/null 2>&1
}

# remote_picture FILE: the virtual remote's window, cut from a screenshot.
remote_picture() {
  local rect
  rect=$(wine "$BIN/TourWindows.exe" rect - "Ravelo Virtual Remote" </dev/null 2>/dev/null | tr -d '\r')
  set -- "$1" $rect
  [ $# -eq 5 ] || return 1
  screenshot "$OUT/.remote.png" || return 1
  # Half as large again: a tile shows it at two thirds.
  /usr/bin/convert "$OUT/.remote.png" -crop "$4x$5+$2+$3" +repage -resize 150% "$1" >>"$OUT/montage.txt" 2>&1
  local status=$?
  rm -f "$OUT/.remote.png"
  return $status
}

# The part of the screen the animated display shows: the card in the
# middle of the 1920x1080 screen with some smoke around it.
ANIMATION_AREA=(680 300 560 440)

# start_recorder FOLDER: records the area every 50 ms for 6.5 s, enough for
# a whole profile display (intro, three seconds held, outro, fade), in the
# background (PID in RECORDER); returns once the first frame is there.
start_recorder() {
  rm -rf "$1"
  mkdir -p "$1"
  (exec wine "$BIN/TourWindows.exe" record "${ANIMATION_AREA[@]}" 50 6500 "$(winepath -w "$1" 2>/dev/null)" \
    </dev/null >>"$OUT/wine-output.txt" 2>&1) &
  RECORDER=$!
  STARTED+=("$RECORDER")
  wait_for 20 test -f "$1/frame-0000.bmp"
}

# make_animation FOLDER OUTPUT: the recorded frames as a looping GIF at
# 20 frames a second, two thirds of the size, the frames that do not change
# merged into one, on one palette for all (dithered: the smoke's soft shades
# would otherwise show as bands).
make_animation() {
  local frames=("$1"/frame-*.bmp) sample=() i
  [ -f "${frames[0]}" ] || return 1
  for ((i = 0; i < ${#frames[@]}; i += 6)); do sample+=("${frames[$i]}"); done
  /usr/bin/convert "${sample[@]}" -resize 66% -append -colors 96 -unique-colors "$1/palette.png" \
    >>"$OUT/montage.txt" 2>&1 || return 1
  /usr/bin/convert -delay 5 "${frames[@]}" -resize 66% -dither Riemersma -remap "$1/palette.png" -layers RemoveDups \
    -layers Optimize -loop 0 "$2" >>"$OUT/montage.txt" 2>&1
}

# make_overview OUTPUT PICTURE LABEL [PICTURE LABEL]...: the middle of each
# screenshot, where the displays are centred (a smaller picture, such as the
# virtual remote, in the middle of a tile), side by side with its label.
make_overview() {
  local output=$1
  shift
  [ $# -ge 2 ] || return 1
  local tiles="$OUT/.tiles" args=() n=0
  rm -rf "$tiles"
  mkdir -p "$tiles"
  while [ $# -ge 2 ]; do
    n=$((n + 1))
    /usr/bin/convert "$1" -gravity center -background '#1b1f24' -extent 960x560 "$tiles/$n.png" >>"$OUT/montage.txt" 2>&1 || return 1
    args+=(-label "$2" "$tiles/$n.png")
    shift 2
  done
  /usr/bin/montage "${args[@]}" -tile 4x -geometry 640x373+8+8 -background '#1b1f24' -fill '#e8e8e8' \
    -font DejaVu-Sans -pointsize 22 -depth 8 -define png:compression-level=9 "$output" >>"$OUT/montage.txt" 2>&1
  local status=$?
  rm -rf "$tiles"
  return $status
}
