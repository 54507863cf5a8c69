#!/usr/bin/env bash
# How long the window goes without handling events while it works: loading 1,000,000 entries,
# "Alle Dateien..." on the 20,000-file set, "Gewählte Datei..." on the 1 GiB entry. Each run
# three times; prints the median time, the median longest gap between two ticks of a 10 ms
# timer on the window's thread and the median peak memory of the process.
#   bench/window.sh [ORDNER]     default /dev/shm (the extraction target)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
parent="${1:-/dev/shm}/varnholm-window"
mkdir -p bench/data
[[ -f bench/data/big.pak ]] || build/bench/gen_big_pak bench/data/big.pak
[[ -f bench/data/mixed.pak ]] || build/bench/gen_compare mixed bench/data/mixed
[[ -f bench/data/huge.pak ]] || build/bench/gen_compare huge bench/data/huge
export QT_QPA_PLATFORM=offscreen

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# run NAME KEY ARGS...: three runs of bench_window, the line starting with KEY of each.
run() {
    local name="$1" key="$2" times=() gaps=() peaks=()
    shift 2
    for _ in 1 2 3; do
        rm -rf "$parent"
        mkdir -p "$parent"
        line=$(build/bench/bench_window "$@" 2>/dev/null | grep "^$key=")
        times+=("$(sed 's/.*'"$key"'=\([0-9]*\).*/\1/' <<<"$line")")
        gaps+=("$(sed 's/.*longest_event_gap_ms=\([0-9]*\).*/\1/' <<<"$line")")
        peaks+=("$(sed 's/.*peak_mb=\([0-9]*\).*/\1/' <<<"$line")")
    done
    printf '%-44s %7d ms, longest gap %3d ms, peak %4d MB\n' "$name" "$(median "${times[@]}")" \
        "$(median "${gaps[@]}")" "$(median "${peaks[@]}")"
}
run "load 1,000,000 entries" load_ms bench/data/big.pak
run "\"Alle Dateien...\", 20,000 files" extract_ms bench/data/mixed.pak --extract "$parent"
run "\"Gewählte Datei...\", one 1 GiB entry" single_ms bench/data/huge.pak \
    --single "$parent/huge.bin"
rm -rf "$parent"
