#!/usr/bin/env bash
# Peak memory of extraction against the number of workers: varnholm-pak extract -j N on 40
# incompressible entries just under 8 MiB (each inflated whole in memory), into a tmpfs.
# Runs the worker counts in turns and prints the median peak RSS, wall, user and system time.
#   bench/memory.sh [RUNS] [ORDNER]     defaults: 3 runs, /dev/shm
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
runs="${1:-3}"
out="${2:-/dev/shm}/varnholm-memory"
archive=bench/data/memory.pak
mkdir -p bench/data
[[ -f "$archive" ]] || build/bench/gen_memory_pak "$archive"

counts=(1 2 16 64)
declare -A rss wall user sys
for ((run = 1; run <= runs; run++)); do
    for jobs in "${counts[@]}"; do
        rm -rf "$out"
        read -r kb w u s < <(/usr/bin/time -f '%M %e %U %S' \
            build/src/cli/varnholm-pak extract -j "$jobs" "$archive" "$out" 2>&1 >/dev/null | tail -1)
        rss[$jobs]+="$kb "
        wall[$jobs]+="$w "
        user[$jobs]+="$u "
        sys[$jobs]+="$s "
    done
done
rm -rf "$out"

median() { printf '%s\n' $1 | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
printf '%-6s %12s %8s %8s %8s\n' "-j" "peak RSS" "wall" "user" "system"
for jobs in "${counts[@]}"; do
    printf '%-6s %9.0f MB %7.2fs %7.2fs %7.2fs\n' "$jobs" \
        "$(echo "$(median "${rss[$jobs]}") / 1000" | bc -l)" "$(median "${wall[$jobs]}")" \
        "$(median "${user[$jobs]}")" "$(median "${sys[$jobs]}")"
done
