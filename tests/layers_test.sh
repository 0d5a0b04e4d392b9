#!/usr/bin/env bash
# Fails when a folder includes a header of a folder it may not use: every target sits on the
# layers below it and never on one above or beside it.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}

declare -A allowed=(
    [textlib]=""
    [platform]=""
    [platform/gui]="platform"
    [evaluator]="textlib platform"
    [styledtext]="textlib platform"
    [pasteboard]="textlib platform styledtext"
    [filelib]="textlib platform styledtext pasteboard"
    [service]="textlib platform platform/gui evaluator styledtext pasteboard"
    # The executable stays on Qt Core; its modules hold the rest.
    [program]="textlib platform evaluator"
    [program/bus]="platform program"
    [program/display]="textlib platform pasteboard program"
    [program/desktop]="textlib platform platform/gui evaluator styledtext pasteboard service program program/bus"
)

status=0
for folder in "${!allowed[@]}"; do
    for file in "$root/$folder"/*.cpp "$root/$folder"/*.h; do
        [[ -e $file ]] || continue
        while IFS= read -r line; do
            header=${line#*\"}
            header=${header%\"*}
            [[ $header == */* ]] || continue
            used=${header%/*}
            [[ $used == "$folder" ]] && continue
            if [[ " ${allowed[$folder]} " != *" $used "* ]]; then
                echo "${file#"$root"/}: includes $header, but $folder may use only: ${allowed[$folder]:-Qt and the system}" >&2
                status=1
            fi
        done < <(grep -E '^#include "' "$file" || true)
    done
done
# A folder of sources that the table does not know would escape the check.
for dir in "$root"/*/ "$root"/*/*/; do
    name=${dir#"$root"/}
    name=${name%/}
    case $name in tests* | bench* | fuzz* | resources* | scripts* | build* | .*) continue ;; esac
    if compgen -G "$dir*.cpp" >/dev/null && [[ -z ${allowed[$name]+set} ]]; then
        echo "$name: a source folder without a place in the layer table" >&2
        status=1
    fi
done
[[ $status == 0 ]] && echo "layers: every include points downwards"
exit $status
