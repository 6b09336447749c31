#!/usr/bin/env bash
# Every folder of src/ includes only itself and the folders below it, and only ui/ and tools/
# include Qt. Prints each include that breaks the rule.
set -euo pipefail
src=${1:?usage: include_rules.sh SRC_DIR}

declare -A allowed=(
    [settings]="settings"
    [files]="files"
    [editor]="editor settings"
    [presets]="presets settings files"
    [midi]="midi settings"
    [cli]="cli editor files presets midi settings"
    [ui]="ui editor files presets midi settings"
)

broken=0
for folder in "${!allowed[@]}"; do
    while IFS=: read -r file line text; do
        target=$(sed -E 's/^#include "([a-z]+)\/.*/\1/' <<<"$text")
        if [[ " ${allowed[$folder]} " != *" $target "* ]]; then
            echo "$file:$line: $folder/ may not include $target/: $text"
            broken=1
        fi
    done < <(grep -rnE '^#include "[a-z]+/' "$src/$folder" || true)
    if [ "$folder" != ui ]; then
        if grep -rnE '^#include <Q' "$src/$folder"; then
            echo "$folder/ may not include Qt"
            broken=1
        fi
    fi
done
exit "$broken"
