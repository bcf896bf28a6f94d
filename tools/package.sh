#!/usr/bin/env bash
# Builds the Debian package from a Release build (installing what that needs) and
# installs it with apt, which brings in the libraries and fonts it depends on.
# Usage: tools/package.sh [--no-install]
# Remove it again with: apt-get remove lumisnap
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# dpkg-shlibdeps (dpkg-dev) and file work out the package's library dependencies.
"$root/tools/deps.sh" dpkg-dev file
build="$root/build-package"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DLUMISNAP_TESTS=OFF -DLUMISNAP_TOOLS=OFF >/dev/null
cmake --build "$build"
(cd "$build" && cpack -G DEB)

deb="$(ls "$build"/lumisnap_*.deb)"
echo "Built $deb"
if [[ ${1:-} == --no-install ]]; then
  exit 0
fi
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "$deb"
echo "Installed; start Lumisnap from the desktop's menu, or run: lumisnap"
