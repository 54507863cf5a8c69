#!/usr/bin/env bash
# Times `varnholm-pak list` on the 1,000,000-entry benchmark archive (made on first use):
# the median wall time of five runs and the peak memory.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
mkdir -p bench/data
archive=bench/data/big.pak
[[ -f "$archive" ]] || build/bench/gen_big_pak "$archive"

times=()
for run in 1 2 3 4 5; do
    /usr/bin/time -f "%e %M" -o /tmp/varnholm-list-time build/src/cli/varnholm-pak list "$archive" >/dev/null
    times+=("$(cat /tmp/varnholm-list-time)")
done
printf '%s\n' "${times[@]}" | sort -n | awk 'NR==3 { printf "list: median %.2f s, peak %.0f MB\n", $1, $2/1024 }'
