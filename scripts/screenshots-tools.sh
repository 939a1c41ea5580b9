#!/bin/sh
# Saves a picture of each command tool window after a real run into docs/screenshots/,
# under a virtual X server. Usage: scripts/screenshots-tools.sh [BUILD_FOLDER]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
out=$top/docs/screenshots
mkdir -p "$out"
cmake --build "$build" --target parlo_toolshots parlo_compat_ping parlo_compat_tracert parlo_compat_nslookup \
    parlo_compat_ipconfig parlo_compat_netstat parlo_compat_arp parlo_compat_cmd
PARLO_COMPAT_DIR="$build/compat" exec xvfb-run -a -s "-screen 0 1024x768x24" "$build/scripts/screenshots/parlo_toolshots" "$out"
