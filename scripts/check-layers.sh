#!/usr/bin/env bash
# Fails when a file of the plug-in reaches past its layer's include root
# (see cmake/Layers.cmake): a quoted include that climbs out of the folder
# ("../plugin/ostrelplugin.h") or names an absolute path finds the header
# whatever the library links, so the build would not notice. Prints the
# folder graph as the includes give it.
#
#   scripts/check-layers.sh
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

layers=(net overlays player items imageplayer dialogs plugin)

files=()
for layer in "${layers[@]}"; do
    files+=("$layer"/*.cpp "$layer"/*.h)
done
escapes=$(grep -nE '^\s*#\s*include\s*"(\.\./|/)' "${files[@]}")
for layer in "${layers[@]}"; do
    used=$(grep -hoE '^\s*#\s*include\s*"[a-z]+/' "$layer"/*.cpp "$layer"/*.h 2>/dev/null \
        | sed -E 's/.*"([a-z]+)\//\1/' | grep -vx "$layer" | sort -u | tr '\n' ' ')
    printf '%-12s -> %s\n' "$layer" "${used:-(Qt only)}"
done
if [ -n "$escapes" ]; then
    echo "check-layers: includes past the layer's include root:" >&2
    echo "$escapes" >&2
    exit 1
fi
