#!/bin/sh
# Saves pictures of the Windows information window and the About box, with this machine's
# figures, into docs/screenshots/. Usage: scripts/screenshots-info.sh [BUILD_FOLDER]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
out=$top/docs/screenshots
mkdir -p "$out"
cmake --build "$build" --target parlo_infoshots
QT_QPA_PLATFORM=offscreen exec "$build/scripts/screenshots/parlo_infoshots" "$out"
