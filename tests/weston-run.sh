#!/usr/bin/env bash
# Runs a test program in a headless Weston session, the way xvfb-run does for X11:
#   weston-run.sh <program> [arguments...]
# The desktop is one plain colour without a panel, so a screenshot shows only the
# test's windows over it; --debug lets weston-screenshooter take screenshots.
# Exits 77 (skipped) only when Weston is missing or cannot start here.
set -uo pipefail

for tool in weston weston-screenshooter; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (Debian package weston)"
    exit 77
  fi
done

runtime="$(mktemp -d)"
chmod 700 "$runtime"
weston_pid=""
cleanup() {
  if [[ -n $weston_pid ]]; then
    kill "$weston_pid" 2>/dev/null
    wait "$weston_pid" 2>/dev/null
  fi
  rm -rf "$runtime"
}
trap cleanup EXIT

cat >"$runtime/weston.ini" <<'INI'
[core]
idle-time=0

[shell]
background-color=0xffff00ff
panel-position=none
locking=false
INI

socket=lumisnap-test
XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --use-pixman \
  --width=1280 --height=1024 --socket="$socket" --config="$runtime/weston.ini" --debug \
  >"$runtime/weston.log" 2>&1 &
weston_pid=$!

for _ in $(seq 100); do
  [[ -S $runtime/$socket ]] && break
  kill -0 "$weston_pid" 2>/dev/null || break
  sleep 0.1
done
if [[ ! -S $runtime/$socket ]]; then
  echo "SKIP: weston could not start a headless session here:"
  cat "$runtime/weston.log"
  exit 77
fi

export XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland
# Widgets draw into shared memory; without this Qt still loads Mesa's EGL driver, which
# is unloaded before the leak check runs, so its kept allocations can't be suppressed.
export QT_WAYLAND_CLIENT_BUFFER_INTEGRATION=none
unset DISPLAY
"$@"
