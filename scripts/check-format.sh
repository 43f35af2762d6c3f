#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format makes of it
# under the project's .clang-format, and names the files that do.
#
#   scripts/check-format.sh          check every tracked .cpp and .h file
#   scripts/check-format.sh FILE...  check the named files only
#
# `clang-format -i FILE` formats a file in place.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

clang_format=${CLANG_FORMAT:-clang-format}
if ! command -v "$clang_format" >/dev/null; then
    echo "check-format: $clang_format not found (scripts/setup-debian.sh installs it)" >&2
    exit 2
fi

# A broken .clang-format would otherwise fail every file alike.
if ! "$clang_format" --style=file --dump-config >/dev/null; then
    echo "check-format: $clang_format cannot read .clang-format" >&2
    exit 2
fi

if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
fi

unformatted=()
for file in "${files[@]}"; do
    if ! "$clang_format" --dry-run --Werror --style=file "$file" >/dev/null 2>&1; then
        unformatted+=("$file")
    fi
done

if [ ${#unformatted[@]} -gt 0 ]; then
    printf '%s\n' "${unformatted[@]}"
    echo "check-format: ${#unformatted[@]} of ${#files[@]} files need clang-format" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files formatted ($("$clang_format" --version | grep -oE 'version [0-9.]+'))"
