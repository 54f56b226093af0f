#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the program. Its arguments go on to the program:
# `tools/run.sh some.txt` opens some.txt (a path relative to where you are).
set -euo pipefail
here=$PWD
args=()
for a in "$@"; do
  case "$a" in
    /* | -*) args+=("$a") ;;
    *) args+=("$here/$a") ;;
  esac
done
cd "$(dirname "$0")/.."
tools/build.sh

# Qt cannot open a window without a display; say so instead of letting it abort.
display_missing() {
  [ -n "${QT_QPA_PLATFORM:-}" ] && return 1
  [ -n "${WAYLAND_DISPLAY:-}" ] && return 1
  [ -z "${DISPLAY:-}" ] && return 0
  # A local X display (":N" or ":N.S") has a socket; a remote one is left for Qt to try.
  if [[ "$DISPLAY" =~ ^:([0-9]+) ]] && [ ! -S "/tmp/.X11-unix/X${BASH_REMATCH[1]}" ]; then
    return 0
  fi
  return 1
}
if display_missing; then
  echo "The program is built (build/desktop-ui/quillmere), but there is no display to show its window on" >&2
  echo "(DISPLAY is '${DISPLAY:-}'). Start it from a desktop session, or under a virtual display:" >&2
  echo "  xvfb-run -s '-screen 0 1400x900x24' tools/run.sh FILE" >&2
  exit 1
fi
exec build/desktop-ui/quillmere ${args[@]+"${args[@]}"}
