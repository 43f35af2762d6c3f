#!/usr/bin/env bash
# Sets up a Debian 12 machine, builds everything in build/, starts the local
# camera, detector and snapshot sources on loopback and opens the workstation
# on a camera list that points at them. Everything stops with the workstation.
# Pass --screenshot FILE to run it headless and write a picture instead.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup-debian.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    case " $* " in
        *" --screenshot "*) export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" ;;
        *)
            echo "No display found: writing the demo to demo-screenshot.png instead." >&2
            export QT_QPA_PLATFORM=offscreen
            set -- --screenshot demo-screenshot.png "$@"
            ;;
    esac
fi
exec /usr/bin/python3 scripts/demo.py "$@"
