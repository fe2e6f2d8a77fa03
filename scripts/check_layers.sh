#!/usr/bin/env bash
# Fails when a folder under src/ includes a header of a folder it may not
# use: dependencies run one way, from the application down. Each folder's
# line lists what it may include besides itself and common/win32.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
declare -A allowed=(
  [gui]=""
  [widget]="gui"
  [orva]=""
  [system]=""
  [fileutl]=""
  [settings]="orva system fileutl"
  [osd]="settings gui widget"
  [suite]="settings orva system"
  [actions]="osd suite settings"
  [app]="actions osd suite settings gui widget orva system fileutl"
)
bad=0
for dir in src/*/; do
  folder=$(basename "$dir")
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "layers: src/$folder has no place in the layer table of $0" >&2
    bad=1
    continue
  fi
  while IFS= read -r line; do
    file=${line%%:*}
    used=$(sed -E 's/.*#include "([a-z0-9_]+)\/.*/\1/' <<<"${line#*:}")
    case " $folder win32 ${allowed[$folder]} " in
      *" $used "*) ;;
      *) echo "layers: $file includes $used/, which src/$folder may not use" >&2; bad=1 ;;
    esac
  done < <(grep -rHE '^#include "[a-z0-9_]+/' "$dir" || true)
done
[ "$bad" -eq 0 ] || exit 1
echo "layers: every src/ folder includes only the layers below it"
