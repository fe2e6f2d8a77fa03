#!/usr/bin/env bash
# Takes the pictures kept in docs/screenshots/: runs the tests that
# photograph the displays (under the compositing manager, as a Windows user
# sees them) and turns their captures into PNG files there: one warning per
# shipped language, osd-<language>.png, and languages.png, all eleven on one
# sheet.
# Usage: scripts/screenshots.sh
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
SHOTS=$BUILD_DIR/screenshots
DOCS=$ROOT/docs/screenshots

rm -f "$SHOTS"/osd-*.bmp
bash "$ROOT/scripts/test.sh" -R '^languages_osd'

LANGUAGES=(English:English German:Deutsch French:Français Spanish:Español Italian:Italiano
  PortugueseBrazil:"Português (Brasil)" Polish:Polski Russian:Русский Japanese:日本語
  ChineseSimplified:简体中文 ChineseTraditional:繁體中文)
mkdir -p "$DOCS"
tiles=()
for entry in "${LANGUAGES[@]}"; do
  name=${entry%%:*}
  label=${entry#*:}
  slug=$(printf '%s' "$name" | tr 'A-Z' 'a-z')
  [ -f "$SHOTS/osd-$slug.bmp" ] || { echo "no picture for $name" >&2; exit 1; }
  # The card in the middle of the screen, with some smoke around it.
  convert "$SHOTS/osd-$slug.bmp" -gravity center -crop 560x440+0-20 +repage -depth 8 \
    -define png:compression-level=9 "$DOCS/osd-$slug.png"
  tiles+=(-label "$label" "$DOCS/osd-$slug.png")
done
# Labels in each language's own words: a face with the CJK characters.
montage "${tiles[@]}" -tile 4x -geometry 336x264+6+6 -background '#1b1f24' -fill '#e8e8e8' \
  -font "$(fc-match -f '%{file}' 'WenQuanYi Micro Hei')" -pointsize 18 -depth 8 \
  -define png:compression-level=9 "$DOCS/languages.png"
echo "pictures in $DOCS"
