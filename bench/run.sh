#!/bin/sh
# Runs every benchmark program in BUILD/bench, one line each; fails when any figure fails.
# The baselines need scripts/deps.sh --bench (smbclient, whois, xvfb).
bin=$1
status=0
for program in p1_runcapture p2_largeoutput p3_fieldreader p4_startup p5_getaliases p6_netsend p7_listsend p8_whois \
    p9_popup p10_hostilespool p11_hugeoutput p12_liveline p13_history; do
    case $program in
    p4_* | p9_*) set -- xvfb-run -a "$bin/bench_$program" ;;
    *) set -- "$bin/bench_$program" ;;
    esac
    "$@" || status=1
done
exit $status
