#!/usr/bin/env bash
# Runs a validator on an installed file: validate.sh <debian package> <tool> [args...]
# Exits 77 (skipped) when the tool is not installed.
set -uo pipefail
package="$1"
tool="$2"
shift
if ! command -v "$tool" >/dev/null; then
  echo "SKIP: $tool is not installed (Debian package $package)"
  exit 77
fi
"$@"
