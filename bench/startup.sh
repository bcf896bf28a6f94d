#!/usr/bin/env bash
# Start-up and idle memory of the viewer against an empty Qt Widgets program, in the
# same run, each started N times on a fresh virtual screen:
#   bench/startup.sh [runs] [build folder]       (defaults: 11, build-bench)
# "visible" is the time from exec to the first window (the splash) showing on the
# screen, watched from outside the program by startup_probe, with the CPU time the
# program had used by then (steadier than the wall clock on a busy machine); "idle"
# is the resident memory 5 seconds later, when the viewer's main window is up and idle.
# Build first:
#   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMISNAP_BENCH=ON
#   ninja -C build-bench lumisnap empty_window startup_probe
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${1:-11}"
build="${2:-$root/build-bench}"
probe="$build/bench/startup_probe"
viewer="$build/src/app/lumisnap"
empty="$build/bench/empty_window"
for program in "$probe" "$viewer" "$empty"; do
  [[ -x $program ]] || { echo "missing $program: build it first (see the top of $0)"; exit 1; }
done

work="$(mktemp -d)"
xvfb_pid=""
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A user with an empty desktop, so every run sees the same folders.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
mkdir -p "$HOME/Desktop" "$XDG_CONFIG_HOME"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb

number=$((90 + RANDOM % 100))
Xvfb ":$number" -screen 0 1280x1024x24 -br -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$number"
for _ in $(seq 50); do
  [[ -S /tmp/.X11-unix/X$number ]] && break
  sleep 0.1
done

measure() { # name program: one line "name visible_ms cpu_ms rss_kb"
  local line
  line="$("$probe" 5 "$2" 2>/dev/null)"
  echo "$1 $(sed -E 's/visible_ms=([0-9.]+) cpu_ms=([0-9.]+) rss_kb=([0-9]+)/\1 \2 \3/' <<<"$line")"
}

# Taking turns, so a slow moment of the machine hits both alike.
for ((i = 1; i <= runs; i++)); do
  measure viewer "$viewer"
  measure empty "$empty"
done >"$work/runs.txt"

median() { # name column
  awk -v n="$1" -v c="$2" '$1 == n { print $c }' "$work/runs.txt" | sort -g |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
spread() { # name column: lowest and highest
  awk -v n="$1" -v c="$2" '$1 == n { print $c }' "$work/runs.txt" | sort -g |
    awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%s..%s", lo, hi }'
}

viewer_ms="$(median viewer 2)"
empty_ms="$(median empty 2)"
viewer_cpu="$(median viewer 3)"
empty_cpu="$(median empty 3)"
viewer_kb="$(median viewer 4)"
empty_kb="$(median empty 4)"
echo "runs: $runs each, Xvfb 1280x1024x24, $(nproc) cores; medians (lowest..highest)"
awk -v vm="$viewer_ms" -v em="$empty_ms" -v vc="$viewer_cpu" -v ec="$empty_cpu" \
    -v vk="$viewer_kb" -v ek="$empty_kb" \
    -v vms="$(spread viewer 2)" -v ems="$(spread empty 2)" \
    -v vcs="$(spread viewer 3)" -v ecs="$(spread empty 3)" \
    -v vks="$(spread viewer 4)" -v eks="$(spread empty 4)" 'BEGIN {
  printf "first window visible: viewer %.1f ms (%s), empty %.1f ms (%s)\n", vm, vms, em, ems
  printf "CPU time until then:  viewer %.1f ms (%s), empty %.1f ms (%s)\n", vc, vcs, ec, ecs
  printf "idle resident memory: viewer %.1f MB (%s kB), empty %.1f MB (%s kB)\n", \
    vk / 1024, vks, ek / 1024, eks
  printf "ratio start-up: %.2f (CPU time %.2f; goal <= 1.25)\n", vm / em, vc / ec
  printf "ratio memory:   %.2f (goal <= 1.30)\n", vk / ek
}'
