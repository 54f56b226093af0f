#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/build.sh
if [ -x build/desktop-ui/quillmere ]; then
  exec build/desktop-ui/quillmere "$@"
fi
echo "Built the libraries, tests and benchmarks into build/. The desktop program is not part of the build yet."
