#!/usr/bin/env bash
# Starts the desktop program when a display is there; otherwise runs the
# command-line demo and says how to start the desktop program.
# The desktop program needs only Qt, which the build already installs.
set -euo pipefail
build=${1:-build}
program="$build/karvex"
if [ -x "$program" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "Starting the desktop program: $program"
  exec "$program"
fi
bash "$(dirname "$0")/demo.sh" "$build"
echo
if [ ! -x "$program" ]; then
  echo "The desktop program was not built (Qt 6 missing, or configured with -DKARVEX_WITH_QT=OFF)."
  exit 0
fi
echo "No display found, so the command-line demo ran instead. To start the desktop program:"
echo "  with a display:            $program"
echo "  under a virtual display:   bash scripts/install-deps.sh gui && xvfb-run -a $program"
