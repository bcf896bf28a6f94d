#!/usr/bin/env bash
# Fails when a library of src/ includes a header of one that sits above it: the
# folders' includes point one way (see the README's layout).
set -uo pipefail
src="$1/src"
status=0

# forbid <folder> <include prefix>...: no file under src/<folder> includes "<prefix>...".
forbid() {
  local folder="$1"
  shift
  for prefix in "$@"; do
    if grep -rn --include='*.h' --include='*.cpp' "#include \"$prefix" "$src/$folder"; then
      echo "error: $folder includes $prefix" >&2
      status=1
    fi
  done
}

above_shell=(controls/ mainform/ FullForm/ app/ setalarm/ clock/ skin/)
forbid shell/namespace shell/watch/ shell/transfer/ shell/controls/ "${above_shell[@]}"
forbid shell/watch shell/transfer/ shell/controls/ "${above_shell[@]}"
forbid shell/transfer shell/watch/ shell/controls/ "${above_shell[@]}"
forbid shell/controls "${above_shell[@]}"
forbid common shell/ controls/ picture/ skin/ mainform/ FullForm/ app/ setalarm/ clock/ forms/
# The GIF animation control runs on the tick timer of clock/.
forbid picture shell/ controls/ mainform/ FullForm/ app/ setalarm/ clock/TRxClock
forbid skin shell/ controls/ picture/ mainform/ FullForm/ app/ setalarm/ clock/
forbid controls shell/ mainform/ FullForm/ app/ setalarm/ clock/
forbid clock shell/ controls/ picture/ mainform/ FullForm/ app/ setalarm/
forbid setalarm shell/ controls/ mainform/ FullForm/ app/
forbid FullForm mainform/ app/ setalarm/
# The main window shows the splash, which lives beside the start-up in app/.
forbid mainform app/Startup app/Application
exit $status
