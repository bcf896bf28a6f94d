#!/usr/bin/env bash
# Builds the benchmarks in Release (installing the Debian packages they need) into
# build-bench: every target, or the ones named.
#   tools/bench.sh [target ...]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Google Benchmark and giflib for the decoders' peers; xcb with its XTest and Damage
# extensions for the programs that drive and watch the viewer on an X server.
"$root/tools/deps.sh" libbenchmark-dev libgif-dev \
  libxcb1-dev libxcb-xtest0-dev libxcb-damage0-dev
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DLUMISNAP_BENCH=ON -DLUMISNAP_TESTS=OFF -DLUMISNAP_TOOLS=OFF "${launcher[@]}" >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$root/build-bench" "${targets[@]}"
