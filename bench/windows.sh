#!/usr/bin/env bash
# The Windows build under wine against the Linux build on the same machine, in turns:
#   list     `list` of the 1,000,000-entry archive
#   extract  `extract` of the 20,000-file set (bench/compare's "mixed")
#   huge     `extract` of the one 1 GiB file
#   create   `create` of an archive from the 20,000 files (extracted once)
#   grep     `grep -c Heiltrank` over the 20,000-file archive (a plain word), and
#   regex    `grep -c 'Heil.rank'` over 1,000 of its files (a regular expression)
# Everything is written to a tmpfs folder, so the disk stays out of it. Prints medians of RUNS
# runs of wall, user and system time; under wine the CPU of the wineserver (which does much of
# the file work) is shown beside them.
#   bench/windows.sh [RUNS] [ORDNER] [VORGANG...]   (defaults: 3, /dev/shm, all of them)
# Needs scripts/build and scripts/windows --build first.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-3}"
parent="${2:-/dev/shm}"
shift 2 || shift $# || true
operations=("$@")
(($# > 0)) || operations=(list extract huge create grep regex)
wanted() { [[ " ${operations[*]} " == *" $1 "* ]]; }
linux=build/src/cli/varnholm-pak
windows="${VARNHOLM_WINDOWS_BUILD:-build-windows}/src/cli/varnholm-pak.exe"
mkdir -p bench/data
[[ -f bench/data/big.pak ]] || ! wanted list || build/bench/gen_big_pak bench/data/big.pak
[[ -f bench/data/mixed.pak ]] || build/bench/gen_compare mixed bench/data/mixed
[[ -f bench/data/huge.pak ]] || ! wanted huge || build/bench/gen_compare huge bench/data/huge

export WINEPREFIX="${WINEPREFIX:-$PWD/${VARNHOLM_WINDOWS_BUILD:-build-windows}/wine}"
export WINEDEBUG=-all
wine=$(command -v wine64 || command -v wine)
wineserver -p 600
"$wine" cmd /c exit >/dev/null 2>&1
server=$(pgrep -u "$(id -u)" -n wineserver)
ticks=$(getconf CLK_TCK)
server_cpu() { awk -v t="$ticks" '{ printf "%.2f", ($14 + $15) / t }' "/proc/$server/stat"; }

out="$parent/varnholm-windows-bench"
folder="$parent/varnholm-windows-bench-folder"
if wanted create && [[ ! -d "$folder" ]]; then
    "$linux" extract -q bench/data/mixed.pak "$folder"
fi
# One run: wall, user and system seconds of the command, and the wineserver's CPU meanwhile.
measure() {
    local before after
    before=$(server_cpu)
    /usr/bin/time -f "%e %U %S" -o /tmp/varnholm-windows-time "$@" >/dev/null || true
    after=$(server_cpu)
    awk -v b="$before" -v a="$after" '{ printf "%s %s %s %.2f\n", $1, $2, $3, a - b }' \
        /tmp/varnholm-windows-time
}
median() { sort -n | awk '{ v[NR] = $0 } END { print v[int((NR + 1) / 2)] }'; }

declare -A results
keys=()
both() { # name, then the arguments of varnholm-pak
    local name="$1"
    shift
    rm -rf "$out"
    results[${name}_linux]+="$(measure "$linux" "$@")"$'\n'
    rm -rf "$out"
    results[${name}_windows]+="$(measure "$wine" "$windows" "$@")"$'\n'
    rm -rf "$out"
    if ((run == 1)); then
        keys+=("${name}_linux" "${name}_windows")
    fi
}
for ((run = 1; run <= runs; run++)); do
    ! wanted list || both list list bench/data/big.pak
    ! wanted extract || both extract extract -q bench/data/mixed.pak "$out"
    ! wanted huge || both huge extract -q bench/data/huge.pak "$out"
    ! wanted create || both create create -q "$out" "$folder"
    ! wanted grep || both grep grep -c Heiltrank bench/data/mixed.pak
    ! wanted regex || both regex grep -c 'Heil.rank' bench/data/mixed.pak -- 'daten/gruppe_00?/*'
done
for key in "${keys[@]}"; do
    column() { printf '%s' "${results[$key]}" | awk -v c="$1" 'NF { print $c }' | median; }
    printf '%-16s wall %7.2f s   user %7.2f s   sys %6.2f s   wineserver %6.2f s\n' "$key" \
        "$(column 1)" "$(column 2)" "$(column 3)" "$(column 4)"
done
