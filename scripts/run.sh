#!/usr/bin/env bash
# Starts the desktop program when a display is there; otherwise runs the command-line demo.
set -euo pipefail
build=${1:-build}
if [ -x "$build/karvex" ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec "$build/karvex"
fi
bash "$(dirname "$0")/demo.sh" "$build"
if [ -x "$build/karvex" ]; then
  echo
  echo "No display found. To start the desktop program, run it where a display is available:"
  echo "  $build/karvex"
  echo "or under a virtual display: xvfb-run -a $build/karvex"
fi
