#!/usr/bin/env bash
# Extraction throughput of the window against the command-line tool on the same archive:
# alternating runs into a fresh folder, median wall time of each, files per second.
#   bench/extract.sh [ARCHIV] [RUNS] [ORDNER]
# Defaults: the 1,000,000-entry archive, 3 runs, bench/out on the disk. A folder on a tmpfs
# (e.g. /dev/shm) takes the disk out of the measurement and shows the program's own cost.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
mkdir -p bench/data
archive="${1:-bench/data/big.pak}"
runs="${2:-3}"
parent="${3:-bench/out}"
[[ -f "$archive" ]] || build/bench/gen_big_pak "$archive"
files=$(build/src/cli/varnholm-pak info "$archive" | awk -F': ' '/^Einträge/ { print $2 }')
mkdir -p "$parent"
out="$parent/varnholm-extract"

fresh() { rm -rf "$out"; sync; }
cli=()
win=()
for ((run = 1; run <= runs; run++)); do
    fresh
    start=$(date +%s.%N)
    build/src/cli/varnholm-pak extract -q "$archive" "$out"
    cli+=("$(echo "$(date +%s.%N) - $start" | bc)")
    fresh
    ms=$(QT_QPA_PLATFORM=offscreen build/bench/bench_window "$archive" --extract "$out" 2>/dev/null |
        sed -n 's/^extract_ms=\([0-9]*\).*/\1/p')
    win+=("$(echo "scale=3; $ms / 1000" | bc)")
done
fresh

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
cli_s=$(median "${cli[@]}")
win_s=$(median "${win[@]}")
printf 'varnholm-pak extract: median %.2f s (%.0f Dateien/s)\n' "$cli_s" "$(echo "$files / $cli_s" | bc -l)"
printf 'Fenster "Alle Dateien...": median %.2f s (%.0f Dateien/s), %.0f %% of the tool\n' \
    "$win_s" "$(echo "$files / $win_s" | bc -l)" "$(echo "100 * $cli_s / $win_s" | bc -l)"
