#!/bin/sh
# Saves pictures of the main window into docs/screenshots/: as it starts (under a virtual X
# server, in the default style and in a dark one), and after a successful and a failed send to
# a private Samba receiver; and of the whois result window after an answer with a referral (as
# root: it makes namespaces); and of the pop-up of a message received through that receiver;
# and of the History window and the status icon's menu (that test starts an X server of its own).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$top/build}
out=$top/docs/screenshots
mkdir -p "$out"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/parlo" --screenshot "$out/main.png"
# The same under a dark style, which brings its own palette (Debian's adwaita-qt6).
QT_STYLE_OVERRIDE=Adwaita-Dark xvfb-run -a -s "-screen 0 1024x768x24" "$build/parlo" --screenshot "$out/main-dark.png"
PARLO_SCREENSHOTS=$out QT_QPA_PLATFORM=offscreen "$build/tests/main/tst_send_e2e" >/dev/null
PARLO_SCREENSHOTS=$out QT_QPA_PLATFORM=offscreen "$build/tests/receive/tst_receive_e2e" >/dev/null
PARLO_SCREENSHOTS=$out QT_QPA_PLATFORM=offscreen "$build/tests/whois/tst_whois_e2e" >/dev/null
PARLO_SCREENSHOTS=$out xvfb-run -a -s "-screen 0 1024x768x24" "$build/tests/history/tst_historywindow" >/dev/null
PARLO_SCREENSHOTS=$out "$build/tests/app/tst_backgroundparlo" >/dev/null
