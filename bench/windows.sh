#!/usr/bin/env bash
# The Windows build under wine against the Linux build on the same machine, in turns:
# `list` of the 1,000,000-entry archive, `extract` of the 20,000-file set and of the one 1 GiB
# file (into a tmpfs, so the disk stays out of it). Medians of RUNS runs of wall time and user+system CPU; under wine
# the CPU of the wineserver (which does much of the file work) is counted as well.
#   bench/windows.sh [RUNS] [ORDNER]      (defaults: 3, /dev/shm)
# Needs scripts/build and scripts/windows --build first.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-3}"
parent="${2:-/dev/shm}"
linux=build/src/cli/varnholm-pak
windows="${VARNHOLM_WINDOWS_BUILD:-build-windows}/src/cli/varnholm-pak.exe"
mkdir -p bench/data
[[ -f bench/data/big.pak ]] || build/bench/gen_big_pak bench/data/big.pak
[[ -f bench/data/mixed.pak ]] || build/bench/gen_compare mixed bench/data/mixed
[[ -f bench/data/huge.pak ]] || build/bench/gen_compare huge bench/data/huge

export WINEPREFIX="${WINEPREFIX:-$PWD/${VARNHOLM_WINDOWS_BUILD:-build-windows}/wine}"
export WINEDEBUG=-all
wine=$(command -v wine64 || command -v wine)
wineserver -p 600
"$wine" cmd /c exit >/dev/null 2>&1
server=$(pgrep -u "$(id -u)" -n wineserver)
ticks=$(getconf CLK_TCK)
server_cpu() { awk -v t="$ticks" '{ printf "%.2f", ($14 + $15) / t }' "/proc/$server/stat"; }

out="$parent/varnholm-windows-bench"
# One run: wall and user+sys seconds of the command, plus the wineserver's CPU meanwhile.
measure() {
    local before after
    before=$(server_cpu)
    /usr/bin/time -f "%e %U %S" -o /tmp/varnholm-windows-time "$@" >/dev/null
    after=$(server_cpu)
    awk -v b="$before" -v a="$after" '{ printf "%s %.2f\n", $1, $2 + $3 + a - b }' \
        /tmp/varnholm-windows-time
}
median() { sort -n | awk '{ v[NR] = $0 } END { print v[int((NR + 1) / 2)] }'; }

declare -A results
for ((run = 1; run <= runs; run++)); do
    results[list_linux]+="$(measure "$linux" list bench/data/big.pak)"$'\n'
    results[list_windows]+="$(measure "$wine" "$windows" list bench/data/big.pak)"$'\n'
    rm -rf "$out"
    results[extract_linux]+="$(measure "$linux" extract -q bench/data/mixed.pak "$out")"$'\n'
    rm -rf "$out"
    results[extract_windows]+="$(measure "$wine" "$windows" extract -q bench/data/mixed.pak "$out")"$'\n'
    rm -rf "$out"
    results[huge_linux]+="$(measure "$linux" extract -q bench/data/huge.pak "$out")"$'\n'
    rm -rf "$out"
    results[huge_windows]+="$(measure "$wine" "$windows" extract -q bench/data/huge.pak "$out")"$'\n'
    rm -rf "$out"
done
for key in list_linux list_windows extract_linux extract_windows huge_linux huge_windows; do
    wall=$(printf '%s' "${results[$key]}" | awk 'NF { print $1 }' | median)
    cpu=$(printf '%s' "${results[$key]}" | awk 'NF { print $2 }' | median)
    printf '%-16s wall %6.2f s   user+sys %6.2f s\n' "$key" "$wall" "$cpu"
done
