#!/bin/sh
# Starts Parlo under a virtual X server and saves a picture of its main window.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/docs/screenshots/main.png}
mkdir -p "$(dirname "$out")"
exec xvfb-run -a -s "-screen 0 1024x768x24" "$top/build/parlo" --screenshot "$out"
