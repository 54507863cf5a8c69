#!/usr/bin/env bash
# What entries that need no writing cost: `varnholm-pak extract` of 20,000 refused "../x"
# entries at -j 1 and -j 2, and the window's "Alle Dateien..." of the same archive; medians of
# RUNS runs, wall, user and system seconds.
#   bench/refused.sh [RUNS] [ANZAHL]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
runs="${1:-5}"
count="${2:-20000}"
mkdir -p bench/data
archive="bench/data/refused-$count.pak"
[[ -f "$archive" ]] || build/bench/gen_refused_pak "$archive" "$count"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

TIMEFORMAT='%3R %3U %3S'
median() { sort -n | awk '{ v[NR] = $0 } END { print v[int((NR + 1) / 2)] }'; }
for jobs in 1 2; do
    for ((run = 1; run <= runs; run++)); do
        { time build/src/cli/varnholm-pak extract -q -j "$jobs" "$archive" "$out/ziel" \
            2>/dev/null || true; } 2>&1
        rm -rf "$out/ziel"
    done | median | awk -v j="$jobs" -v n="$count" \
        '{ printf "extract -j %s, %s abgelehnt: median %.3f s wall, %.3f s user, %.3f s sys\n", j, n, $1, $2, $3 }'
done
if [[ -x build/bench/bench_window ]]; then
    for ((run = 1; run <= runs; run++)); do
        QT_QPA_PLATFORM=offscreen build/bench/bench_window "$archive" --extract "$out/ziel" 2>/dev/null |
            sed -n 's/^extract_ms=\([0-9]*\).*/\1/p'
        rm -rf "$out/ziel"
    done | median | awk '{ printf "Fenster \"Alle Dateien...\": median %.3f s\n", $1 / 1000 }'
fi
