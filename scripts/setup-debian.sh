#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests, the demo, the format
# check and the Debian packaging (dpkg-shlibdeps, file) need.
# Does nothing when they are all present.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qtbase5-dev qtbase5-dev-tools qttools5-dev qttools5-dev-tools
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg
    python3 python3-pyftpdlib python3-gi gir1.2-gst-rtsp-server-1.0
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
    gstreamer1.0-plugins-bad gstreamer1.0-rtsp gstreamer1.0-libav
    gstreamer1.0-x xvfb xauth imagemagick fonts-dejavu-core
    clang libclang-rt-14-dev clang-format
    dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
