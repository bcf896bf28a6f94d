#!/usr/bin/env bash
# Start-up and idle memory of the viewer against an empty Qt Widgets program, in the
# same run, each started N times on a fresh virtual screen. A third program, the empty
# window showing one line of text, tells what lettering alone costs:
#   bench/startup.sh [runs] [build folder]       (defaults: 11, build-bench)
# "visible" is the time from exec to the first window (the splash) showing on the
# screen, watched from outside the program by startup_probe, with the CPU time the
# program had used by then (steadier than the wall clock on a busy machine); "idle"
# is the resident memory 5 seconds later, when the viewer's main window is up and idle.
# Build first:
#   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMISNAP_BENCH=ON
#   ninja -C build-bench lumisnap empty_window text_window startup_probe
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
runs="${1:-11}"
build="${2:-$root/build-bench}"
probe="$build/bench/startup_probe"
viewer="$build/src/app/lumisnap"
empty="$build/bench/empty_window"
text="$build/bench/text_window"
for program in "$probe" "$viewer" "$empty" "$text"; do
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

# Taking turns, so a slow moment of the machine hits all alike.
for ((i = 1; i <= runs; i++)); do
  measure viewer "$viewer"
  measure empty "$empty"
  measure text "$text"
done >"$work/runs.txt"

echo "runs: $runs each, Xvfb 1280x1024x24, $(nproc) cores; medians (lowest..highest)"
awk -v cores="$(nproc)" '
function median(name, col,   n, i, j, t, v) {
  n = 0
  for (i = 1; i <= rows; i++) if (who[i] == name) v[++n] = val[i, col]
  for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
  lo[name, col] = v[1]; hi[name, col] = v[n]
  return (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
}
{ rows++; who[rows] = $1; val[rows, 2] = $2; val[rows, 3] = $3; val[rows, 4] = $4 }
END {
  split("viewer empty text", names, " ")
  for (k = 1; k <= 3; k++) for (c = 2; c <= 4; c++) m[names[k], c] = median(names[k], c)
  printf "%-22s %24s %24s %24s\n", "", "viewer", "empty window", "window with text"
  label[2] = "first window visible"; label[3] = "CPU time until then"; label[4] = "idle memory (kB)"
  for (c = 2; c <= 4; c++) {
    printf "%-22s", label[c]
    for (k = 1; k <= 3; k++)
      printf " %10.1f (%5.1f..%5.1f)", m[names[k], c], lo[names[k], c], hi[names[k], c]
    printf "\n"
  }
  printf "ratio start-up: %.2f of the empty window (CPU time %.2f; goal <= 1.25); text alone %.2f\n",
    m["viewer", 2] / m["empty", 2], m["viewer", 3] / m["empty", 3], m["text", 2] / m["empty", 2]
  printf "ratio memory:   %.2f of the empty window (goal <= 1.30); text alone %.2f\n",
    m["viewer", 4] / m["empty", 4], m["text", 4] / m["empty", 4]
}' "$work/runs.txt"
