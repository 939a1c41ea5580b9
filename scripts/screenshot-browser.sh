#!/bin/sh
# Saves a picture of the browser window showing a page from a local server, title bar included,
# into docs/screenshots/browser.png: under a virtual X server with a window manager (needs
# xvfb, xauth and openbox). Usage: scripts/screenshot-browser.sh [BUILD_FOLDER]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
out=$top/docs/screenshots
mkdir -p "$out"
cmake --build "$build" --target parlo_browsershot
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --disable-background-networking --disable-component-update"
# shellcheck disable=SC2016
exec xvfb-run -a -s "-screen 0 1024x768x24" sh -c 'openbox & exec "$1" "$2"' sh \
    "$build/scripts/screenshots/parlo_browsershot" "$out/browser.png"
