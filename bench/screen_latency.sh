#!/usr/bin/env bash
# The input-to-screen measurement in one command: builds the viewer and the tools in
# Release (tools/bench.sh), writes the photographs once, and runs screen_latency on a
# fresh 1920x1080 virtual screen.
#   bench/screen_latency.sh [runs] [photo folder] [-- screen_latency options]
# (defaults: 3 runs, $LUMISNAP_BENCH_PHOTOS or /tmp/lumisnap-photos)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
positional=()
while (($#)) && [[ $1 != -- ]]; do positional+=("$1"); shift; done
(($#)) && shift # the "--"
runs="${positional[0]:-3}"
photos="${positional[1]:-${LUMISNAP_BENCH_PHOTOS:-/tmp/lumisnap-photos}}"

"$root/tools/bench.sh" lumisnap make_photos screen_latency
build="$root/build-bench"
if [[ ! -f $photos/small.jpg ]]; then
  echo "Writing 24 photographs of 6000 x 4000 into $photos (about 300 MB)"
  "$build/bench/make_photos" "$photos" 24 >/dev/null
fi
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" \
  "$build/bench/screen_latency" "$build/src/app/lumisnap" "$photos" --runs "$runs" "$@"
