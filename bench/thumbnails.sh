#!/usr/bin/env bash
# The thumbnail grid on a folder of 10,000 pictures of 512 × 512 (PNG, JPEG and TGA, zlib streams
# in the archive): three runs of bench_thumbnails, offscreen, in a 1024 × 768 window; prints the
# median of each figure (see bench/thumbnails_bench.cpp).
#   bench/thumbnails.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
mkdir -p bench/data
[[ -f bench/data/thumbnails.pak ]] || build/bench/gen_thumbnail_pak bench/data/thumbnails.pak
export QT_QPA_PLATFORM=offscreen

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
lines=()
for _ in 1 2 3; do
    lines+=("$(build/bench/bench_thumbnails bench/data/thumbnails.pak 2>/dev/null)")
done
printf '%s\n' "${lines[@]}"
for key in first_paint_ms first_screen_ms scroll_ms longest_event_gap_ms peak_mb user_ms sys_ms; do
    values=()
    for line in "${lines[@]}"; do
        values+=("$(sed 's/.*\b'"$key"'=\([0-9.]*\).*/\1/' <<<"$line")")
    done
    printf 'median %-22s %s\n' "$key" "$(median "${values[@]}")"
done
