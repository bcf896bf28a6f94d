#!/usr/bin/env bash
# Builds every test with the address and undefined-behaviour sanitizers (installing
# what it needs) and runs them all.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# The validators of the desktop entry and its metadata, and a headless Wayland
# compositor with Qt's Wayland platform for the shaped windows there, and xdotool for
# the tests that drag and type through the X server.
"$root/tools/deps.sh" desktop-file-utils appstream weston qt6-wayland xdotool
build="$root/build-test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLUMISNAP_SANITIZE=ON >/dev/null
cmake --build "$build"
cd "$build"
ctest --output-on-failure -j2
