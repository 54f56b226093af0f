#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite. The end-to-end tests (label
# e2e) need a real display: without one they run under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)" -LE e2e "$@"
if [ -n "${DISPLAY:-}" ]; then
  ctest --test-dir build --output-on-failure -L e2e "$@"
else
  xvfb-run -a -s '-screen 0 1400x900x24' ctest --test-dir build --output-on-failure -L e2e "$@"
fi
