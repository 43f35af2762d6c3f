#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds everything in build/ and opens the
# workstation with the camera layer plug-in.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
exec build/host/workstation "$@"
