#!/usr/bin/env bash
# Builds Lumisnap (installing what it needs) and starts it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Qt's Wayland platform, so the viewer runs natively in a Wayland session.
"$root/tools/deps.sh" qt6-wayland
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMISNAP_TESTS=OFF >/dev/null
cmake --build "$root/build" --target lumisnap

viewer="$root/build/src/app/lumisnap"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "There is no display to show Lumisnap on; to run it on a virtual one, use: xvfb-run -a $viewer"
  exit 1
fi
exec "$viewer"
