#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
if [ -x build/desktop-ui/quillmere ]; then
  exec build/desktop-ui/quillmere "$@"
fi
echo "Built everything into build/. This build has no desktop program to start: it holds the engine and the script host, with their tests and benchmarks."
