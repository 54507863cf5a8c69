#!/usr/bin/env bash
# The find and the sorting of the file list on big archives: "objekt_01*" typed one character
# at a time into the find over 1,000,000 entries (the first keystroke comes right after Ctrl+F,
# while the names are still being gathered), with the list in the tree's own order, sorted by
# "Dateiname" and by "Größe" (the hits come in that order), Ctrl+F itself timed too; then the
# hits (100,000) and a folder of 100,000 files sorted by each column. Three runs each; prints
# medians of time and of the longest gap in the window's event handling, and the user and system
# CPU of the whole run.
#   bench/find.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
mkdir -p bench/data
[[ -f bench/data/big.pak ]] || build/bench/gen_big_pak bench/data/big.pak
[[ -f bench/data/flat100k.pak ]] || build/bench/gen_big_pak bench/data/flat100k.pak 100000 1
export QT_QPA_PLATFORM=offscreen
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

orders=(unsortiert Dateiname Größe)
for run in 1 2 3; do
    /usr/bin/time -f "%e %U %S" -o "$out/time-find-$run" \
        build/bench/bench_window bench/data/big.pak --find "objekt_01*" --sort \
        >"$out/find-$run" 2>/dev/null
    cp "$out/find-$run" "$out/keys-unsortiert-$run"
    for order in "${orders[@]:1}"; do
        build/bench/bench_window bench/data/big.pak --find "objekt_01*" --order "$order" \
            >"$out/keys-$order-$run" 2>/dev/null
    done
    build/bench/bench_window bench/data/flat100k.pak --sort >"$out/folder-$run" 2>/dev/null
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p"; }

for order in "${orders[@]}"; do
    echo "find over 1,000,000 names, list $order, per keystroke (median of 3 runs):"
    printf '  %-12s %4d ms, longest gap %3d ms\n' Ctrl+F \
        "$(cat "$out"/keys-"$order"-* | field open_find_ms | median)" \
        "$(cat "$out"/keys-"$order"-* | grep open_find_ms | field longest_event_gap_ms | median)"
    for text in o ob obj obje objek objekt objekt_ objekt_0 objekt_01 'objekt_01\*'; do
        lines=$(cat "$out"/keys-"$order"-* | grep " text=$text hits=")
        printf '  %-12s %4d ms, longest gap %3d ms, %7d hits\n' "${text//\\/}" \
            "$(field find_ms <<<"$lines" | median)" \
            "$(field longest_event_gap_ms <<<"$lines" | median)" \
            "$(field hits <<<"$lines" | median)"
    done
done
for source in find folder; do
    echo "sorting $([[ $source == find ]] && echo "100,000 hits" || echo "a folder of 100,000 files"):"
    for column in Dateiname Ordner Größe; do
        for order in auf ab; do
            lines=$(cat "$out"/$source-* | grep "column=$column order=$order" || true)
            [[ -n "$lines" ]] || continue
            printf '  %-10s %-3s %4d ms\n' "$column" "$order" "$(field sort_ms <<<"$lines" | median)"
        done
    done
done
printf 'whole run (load, find, sort): wall %s s, user %s s, system %s s (median)\n' \
    "$(cut -d' ' -f1 "$out"/time-find-* | median)" "$(cut -d' ' -f2 "$out"/time-find-* | median)" \
    "$(cut -d' ' -f3 "$out"/time-find-* | median)"
