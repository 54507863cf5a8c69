#!/usr/bin/env bash
# Archives of extreme shape rather than size: `info` and the window's load on one file below
# 1,000,000 nested folders, and on 200,000 sibling folders whose names collide in the directory
# index's hash. Each three times; prints the medians of wall, user and system time (seconds) and
# the window's load time with its longest gap between two ticks of a 10 ms timer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
mkdir -p bench/data
[[ -f bench/data/deep.pak ]] || build/bench/gen_shape_pak deep bench/data/deep.pak
[[ -f bench/data/wide.pak ]] || build/bench/gen_shape_pak wide bench/data/wide.pak
export QT_QPA_PLATFORM=offscreen

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
# timed NAME COMMAND...: three runs, the medians of wall, user and system time.
timed() {
    local name="$1" wall=() user=() sys=()
    shift
    for _ in 1 2 3; do
        /usr/bin/time -f "%e %U %S" -o /tmp/varnholm-shape-time "$@" >/tmp/varnholm-shape-out 2>/dev/null
        read -r w u s </tmp/varnholm-shape-time
        wall+=("$w") user+=("$u") sys+=("$s")
    done
    printf '%-36s wall %5.2f s, user %5.2f s, sys %5.2f s  %s\n' "$name" "$(median "${wall[@]}")" \
        "$(median "${user[@]}")" "$(median "${sys[@]}")" \
        "$(grep -o 'load_ms=[0-9]* longest_event_gap_ms=[0-9]*' /tmp/varnholm-shape-out || true)"
}
timed "info, 1,000,000 nested folders" build/src/cli/varnholm-pak info bench/data/deep.pak
timed "info, 200,000 sibling folders" build/src/cli/varnholm-pak info bench/data/wide.pak
timed "window, 1,000,000 nested folders" build/bench/bench_window bench/data/deep.pak
timed "window, 200,000 sibling folders" build/bench/bench_window bench/data/wide.pak
