#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds everything in build/ and runs the whole
# test suite. Extra arguments go to ctest (for example: -L player).
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
cd build
ctest --output-on-failure --parallel 2 "$@"
